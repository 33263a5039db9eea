// Every command the Connect dialog and the Session Manager offer, by menu,
// toolbar or key, runs or is disabled; deciding which costs no filling of
// the tree.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <functional>
#include <map>

#include "CommandIds.h"
#include "FakeClipboard.h"
#include "KeyTables.h"
#include "QtFixtures.h"
#include "dialogs/qt/ConnectDialog.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/ConnectView.h"
#include "dialogs/qt/SessionTreeMenus.h"
#include "platform/HostHooks.h"
#include "sessiontree/qt/SessionTreeCtrl.h"
#include "sessiontree/qt/SessionTreeModel.h"

namespace {

int Properties(ISessionConfig*, int, bool, bool, bool&, int, bool, QWidget*)
{
    return 2;
}

void Help(QWidget*, unsigned, unsigned long) {}

// Every item a menu shows, submenus included, with the command it carries.
void CollectActions(const QMenu& menu, std::vector<QAction*>& out)
{
    for (QAction* action : menu.actions()) {
        if (action->menu())
            CollectActions(*action->menu(), out);
        else if (!action->isSeparator())
            out.push_back(action);
    }
}

class CommandState : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        Folder(u"lab");
        Folder(u"lab\\inner");
        Folder(u"empty");
        Session(u"lab\\router");
        Session(u"lab\\inner\\files", u"None", u"SFTP");
        Session(u"top", u"Telnet");
        GetHostCallbacks().sessionProperties = &Properties;
        GetHostCallbacks().help = &Help;
    }
    void TearDown() override
    {
        GetHostCallbacks().sessionProperties = nullptr;
        GetHostCallbacks().help = nullptr;
        WidgetTest::TearDown();
    }

    // The selections a user can make, each applied to the tree in turn.
    std::map<std::string, std::function<void(SessionTreeCtrl&)>> Selections()
    {
        const auto one = [](const char16_t* path) {
            return [path](SessionTreeCtrl& tree) {
                tree.SelectItem(*path ? tree.FindItem(path) : tree.GetRootItem());
            };
        };
        return {{"nothing", [](SessionTreeCtrl& tree) { tree.selectionModel()->clearSelection(); }},
                {"root", one(u"")},
                {"folder", one(u"lab")},
                {"empty folder", one(u"empty")},
                {"terminal session", one(u"lab\\router")},
                {"transfer session", one(u"lab\\inner\\files")},
                {"several",
                 [](SessionTreeCtrl& tree) {
                     tree.SelectItem(tree.FindItem(u"top"));
                     tree.selectionModel()->select(tree.IndexOf(tree.FindItem(u"lab")),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
                 }},
                {"after a cut", [](SessionTreeCtrl& tree) {
                     tree.SelectItem(tree.FindItem(u"top"));
                     tree.Cut();
                     tree.SelectItem(tree.FindItem(u"empty"));
                 }}};
    }

    // Fails on any command offered enabled without a handler.
    void WalkEveryCommand(ConnectDialogBase& owner, SessionTreeCtrl& tree, ConnectToolbar& toolbar)
    {
        for (const auto& [name, select] : Selections()) {
            SCOPED_TRACE(name);
            select(tree);
            owner.UpdateCommandState();
            std::vector<std::pair<std::string, unsigned>> offered;
            for (const SessionTreeMenuKind kind :
                 {SessionTreeMenuKind::Session, SessionTreeMenuKind::Folder, SessionTreeMenuKind::Multiple}) {
                QMenu menu;
                BuildSessionTreeMenu(menu, kind, MenuStateFor(tree, owner));
                std::vector<QAction*> actions;
                CollectActions(menu, actions);
                for (QAction* action : actions)
                    if (action->isEnabled())
                        offered.emplace_back(action->text().toStdString(), action->data().toUInt());
            }
            for (QAction* action : toolbar.actions())
                if (action->isEnabled() && action->isVisible())
                    offered.emplace_back("toolbar " + action->text().toStdString(), action->data().toUInt());
            for (const KeyTable table : {KeyTable::SessionTree, KeyTable::SessionManager})
                for (const AcceleratorEntry& key : GetKeyTable(table))
                    if (owner.IsCommandEnabled(key.command))
                        offered.emplace_back("key for " + std::to_string(key.command), key.command);
            EXPECT_FALSE(offered.empty());
            for (const auto& [label, command] : offered)
                EXPECT_TRUE(owner.HasCommandHandler(command)) << label << " is enabled and runs nothing";
        }
    }
    FakeClipboard clipboard;
};

TEST_F(CommandState, NoCommandOfThePaneOrTheDialogIsEnabledWithoutAHandler)
{
    ConnectView pane(QStringLiteral("Session Manager"), false, false, 3, nullptr, nullptr);
    WalkEveryCommand(pane, *pane.Tree(), *pane.Toolbar());
    ConnectDialog dialog(u"Connect", false, false, false, {}, 3, nullptr);
    WalkEveryCommand(dialog, *dialog.Tree(), *dialog.Toolbar());
    dialog.Tree()->SelectItem(dialog.Tree()->FindItem(u"top"));
    dialog.UpdateCommandState();
    EXPECT_TRUE(dialog.Toolbar()->Button(kCmdHelp)->isEnabled());
}

TEST_F(CommandState, EnableRulesFollowWhatTheSelectionHolds)
{
    ConnectView pane(QStringLiteral("Session Manager"), false, false, 3, nullptr, nullptr);
    SessionTreeCtrl& tree = *pane.Tree();
    const auto enabled = [&](const char16_t* path, unsigned command) {
        tree.SelectItem(*path ? tree.FindItem(path) : tree.GetRootItem());
        pane.UpdateCommandState();
        return pane.IsCommandEnabled(command);
    };
    // Properties for any selection that holds a session; a folder stands
    // for those below it.
    EXPECT_TRUE(enabled(u"lab", kCmdProperties));
    EXPECT_FALSE(enabled(u"empty", kCmdProperties));
    EXPECT_TRUE(enabled(u"", kCmdProperties));
    // Connecting an empty folder would open nothing.
    EXPECT_FALSE(enabled(u"empty", kCmdConnectInTabs));
    EXPECT_FALSE(enabled(u"empty", kCmdConnect));
    EXPECT_TRUE(enabled(u"lab", kCmdConnectInTabs));
    // The one-session commands want one session of that product.
    EXPECT_TRUE(enabled(u"lab\\inner\\files", kCmdConnectFileTransfer));
    EXPECT_FALSE(enabled(u"lab\\inner\\files", kCmdConnectTerminal));
    EXPECT_FALSE(enabled(u"lab", kCmdConnectTerminal));
    EXPECT_FALSE(enabled(u"", kCmdPaste));
    // Duplicate wants one session; a shortcut or an export any selection.
    EXPECT_TRUE(enabled(u"top", kCmdDuplicate));
    EXPECT_FALSE(enabled(u"lab", kCmdDuplicate));
    EXPECT_TRUE(enabled(u"", kCmdCreateDesktopShortcut));
    EXPECT_TRUE(enabled(u"lab", kCmdExportSessions));
    EXPECT_TRUE(enabled(u"lab", kCmdImportSettings));
    // The disabled ones run nothing through a key either.
    // Duplicate on a folder is disabled: the key is taken and makes no copy.
    tree.SelectItem(tree.FindItem(u"lab"));
    const bool before = Db().MakeUniqueSessionName(u"", u"lab") == VUnicodeString(u"lab (1)");
    EXPECT_TRUE(pane.RunCommand(kCmdCopy));
    EXPECT_TRUE(pane.RunCommand(kCmdDuplicate));
    EXPECT_EQ(Db().MakeUniqueSessionName(u"", u"lab") == VUnicodeString(u"lab (1)"), before);
}

TEST_F(CommandState, DecidingTheRootsMenuFillsNothingIntoTheTree)
{
    for (int f = 0; f < 30; ++f) {
        const std::u16string folder = u"f" + VUnicodeString::FromNumber(f).str();
        Folder(folder);
        Session(folder + u"\\s");
    }
    ConnectView pane(QStringLiteral("Session Manager"), false, false, 3, nullptr, nullptr);
    SessionTreeCtrl& tree = *pane.Tree();
    tree.SelectItem(tree.GetRootItem());
    const auto loadedFolders = [&] {
        int loaded = 0;
        const QModelIndex root = tree.IndexOf(tree.GetRootItem());
        for (int row = 0; row < tree.model()->rowCount(root); ++row)
            loaded += tree.model()->rowCount(tree.model()->index(row, 0, root)) > 0;
        return loaded;
    };
    ASSERT_EQ(loadedFolders(), 0);
    QMenu menu;
    BuildSessionTreeMenu(menu, MenuKindFor(tree), MenuStateFor(tree, pane));
    std::vector<QAction*> actions;
    CollectActions(menu, actions);
    int enabled = 0;
    for (QAction* action : actions)
        enabled += action->isEnabled();
    EXPECT_GT(enabled, 10);
    EXPECT_EQ(loadedFolders(), 0);
    EXPECT_FALSE(tree.IsItemExpanded(tree.FindItem(u"lab")));
}

} // namespace
