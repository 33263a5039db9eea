#pragma once

#include "dialogs/ConnectDialogBase.h"
#include "dialogs/ISessionManager.h"
#include "platform/qt/VDockingControlBar.h"

class ConnectToolbar;
class FilterEditBox;
class SessionTreeCtrl;

// The Session Manager: the session tree docked in the host's frame, with
// its toolbar and filter box. Its commands become requests to the host.
class ConnectView final : public VDockingControlBar, public ConnectDialogBase, public ISessionManager {
    Q_OBJECT
public:
    ConnectView(const QString& caption, bool firstTreeFlag, bool hideTabOption, int applicationNumber,
                IConnectDialogSink* sink, QWidget* frame);
    ~ConnectView() override;

    SessionTreeCtrl* Tree() const { return m_tree; }
    FilterEditBox* Filter() const { return m_filter; }
    ConnectToolbar* Toolbar() const { return m_toolbar; }
    bool HideTabOption() const { return m_hideTabOption; }
    void RunPaneCommand(unsigned command);
    // Toolbar on top at its own height, the filter as tall as its font
    // plus 8, the tree below.
    void LayOutPane();

    // ISessionManager
    QWidget* GetPaneWindow() override { return this; }
    void ShowPane(bool show, bool& visible) override;
    void SetHideTabOption(bool hide) override { m_hideTabOption = hide; }
    void RefreshTree() override;
    // ICredentialDatabaseSink
    void OnCredentialDatabaseChanged(const VUnicodeString& name) override;

    // ConnectDialogBase
    void EnableEditButtons(bool properties, bool cutAndCopy, bool del) override;
    void EnableConnect(bool enable, bool toolbar) override;
    void EnableCommandButtons() override;
    void EnablePaste(bool enable) override;
    void EndDialog(int) override {}
    QWidget* GetDialog() const override;
    // The display queries, from the screen the window is on.
    bool UseGenericSessionIcons() const override;
    bool UseAlternateIcons() const override;
    SessionTreeBase* GetTree() const override;
    VUnicodeString GetFilterText() const override;
    bool IsFilterFocused() const override;
    void FocusFilter() override;
    bool ConfirmMultiConnect(uint32_t threshold) override;
    void DeliverConnect(const ConnectRequest& request) override;
    bool PromptShortcutName(const VUnicodeString& itemPath, bool severalItems, VUnicodeString& name) override;
    bool ChooseExchangeFile(bool save, std::string& file) override;
    bool PromptDuplicate(ISessionConfig& config, VUnicodeString& newName,
                         std::optional<VUnicodeString>& newHost) override;
    // New Session through the wizard, when it is switched on.
    bool UseNewSessionWizard() const override;
    bool RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    QWidget* FocusTarget() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_firstTreeFlag;
    bool m_hideTabOption;
    QWidget* m_contents;
    ConnectToolbar* m_toolbar;
    FilterEditBox* m_filter = nullptr;
    SessionTreeCtrl* m_tree = nullptr;
};
