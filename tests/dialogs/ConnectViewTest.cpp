#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QTextEdit>
#include <QTimer>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "DialogSteps.h"
#include "QtFixtures.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/ConnectView.h"
#include "dialogs/qt/SessionTreeMenus.h"
#include <QMenu>
#include "entry/ConnectDialog.h"
#include "platform/SynchLock.h"
#include "profile/secrets/CredentialDatabase.h"
#include "sessiontree/qt/FilterEditBox.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

using Commands = std::vector<unsigned>;

class PaneTest : public WidgetTest {
protected:
    int ShowDocked(SinkFrame& frame, bool hideTab, int application = 3)
    {
        VArray<ISessionConfig*> sessions;
        std::vector<VUnknownPointer<ISessionConfig>> others;
        int mode = -1;
        const int result = ShowConnectDialog(u"Connect", 1001, false, hideTab, true, false, application, &frame,
                                             sessions, others, mode);
        EXPECT_EQ(mode, -1);
        EXPECT_EQ(sessions.GetSize(), 0u);
        return result;
    }
};

TEST_F(PaneTest, DockingTwiceMakesOnePaneUnderTheLock)
{
    FakeSynchObject lock;
    ReplaceLibrarySynchObject(&lock);
    SinkFrame frame;
    frame.show();
    EXPECT_EQ(ShowDocked(frame, false), 2);
    ASSERT_TRUE(frame.pane);
    auto* view = dynamic_cast<ConnectView*>(frame.pane);
    ASSERT_TRUE(view);
    EXPECT_GT(lock.locks, 0); // pane creation (and its drawing) ran locked
    EXPECT_EQ(lock.held, 0);
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Session Manager"));
    EXPECT_EQ(frame.dockWidgetArea(view), Qt::LeftDockWidgetArea);
    EXPECT_EQ(view->objectName(), QStringLiteral("pane1001"));
    EXPECT_FALSE(view->HideTabOption());

    EXPECT_EQ(ShowDocked(frame, true), 2);
    EXPECT_EQ(frame.panesMade, 1);
    EXPECT_TRUE(view->HideTabOption());
    EXPECT_TRUE(view->isVisible());

    // ShowConnectView hides and shows it; other windows are ignored.
    bool visible = true;
    ShowConnectView(false, view, visible);
    EXPECT_FALSE(visible);
    EXPECT_FALSE(view->isVisible());
    ShowConnectView(true, frame.centralWidget(), visible);
    EXPECT_FALSE(view->isVisible());
    ShowConnectView(true, view, visible);
    EXPECT_TRUE(visible);
    ReplaceLibrarySynchObject(nullptr);
    EXPECT_EQ(lock.refs, 1u);
}

TEST_F(PaneTest, WithoutASinkTheDialogIsModal)
{
    QMainWindow plain;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            modal = true;
            dialog->close();
        }
    });
    VArray<ISessionConfig*> sessions;
    std::vector<VUnknownPointer<ISessionConfig>> others;
    int mode = -1;
    EXPECT_EQ(ShowConnectDialog(u"Connect", 1, false, false, true, false, 3, &plain, sessions, others, mode), 2);
    EXPECT_TRUE(modal);
}

TEST_F(PaneTest, ToolbarFollowsTheHostKind)
{
    SinkFrame frame;
    ConnectView terminal(QStringLiteral("Session Manager"), false, false, 3, &frame, &frame);
    EXPECT_EQ(terminal.Toolbar()->Commands(),
              (Commands{kCmdConnect, kCmdConnectInTab, kCmdNewSession, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete,
                        kCmdProperties, kCmdFind, kCmdNewFolder, kCmdCreateDesktopShortcut}));
    ConnectView transfer(QStringLiteral("Session Manager"), false, false, 9, &frame, &frame);
    EXPECT_EQ(transfer.Toolbar()->Commands(),
              (Commands{kCmdConnect, kCmdNewSession, kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, kCmdProperties,
                        kCmdFind, kCmdNewFolder}));
}

TEST_F(PaneTest, ConnectsThroughTheSinkAndTabMovesBetweenTreeAndFilter)
{
    Folder(u"lab");
    Session(u"lab\\router");
    Session(u"lab\\files", u"None", u"SFTP");
    SinkFrame frame;
    frame.show();
    ASSERT_EQ(ShowDocked(frame, false), 2);
    auto* view = dynamic_cast<ConnectView*>(frame.pane);
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    SessionTreeCtrl* tree = view->Tree();
    tree->SelectItem(tree->FindItem(u"lab\\router"));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(frame.connected, (std::vector<std::string>{"lab\\router"}));
    EXPECT_EQ(frame.configs, 1u);
    EXPECT_TRUE(frame.ownFlag);
    EXPECT_FALSE(frame.otherFlag);
    // A transfer-only session on the terminal host goes to the other product.
    frame.connected.clear();
    tree->SelectItem(tree->FindItem(u"lab\\files"));
    QTest::keyClick(tree, Qt::Key_W, Qt::ControlModifier | Qt::AltModifier); // needs a terminal: nothing
    EXPECT_TRUE(frame.connected.empty());
    view->RunPaneCommand(kCmdConnect);
    EXPECT_EQ(frame.connected, (std::vector<std::string>{"lab\\files"}));
    EXPECT_FALSE(frame.ownFlag);
    EXPECT_TRUE(frame.otherFlag);
    // The folder in a new window: both sessions, mode new window.
    frame.connected.clear();
    tree->SelectItem(tree->FindItem(u"lab"));
    view->RunPaneCommand(kCmdConnectInTabsInNewWindow);
    EXPECT_EQ(frame.connected, (std::vector<std::string>{"lab\\files", "lab\\router"}));
    EXPECT_EQ(frame.lastOpening, IConnectDialogSink::kOpenNewWindow);

    QTest::keyClick(tree, Qt::Key_Tab);
    EXPECT_TRUE(view->Filter()->hasFocus());
    QTest::keyClick(view->Filter(), Qt::Key_Tab);
    EXPECT_TRUE(tree->hasFocus());

    // The close button hides the pane and tells the host.
    view->close();
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(frame.closes, 1);
    EXPECT_EQ(frame.pane, view);
}

TEST_F(PaneTest, ChangesThroughTheDialogRefreshThePane)
{
    Folder(u"a");
    Folder(u"b");
    Session(u"a\\s");
    SinkFrame frame;
    frame.show();
    ASSERT_EQ(ShowDocked(frame, false), 2);
    auto* view = dynamic_cast<ConnectView*>(frame.pane);
    view->Tree()->ExpandItem(view->Tree()->FindItem(u"a"), true);
    ConnectView other(QStringLiteral("Other"), false, false, 3, nullptr, nullptr);
    other.Tree()->SelectItem(other.Tree()->FindItem(u"a\\s"));
    other.Tree()->Cut();
    other.Tree()->SelectItem(other.Tree()->FindItem(u"b"));
    other.Tree()->Paste();
    EXPECT_TRUE(Db().IsSession(u"b\\s"));
    EXPECT_TRUE(view->Tree()->FindItem(u"b\\s"));
    EXPECT_FALSE(view->Tree()->FindItem(u"a\\s"));
    // The folder the user had open is still open.
    EXPECT_TRUE(view->Tree()->IsItemExpanded(view->Tree()->FindItem(u"a")));
}

QStringList Texts(const QMenu& menu)
{
    QStringList texts;
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            texts << (action->menu() ? action->menu()->title() + QStringLiteral(" >") : action->text());
    return texts;
}

TEST(SessionTreeMenus, HaveTheirItemsInOrder)
{
    SessionTreeMenuState state;
    state.enabled = [](unsigned command) { return command != kCmdPaste; };
    state.sortMode = 2;
    QMenu session;
    BuildSessionTreeMenu(session, SessionTreeMenuKind::Session, state);
    EXPECT_EQ(Texts(session),
              (QStringList{"Connect Termina&l\tCtrl+Alt+T", "Connect in New &Window\tCtrl+Alt+W",
                           "Connect in New Tab &Group\tCtrl+Alt+G", "C&onnect File Transfer\tAlt+X",
                           "Connect &Both", "C&ut\tCtrl+X", "&Copy\tCtrl+C", "Dupl&icate...\tCtrl+D",
                           "&Paste\tCtrl+V", "&Find...\tCtrl+F", "Find Ne&xt\tF3", "&Delete\tDel",
                           "Rena&me\tF2", "Cr&eate Desktop Shortcut\tCtrl+Alt+E", "Expand All Folders",
                           "Collapse All Folders", "&Arrange Tree >", "Sho&w Descriptions",
                           "&Show Terminal Sessions", "&Show Transfer Sessions", "Expor&t Selected Session(s)...",
                           "P&roperties\tAlt+Enter"}));
    QMenu folder;
    BuildSessionTreeMenu(folder, SessionTreeMenuKind::Folder, state);
    EXPECT_EQ(Texts(folder),
              (QStringList{"Connect in Ta&bs\tAlt+B", "Connect &in Tabs in New Window",
                           "Connect in Tabs in New Tab &Group", "&Quick Connect\tAlt+Q", "&New Session\tAlt+N",
                           "New F&older\tCtrl+Alt+F", "C&ut\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V",
                           "&Find...\tCtrl+F", "Find Ne&xt\tF3", "&Delete\tDel", "Rena&me\tF2",
                           "Cr&eate Desktop Shortcut\tCtrl+Alt+E", "Expand All Folders", "Collapse All Folders",
                           "&Arrange Tree >", "Sho&w Descriptions", "&Show Terminal Sessions",
                           "&Show Transfer Sessions", "Expor&t Selected Session(s)...",
                           "I&mport Settings from XML File...", "P&roperties\tAlt+Enter"}));
    QMenu multiple;
    BuildSessionTreeMenu(multiple, SessionTreeMenuKind::Multiple, state);
    EXPECT_EQ(Texts(multiple),
              (QStringList{"Connect in Ta&bs\tAlt+B", "Connect &in Tabs in New Window",
                           "Connect in Tabs in New Tab &Group", "&New Session\tAlt+N", "New F&older\tCtrl+Alt+F",
                           "C&ut\tCtrl+X", "&Copy\tCtrl+C", "&Find...\tCtrl+F", "Find Ne&xt\tF3",
                           "&Delete\tDel", "Cr&eate Desktop Shortcut\tCtrl+Alt+E", "Expand All Folders",
                           "Collapse All Folders", "&Arrange Tree >", "Sho&w Descriptions",
                           "Expor&t Selected Session(s)...", "P&roperties\tAlt+Enter"}));
    // The arrangement in force is checked; disabled commands are greyed.
    QMenu* arrange = nullptr;
    for (QAction* action : session.actions())
        if (action->menu())
            arrange = action->menu();
    ASSERT_TRUE(arrange);
    EXPECT_EQ(Texts(*arrange), (QStringList{"&Alphabetically", "&Logically", "&Manually\tAlt+A"}));
    EXPECT_TRUE(arrange->actions().at(2)->isChecked());
    for (QAction* action : session.actions()) {
        if (action->data().toUInt() == kCmdPaste) {
            EXPECT_FALSE(action->isEnabled());
        }
    }
}

TEST_F(PaneTest, ARefreshWaitsForTheEndOfAMultiItemDelete)
{
    Session(u"one");
    SinkFrame frame;
    ConnectView view(QStringLiteral("Session Manager"), false, false, 3, &frame, &frame);
    ConnectView other(QStringLiteral("Other"), false, false, 3, nullptr, nullptr);
    box.answer = kIdYes;
    // While the pane asks whether to delete, a change made elsewhere
    // arrives: the pane refreshes once its delete is over.
    bool refreshedDuring = true;
    box.onShow = [&] {
        ASSERT_TRUE(Db().CreateFolder(u"", u"fresh", {}, false, nullptr));
        other.OnSessionDatabaseChanged(1, 0);
        refreshedDuring = view.Tree()->FindItem(u"fresh") != kNoTreeItem;
    };
    view.Tree()->SelectItem(view.Tree()->FindItem(u"one"));
    view.RunPaneCommand(kCmdDelete);
    EXPECT_FALSE(refreshedDuring);
    EXPECT_TRUE(view.Tree()->FindItem(u"fresh"));
    EXPECT_FALSE(view.Tree()->FindItem(u"one"));
    EXPECT_FALSE(Db().SessionExists(u"one"));
}

TEST_F(PaneTest, TheSessionManagerListensToTheCredentialDatabase)
{
    CredentialDatabase* credentials = nullptr;
    ASSERT_TRUE(GetCredentialDatabase(&credentials));
    const size_t before = credentials->SinkCount();
    {
        SinkFrame frame;
        ConnectView view(QStringLiteral("Session Manager"), false, false, 3, &frame, &frame);
        EXPECT_EQ(credentials->SinkCount(), before + 1);
        ISessionManager& pane = view;
        pane.OnCredentialDatabaseChanged(u"db"); // drawn again, nothing else
        EXPECT_TRUE(view.Tree()->FindItem(u""));
    }
    EXPECT_EQ(credentials->SinkCount(), before);
}

} // namespace
