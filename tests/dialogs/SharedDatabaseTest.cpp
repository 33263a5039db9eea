// The windows over a database that others change at once: another
// connection's commits show in the open trees within a second (never under
// an edit in progress), and a user who may only read is offered no edit.
#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <unistd.h>

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "QtFixtures.h"
#include "StoreFixtures.h"
#include "commands/CommandDatabaseImpl.h"
#include "commands/qt/CommandManager.h"
#include "commands/qt/CommandTree.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/ConnectView.h"
#include "dialogs/qt/SessionTreeMenus.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

VProfileStoreFactory* g_shown = nullptr;
VProfileStoreFactory* CurrentShown()
{
    return g_shown;
}

class Frame final : public QMainWindow, public IConnectDialogSink {
public:
    ISessionManager* GetSessionManager() const override { return nullptr; }
    void SetSessionManager(ISessionManager*) override {}
    bool OpensSessionsInTabs() const override { return true; }
    void ConnectSessions(const VStringArray&, const std::vector<VUnknownPointer<ISessionConfig>>&, bool, bool,
                         int) override
    {
    }
    void OnSessionDatabaseChanged(int changed, int) override { notices += changed == 1; }
    int notices = 0;
};

// The Session Manager over a real back end (an SQLite file or a schema of
// the test server), and a second connection to the same database that
// stands for another user's process.
class SharedDatabase : public WidgetTest, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        if (GetParam() == "postgresql") {
            if (TestPostgresUri().empty())
                GTEST_SKIP() << "no PostgreSQL server: run under scripts/with-postgres.sh";
            schema = MakeTestPostgresSchema(uri);
            ASSERT_FALSE(schema.empty());
            mine = std::make_unique<PostgresProfileFactory>(uri);
            theirs = std::make_unique<PostgresProfileFactory>(uri);
        } else {
            mine = std::make_unique<SqliteProfileFactory>(dir.str() + "/config.db");
            theirs = std::make_unique<SqliteProfileFactory>(dir.str() + "/config.db");
        }
        g_shown = mine.get();
        SetProfileStoreFactoryGetter(&CurrentShown);
        Folder(u"lab");
        Session(u"lab\\router");
        Session(u"top");
    }
    void TearDown() override
    {
        WidgetTest::TearDown();
        g_shown = nullptr;
        mine.reset();
        theirs.reset();
        if (!schema.empty()) {
            PGconn* admin = PQconnectdb(TestPostgresUri().c_str());
            PQsetNoticeProcessor(admin, [](void*, const char*) {}, nullptr);
            for (const std::string& role : roles)
                PQclear(PQexec(admin, ("DROP OWNED BY " + role + "; DROP ROLE " + role).c_str()));
            PQfinish(admin);
            DropTestPostgresSchema(schema);
        }
    }
    // Runs `change` as the other process: through its own connection.
    template <class F>
    void AsOther(F change)
    {
        g_shown = theirs.get();
        Db().DropCachedListings();
        change();
        g_shown = mine.get();
        Db().DropCachedListings();
    }
    // The names the tree shows below an item, without loading anything.
    static std::vector<std::string> Shown(SessionTreeBase& tree, TreeItem parent)
    {
        std::vector<std::string> names;
        for (TreeItem child = tree.GetChildItem(parent); child != kNoTreeItem; child = tree.GetNextSiblingItem(child))
            names.push_back(tree.GetItemText(child).ToUtf8());
        return names;
    }
    static bool Has(const std::vector<std::string>& names, const std::string& name)
    {
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    TempDir dir;
    std::string uri;
    std::string schema;
    std::vector<std::string> roles;
    std::unique_ptr<VProfileStoreFactory> mine;
    std::unique_ptr<VProfileStoreFactory> theirs;
};

TEST_P(SharedDatabase, AnotherConnectionsCommitShowsInTheOpenTreeKeepingWhatTheUserHadOpen)
{
    Frame frame;
    ConnectView view(QStringLiteral("Session Manager"), false, false, 3, &frame, &frame);
    SessionTreeCtrl& tree = *view.Tree();
    const TreeItem lab = tree.FindItem(u"lab");
    tree.ExpandItem(lab, true);
    tree.SelectItem(tree.FindItem(u"lab\\router"));
    const int noticesBefore = frame.notices;

    AsOther([&] {
        ASSERT_TRUE(Db().CreateFolder(u"", u"fresh", {}, false, nullptr));
        ASSERT_TRUE(Db().CreateFolder(u"lab", u"inner", {}, false, nullptr));
    });
    ASSERT_TRUE(WaitFor([&] { return Has(Shown(tree, tree.GetRootItem()), "fresh"); }, 3000));
    const TreeItem labAfter = tree.FindItem(u"lab");
    EXPECT_TRUE(tree.IsItemExpanded(labAfter));
    EXPECT_TRUE(Has(Shown(tree, labAfter), "inner"));
    ASSERT_EQ(tree.GetSelectedPaths().GetSize(), 1u);
    EXPECT_EQ(tree.GetSelectedPaths()[0], VUnicodeString(u"lab\\router"));
    // The host hears of it as of a change made through a tree.
    EXPECT_GT(frame.notices, noticesBefore);

    // Its own commits are not announced back to itself.
    const int settled = frame.notices;
    ASSERT_TRUE(Db().CreateFolder(u"", u"own", {}, false, nullptr));
    WaitFor([] { return false; }, 1500);
    EXPECT_EQ(frame.notices, settled);
}

TEST_P(SharedDatabase, ARefreshWaitsForTheLabelEditInProgressAndThenRuns)
{
    Frame frame;
    frame.show();
    ConnectView view(QStringLiteral("Session Manager"), false, false, 3, &frame, &frame);
    frame.setCentralWidget(&view);
    SessionTreeCtrl& tree = *view.Tree();
    tree.SelectItem(tree.FindItem(u"top"));
    view.RunPaneCommand(kCmdRename);
    ASSERT_TRUE(tree.IsInLabelEdit());
    QLineEdit* editor = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (editor = tree.findChild<QLineEdit*>()) != nullptr; }));

    AsOther([&] { ASSERT_TRUE(Db().CreateFolder(u"", u"fresh", {}, false, nullptr)); });
    WaitFor([] { return false; }, 2000); // two polls pass
    EXPECT_FALSE(Has(Shown(tree, tree.GetRootItem()), "fresh"));
    EXPECT_TRUE(tree.IsInLabelEdit());

    editor->setText(QStringLiteral("renamed"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Has(Shown(tree, tree.GetRootItem()), "fresh"); }));
    EXPECT_TRUE(Has(Shown(tree, tree.GetRootItem()), "renamed"));
    EXPECT_TRUE(Db().SessionExists(u"renamed"));
}

TEST_P(SharedDatabase, ARefreshWaitsForADragOverTheTree)
{
    Frame frame;
    ConnectView view(QStringLiteral("Session Manager"), false, false, 3, &frame, &frame);
    SessionTreeCtrl& tree = *view.Tree();
    tree.SelectItem(tree.FindItem(u"top"));
    const std::vector<uint8_t> record = tree.BeginDrag(false);
    ASSERT_FALSE(record.empty());
    AsOther([&] { ASSERT_TRUE(Db().CreateFolder(u"", u"fresh", {}, false, nullptr)); });
    WaitFor([] { return false; }, 2000);
    EXPECT_FALSE(Has(Shown(tree, tree.GetRootItem()), "fresh"));
    tree.EndDrag();
    EXPECT_TRUE(Has(Shown(tree, tree.GetRootItem()), "fresh"));
}

TEST_P(SharedDatabase, AChangeThatNamesItsFoldersReadsThoseAgainAndLeavesTheRest)
{
    Frame frame;
    ConnectView view(QStringLiteral("Session Manager"), false, false, 3, &frame, &frame);
    SessionTreeCtrl& tree = *view.Tree();
    tree.ExpandItem(tree.FindItem(u"lab"), true);
    tree.SelectItem(tree.FindItem(u"lab\\router"));
    // The view's own handle on a row outside "lab": a refill of the whole
    // tree resets the view's rows and it goes; reading "lab" again keeps it.
    QAbstractItemModel& rows = *tree.model();
    const QModelIndex top = rows.index(0, 0);
    QPersistentModelIndex outside;
    for (int row = 0; row < rows.rowCount(top); ++row)
        if (rows.index(row, 0, top).data().toString() == QStringLiteral("top"))
            outside = QPersistentModelIndex(rows.index(row, 0, top));
    ASSERT_TRUE(outside.isValid());

    AsOther([&] {
        ASSERT_TRUE(Db().CreateFolder(u"lab", u"inner", {}, false, nullptr));
        ASSERT_TRUE(Db().RenameItem(u"lab\\router", u"gateway", nullptr, nullptr));
    });
    ASSERT_TRUE(WaitFor([&] { return Has(Shown(tree, tree.FindItem(u"lab")), "inner"); }, 3000));
    EXPECT_TRUE(Has(Shown(tree, tree.FindItem(u"lab")), "gateway"));
    EXPECT_TRUE(tree.IsItemExpanded(tree.FindItem(u"lab")));
    // The selected session went: its folder holds the selection.
    ASSERT_EQ(tree.GetSelectedPaths().GetSize(), 1u);
    EXPECT_EQ(tree.GetSelectedPaths()[0], VUnicodeString(u"lab"));
    // The server names the folders; the file cannot, and all is read again.
    EXPECT_EQ(outside.isValid(), GetParam() == "postgresql");
}

TEST_P(SharedDatabase, TheCommandManagerShowsAnotherConnectionsCommandsOnceItsDragEnds)
{
    Frame frame;
    CommandManager pane(nullptr, 3, &frame);
    CommandTree& tree = *pane.Tree();
    const auto shows = [&](const QString& name) {
        for (int i = 0; i < tree.topLevelItem(0)->childCount(); ++i)
            if (tree.topLevelItem(0)->child(i)->text(0) == name)
                return true;
        return false;
    };
    AsOther([&] { ASSERT_TRUE(GetCommandDatabaseImpl()->CreateFolder(u"", u"Deploy")); });
    ASSERT_TRUE(WaitFor([&] { return shows(QStringLiteral("Deploy")); }, 3000));

    // A drag of its own under way: the refresh waits for its end.
    tree.setCurrentItem(tree.topLevelItem(0)->child(0));
    std::unique_ptr<QMimeData> dragged(tree.MakeDragData(false));
    ASSERT_TRUE(dragged);
    AsOther([&] { ASSERT_TRUE(GetCommandDatabaseImpl()->CreateFolder(u"", u"Later")); });
    WaitFor([] { return false; }, 2000);
    EXPECT_FALSE(shows(QStringLiteral("Later")));
    tree.EndDrag();
    EXPECT_TRUE(WaitFor([&] { return shows(QStringLiteral("Later")); }, 2000));
}

INSTANTIATE_TEST_SUITE_P(Backends, SharedDatabase, ::testing::Values("sqlite", "postgresql"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// A role that may only read: the tree is shown, every editing command is
// disabled wherever it is offered, and a write that is tried anyway is
// refused with one report.
class ReadOnlyUser : public SharedDatabase {
protected:
    void SetUp() override
    {
        SharedDatabase::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const std::string role = "orv_reader_" + std::to_string(getpid());
        PGconn* admin = PQconnectdb(TestPostgresUri().c_str());
        PQsetNoticeProcessor(admin, [](void*, const char*) {}, nullptr);
        PGresult* r = PQexec(admin, ("CREATE ROLE " + role + " LOGIN; GRANT USAGE ON SCHEMA " + schema + " TO " + role +
                                     "; GRANT SELECT ON ALL TABLES IN SCHEMA " + schema + " TO " + role)
                                        .c_str());
        const bool made = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        PQfinish(admin);
        ASSERT_TRUE(made);
        roles.push_back(role);
        std::string readerUri = uri;
        const size_t user = readerUri.find("user=orvalis");
        ASSERT_NE(user, std::string::npos);
        readerUri.replace(user, 12, "user=" + role);
        reader = std::make_unique<PostgresProfileFactory>(readerUri);
        ASSERT_TRUE(reader->IsOpen());
        g_shown = reader.get();
        Db().DropCachedListings();
    }
    void TearDown() override
    {
        g_shown = mine.get();
        reader.reset();
        SharedDatabase::TearDown();
    }
    std::unique_ptr<PostgresProfileFactory> reader;
};

TEST_P(ReadOnlyUser, SeesTheTreeAndIsOfferedNoEdit)
{
    EXPECT_TRUE(reader->IsReadOnly());
    EXPECT_FALSE(mine->IsReadOnly());
    Frame frame;
    ConnectView view(QStringLiteral("Session Manager"), false, false, 3, &frame, &frame);
    SessionTreeCtrl& tree = *view.Tree();
    tree.SelectItem(tree.FindItem(u"lab\\router"));
    ASSERT_EQ(tree.GetSelectedPaths().GetSize(), 1u);
    view.UpdateCommandState();

    const std::vector<unsigned> edits = {kCmdNewSession, kCmdNewFolder, kCmdCut,    kCmdDelete,
                                         kCmdRename,     kCmdDuplicate, kCmdPaste, kCmdImportSettings};
    for (unsigned command : edits)
        EXPECT_FALSE(view.IsCommandEnabled(command)) << command;
    EXPECT_TRUE(view.IsCommandEnabled(kCmdCopy));
    EXPECT_TRUE(view.IsCommandEnabled(kCmdConnect));
    EXPECT_TRUE(view.IsCommandEnabled(kCmdFind));
    // The tree's context menu offers them disabled.
    QMenu menu;
    BuildSessionTreeMenu(menu, MenuKindFor(tree), MenuStateFor(tree, view));
    int seen = 0;
    for (QAction* action : menu.findChildren<QAction*>())
        if (const unsigned command = action->data().toUInt();
            std::find(edits.begin(), edits.end(), command) != edits.end()) {
            ++seen;
            EXPECT_FALSE(action->isEnabled()) << command;
        }
    EXPECT_GT(seen, 0);
    // Keys and drags do nothing; the label cannot be edited.
    view.RunPaneCommand(kCmdDelete);
    view.RunPaneCommand(kCmdRename);
    EXPECT_FALSE(tree.IsInLabelEdit());
    EXPECT_TRUE(tree.BeginDrag(false).empty());
    EXPECT_TRUE(Db().SessionExists(u"lab\\router"));
    EXPECT_TRUE(box.shown.empty()) << (box.shown.empty() ? "" : VUnicodeString(box.shown[0].text).ToUtf8());

    // A write that goes round the windows is refused with one report.
    EXPECT_FALSE(Db().CreateFolder(u"", u"sneaked", {}, false, nullptr));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"read-only for this user"), std::u16string::npos);
    g_shown = mine.get();
    Db().DropCachedListings();
    EXPECT_FALSE(Db().SessionExists(u"sneaked"));
}

INSTANTIATE_TEST_SUITE_P(Backends, ReadOnlyUser, ::testing::Values("postgresql"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace
