#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "dialogs/IConnectDialogSink.h"
#include "sessiontree/ISessionTreeOwner.h"

class OutsideChangeWatch;

class SessionTreeBase;

// The connect mode the Connect dialog hands back.
enum ConnectMode : int { kConnectModeNone = 0, kConnectModeTab = 1, kConnectModeNewWindow = 2, kConnectModeNewTabGroup = 3 };

// Sessions chosen by a connect command, and where they open.
struct ConnectRequest {
    VStringArray paths;
    bool ownProduct = false;   // open in the host's own product
    bool otherProduct = false; // open in the suite's other product
    int opening = IConnectDialogSink::kOpenCurrent;
};

// The command logic the Connect dialog and the Session Manager share: the
// owner of their session tree, the connect commands with the multi-connect
// warning, the enable rules, and passing database changes on.
class ConnectDialogBase : public ISessionTreeOwner {
public:
    ConnectDialogBase(IConnectDialogSink* sink, int applicationNumber);
    ~ConnectDialogBase() override;
    ConnectDialogBase(const ConnectDialogBase&) = delete;
    ConnectDialogBase& operator=(const ConnectDialogBase&) = delete;

    // --- What the window provides.
    virtual void EnableEditButtons(bool properties, bool cutAndCopy, bool del) = 0;
    virtual void EnableConnect(bool enable, bool toolbar) = 0;
    virtual void EnablePaste(bool enable) = 0;
    virtual void EndDialog(int result) = 0;
    virtual QWidget* GetDialog() const = 0;
    virtual SessionTreeBase* GetTree() const = 0;
    // Hand a database change on to the host.
    virtual void ForwardToSink(int changed, int reserved);
    virtual void NotifySink();
    virtual VUnicodeString GetFilterText() const = 0;
    virtual bool IsFilterFocused() const = 0;
    virtual void FocusFilter() = 0;
    // The multi-connect warning for more than `threshold` sessions; true
    // to go on.
    virtual bool ConfirmMultiConnect(uint32_t threshold) = 0;
    // The chosen sessions: the modal dialog keeps them and ends, the pane
    // sends them to the host.
    virtual void DeliverConnect(const ConnectRequest& request) = 0;
    // The picker's protocol rule: only sessions of that protocol count.
    virtual VUnicodeString RequiredProtocol() const { return {}; }
    virtual bool IsBrowseMode() const { return false; }
    // The shortcut dialog for the item path (or several items); true with
    // the confirmed name.
    virtual bool PromptShortcutName(const VUnicodeString& itemPath, bool severalItems, VUnicodeString& name) = 0;
    // The file dialog of Export (`save`) or Import; true with the chosen file.
    virtual bool ChooseExchangeFile(bool save, std::string& file) = 0;
    // Quick Connect: the pane asks the host (its sink) for it; the modal
    // dialog runs it itself.
    virtual bool CanQuickConnect() const { return m_sink != nullptr; }
    virtual void RunQuickConnect()
    {
        if (m_sink)
            m_sink->OnQuickConnect();
    }

    // --- ISessionTreeOwner
    int GetHostKind() const override { return m_applicationNumber; }
    VUnicodeString GetDatabaseIdentity() const override;
    QWidget* GetMessageParent() const override { return GetDialog(); }
    void OnSessionDatabaseChanged(int changed, int reserved) override;
    void OnSessionDatabaseViewChanged() override;
    void OnConnectRequested(const VStringArray& paths) override;

    bool HandleTreeCommand(unsigned command) override { return RunCommand(command); }

    // --- Commands
    // What the window runs for a command, and when it may. A menu item,
    // toolbar button or key whose command has no handler here is disabled:
    // nothing the user is offered does nothing. Windows add the handlers
    // of their own commands with SetCommandHandler.
    struct CommandHandler {
        std::function<bool()> enabled; // null: always
        std::function<void()> run;
    };
    void SetCommandHandler(unsigned command, CommandHandler handler);
    void RemoveCommandHandler(unsigned command);
    bool HasCommandHandler(unsigned command) const { return m_handlers.contains(command); }
    // The commands that have handlers, in id order.
    std::vector<unsigned> HandledCommands() const;
    // Runs a connect command; false for any other.
    bool RunConnectCommand(unsigned command);
    // Runs the command's handler when it is enabled. False when the window
    // has no handler for it.
    bool RunCommand(unsigned command);
    // A handler, and its rule allows it now.
    // The tree's commands that need the dialogs of this layer.
    // Create Desktop Shortcut: the selection's sessions, then its folders.
    void CreateDesktopShortcut();
    // Export Selected Session(s): the selection as an XML exchange document.
    void ExportSelection();
    // Import Settings from XML File: a document into the selected folder
    // (the selected session's folder, or the top), telling what was added
    // and what skipped.
    void ImportIntoSelection();
    bool IsCommandEnabled(unsigned command) const;
    // Mirrors the tree's state onto the buttons.
    void UpdateCommandState();
    // Every command button of the window follows IsCommandEnabled.
    virtual void EnableCommandButtons() {}
    // Refills the tree keeping its open folders and selection; while the
    // tree runs a multi-item delete the refresh waits for its end.
    void RefreshTree();
    void RunPendingRefresh();
    // Another process committed a change to the keys at `paths` (none:
    // anything may have changed): the folders concerned are read again (or
    // the refresh waits for the edit under way) and the host is told, as
    // for a change made here.
    void OnOutsideChange(const VStringArray& paths);
    void OnTreeIdle() override;

    // --- Result of the modal dialog
    // The pending mode if one was set (and clears it); else 1 when tabs
    // were asked for or are the user's choice, else 2.
    int TakeConnectMode();
    const VStringArray& OwnSessions() const { return m_own; }
    const VStringArray& OtherSessions() const { return m_other; }

    IConnectDialogSink* GetSink() const { return m_sink; }
    int GetApplicationNumber() const { return m_applicationNumber; }
    bool IsConnectEnabled() const { return m_connectEnabled; }
    int GetPendingConnectMode() const { return m_pendingMode; }

    // The selection with folders standing for the sessions below them, in
    // tree order, each session once. Reads the database's listings, never
    // fills the tree.
    VStringArray ResolveSelection() const;
    // Every live owner of a session tree in this process.
    static size_t LiveOwnerCount();

protected:
    // Keeps the result of a modal connect: call from DeliverConnect.
    void KeepResult(const ConnectRequest& request);
    void SetConnectEnabledState(bool enabled) { m_connectEnabled = enabled; }

private:
    enum class ConnectKind { Plain, Terminal, FileTransfer, Both };
    void SetStandardHandlers();
    bool Connect(ConnectKind kind, int opening, int pendingMode, bool tabs);
    void Capabilities(const VUnicodeString& path, bool& terminal, bool& transfer) const;
    bool HasProtocol(const VUnicodeString& path) const;
    bool OwnProductTerminal() const;
    bool OwnProductTransfer() const;
    bool SingleSelection(VUnicodeString& path) const;
    // Whether the selection resolves to a session of each wanted kind;
    // stops reading at the first that answers.
    bool AnySelected(bool wantTerminal, bool wantTransfer) const;
    bool AnySelectedToOpen() const;
    bool IsConnectRuleMet(unsigned command) const;
    bool AnySelectedSession() const;

    IConnectDialogSink* m_sink;
    int m_applicationNumber;
    int m_pendingMode = kConnectModeNone;
    bool m_tabRequest = false;
    bool m_connectEnabled = false;
    bool m_refreshPending = false;
    std::unique_ptr<OutsideChangeWatch> m_outsideChanges;
    VStringArray m_own;
    VStringArray m_other;
    std::map<unsigned, CommandHandler> m_handlers;
};
