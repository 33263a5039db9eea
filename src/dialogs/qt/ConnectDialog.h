#pragma once

#include <QDialog>
#include <QPointer>
#include <QSize>
#include <vector>

#include "core/VUnknown.h"
#include "dialogs/ConnectDialogBase.h"
#include "profile/sessions/ISessionConfig.h"

class ConnectToolbar;
class FilterEditBox;
class QCheckBox;
class QFrame;
class QPushButton;
class SessionTreeCtrl;

// The modal session manager, and with browse on the library's session
// picker. The tree, its filter and its toolbar do the work; the dialog
// lays them out, keeps its options and ends with the tree's choice.
class ConnectDialog final : public QDialog, public ConnectDialogBase {
    Q_OBJECT
public:
    // What the tree is handed besides the three flags.
    struct TreeOptions {
        VUnicodeString initialSelection; // browse mode: the path selected at first
        bool treeOption = false;
        VUnicodeString protocol; // a picker: only sessions of this protocol count
        unsigned short value = 0;
    };
    static constexpr int kSeparatorId = 1347;
    // Anchor flags of the layout.
    enum Anchor : unsigned { kMoveRight = 1, kMoveDown = 2, kGrowWidth = 4, kGrowHeight = 8 };

    ConnectDialog(const char16_t* title, bool firstTreeFlag, bool hideTabOption, bool browse,
                  const TreeOptions& options, int applicationNumber, QWidget* parent);
    ~ConnectDialog() override;

    void SetFocusFilterOnOpen(bool focus) { m_focusFilterOnOpen = focus; }
    QSize MinimumTrackSize() const { return m_minimumTrackSize; }

    SessionTreeCtrl* Tree() const { return m_tree; }
    FilterEditBox* Filter() const { return m_filter; }
    ConnectToolbar* Toolbar() const { return m_toolbar; }
    QFrame* Separator() const { return m_separator; }
    QPushButton* ConnectButton() const { return m_connect; }
    QPushButton* CloseButton() const { return m_close; }
    QCheckBox* StartupBox() const { return m_startup; }
    QCheckBox* TabBox() const { return m_openInTab; }
    // Runs a command of the toolbar, a menu or a key.
    void RunDialogCommand(unsigned command);

    // ConnectDialogBase
    void EnableEditButtons(bool properties, bool cutAndCopy, bool del) override;
    void EnableConnect(bool enable, bool toolbar) override;
    void EnableCommandButtons() override;
    void EnablePaste(bool enable) override;
    void EndDialog(int result) override;
    QWidget* GetDialog() const override;
    SessionTreeBase* GetTree() const override;
    VUnicodeString GetFilterText() const override;
    bool IsFilterFocused() const override;
    void FocusFilter() override;
    bool ConfirmMultiConnect(uint32_t threshold) override;
    void DeliverConnect(const ConnectRequest& request) override;
    // New Session through the wizard, when it is switched on.
    bool UseNewSessionWizard() const override;
    bool RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath) override;
    VUnicodeString RequiredProtocol() const override { return m_options.protocol; }
    bool IsBrowseMode() const override { return m_browse; }
    bool CanQuickConnect() const override { return !m_browse; }
    // Runs Quick Connect over the dialog, for the selected folder; what it
    // accepts ends the dialog as its connection.
    void RunQuickConnect() override;
    // The configuration Quick Connect ended the dialog with (one reference
    // for the caller), or null.
    ISessionConfig* TakeQuickConnectConfig() { return m_quickConnect.Detach(); }

    void done(int result) override;
    void reject() override;

signals:
    void pasteStateChanged(bool enabled);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void InitDialog(const char16_t* title);
    void LayOutTemplate(QSize client);
    int DialogUnitsX(int units) const;
    int DialogUnitsY(int units) const;
    void SavePlacement();

    struct AnchoredControl {
        QPointer<QWidget> control;
        unsigned flags;
    };

    bool m_firstTreeFlag;
    bool m_hideTabOption;
    bool m_browse;
    TreeOptions m_options;
    bool m_focusFilterOnOpen = false;
    bool m_shownOnce = false;
    bool m_placementSaved = false;
    QSize m_previousClient;
    QSize m_minimumTrackSize;
    std::vector<AnchoredControl> m_anchors;

    ConnectToolbar* m_toolbar = nullptr;
    QFrame* m_separator = nullptr;
    SessionTreeCtrl* m_tree = nullptr;
    FilterEditBox* m_filter = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_close = nullptr;
    QCheckBox* m_startup = nullptr;
    QCheckBox* m_openInTab = nullptr;
    VUnknownPointer<ISessionConfig> m_quickConnect;
};
