#include "dialogs/qt/ConnectDialog.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>
#include <QResizeEvent>

#include "CommandIds.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/MultiConnectWarningDialog.h"
#include "dialogs/qt/NewSessionWizard.h"
#include "dialogs/qt/QuickConnectDialog.h"
#include "dialogs/qt/SessionTreeMenus.h"
#include "platform/GlobalConfig.h"
#include "platform/WindowClassRegistry.h"
#include "platform/qt/KeyTableMatch.h"
#include "platform/qt/QtStrings.h"
#include "profile/reports/VReportMessageParams.h"
#include "sessiontree/qt/FilterEditBox.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

constexpr uint32_t kMsgOk = 0x61090012;
constexpr uint32_t kMsgOpenInTiledWindow = 0x6109001F;
constexpr char16_t kDialogClass[] = u"Orvalis Software Connect Dialog";
constexpr int kDefaultWidthUnits = 250;
constexpr int kDefaultHeightUnits = 215;
constexpr int kMinimumTrackHeight = 125;
constexpr int kMarginUnits = 7;
constexpr int kButtonWidthUnits = 50;
constexpr int kButtonHeightUnits = 14;

GlobalConfig* Config()
{
    GlobalConfig* config = nullptr;
    return GetGlobalConfig(&config) ? config : nullptr;
}

QString MessageText(uint32_t id)
{
    return ToQString(NewReport(id)->GetText());
}

IConnectDialogSink* SinkOf(QWidget* parent)
{
    return dynamic_cast<IConnectDialogSink*>(parent);
}

} // namespace

ConnectDialog::ConnectDialog(const char16_t* title, bool firstTreeFlag, bool hideTabOption, bool browse,
                             const TreeOptions& options, int applicationNumber, QWidget* parent)
    : QDialog(parent), ConnectDialogBase(SinkOf(parent), applicationNumber), m_firstTreeFlag(firstTreeFlag),
      m_hideTabOption(hideTabOption), m_browse(browse), m_options(options)
{
    setObjectName(QStringLiteral("connectDialog"));
    if (m_firstTreeFlag)
        setWindowFlag(Qt::WindowSystemMenuHint, true);
    setSizeGripEnabled(true);
    m_tree = new SessionTreeCtrl(this, this);
    m_filter = new FilterEditBox(this);
    m_filter->SetTree(m_tree);
    InitDialog(title);
}

ConnectDialog::~ConnectDialog()
{
    SavePlacement();
}

int ConnectDialog::DialogUnitsX(int units) const
{
    return units * fontMetrics().averageCharWidth() / 4;
}

int ConnectDialog::DialogUnitsY(int units) const
{
    return units * fontMetrics().height() / 8;
}

void ConnectDialog::InitDialog(const char16_t* title)
{
    GlobalConfig* config = Config();
    // The class the host registered carries its icon.
    if (const WindowClassInfo* info = FindWindowClass(kDialogClass); info && info->icon)
        setWindowIcon(*info->icon);
    setWindowTitle(title ? ToQString(title) : tr("Connect"));

    m_connect = new QPushButton(tr("&Connect"), this);
    m_connect->setObjectName(QStringLiteral("connectButton"));
    m_connect->setDefault(true);
    m_close = new QPushButton(tr("Close"), this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_startup = new QCheckBox(tr("&Show dialog on startup"), this);
    m_startup->setObjectName(QStringLiteral("startupBox"));
    m_openInTab = new QCheckBox(tr("&Open in a tab"), this);
    m_openInTab->setObjectName(QStringLiteral("tabBox"));

    m_startup->setChecked(config && config->showConnectDialogOnStartup);
    if (config && config->TabsForced()) {
        m_openInTab->setEnabled(false);
        config->openSessionsInTab = true;
        config->Save();
    }
    m_openInTab->setChecked(config && config->openSessionsInTab);
    if (GetSink() && !GetSink()->OpensSessionsInTabs())
        m_openInTab->setText(MessageText(kMsgOpenInTiledWindow));

    m_toolbar = new ConnectToolbar(this);
    const std::vector<unsigned> commands = m_toolbar->Commands();
    for (auto it = commands.rbegin(); it != commands.rend(); ++it) {
        const unsigned command = *it;
        const bool remove = command == kCmdConnectInTab ||
                            (m_browse && (command == kCmdConnect || command == kCmdQuickConnect)) ||
                            (command == kCmdCreateDesktopShortcut && GetApplicationNumber() == 9);
        if (remove)
            m_toolbar->RemoveButton(command);
    }
    m_separator = new QFrame(this);
    m_separator->setObjectName(QStringLiteral("separator"));
    m_separator->setProperty("controlId", kSeparatorId);
    m_separator->setFrameShape(QFrame::HLine);
    m_separator->setFrameShadow(QFrame::Sunken);

    // Tab order of the template: tree, Connect, Close, the two boxes, filter.
    setTabOrder(m_tree, m_connect);
    setTabOrder(m_connect, m_close);
    setTabOrder(m_close, m_startup);
    setTabOrder(m_startup, m_openInTab);
    setTabOrder(m_openInTab, m_filter);

    const QSize templateSize(DialogUnitsX(kDefaultWidthUnits), DialogUnitsY(kDefaultHeightUnits));
    LayOutTemplate(templateSize);
    m_anchors = {{m_toolbar, kMoveRight | kGrowWidth},
                 {m_separator, kGrowWidth},
                 {m_filter, kGrowWidth},
                 {m_tree, kGrowWidth | kGrowHeight},
                 {m_startup, kMoveDown},
                 {m_openInTab, kMoveRight | kMoveDown},
                 {m_connect, kMoveRight | kMoveDown},
                 {m_close, kMoveRight | kMoveDown}};
    resize(templateSize);
    m_previousClient = templateSize;

    // The size (not the place) the user left it at.
    QSize size = templateSize;
    if (config && config->connectDialogPlacement.HasSize()) {
        const VWindowPlacement& placement = config->connectDialogPlacement;
        size = QSize(placement.normalRight - placement.normalLeft, placement.normalBottom - placement.normalTop);
    }
    const int buttonsWidth = DialogUnitsX(16) + m_startup->sizeHint().width() + m_connect->width() + m_close->width();
    m_minimumTrackSize = QSize(std::max(m_toolbar->ButtonsWidth(), buttonsWidth), kMinimumTrackHeight);
    setMinimumSize(m_minimumTrackSize);
    resize(size.expandedTo(m_minimumTrackSize));

    if (m_browse) {
        m_connect->setText(MessageText(kMsgOk));
        m_close->setText(tr("Cancel"));
        m_startup->hide();
    }
    if (m_hideTabOption)
        m_openInTab->hide();
    m_filter->ShowCue();

    connect(m_connect, &QPushButton::clicked, this, [this] { RunConnectCommand(kCmdConnect); });
    connect(m_close, &QPushButton::clicked, this, [this] { done(2); });
    connect(m_startup, &QCheckBox::clicked, this, [](bool checked) {
        if (GlobalConfig* options = Config()) {
            options->showConnectDialogOnStartup = checked;
            if (checked)
                options->showQuickConnectOnStartup = false;
            options->Save();
        }
    });
    connect(m_openInTab, &QCheckBox::clicked, this, [](bool checked) {
        if (GlobalConfig* options = Config()) {
            options->openSessionsInTab = checked;
            options->Save();
        }
    });
    connect(m_toolbar, &ConnectToolbar::commandTriggered, this, &ConnectDialog::RunDialogCommand);
    connect(m_tree, &SessionTreeCtrl::commandRequested, this, &ConnectDialog::RunDialogCommand);
    connect(m_tree, &SessionTreeCtrl::commandStateChanged, this, [this] { UpdateCommandState(); });
    connect(m_tree, &SessionTreeCtrl::contextMenuRequested, this, [this](const QPoint& at) {
        if (const unsigned command = ExecSessionTreeMenu(*m_tree, *this, at, this))
            RunDialogCommand(command);
    });
    connect(this, &ConnectDialog::pasteStateChanged, this,
            [this](bool enabled) { m_toolbar->EnableButton(kCmdPaste, enabled); }, Qt::QueuedConnection);
    for (QWidget* control : std::initializer_list<QWidget*>{m_filter, m_connect, m_close, m_startup, m_openInTab})
        control->installEventFilter(this);

    SetTreeCtrlHandlers(*this, *m_tree);
    m_tree->Initialize();
    if (m_browse && !m_options.initialSelection.IsEmpty())
        if (const TreeItem item = m_tree->FindItem(m_options.initialSelection); item != kNoTreeItem)
            m_tree->SelectItem(item);
    UpdateCommandState();
}

void ConnectDialog::LayOutTemplate(QSize client)
{
    const int margin = DialogUnitsX(kMarginUnits);
    const int buttonWidth = DialogUnitsX(kButtonWidthUnits);
    const int buttonHeight = DialogUnitsY(kButtonHeightUnits);
    const int toolbarHeight = m_toolbar->sizeHint().height();
    m_toolbar->setGeometry(0, 0, client.width(), toolbarHeight);
    m_separator->setGeometry(0, toolbarHeight, client.width(), 2);
    const int filterHeight = m_filter->fontMetrics().height() + 8;
    m_filter->setGeometry(margin, toolbarHeight + 6, client.width() - 2 * margin, filterHeight);
    const int checkHeight = m_startup->sizeHint().height();
    const int buttonsTop = client.height() - margin - buttonHeight;
    m_close->setGeometry(client.width() - margin - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
    m_connect->setGeometry(m_close->x() - DialogUnitsX(4) - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
    m_startup->setGeometry(margin, buttonsTop + (buttonHeight - checkHeight) / 2, m_startup->sizeHint().width(),
                           checkHeight);
    const int tabWidth = std::max(m_openInTab->sizeHint().width(), QFontMetrics(m_openInTab->font()).horizontalAdvance(
                                                                        MessageText(kMsgOpenInTiledWindow)) + 24);
    const int tabTop = buttonsTop - 4 - checkHeight;
    m_openInTab->setGeometry(client.width() - margin - tabWidth, tabTop, tabWidth, checkHeight);
    const int treeTop = m_filter->geometry().bottom() + 5;
    m_tree->setGeometry(margin, treeTop, client.width() - 2 * margin, tabTop - 4 - treeTop);
}

void ConnectDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const QSize client = event->size();
    const int dx = client.width() - m_previousClient.width();
    const int dy = client.height() - m_previousClient.height();
    const bool hadSize = m_previousClient.isValid() && !m_previousClient.isEmpty();
    m_previousClient = client;
    if (!hadSize)
        return;
    for (const AnchoredControl& anchor : m_anchors) {
        if (!anchor.control)
            continue;
        QRect rect = anchor.control->geometry();
        if (anchor.flags & kGrowWidth)
            rect.setRight(rect.right() + dx);
        else if (anchor.flags & kMoveRight)
            rect.translate(dx, 0);
        if (anchor.flags & kGrowHeight)
            rect.setBottom(rect.bottom() + dy);
        else if (anchor.flags & kMoveDown)
            rect.translate(0, dy);
        anchor.control->setGeometry(rect);
        anchor.control->update();
    }
}

void ConnectDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (m_focusFilterOnOpen)
        FocusFilter();
    else
        m_tree->setFocus(Qt::OtherFocusReason);
}

// Keys first go to the filter box when it edits, then to the tree's key
// table, then to the dialog.
bool ConnectDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_filter && FilterEditBox::IsEditingKey(*key))
            return false;
        if (const unsigned command = CommandForKey(GetKeyTable(KeyTable::SessionTree), *key)) {
            RunDialogCommand(command);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ConnectDialog::RunDialogCommand(unsigned command)
{
    RunCommand(command);
    RunPendingRefresh();
}

void ConnectDialog::EnableEditButtons(bool properties, bool cutAndCopy, bool del)
{
    m_toolbar->EnableButton(kCmdProperties, properties && m_tree->CanEditProperties());
    m_toolbar->EnableButton(kCmdCut, cutAndCopy);
    m_toolbar->EnableButton(kCmdCopy, cutAndCopy);
    m_toolbar->EnableButton(kCmdDelete, del);
}

void ConnectDialog::EnableCommandButtons()
{
    for (unsigned command : m_toolbar->Commands())
        m_toolbar->EnableButton(command, IsCommandEnabled(command));
}

void ConnectDialog::EnableConnect(bool enable, bool toolbar)
{
    SetConnectEnabledState(enable);
    m_connect->setEnabled(enable);
    if (toolbar)
        m_toolbar->EnableButton(kCmdConnect, enable);
}

// Posted, as the paste state often changes in the middle of a command.
void ConnectDialog::EnablePaste(bool enable)
{
    emit pasteStateChanged(enable);
}

void ConnectDialog::EndDialog(int result)
{
    done(result);
}

QWidget* ConnectDialog::GetDialog() const
{
    return const_cast<ConnectDialog*>(this);
}

SessionTreeBase* ConnectDialog::GetTree() const
{
    return m_tree;
}

VUnicodeString ConnectDialog::GetFilterText() const
{
    return ToVString(m_filter->text());
}

bool ConnectDialog::IsFilterFocused() const
{
    return m_filter->hasFocus();
}

void ConnectDialog::FocusFilter()
{
    m_filter->setFocus(Qt::ShortcutFocusReason);
    m_filter->selectAll();
}

bool ConnectDialog::ConfirmMultiConnect(uint32_t threshold)
{
    GlobalConfig* config = Config();
    bool suppress = config && config->suppressMultiConnectWarning;
    MultiConnectWarningDialog warning(suppress, threshold, this);
    const bool goOn = warning.exec() == QDialog::Accepted;
    if (goOn && config) {
        config->suppressMultiConnectWarning = suppress;
        config->Save();
    }
    return goOn;
}

void ConnectDialog::DeliverConnect(const ConnectRequest& request)
{
    KeepResult(request);
    EndDialog(1);
}

void ConnectDialog::SavePlacement()
{
    if (m_placementSaved || !m_shownOnce)
        return;
    m_placementSaved = true;
    GlobalConfig* config = Config();
    if (!config)
        return;
    const QRect frame = geometry();
    VWindowPlacement& placement = config->connectDialogPlacement;
    placement.normalLeft = frame.left();
    placement.normalTop = frame.top();
    placement.normalRight = frame.left() + frame.width();
    placement.normalBottom = frame.top() + frame.height();
    config->Save();
    m_previousClient = QSize();
}

void ConnectDialog::done(int result)
{
    SavePlacement();
    QDialog::done(result);
}

void ConnectDialog::reject()
{
    done(2);
}

void ConnectDialog::RunQuickConnect()
{
    VUnicodeString folder;
    const VStringArray selected = m_tree->GetSelectedPaths();
    if (selected.GetSize() == 1)
        if (const TreeItem item = m_tree->FindItem(selected[0]); item != kNoTreeItem && m_tree->IsFolder(item))
            folder = selected[0];
    const bool tabs = !GetSink() || GetSink()->OpensSessionsInTabs();
    QuickConnectDialog quick(folder, GetApplicationNumber(), this, tabs);
    if (quick.DoModal() != 1)
        return;
    m_quickConnect = VUnknownPointer<ISessionConfig>(quick.TakeConfig());
    if (!quick.GetSavedPath().IsEmpty())
        OnSessionDatabaseChanged(1, 0);
    KeepResult(ConnectRequest{});
    EndDialog(1);
}

bool ConnectDialog::UseNewSessionWizard() const
{
    return NewSessionWizardBase::GetUseWizard();
}

bool ConnectDialog::RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath)
{
    return RunNewSessionWizardIn(folderPath, GetApplicationNumber(), GetDialog(), createdPath);
}
