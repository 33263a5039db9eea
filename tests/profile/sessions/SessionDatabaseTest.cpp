#include <gtest/gtest.h>

#include <functional>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <tuple>

#include "StoreFixtures.h"
#include "platform/PlatformError.h"
#include "platform/SessionNameValidator.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

class SessionDb : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        db.DropCachedListings();
    }

    // A session with a host, a protocol pair and a value outside the schema.
    void Session(const char16_t* path, const char16_t* protocol = u"SSH2", const char16_t* transfer = u"None")
    {
        VProfileStore store;
        const VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(path), 1);
        key.WriteString(u"Hostname", VUnicodeString(u"host-") + SplitLeaf(path).str());
        key.WriteString(u"Protocol Name", protocol);
        key.WriteString(u"Transfer Protocol Name", transfer);
        key.WriteString(u"Not In The Schema", path);
    }
    void Folder(const char16_t* path)
    {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(path), 1);
    }
    static VUnicodeString SplitLeaf(const VUnicodeString& path)
    {
        VUnicodeString parent;
        VUnicodeString leaf;
        SessionDatabase::SplitSessionPath(path, parent, leaf);
        return leaf;
    }
    std::vector<std::u16string> Sessions(const char16_t* folder, int mode = ProfileFolderData::kSortManual)
    {
        VStringArray names;
        db.GetSessionList(folder, mode, names);
        return Plain(names);
    }
    std::vector<std::u16string> Folders(const char16_t* folder, int mode = ProfileFolderData::kSortManual)
    {
        VStringArray names;
        db.GetFolderList(folder, mode, names);
        return Plain(names);
    }
    static std::vector<std::u16string> Plain(const VStringArray& names)
    {
        std::vector<std::u16string> out;
        for (const VUnicodeString& name : names)
            out.push_back(name.str());
        return out;
    }
    VUnicodeString Stored(const char16_t* path, const char16_t* value)
    {
        VProfileStore store;
        VUnicodeString text;
        VProfileKey(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(path), 0).ReadString(value, text);
        return text;
    }

    SessionDatabase db;
    VReportPtr report = NewReport();
};

TEST_P(SessionDb, KeyLayoutAndPaths)
{
    EXPECT_EQ(SessionDatabase::KeyPathFromSessionPath(u""), VUnicodeString(u"Sessions"));
    EXPECT_EQ(SessionDatabase::KeyPathFromSessionPath(u"Lab/web"), VUnicodeString(u"Sessions\\Lab\\web"));
    EXPECT_EQ(SessionDatabase::NormalizeSessionPath(u"/Lab//web/"), VUnicodeString(u"Lab\\web"));
    VUnicodeString parent;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(u"A\\B\\web", parent, leaf);
    EXPECT_EQ(parent, VUnicodeString(u"A\\B"));
    EXPECT_EQ(leaf, VUnicodeString(u"web"));
    SessionDatabase::SplitSessionPath(u"web", parent, leaf);
    EXPECT_TRUE(parent.IsEmpty());
    EXPECT_EQ(leaf, VUnicodeString(u"web"));
    SessionDatabase::SplitSessionPath(u"A/B\\web", parent, leaf); // slashes first become backslashes
    EXPECT_EQ(parent, VUnicodeString(u"A\\B"));
    EXPECT_EQ(leaf, VUnicodeString(u"web"));
    SessionDatabase::SplitSessionPath(u"A/web", parent, leaf);
    EXPECT_EQ(parent, VUnicodeString(u"A"));

    Session(u"Lab\\web");
    EXPECT_TRUE(db.SessionExists(u"Lab/web"));
    EXPECT_TRUE(db.SessionExists(u"lab\\WEB"));
    EXPECT_TRUE(db.IsFolder(u"Lab"));
    EXPECT_TRUE(db.IsSession(u"Lab\\web"));
    EXPECT_FALSE(db.SessionExists(u"Lab\\none"));
    EXPECT_FALSE(db.LoadSession(u"Lab")); // a folder is no session
    EXPECT_FALSE(db.LoadSession(u"Lab\\none"));
    ASSERT_TRUE(db.LoadSession(u"Lab/web"));
    EXPECT_EQ(db.LoadSession(u"Lab/web")->GetSessionPath(), VUnicodeString(u"Lab\\web"));
}

TEST_P(SessionDb, LoadingASessionReadsItsValuesInOneQuery)
{
    if (!IsSqlite() && !IsPostgres())
        GTEST_SKIP() << "the memory tree runs no queries";
    VUnicodeString path;
    ASSERT_TRUE(db.CreateSession(u"", u"web", u"SSH2", {}, false, &path, report.Get()));
    auto statements = [&] {
        return IsSqlite() ? static_cast<SqliteProfileFactory&>(*backend).StatementsRun()
                          : static_cast<PostgresProfileFactory&>(*backend).StatementsRun();
    };
    const uint64_t before = statements();
    const SessionConfigPtr config = db.LoadSession(u"web");
    ASSERT_TRUE(config);
    EXPECT_GT(config->Common().GetCount(), 100u);
    // "Sessions" and "web" looked up, then every value of the key at once.
    // PostgreSQL: the snapshot begun and ended, and no lookup, as nobody
    // wrote since this connection last looked the keys up.
    EXPECT_EQ(statements() - before, 3u);
}

TEST_P(SessionDb, UniqueNamesCountUpFromOne)
{
    EXPECT_EQ(db.MakeUniqueSessionName(u"", u"web"), VUnicodeString(u"web"));
    Session(u"web");
    EXPECT_EQ(db.MakeUniqueSessionName(u"", u"web"), VUnicodeString(u"web (1)"));
    Session(u"web (1)");
    EXPECT_EQ(db.MakeUniqueSessionName(u"", u"web"), VUnicodeString(u"web (2)"));
    EXPECT_EQ(db.MakeUniqueSessionName(u"Other", u"web"), VUnicodeString(u"web"));
}

TEST_P(SessionDb, CreateRefusesBadAndTakenNamesBeforeWriting)
{
    Session(u"web");
    const int stores = recorder->storesMade;
    EXPECT_FALSE(db.CreateFolder(u"", u"a/b", {}, false, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kSessionNameSeparator);
    EXPECT_FALSE(db.CreateSession(u"", u".hidden", u"SSH2", {}, false, nullptr, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kSessionNameLeadingDot);
    EXPECT_EQ(recorder->storesMade, stores); // refused before the store was even opened

    const int writes = recorder->TotalWrites();
    EXPECT_FALSE(db.CreateFolder(u"", u"WEB", {}, false, report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0xE1090003u);
    EXPECT_EQ(report->GetText().str(), u"'WEB' is already in use.");
    EXPECT_EQ(GetPlatformLastError().code, kErrorAlreadyExists);
    EXPECT_FALSE(db.CreateFolder(u"Missing", u"x", {}, false, report.Get()));
    EXPECT_EQ(recorder->TotalWrites(), writes);
}

TEST_P(SessionDb, NewSessionsStartFromTheirProtocolsDefault)
{
    {
        VProfileStore store;
        const VProfileKey base(*store.GetRootKey(), u"Sessions\\Default", 1);
        base.WriteString(u"Username", u"ann");
        base.WriteString(u"Host Specific Extra", u"from default");
    }
    VUnicodeString path;
    ASSERT_TRUE(db.CreateSession(u"", u"shell", u"Local Shell", {}, false, &path, report.Get()));
    EXPECT_EQ(path, VUnicodeString(u"shell"));
    // Default_LocalShell was made from Default, and the session from it.
    ASSERT_TRUE(db.IsSession(u"Default_LocalShell"));
    EXPECT_EQ(Stored(u"Default_LocalShell", u"Protocol Name"), VUnicodeString(u"Local Shell"));
    const SessionConfigPtr shell = db.LoadSession(u"shell");
    ASSERT_TRUE(shell);
    EXPECT_EQ(shell->GetProtocolName(), VUnicodeString(u"Local Shell"));
    EXPECT_EQ(shell->GetUsername(), VUnicodeString(u"ann"));
    EXPECT_TRUE(shell->Common().GetBool(SessionConfig::kIsSession));
    EXPECT_EQ(Stored(u"shell", u"Host Specific Extra"), VUnicodeString(u"from default"));

    // A later change to Default_LocalShell is what new shells start from.
    {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), u"Sessions\\Default_LocalShell", 0).WriteString(u"Username", u"root");
    }
    ASSERT_TRUE(db.CreateSession(u"", u"shell2", u"Local Shell", u"shell", false, nullptr, report.Get()));
    EXPECT_EQ(db.LoadSession(u"shell2")->GetUsername(), VUnicodeString(u"root"));
    ASSERT_TRUE(db.CreateSession(u"", u"ssh", u"SSH2", {}, false, nullptr, report.Get()));
    EXPECT_EQ(db.LoadSession(u"ssh")->GetUsername(), VUnicodeString(u"ann"));
    EXPECT_EQ(Sessions(u""),
              (std::vector<std::u16string>{u"Default", u"Default_LocalShell", u"shell2", u"shell", u"ssh"}));
}

TEST_P(SessionDb, RenameKeepsThePlaceAndPassesThroughTheWrappedNameForCase)
{
    Folder(u"Lab");
    Folder(u"Zoo");
    Session(u"a");
    Session(u"b");
    ASSERT_TRUE(db.ReorderItem(u"Zoo", u"Lab", false, report.Get()));
    ASSERT_EQ(Folders(u""), (std::vector<std::u16string>{u"Zoo", u"Lab"}));

    VUnicodeString renamed;
    ASSERT_TRUE(db.RenameItem(u"Lab", u"lab", &renamed, report.Get()));
    EXPECT_EQ(renamed, VUnicodeString(u"lab"));
    ASSERT_EQ(recorder->renames.size(), 2u);
    EXPECT_EQ(recorder->renames[0], (std::pair<std::u16string, std::u16string>{u"Sessions\\Lab", u"Sessions\\__lab__"}));
    EXPECT_EQ(recorder->renames[1], (std::pair<std::u16string, std::u16string>{u"Sessions\\__lab__", u"Sessions\\lab"}));
    EXPECT_EQ(Folders(u""), (std::vector<std::u16string>{u"Zoo", u"lab"}));

    ASSERT_TRUE(db.RenameItem(u"a", u"c", &renamed, report.Get()));
    EXPECT_EQ(Sessions(u""), (std::vector<std::u16string>{u"c", u"b"}));
    EXPECT_EQ(db.LoadSession(u"c")->GetHostname(), VUnicodeString(u"host-a"));

    EXPECT_FALSE(db.RenameItem(u"c", u"B", &renamed, report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0xE1090003u);
    EXPECT_TRUE(db.IsSession(u"c"));
    EXPECT_FALSE(db.RenameItem(u"c", u"__x__", &renamed, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kSessionNameReserved);
    EXPECT_FALSE(db.RenameItem(u"gone", u"x", &renamed, report.Get()));
    EXPECT_EQ(report->GetMessageId(), static_cast<uint32_t>(ENOENT));
}

TEST_P(SessionDb, RenameWithoutStoreRenamesReloadsAndSavesTheSession)
{
    Session(u"Lab\\web");
    Session(u"Lab\\db");
    Folder(u"Lab\\Sub");
    recorder->refuseRename = true;
    VUnicodeString renamed;
    ASSERT_TRUE(db.RenameItem(u"Lab\\web", u"www", &renamed, report.Get()));
    EXPECT_EQ(renamed, VUnicodeString(u"Lab\\www"));
    EXPECT_FALSE(db.SessionExists(u"Lab\\web"));
    EXPECT_EQ(Stored(u"Lab\\www", u"Hostname"), VUnicodeString(u"host-web"));
    EXPECT_EQ(Stored(u"Lab\\www", u"Not In The Schema"), VUnicodeString(u"Lab\\web"));
    EXPECT_EQ(Sessions(u"Lab"), (std::vector<std::u16string>{u"db", u"www"}));

    // A case change falls back the same way; a folder cannot.
    ASSERT_TRUE(db.RenameItem(u"Lab\\www", u"WWW", &renamed, report.Get()));
    EXPECT_EQ(Sessions(u"Lab"), (std::vector<std::u16string>{u"db", u"WWW"}));
    EXPECT_FALSE(db.RenameItem(u"Lab\\Sub", u"Other", &renamed, report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0xE1090005u);
    EXPECT_TRUE(db.IsFolder(u"Lab\\Sub"));
}

TEST_P(SessionDb, DeleteTakesTheNameOutOfTheOrder)
{
    Session(u"a");
    Session(u"b");
    Folder(u"F\\G");
    ASSERT_EQ(Sessions(u""), (std::vector<std::u16string>{u"a", u"b"}));
    ASSERT_TRUE(db.DeleteItem(u"a", report.Get()));
    ASSERT_TRUE(db.DeleteItem(u"F", report.Get()));
    EXPECT_FALSE(db.SessionExists(u"F\\G"));
    VStringArray stored;
    VProfileStore store;
    VProfileKey(*store.GetRootKey(), u"Sessions\\__FolderData__", 0).ReadStringArray(u"Session List V2", stored);
    EXPECT_EQ(Plain(stored), std::vector<std::u16string>{u"b"});
    EXPECT_FALSE(db.DeleteItem(u"a", report.Get()));
    EXPECT_EQ(report->GetMessageId(), static_cast<uint32_t>(ENOENT));
    EXPECT_FALSE(db.DeleteItem(u"", report.Get()));
}

TEST_P(SessionDb, CopyFolderRecursivelyInStoredOrderWithUnknownValues)
{
    Session(u"Lab\\z");
    Session(u"Lab\\a");
    Session(u"Lab\\Sub\\deep", u"None", u"SFTP");
    db.SetFolderExpanded(u"Lab", true);
    ASSERT_TRUE(db.ReorderItem(u"Lab\\z", u"a", false, report.Get())); // stored order z, a
    Folder(u"Target");

    const int stores = recorder->storesMade;
    VUnicodeString copy;
    ASSERT_TRUE(db.CopyItem(u"Lab", u"Target", true, {}, false, copy, report.Get()));
    EXPECT_EQ(recorder->storesMade, stores + 1); // one store, one transaction
    EXPECT_EQ(copy, VUnicodeString(u"Target\\Lab"));
    EXPECT_EQ(Sessions(u"Target\\Lab"), (std::vector<std::u16string>{u"z", u"a"}));
    EXPECT_EQ(Folders(u"Target\\Lab"), std::vector<std::u16string>{u"Sub"});
    EXPECT_TRUE(db.IsFolderExpanded(u"Target\\Lab"));
    EXPECT_EQ(Stored(u"Target\\Lab\\Sub\\deep", u"Not In The Schema"), VUnicodeString(u"Lab\\Sub\\deep"));
    EXPECT_EQ(Stored(u"Target\\Lab\\Sub\\deep", u"Transfer Protocol Name"), VUnicodeString(u"SFTP"));
    EXPECT_TRUE(db.SessionExists(u"Lab\\Sub\\deep")); // the source stays

    // Again: the name is made unique; a copy into itself skips its own copy.
    ASSERT_TRUE(db.CopyItem(u"Lab", u"Target", true, {}, false, copy, report.Get()));
    EXPECT_EQ(copy, VUnicodeString(u"Target\\Lab (1)"));
    ASSERT_TRUE(db.CopyItem(u"Lab", u"Lab", true, {}, false, copy, report.Get()));
    EXPECT_EQ(copy, VUnicodeString(u"Lab\\Lab"));
    EXPECT_EQ(Folders(u"Lab\\Lab"), std::vector<std::u16string>{u"Sub"});
    EXPECT_FALSE(db.SessionExists(u"Lab\\Lab\\Lab"));
    EXPECT_EQ(Folders(u"Lab"), (std::vector<std::u16string>{u"Sub", u"Lab"}));

    EXPECT_FALSE(db.CopyItem(u"Lab", u"Lab\\Sub", true, {}, false, copy, report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0x6109001Bu);
    EXPECT_FALSE(db.SessionExists(u"Lab\\Sub\\Lab"));
}

TEST_P(SessionDb, MoveIsACopyThenADeleteAndReportsEveryMovedSession)
{
    Session(u"Lab\\web");
    Session(u"Lab\\Sub\\db");
    Session(u"Prod\\one");
    Session(u"Prod\\two");
    Session(u"Prod\\Lab"); // a session of that name is there already

    FirewallChanges changes{{u"earlier", u"pair"}};
    VUnicodeString moved;
    const int stores = recorder->storesMade;
    ASSERT_TRUE(db.MoveItem(u"Lab", u"Prod", u"one", true, moved, &changes, report.Get()));
    EXPECT_EQ(recorder->storesMade, stores + 1);
    EXPECT_EQ(moved, VUnicodeString(u"Prod\\Lab (1)"));
    EXPECT_FALSE(db.SessionExists(u"Lab"));
    EXPECT_EQ(Folders(u""), std::vector<std::u16string>{u"Prod"});
    EXPECT_EQ(changes, (FirewallChanges{{u"earlier", u"pair"},
                                        {u"Lab\\Sub\\db", u"Prod\\Lab (1)\\Sub\\db"},
                                        {u"Lab\\web", u"Prod\\Lab (1)\\web"}}));

    ASSERT_TRUE(db.MoveItem(u"Prod\\two", u"Prod\\Lab (1)", u"web", false, moved, &changes, report.Get()));
    EXPECT_EQ(Sessions(u"Prod\\Lab (1)"), (std::vector<std::u16string>{u"two", u"web"}));
    EXPECT_EQ(changes.back(), (FirewallChange{u"Prod\\two", u"Prod\\Lab (1)\\two"}));

    EXPECT_FALSE(db.MoveItem(u"Prod", u"Prod", {}, false, moved, nullptr, report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0xE109001Au);
    EXPECT_FALSE(db.MoveItem(u"Prod", u"Prod\\Lab (1)\\Sub", {}, false, moved, nullptr, report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0x6109001Bu);
    EXPECT_TRUE(db.IsSession(u"Prod\\one"));
}

// Every write fails in turn, the folder order lists' included: an
// operation whose order list could not be written fails and leaves
// nothing behind, values included; a move by copy and delete (a back end
// that cannot move keys) as well.
TEST_P(SessionDb, AFailedWriteFailsTheOperationAndRollsItBack)
{
    Session(u"Lab\\web");
    Session(u"Lab\\mail");
    Session(u"Lab\\Sub\\db");
    Folder(u"Prod");
    ASSERT_TRUE(db.ReorderItem(u"Lab\\web", u"mail", true, report.Get()));
    // Every folder and session in listing order, and each session's value.
    std::function<void(const std::u16string&, std::vector<std::u16string>&)> walk;
    walk = [&](const std::u16string& folder, std::vector<std::u16string>& all) {
        const std::u16string prefix = folder.empty() ? folder : folder + u"\\";
        for (const std::u16string& name : Sessions(folder.c_str()))
            all.push_back(prefix + name + u"=" + Stored((prefix + name).c_str(), u"Not In The Schema").str());
        for (const std::u16string& name : Folders(folder.c_str())) {
            all.push_back(prefix + name + u"/");
            walk(prefix + name, all);
        }
    };
    const auto state = [&] {
        db.DropCachedListings();
        std::vector<std::u16string> all;
        walk(u"", all);
        return all;
    };
    VUnicodeString moved;
    const auto moveByCopy = [&] {
        recorder->refuseMove = true;
        FirewallChanges changes;
        const bool done = db.MoveItem(u"Prod", u"Lab", {}, false, moved, &changes, report.Get());
        recorder->refuseMove = false;
        EXPECT_EQ(changes.empty(), !done); // the moved session is reported only when it moved
        return done;
    };
    const std::vector<std::tuple<const char*, int, std::function<bool()>>> operations{
        {"create folder", 1, [&] { return db.CreateFolder(u"Lab", u"New", u"mail", false, report.Get()); }},
        {"reorder", 1, [&] { return db.ReorderItem(u"Lab\\mail", u"web", true, report.Get()); }},
        {"rename", 1, [&] { return db.RenameItem(u"Lab\\mail", u"post", nullptr, report.Get()); }},
        {"move", 1, [&] { return db.MoveItem(u"Lab\\Sub", u"Prod", {}, false, moved, nullptr, report.Get()); }},
        {"delete", 1, [&] { return db.DeleteItem(u"Lab\\web", report.Get()); }},
        {"move by copy", 7, moveByCopy},
    };
    for (const auto& [what, step, operation] : operations) {
        SCOPED_TRACE(what);
        int failures = 0;
        for (int at = 1;; at += step) {
            ASSERT_LT(at, 2000);
            const std::vector<std::u16string> before = state();
            const int abandoned = recorder->abandoned;
            recorder->failWriteAt = recorder->TotalWrites() + at;
            const bool done = operation();
            const bool pastTheEnd = recorder->TotalWrites() < recorder->failWriteAt;
            recorder->failWriteAt = 0;
            if (done) {
                EXPECT_TRUE(pastTheEnd);
                EXPECT_NE(state(), before);
                break;
            }
            ++failures;
            EXPECT_EQ(recorder->abandoned, abandoned + 1);
            EXPECT_EQ(state(), before);
        }
        EXPECT_GE(failures, 1);
    }
    EXPECT_EQ(Stored(u"Lab\\Prod\\Sub\\db", u"Not In The Schema"), VUnicodeString(u"Lab\\Sub\\db"));
}

TEST_P(SessionDb, AMoveInPlaceKeepsNamesOrderAndReportsAsACopyWould)
{
    Session(u"Lab\\web");
    Session(u"Lab\\Sub\\db");
    Session(u"Prod\\Lab");
    const int hostnames = recorder->Writes(u"Hostname");
    const int others = recorder->Writes(u"Not In The Schema");
    VUnicodeString moved;
    FirewallChanges changes;
    ASSERT_TRUE(db.MoveItem(u"Lab", u"Prod", {}, false, moved, &changes, report.Get()));
    EXPECT_EQ(moved, VUnicodeString(u"Prod\\Lab (1)"));
    EXPECT_EQ(changes, (FirewallChanges{{u"Lab\\Sub\\db", u"Prod\\Lab (1)\\Sub\\db"},
                                        {u"Lab\\web", u"Prod\\Lab (1)\\web"}}));
    // Order lists were written, no session value.
    EXPECT_EQ(recorder->Writes(u"Hostname"), hostnames);
    EXPECT_EQ(recorder->Writes(u"Not In The Schema"), others);
    EXPECT_EQ(Stored(u"Prod\\Lab (1)\\Sub\\db", u"Not In The Schema"), VUnicodeString(u"Lab\\Sub\\db"));
    EXPECT_EQ(Folders(u"Prod"), std::vector<std::u16string>{u"Lab (1)"});
    EXPECT_FALSE(db.SessionExists(u"Lab"));
    // Within one folder the item takes a new name, as a copy would give it.
    ASSERT_TRUE(db.MoveItem(u"Prod\\Lab", u"Prod", {}, false, moved, nullptr, report.Get()));
    EXPECT_EQ(moved, VUnicodeString(u"Prod\\Lab (2)"));
    EXPECT_EQ(Sessions(u"Prod"), std::vector<std::u16string>{u"Lab (2)"});
}

TEST_P(SessionDb, AStoreLeftByAnExceptionOrAbandonedKeepsNothing)
{
    Session(u"kept");
    try {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), u"Sessions\\kept", 0).WriteString(u"Hostname", u"changed");
        VProfileKey(*store.GetRootKey(), u"Sessions\\new", 1).WriteString(u"Hostname", u"x");
        throw std::runtime_error("half-way");
    } catch (const std::runtime_error&) {
    }
    {
        VProfileStore outer;
        VProfileKey(*outer.GetRootKey(), u"Sessions\\kept", 0).DeleteKey(u"");
        {
            VProfileStore nested;
            nested.GetRootKey()->DeleteKey(u"Sessions\\kept");
            nested.Abandon(); // the whole outer transaction goes
        }
        VProfileKey(*outer.GetRootKey(), u"Sessions\\other", 1).WriteString(u"Hostname", u"y");
    }
    EXPECT_EQ(Stored(u"kept", u"Hostname"), VUnicodeString(u"host-kept"));
    EXPECT_FALSE(db.SessionExists(u"new"));
    EXPECT_FALSE(db.SessionExists(u"other"));
}

TEST_P(SessionDb, FindTextsAreTheLoadedSessionsHostAndDescription)
{
    Session(u"Lab\\web");
    Session(u"Lab\\db");
    Session(u"Lab\\Sub\\deep");
    {
        VProfileStore store;
        VStringArray lines;
        lines.Add(u"first line");
        lines.Add(u"second");
        VProfileKey(*store.GetRootKey(), u"Sessions\\Lab\\db", 0).WriteStringArray(u"Description", lines);
    }
    for (const char16_t* path : {u"Lab\\web", u"Lab/DB", u"Lab\\Sub\\deep"}) {
        VUnicodeString host;
        VUnicodeString description;
        ASSERT_TRUE(db.GetFindTexts(path, host, description)) << VUnicodeString(path).ToUtf8();
        const SessionConfigPtr config = db.LoadSession(path);
        ASSERT_TRUE(config);
        EXPECT_EQ(host, config->GetHostname());
        EXPECT_EQ(description, config->GetDescription());
    }
    VUnicodeString host;
    VUnicodeString description;
    db.GetFindTexts(u"Lab\\db", host, description);
    EXPECT_EQ(description, VUnicodeString(u"first line\r\nsecond"));
    EXPECT_EQ(host, VUnicodeString(u"host-db"));
    // An edit made here is seen at once.
    SessionConfigPtr config = db.LoadSession(u"Lab\\web");
    config->RemoteHost().SetHostname(u"elsewhere");
    ASSERT_TRUE(db.SaveSession(*config, report.Get()));
    db.GetFindTexts(u"Lab\\web", host, description);
    EXPECT_EQ(host, VUnicodeString(u"elsewhere"));
}

TEST_P(SessionDb, FirewallChangesFollowMovedSessionsAndFolders)
{
    Session(u"jump");
    Session(u"Lab\\gate");
    Session(u"Lab\\Sub\\inner");
    Session(u"Lab\\other");
    for (const auto& [user, firewall] : {std::pair{u"a", u"Session:jump"}, std::pair{u"b", u"session:LAB\\Sub\\inner"},
                                         std::pair{u"c", u"Office"}, std::pair{u"d", u"Session:jumpbox"}}) {
        Session(user);
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(user), 0)
            .WriteString(u"Firewall Name", firewall);
    }
    VUnicodeString moved;
    FirewallChanges changes;
    ASSERT_TRUE(db.MoveItem(u"jump", u"Lab", {}, false, moved, &changes, report.Get()));
    VUnicodeString renamed;
    ASSERT_TRUE(db.RenameItem(u"Lab", u"Labs", &renamed, report.Get()));
    changes.push_back({u"Lab", u"Labs"}); // a renamed folder: everything below it follows
    EXPECT_EQ(db.ApplyFirewallChanges(changes), 2u);
    EXPECT_EQ(Stored(u"a", u"Firewall Name"), VUnicodeString(u"Session:Labs\\jump"));
    EXPECT_EQ(Stored(u"b", u"Firewall Name"), VUnicodeString(u"Session:Labs\\Sub\\inner"));
    EXPECT_EQ(Stored(u"c", u"Firewall Name"), VUnicodeString(u"Office"));
    EXPECT_EQ(Stored(u"d", u"Firewall Name"), VUnicodeString(u"Session:jumpbox"));
}

TEST_P(SessionDb, KindCodesHideOneSidedSessions)
{
    Session(u"term", u"SSH2", u"None");
    Session(u"xfer", u"None", u"SFTP");
    Session(u"both", u"SSH2", u"SFTP");
    Session(u"neither", u"None", u"");
    Folder(u"folder");
    struct Row {
        const char16_t* path;
        bool code3, code6, code8, code9;
    };
    for (const Row& row : {Row{u"term", false, true, false, true}, Row{u"xfer", true, false, true, false},
                           Row{u"both", false, false, false, false}, Row{u"neither", false, false, false, false},
                           Row{u"folder", false, false, false, false}, Row{u"missing", false, false, false, false}}) {
        EXPECT_EQ(db.IsSessionOfKind(row.path, 3), row.code3) << VUnicodeString(row.path).ToUtf8();
        EXPECT_EQ(db.IsSessionOfKind(row.path, 6), row.code6) << VUnicodeString(row.path).ToUtf8();
        EXPECT_EQ(db.IsSessionOfKind(row.path, 8), row.code8) << VUnicodeString(row.path).ToUtf8();
        EXPECT_EQ(db.IsSessionOfKind(row.path, 9), row.code9) << VUnicodeString(row.path).ToUtf8();
        EXPECT_FALSE(db.IsSessionOfKind(row.path, 1));
    }
}

TEST_P(SessionDb, ListingsAreKeptUntilDroppedOrChangedHere)
{
    Session(u"s10");
    Session(u"s2");
    EXPECT_EQ(Sessions(u"", ProfileFolderData::kSortNatural), (std::vector<std::u16string>{u"s2", u"s10"}));
    EXPECT_EQ(Sessions(u"", ProfileFolderData::kSortNoCase), (std::vector<std::u16string>{u"s10", u"s2"}));
    Session(u"s1"); // written behind the database's back, as another process would
    EXPECT_EQ(Sessions(u"", ProfileFolderData::kSortNatural), (std::vector<std::u16string>{u"s2", u"s10"}));
    db.DropCachedListings();
    EXPECT_EQ(Sessions(u"", ProfileFolderData::kSortNatural), (std::vector<std::u16string>{u"s1", u"s2", u"s10"}));
    ASSERT_TRUE(db.DeleteItem(u"s2", report.Get()));
    EXPECT_EQ(Sessions(u"", ProfileFolderData::kSortNatural), (std::vector<std::u16string>{u"s1", u"s10"}));
}

TEST_P(SessionDb, ValuesOutsideTheSchemaAreReadAndWrittenAsStored)
{
    Session(u"Lab\\web");
    std::vector<StoredValue> values;
    ASSERT_TRUE(db.GetValuesOutsideSchema(u"Lab/web", values));
    ASSERT_EQ(values.size(), 1u); // the schema's own values are left out
    EXPECT_EQ(values[0].name, VUnicodeString(u"Not In The Schema"));
    EXPECT_EQ(values[0].kind, kValueKindString);
    EXPECT_EQ(values[0].text, VUnicodeString(u"Lab\\web"));
    EXPECT_FALSE(db.GetValuesOutsideSchema(u"Lab", values)); // a folder
    EXPECT_FALSE(db.GetValuesOutsideSchema(u"Lab\\gone", values));

    StoredValue port{u"Engine Port", kValueKindDword, 2222};
    StoredValue blob{u"Engine Blob", kValueKindBinary};
    blob.bytes = {0, 1, 0xFE};
    ASSERT_TRUE(db.WriteValuesOutsideSchema(u"Lab\\web", {port, blob}, report.Get()));
    ASSERT_TRUE(db.GetValuesOutsideSchema(u"Lab\\web", values));
    EXPECT_EQ(values.size(), 3u);
    EXPECT_NE(std::find(values.begin(), values.end(), port), values.end());
    EXPECT_NE(std::find(values.begin(), values.end(), blob), values.end());

    // The login script is the configuration's own, though no table's.
    {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(u"Lab\\web"), 0)
            .WriteStringArray(u"Login Script V4", VStringArray{u"03:00"});
    }
    ASSERT_TRUE(db.GetValuesOutsideSchema(u"Lab\\web", values));
    EXPECT_EQ(values.size(), 3u);
    EXPECT_FALSE(db.WriteValuesOutsideSchema(u"Lab\\web", {StoredValue{u"Login Script V4", kValueKindMultiString}},
                                             report.Get()));
    // A setting of the schema, or a missing session, changes nothing.
    StoredValue host{u"hostname", kValueKindString, 0, u"elsewhere"};
    EXPECT_FALSE(db.WriteValuesOutsideSchema(u"Lab\\web", {StoredValue{u"Other", kValueKindDword, 1}, host},
                                             report.Get()));
    EXPECT_EQ(Stored(u"Lab\\web", u"Hostname"), VUnicodeString(u"host-web"));
    ASSERT_TRUE(db.GetValuesOutsideSchema(u"Lab\\web", values));
    EXPECT_EQ(values.size(), 3u);
    EXPECT_FALSE(db.WriteValuesOutsideSchema(u"Lab\\gone", {port}, report.Get()));
    EXPECT_FALSE(db.SessionExists(u"Lab\\gone"));
}

TEST_P(SessionDb, SavedSessionsAndTheHostServiceEntry)
{
    const SessionConfigPtr config(new SessionConfig(nullptr, {}));
    config->RemoteHost().SetHostname(u"new.example");
    ASSERT_TRUE(db.SaveNewSession(*config, u"", u"fresh", {}, false, report.Get()));
    EXPECT_EQ(config->GetSessionPath(), VUnicodeString(u"fresh"));
    config->RemoteHost().SetUsername(u"bob");
    ASSERT_TRUE(db.SaveSession(*config, report.Get()));
    EXPECT_EQ(Stored(u"fresh", u"Username"), VUnicodeString(u"bob"));
    EXPECT_FALSE(db.SaveNewSession(*config, u"", u"fresh", {}, false, report.Get()));

    Session(u"user");
    {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), u"Sessions\\user", 0).WriteString(u"Firewall Name", u"Session:fresh");
    }
    UpdateSessionDatabaseWithFirewallChanges({{u"fresh", u"Moved\\fresh"}}, nullptr, nullptr);
    EXPECT_EQ(Stored(u"user", u"Firewall Name"), VUnicodeString(u"Session:Moved\\fresh"));
    EXPECT_EQ(GetSessionDatabaseImpl(), GetSessionDatabaseImpl());
}

ORV_BOTH_BACKENDS(SessionDb);

} // namespace
