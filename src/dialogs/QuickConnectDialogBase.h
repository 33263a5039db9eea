#pragma once

#include "core/VUnicodeString.h"
#include "core/VUnknown.h"
#include "dialogs/IHostnameChanged.h"
#include "platform/ProtocolTable.h"
#include "profile/sessions/SessionConfig.h"

class ConnectProtocolPageBase;
class IReportMessageParams;
class QWidget;

// The rules of Quick Connect: start from a copy of the "Default" session
// (or what the last accepted Quick Connect used), let the user pick a
// protocol and fill in its page, and hand the configuration back, saved
// as a new session when asked. The window supplies the controls through
// the operations below.
class QuickConnectDialogBase : public IHostnameChanged {
public:
    static constexpr char16_t kUniqueNamePattern[] = u"%1 (%2!d!)";

    // Reads the three options, copies the "Default" session and what was
    // retained from the last accepted Quick Connect.
    QuickConnectDialogBase(const VUnicodeString& targetFolder, int applicationNumber, bool tabsAvailable);
    // At most one start-up dialog: when Quick Connect is to open at start-up
    // the Connect dialog is not.
    ~QuickConnectDialogBase() override;
    QuickConnectDialogBase(const QuickConnectDialogBase&) = delete;
    QuickConnectDialogBase& operator=(const QuickConnectDialogBase&) = delete;

    // The configuration the last accepted Quick Connect used; kept for the
    // library's lifetime, never stored.
    static VUnknownPointer<ISessionConfig>& Retained();
    static void ReleaseRetained();

    // --- What the window provides.
    virtual void AddProtocolItem(const VUnicodeString& displayName, int rowIndex) = 0;
    virtual int ProtocolItemCount() const = 0;
    // The row index an item carries.
    virtual int ProtocolItemRow(int item) const = 0;
    virtual void SelectProtocolItem(int item) = 0;
    virtual void ShowBoxes(bool startup, bool save, bool tab) = 0;
    virtual void ReadBoxes(bool& startup, bool& save, bool& tab) const = 0;
    virtual void EnableDone(bool enable) = 0;
    virtual void EnableConnectButton(bool enable) = 0;
    virtual void RelabelTabBox(const VUnicodeString& text) = 0;
    // Not the terminal product: no tab box, the two other boxes on its row,
    // the first frame for the page. The terminal product: the second frame,
    // and the tab box enabled as given.
    virtual void ApplyLayout(bool terminalLayout, bool enableTabBox) = 0;
    // Makes the page of `row` over the page frame, shown; null when the
    // row has none.
    virtual ConnectProtocolPageBase* CreateProtocolPage(const ConnectProtocolRow& row) = 0;
    // Hides and destroys a page made by CreateProtocolPage.
    virtual void DestroyProtocolPage(ConnectProtocolPageBase* page) = 0;
    virtual void EndDialog(int result) = 0;
    virtual QWidget* GetDialog() = 0;

    // --- Window initialisation and inputs.
    void InitDialog();
    // The protocol list's selection changed to `item`.
    void OnProtocolSelectionChanged(int item);
    void OnStartupBoxClicked() { EnableDone(true); }
    // "&Done": keeps the start-up option, connects nothing (result 0).
    void OnDone();
    // "Connect": the page's data exchange, then result 1; a refusing page
    // keeps the dialog open.
    void OnConnect();
    void OnCancel() { EndDialog(2); }
    // The help for the dialog (context 0).
    void OnHelp();
    // IHostnameChanged: "Connect" follows whether there is a host.
    void OnHostnameChanged() override;

    // After the modal loop returned 1: keeps the options and the retained
    // copy, and saves the session when asked. False when the session was
    // to be saved and was not (the reason was shown or is in `report`).
    bool ProcessOk(IReportMessageParams* report = nullptr);
    // The name the session is saved under: the host, made unique in the
    // target folder with "%1 (%2!d!)".
    VUnicodeString MakeSessionName() const;

    SessionConfig& Config() { return *m_config; }
    // The configuration with one reference for the caller.
    ISessionConfig* TakeConfig() const;
    const VUnicodeString& GetProtocolName() const { return m_protocolName; }
    ConnectProtocolPageBase* GetPage() const { return m_page; }
    int GetSelectedItem() const { return m_selectedItem; }
    bool GetSaveSession() const { return m_saveSession; }
    bool GetOpenInTab() const { return m_openInTab; }
    bool GetShowOnStartup() const { return m_showOnStartup; }
    const VUnicodeString& GetSavedPath() const { return m_savedPath; }
    int GetApplicationNumber() const { return m_applicationNumber; }

protected:
    // Destroys the page while the window is still whole.
    void ReleasePage();

private:
    bool IsTerminalApplication() const { return m_applicationNumber == 3; }
    bool DataExchange(bool save);
    void ApplyConnectRule();

    VUnicodeString m_targetFolder;
    int m_applicationNumber;
    SessionConfigPtr m_config;
    ConnectProtocolPageBase* m_page = nullptr;
    VUnicodeString m_protocolName;
    bool m_saveSession = false;
    bool m_openInTab = false;
    bool m_showOnStartup = false;
    int m_selectedItem = -1;
    bool m_tabsAvailable;
    VUnicodeString m_savedPath;
};
