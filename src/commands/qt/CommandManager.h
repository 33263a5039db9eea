#pragma once

#include <memory>

#include "commands/ICommandManagerSink.h"
#include "platform/qt/VDockingControlBar.h"
#include "profile/secrets/CredentialDatabase.h"

class CommandToolbar;
class CommandTree;
class FilterEditBox;
class OutsideChangeWatch;
class PaneStack;
class QTimer;

// The Command Manager: the user's commands as a tree of folders, docked in
// the host's frame with a toolbar and a filter box. Sending and editing a
// command go to the host through its sink.
class CommandManager final : public VDockingControlBar, public ICommandManager, public ICredentialDatabaseSink {
    Q_OBJECT
public:
    // The filter box's cue names its key.
    static constexpr char16_t kFilterCue[] = u"Alt+Y";

    // `sink` may be null: sending then does nothing.
    CommandManager(ICommandManagerSink* sink, int applicationNumber, QWidget* frame);
    ~CommandManager() override;

    CommandTree* Tree() const { return m_tree; }
    FilterEditBox* Filter() const { return m_filter; }
    CommandToolbar* Toolbar() const { return m_toolbar; }
    int ApplicationNumber() const { return m_applicationNumber; }
    ICommandManagerSink* Sink() const { return m_sink; }

    void RunPaneCommand(unsigned command);
    bool IsCommandEnabled(unsigned command) const;
    // Mirrors the enable rules on the toolbar.
    void UpdateCommandState();
    // Shows the menu the selection calls for at `globalPos` and runs the
    // command chosen; returns it, or 0.
    unsigned ExecContextMenu(const QPoint& globalPos);

    // ICommandManager
    QWidget* GetPaneWindow() override { return this; }
    void ShowPane(bool show, bool& visible) override;
    void RefreshTree() override;

    // ICredentialDatabaseSink
    void OnCredentialDatabaseChanged(const VUnicodeString& name) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QWidget* FocusTarget() const override;

private:
    void RunPendingRefresh();

    ICommandManagerSink* m_sink;
    int m_applicationNumber;
    PaneStack* m_contents;
    CommandToolbar* m_toolbar;
    FilterEditBox* m_filter = nullptr;
    CommandTree* m_tree = nullptr;
    QTimer* m_sendState;
    QTimer* m_outsideRetry;
    bool m_refreshPending = false;
    std::unique_ptr<OutsideChangeWatch> m_outsideChanges;
};
