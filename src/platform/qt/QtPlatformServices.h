#pragma once

#include <map>
#include <vector>

#include <QPointer>
#include <QTimer>

#include "platform/IClipboard.h"
#include "platform/KeyState.h"
#include "platform/MessageBox.h"
#include "platform/Timers.h"
#include "platform/WaitCursor.h"

// The clipboard as Qt holds it: a format's registered name is its MIME
// type, so other processes of the suite find the same bytes under it.
class QtClipboard final : public IClipboard {
public:
    bool IsFormatAvailable(uint32_t format) override;
    bool GetData(uint32_t format, std::vector<uint8_t>& bytes) override;
    bool SetData(std::span<const FormatData> formats) override;
};

// Message boxes with the button sets and icons of MessageBoxStyle.
class QtMessageBox final : public IMessageBox {
public:
    int Show(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style) override;
    int ShowWithOption(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style,
                       std::u16string_view optionText, bool& option) override;
    int ShowOptional(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style,
                     std::u16string_view optionText, bool& option, std::u16string_view affirmativeText) override;

private:
    int Run(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style,
            std::u16string_view optionText, bool* option, std::u16string_view affirmativeText = {});
};

// The override cursor; nested scopes keep it until the outermost ends.
class QtWaitCursor final : public IWaitCursor {
public:
    void Begin() override;
    void End() override;
};

class QtKeyState final : public IKeyState {
public:
    unsigned HeldModifiers() const override;
};

// Timers on the event loop, each a QTimer owned by the application.
class QtTimers final : public ITimers {
public:
    uint64_t Start(uint32_t milliseconds, bool repeat, Callback callback) override;
    void Stop(uint64_t id) override;

private:
    std::map<uint64_t, QPointer<QTimer>> m_timers;
    uint64_t m_next = 0;
    std::vector<uint64_t> m_firing; // timers whose callback runs now
};

// Installs the five once for the process; harmless to call again. Needs a
// QApplication.
void InstallQtPlatformServices();
// The same when the process runs a QApplication (a window system); false,
// and nothing installed, in a process without one.
bool InstallQtPlatformServicesIfGui();
