#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/MessageTable.h"
#include "platform/PlatformError.h"
#include "platform/SynchLock.h"
#include "profile/reports/IReportMessageParams.h"
#include "profile/reports/VReportMessageRouter.h"

// A host lock that counts what is done to it. It is never deleted by a
// release, so tests can read the count after the library let go.
class FakeSynchObject final : public ISynchObject {
public:
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    void Lock() override { ++locks, ++held; }
    void Unlock() override { --held; }

    uint32_t refs = 1; // the host's own reference
    int locks = 0;
    int held = 0;
};

// Records every message box instead of showing it, and answers as told.
class FakeMessageBox final : public IMessageBox {
public:
    struct Shown {
        std::u16string text;
        std::u16string caption;
        unsigned style;
    };
    FakeMessageBox() { SetMessageBox(this); }
    ~FakeMessageBox() override { SetMessageBox(nullptr); }
    int Show(QWidget*, std::u16string_view text, std::u16string_view caption, unsigned style) override
    {
        shown.push_back({std::u16string(text), std::u16string(caption), style});
        if (onShow)
            onShow();
        return answer;
    }
    int ShowWithOption(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style,
                       std::u16string_view optionText, bool& option) override
    {
        optionTexts.emplace_back(optionText);
        option = optionAnswer;
        return Show(owner, text, caption, style);
    }
    int ShowOptional(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned style,
                     std::u16string_view optionText, bool& option, std::u16string_view affirmativeText) override
    {
        affirmativeTexts.emplace_back(affirmativeText);
        return ShowWithOption(owner, text, caption, style, optionText, option);
    }
    std::vector<std::u16string> affirmativeTexts;
    std::vector<Shown> shown;
    std::vector<std::u16string> optionTexts;
    int answer = kIdOk;
    bool optionAnswer = false; // the check box as the user leaves it
    std::function<void()> onShow; // runs while the box would be up
};

class FakeRouter final : public VReportMessageRouter {
public:
    void RouteReport(IReportMessageParams* report) override
    {
        ids.push_back(report->GetMessageId());
        texts.push_back(report->GetText().str());
    }
    std::vector<uint32_t> ids;
    std::vector<std::u16string> texts;
};

// A message table whose texts a test sets, counting the look-ups.
class FakeMessageTable final : public IMessageTable {
public:
    bool Find(uint32_t id, uint16_t, std::u16string& text) const override
    {
        ++lookups;
        const auto it = texts.find(id);
        if (it == texts.end()) {
            SetPlatformLastError(missError);
            return false;
        }
        text = it->second;
        return true;
    }
    std::unordered_map<uint32_t, std::u16string> texts;
    uint32_t missError = kErrorMessageNotFound;
    mutable int lookups = 0;
};

// A fresh private folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();

private:
    std::string m_name;
    bool m_had;
    std::string m_old;
};
