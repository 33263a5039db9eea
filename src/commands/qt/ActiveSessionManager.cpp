#include "commands/qt/ActiveSessionManager.h"

#include <span>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QVBoxLayout>

#include "CommandIds.h"
#include "KeyTables.h"
#include "commands/qt/ActiveSessionTree.h"
#include "platform/qt/KeyTableMatch.h"
#include "platform/qt/QtStrings.h"
#include "profile/reports/VReportMessageParams.h"
#include "sessiontree/qt/FilterEditBox.h"

namespace {

constexpr uint32_t kMsgActiveSessions = 0x61090033;
constexpr uint32_t kMsgFilterByName = 0x61090037;

constexpr unsigned kSeparator = 0;

struct MenuEntry {
    unsigned command;
    const char* text;
};

constexpr MenuEntry kSessionMenu[] = {
    {kCmdActiveSessionRename, "Rena&me"},
    {kCmdActiveSessionResetName, "Rese&t Name"},
    {kCmdActiveSessionReconnect, "&Reconnect"},
    {kCmdActiveSessionDisconnect, "&Disconnect"},
    {kCmdCloseSession, "&Close\tDel"},
    {kSeparator, nullptr},
    {kCmdActiveSessionLock, "Loc&k Session..."},
    {kSeparator, nullptr},
    {kCmdActiveSessionClone, "Clo&ne Session"},
    {kSeparator, nullptr},
    {kCmdActiveSessionOptions, "Session &Options..."},
    {kCmdActiveSessionSave, "Sa&ve Session..."},
};

constexpr MenuEntry kEditorMenu[] = {
    {kCmdEditorSave, "&Save"},
    {kCmdEditorSaveAs, "Save &As"},
    {kSeparator, nullptr},
    {kCmdActiveSessionRename, "Rena&me"},
    {kCmdCloseSession, "&Close\tDel"},
    {kSeparator, nullptr},
    {kCmdEditorLock, "Loc&k"},
};

constexpr MenuEntry kGroupMenu[] = {
    {kCmdExpandAllFolders, "Expand All Folders"},
    {kCmdCollapseAllFolders, "Collapse All Folders"},
};

QString ReportText(uint32_t id)
{
    VUnicodeString text = NewReport(id)->GetText();
    text.TrimRight();
    return ToQString(text);
}

} // namespace

ActiveSessionManager::ActiveSessionManager(IActiveSessionManagerSink* sink, int applicationNumber, QWidget* frame)
    : VDockingControlBar(ReportText(kMsgActiveSessions), frame), m_applicationNumber(applicationNumber)
{
    setObjectName(QStringLiteral("activeSessionManager"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* contents = new QWidget(this);
    auto* layout = new QVBoxLayout(contents);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_filter = new FilterEditBox(contents);
    m_filter->setFont(QApplication::font("QMessageBox"));
    m_filter->setFixedHeight(m_filter->fontMetrics().height() + 8);
    m_tree = new ActiveSessionTree(sink, contents);
    m_filter->SetTree(m_tree);
    VReportPtr cue = NewReport(kMsgFilterByName);
    cue->AddParameter(VUnicodeString(std::u16string_view(kFilterCue)));
    m_filter->ShowCue(ToQString(cue->GetText()));
    layout->addWidget(m_filter);
    layout->addWidget(m_tree, 1);
    setWidget(contents);

    connect(m_tree, &ActiveSessionTree::commandRequested, this, &ActiveSessionManager::RunPaneCommand);
    connect(m_tree, &ActiveSessionTree::contextMenuRequested, this, &ActiveSessionManager::ExecContextMenu);
    m_filter->installEventFilter(this);
    m_tree->installEventFilter(this);
}

ActiveSessionManager::~ActiveSessionManager()
{
    m_tree->disconnect(this);
}

void ActiveSessionManager::OnActiveSessionEvent(int event, int group, const char16_t* name, int image,
                                                ActiveSessionId id)
{
    m_tree->OnEvent(event, group, VUnicodeString(std::u16string_view(name ? name : u"")), image, id);
}

void ActiveSessionManager::RunPaneCommand(unsigned command)
{
    if (command == kCmdFocusActiveSessionFilter) {
        m_filter->setFocus(Qt::ShortcutFocusReason);
        m_filter->selectAll();
        return;
    }
    if (m_tree->IsCommandEnabled(command))
        m_tree->RunCommand(command);
}

bool ActiveSessionManager::BuildContextMenu(QMenu& menu) const
{
    std::span<const MenuEntry> entries;
    switch (m_tree->ContextMenuKind()) {
    case ActiveSessionTreeBase::MenuKind::Session:
        entries = kSessionMenu;
        menu.setObjectName(QStringLiteral("sessionMenu"));
        break;
    case ActiveSessionTreeBase::MenuKind::Editor:
        entries = kEditorMenu;
        menu.setObjectName(QStringLiteral("editorMenu"));
        break;
    case ActiveSessionTreeBase::MenuKind::Group:
        entries = kGroupMenu;
        menu.setObjectName(QStringLiteral("groupMenu"));
        break;
    case ActiveSessionTreeBase::MenuKind::None: return false;
    }
    for (const MenuEntry& entry : entries) {
        if (entry.command == kSeparator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromUtf8(entry.text));
        action->setData(entry.command);
        action->setEnabled(m_tree->IsCommandEnabled(entry.command));
    }
    return true;
}

unsigned ActiveSessionManager::ExecContextMenu(const QPoint& globalPos)
{
    QMenu menu(this);
    if (!BuildContextMenu(menu))
        return 0;
    QAction* chosen = menu.exec(globalPos);
    const unsigned command = chosen ? chosen->data().toUInt() : 0;
    if (command)
        RunPaneCommand(command);
    return command;
}

bool ActiveSessionManager::eventFilter(QObject* watched, QEvent* event)
{
    // Events come while the children are made: route only once both are there.
    const auto run = [this](unsigned command) { RunPaneCommand(command); };
    if (m_filter && m_tree && m_filter->RoutePaneKey(watched, event, m_tree, GetKeyTable(KeyTable::ActiveSessions), run))
        return true;
    return VDockingControlBar::eventFilter(watched, event);
}

void ActiveSessionManager::ShowPane(bool show, bool& visible)
{
    ShowBar(show, visible);
}

QWidget* ActiveSessionManager::FocusTarget() const
{
    return m_tree;
}
