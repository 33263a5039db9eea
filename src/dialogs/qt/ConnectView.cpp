#include "dialogs/qt/ConnectView.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QResizeEvent>

#include "CommandIds.h"
#include "core/VUnknown.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/DuplicatePromptDialog.h"
#include "dialogs/qt/ExchangeFileDialog.h"
#include "dialogs/qt/ShortcutNameDialog.h"
#include "dialogs/qt/MultiConnectWarningDialog.h"
#include "dialogs/qt/NewSessionWizard.h"
#include "dialogs/qt/SessionTreeMenus.h"
#include "platform/GlobalConfig.h"
#include "platform/qt/KeyTableMatch.h"
#include "platform/qt/QtStrings.h"
#include "platform/qt/ResourceIcons.h"
#include "profile/sessions/SessionDatabase.h"
#include "sessiontree/qt/FilterEditBox.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

// Lays the pane out whenever it changes size.
class PaneContents final : public QWidget {
public:
    PaneContents(ConnectView& view, QWidget* parent) : QWidget(parent), m_view(view) {}

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        m_view.LayOutPane();
    }

private:
    ConnectView& m_view;
};

bool IsTerminalHost(int kind)
{
    return kind == 1 || kind == 3 || kind == 7;
}

} // namespace

ConnectView::ConnectView(const QString& caption, bool firstTreeFlag, bool hideTabOption, int applicationNumber,
                         IConnectDialogSink* sink, QWidget* frame)
    : VDockingControlBar(caption, frame), ConnectDialogBase(sink, applicationNumber),
      m_firstTreeFlag(firstTreeFlag), m_hideTabOption(hideTabOption)
{
    setObjectName(QStringLiteral("sessionManager"));
    setWindowIcon(ResourceIcons::Icon(QStringLiteral("pane/session-manager")));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_contents = new PaneContents(*this, this);
    m_toolbar = new ConnectToolbar(QStringLiteral("Session Manager"), m_contents);
    m_toolbar->RemoveButton(kCmdQuickConnect);
    m_toolbar->RemoveButton(kCmdHelp);
    if (!IsTerminalHost(applicationNumber))
        m_toolbar->RemoveButton(kCmdConnectInTab);
    if (applicationNumber == 9)
        m_toolbar->RemoveButton(kCmdCreateDesktopShortcut);
    m_filter = new FilterEditBox(m_contents);
    m_tree = new SessionTreeCtrl(this, m_contents);
    m_tree->SetExtraKeyTable(GetKeyTable(KeyTable::SessionManager));
    m_filter->SetTree(m_tree);
    m_filter->ShowCue();
    setWidget(m_contents);

    connect(m_toolbar, &ConnectToolbar::commandTriggered, this, &ConnectView::RunPaneCommand);
    connect(m_tree, &SessionTreeCtrl::commandRequested, this, &ConnectView::RunPaneCommand);
    connect(m_tree, &SessionTreeCtrl::commandStateChanged, this, [this] { UpdateCommandState(); });
    connect(m_tree, &SessionTreeCtrl::contextMenuRequested, this, [this](const QPoint& at) {
        if (const unsigned command = ExecSessionTreeMenu(*m_tree, *this, at, this))
            RunPaneCommand(command);
    });
    m_tree->installEventFilter(this);
    m_filter->installEventFilter(this);

    SetTreeCtrlHandlers(*this, *m_tree);
    m_tree->Initialize();
    UpdateCommandState();
    CredentialDatabase* credentials = nullptr;
    if (GetCredentialDatabase(&credentials))
        credentials->Register(this);
}

// The pane goes with its frame, which is also the sink: the sink is not
// asked anything any more.
ConnectView::~ConnectView()
{
    CredentialDatabase* credentials = nullptr;
    if (GetCredentialDatabase(&credentials))
        credentials->Unregister(this);
}

// Sessions that log on with a saved credential are drawn again.
void ConnectView::OnCredentialDatabaseChanged(const VUnicodeString&)
{
    m_tree->RedrawTree();
}

void ConnectView::LayOutPane()
{
    const QSize size = m_contents->size();
    const int toolbarHeight = m_toolbar->sizeHint().height();
    const int filterHeight = m_filter->fontMetrics().height() + 8;
    m_toolbar->setGeometry(0, 0, size.width(), toolbarHeight);
    m_filter->setGeometry(0, toolbarHeight, size.width(), filterHeight);
    m_tree->setGeometry(0, toolbarHeight + filterHeight, size.width(),
                        std::max(0, size.height() - toolbarHeight - filterHeight));
}

void ConnectView::RunPaneCommand(unsigned command)
{
    RunCommand(command);
    RunPendingRefresh();
}

bool ConnectView::eventFilter(QObject* watched, QEvent* event)
{
    // Events come while the children are made: route only once both are there.
    const auto run = [this](unsigned command) { RunPaneCommand(command); };
    if (m_filter && m_tree && m_filter->RoutePaneKey(watched, event, m_tree, GetKeyTable(KeyTable::SessionTree), run))
        return true;
    return VDockingControlBar::eventFilter(watched, event);
}

void ConnectView::ShowPane(bool show, bool& visible)
{
    ShowBar(show, visible);
}

QWidget* ConnectView::FocusTarget() const
{
    return m_tree;
}

void ConnectView::RefreshTree()
{
    // A pane at the front of a tab group is drawn once, after the refill.
    const bool batch = isVisible();
    if (batch)
        setUpdatesEnabled(false);
    ConnectDialogBase::RefreshTree();
    if (batch) {
        setUpdatesEnabled(true);
        update();
    }
}

void ConnectView::EnableEditButtons(bool properties, bool cutAndCopy, bool del)
{
    m_toolbar->EnableButton(kCmdProperties, properties && m_tree->CanEditProperties());
    m_toolbar->EnableButton(kCmdCut, cutAndCopy);
    m_toolbar->EnableButton(kCmdCopy, cutAndCopy);
    m_toolbar->EnableButton(kCmdDelete, del);
}

void ConnectView::EnableCommandButtons()
{
    for (unsigned command : m_toolbar->Commands())
        m_toolbar->EnableButton(command, IsCommandEnabled(command));
}

void ConnectView::EnableConnect(bool enable, bool toolbar)
{
    SetConnectEnabledState(enable);
    if (toolbar) {
        m_toolbar->EnableButton(kCmdConnect, enable);
        m_toolbar->EnableButton(kCmdConnectInTab, enable);
    }
}

void ConnectView::EnablePaste(bool enable)
{
    m_toolbar->EnableButton(kCmdPaste, enable);
}

bool ConnectView::UseGenericSessionIcons() const
{
    return ScreenHasFewColours(this);
}

bool ConnectView::UseAlternateIcons() const
{
    return ScreenWantsLargeImages(this);
}

QWidget* ConnectView::GetDialog() const
{
    return const_cast<ConnectView*>(this);
}

SessionTreeBase* ConnectView::GetTree() const
{
    return m_tree;
}

VUnicodeString ConnectView::GetFilterText() const
{
    return ToVString(m_filter->text());
}

bool ConnectView::IsFilterFocused() const
{
    return m_filter->hasFocus();
}

void ConnectView::FocusFilter()
{
    m_filter->setFocus(Qt::ShortcutFocusReason);
    m_filter->selectAll();
}

bool ConnectView::ConfirmMultiConnect(uint32_t threshold)
{
    GlobalConfig* config = nullptr;
    GetGlobalConfig(&config);
    bool suppress = config && config->suppressMultiConnectWarning;
    MultiConnectWarningDialog warning(suppress, threshold, this);
    const bool goOn = warning.exec() == QDialog::Accepted;
    if (goOn && config) {
        config->suppressMultiConnectWarning = suppress;
        config->Save();
    }
    return goOn;
}

void ConnectView::DeliverConnect(const ConnectRequest& request)
{
    if (!GetSink())
        return;
    std::vector<VUnknownPointer<ISessionConfig>> sessions;
    for (const VUnicodeString& path : request.paths)
        if (SessionConfigPtr config = GetSessionDatabaseImpl()->LoadSession(path))
            sessions.emplace_back(config.Detach());
    GetSink()->ConnectSessions(request.paths, sessions, request.ownProduct, request.otherProduct, request.opening);
}

// The close button hides the pane; it lives on with the frame.
void ConnectView::closeEvent(QCloseEvent* event)
{
    VDockingControlBar::closeEvent(event);
    if (GetSink())
        GetSink()->OnSessionManagerClosed();
}

bool ConnectView::PromptShortcutName(const VUnicodeString& itemPath, bool severalItems, VUnicodeString& name)
{
    ShortcutNameDialog dialog(itemPath, severalItems, GetApplicationNumber(), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.GetShortcutName();
    return true;
}

bool ConnectView::ChooseExchangeFile(bool save, std::string& file)
{
    return ChooseExchangeFileDialog(save, file, this);
}

bool ConnectView::PromptDuplicate(ISessionConfig& config, VUnicodeString& newName, std::optional<VUnicodeString>& newHost)
{
    return RunDuplicatePrompt(config, newName, newHost, this);
}

bool ConnectView::UseNewSessionWizard() const
{
    return NewSessionWizardBase::GetUseWizard();
}

bool ConnectView::RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath)
{
    return RunNewSessionWizardIn(folderPath, GetApplicationNumber(), GetDialog(), createdPath);
}
