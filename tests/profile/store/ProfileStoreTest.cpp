#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <fstream>
#include <set>

#include "StoreFixtures.h"
#include "profile/store/ProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using ProfileStore = StoreTest;

std::vector<VUnicodeString> Children(const VProfileKey& key)
{
    std::vector<VUnicodeString> names;
    VProfileKeyIterator it(key);
    for (VUnicodeString name; it.Next(name);)
        names.push_back(name);
    return names;
}

TEST_P(ProfileStore, KeysOpenCreateAndKeepTheirCase)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    ASSERT_NE(root.GetKeyHandle(), nullptr);
    {
        VProfileKey missing(root, u"Sessions\\Servers", 0);
        EXPECT_EQ(missing.GetKeyHandle(), nullptr);
        EXPECT_FALSE(missing.WriteString(u"x", u"y")); // a handle on nothing fails quietly
    }
    VProfileKey made(root, u"Sessions\\Servers\\web01", 1);
    ASSERT_NE(made.GetKeyHandle(), nullptr);
    EXPECT_TRUE(root.KeyExists(u"SESSIONS\\servers\\WEB01"));
    VProfileKey again(root, u"sessions\\SERVERS", 1);
    EXPECT_EQ(Children(again), std::vector<VUnicodeString>{u"web01"});
    EXPECT_EQ(Children(VProfileKey(root, u"", 0)), std::vector<VUnicodeString>{u"Sessions"});
}

TEST_P(ProfileStore, ValuesOfEveryKindRoundTrip)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"Kinds", 1);
    EXPECT_TRUE(key.WriteString(u"Hostname", u"example.org"));
    EXPECT_TRUE(key.WriteUnsigned(u"Port", 4294967295u));
    EXPECT_TRUE(key.WriteSigned(u"Offset", -5));
    EXPECT_TRUE(key.WriteBool(u"Use Firewall", true));
    const VStringArray lines{u"first", u"", u"with\0nul"};
    EXPECT_TRUE(key.WriteStringArray(u"Lines", lines));
    const uint8_t blob[5] = {0, 1, 2, 0xFF, 0};
    EXPECT_TRUE(key.WriteBinary(u"Blob", blob, sizeof blob));
    EXPECT_TRUE(key.WriteString(u"Empty", u""));

    VUnicodeString text;
    EXPECT_TRUE(key.ReadString(u"HOSTNAME", text));
    EXPECT_EQ(text, VUnicodeString(u"example.org"));
    uint32_t number = 7;
    EXPECT_TRUE(key.ReadDword(u"port", number));
    EXPECT_EQ(number, 4294967295u);
    EXPECT_TRUE(key.ReadDword(u"Offset", number));
    EXPECT_EQ(static_cast<int32_t>(number), -5);
    number = 7;
    EXPECT_FALSE(key.ReadDword(u"Absent", number));
    EXPECT_EQ(number, 7u); // untouched
    EXPECT_FALSE(key.ReadDword(u"Hostname", number)); // another kind
    VStringArray read;
    EXPECT_TRUE(key.ReadStringArray(u"Lines", read));
    EXPECT_EQ(read, lines);
    uint8_t buffer[8];
    uint32_t size = 2;
    EXPECT_FALSE(key.ReadBinary(u"Blob", buffer, size)); // too small: says how much is there
    EXPECT_EQ(size, 5u);
    size = sizeof buffer;
    EXPECT_TRUE(key.ReadBinary(u"Blob", buffer, size));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(std::memcmp(buffer, blob, 5), 0);
    EXPECT_TRUE(key.ReadString(u"Empty", text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_TRUE(key.ValueExists(u"use firewall"));
}

TEST_P(ProfileStore, ValueNamesKeepTheCaseFirstWritten)
{
    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), u"Case", 1);
        key.WriteString(u"Log Filename V2", u"a");
        key.WriteString(u"LOG FILENAME v2", u"b");
    }
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"case", 0);
    VUnicodeString text;
    EXPECT_TRUE(key.ReadString(u"log filename v2", text));
    EXPECT_EQ(text, VUnicodeString(u"b"));
}

TEST_P(ProfileStore, RenameAndDeleteKeys)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    VProfileKey(root, u"A\\Child\\Leaf", 1).WriteString(u"v", u"1");
    VProfileKey(root, u"B", 1);
    EXPECT_FALSE(root.RenameKey(u"A", u"b")); // the target exists
    EXPECT_FALSE(root.RenameKey(u"A", u"A\\Child\\Deeper")); // below itself
    EXPECT_FALSE(root.RenameKey(u"Nothing", u"C"));
    EXPECT_TRUE(root.RenameKey(u"A", u"a")); // case only
    EXPECT_EQ(Children(root), (std::vector<VUnicodeString>{u"a", u"B"}));
    EXPECT_TRUE(root.RenameKey(u"a\\Child", u"B\\Moved"));
    VUnicodeString text;
    EXPECT_TRUE(VProfileKey(root, u"B\\Moved\\Leaf", 0).ReadString(u"v", text));
    EXPECT_EQ(text, VUnicodeString(u"1"));

    VProfileKey leaf(root, u"B\\Moved\\Leaf", 0);
    EXPECT_TRUE(root.DeleteKey(u"b"));
    EXPECT_FALSE(root.KeyExists(u"B\\Moved"));
    EXPECT_FALSE(root.DeleteKey(u"B"));
    EXPECT_FALSE(root.DeleteKey(u""));
    EXPECT_FALSE(leaf.WriteString(u"v", u"2")); // its key is gone
    EXPECT_FALSE(leaf.ReadString(u"v", text));
    EXPECT_EQ(Children(root), std::vector<VUnicodeString>{u"a"});
}

TEST_P(ProfileStore, HandlesOnOneKeySeeEachOthersChangesWithinAStore)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    VProfileKey first(root, u"Shared", 1);
    VProfileKey second(root, u"SHARED", 0);
    VUnicodeString text;
    EXPECT_FALSE(first.ReadString(u"Hostname", text)); // the first handle has read the key
    EXPECT_TRUE(second.WriteString(u"Hostname", u"via second"));
    EXPECT_TRUE(first.ReadString(u"Hostname", text));
    EXPECT_EQ(text, VUnicodeString(u"via second"));
    EXPECT_TRUE(first.WriteString(u"Hostname", u"via first"));
    EXPECT_TRUE(second.ReadString(u"Hostname", text));
    EXPECT_EQ(text, VUnicodeString(u"via first"));
    EXPECT_TRUE(root.DeleteKey(u"Shared"));
    EXPECT_FALSE(first.ValueExists(u"Hostname")); // gone with its key
}

TEST_P(ProfileStore, KeysListTheirValuesAndChildrenTheirKind)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    VProfileKey session(root, u"Tree\\Session", 1);
    session.WriteString(u"Hostname", u"h");
    session.WriteUnsigned(u"Port", 22);
    session.WriteStringArray(u"Lines", VStringArray{u"a"});
    session.WriteBinary(u"Blob", "x", 1);
    VProfileKey(root, u"Tree\\Folder\\Below", 1);

    std::vector<std::pair<std::u16string, uint32_t>> children;
    VProfileKeyIterator it(VProfileKey(root, u"Tree", 0));
    VUnicodeString name;
    for (uint32_t kind = 0; it.Next(name, kind);)
        children.emplace_back(name.str(), kind);
    EXPECT_EQ(children, (std::vector<std::pair<std::u16string, uint32_t>>{{u"Folder", kChildKindWithoutValues},
                                                                          {u"Session", kChildKindWithValues}}));

    std::vector<std::pair<std::u16string, uint32_t>> values;
    std::unique_ptr<IProfileBackendIterator> walk(session.Enumerate(kEnumerateValues));
    ASSERT_NE(walk, nullptr);
    for (uint32_t kind = 0; walk->Next(name, kind);)
        values.emplace_back(name.str(), kind);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<std::pair<std::u16string, uint32_t>>{{u"Blob", kValueKindBinary},
                                                                        {u"Hostname", kValueKindString},
                                                                        {u"Lines", kValueKindMultiString},
                                                                        {u"Port", kValueKindDword}}));
}

TEST_P(ProfileStore, AWalkLeftHalfWayNeitherBlocksNorLosesTheStoresWrites)
{
    std::unique_ptr<VProfileKeyIterator> walk;
    {
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        for (const char16_t* name : {u"Walk\\a", u"Walk\\b", u"Walk\\c"})
            VProfileKey(root, name, 1);
        walk = std::make_unique<VProfileKeyIterator>(VProfileKey(root, u"Walk", 0));
        VUnicodeString first;
        ASSERT_TRUE(walk->Next(first));
        EXPECT_EQ(first, VUnicodeString(u"a"));
        VProfileKey(root, u"Walk\\a", 0).WriteString(u"Written", u"during the walk");
    } // the store ends while the walk is still open
    if (IsSqlite()) { // committed: another connection sees it
        EXPECT_EQ(SqliteScalar(dir.str() + "/config.db", "SELECT count(*) FROM vals"), "1");
    }
    VProfileStore later;
    VUnicodeString text;
    EXPECT_TRUE(VProfileKey(*later.GetRootKey(), u"Walk\\a", 0).ReadString(u"Written", text));
    EXPECT_EQ(text, VUnicodeString(u"during the walk"));
    walk.reset();
}

TEST_P(ProfileStore, EveryStoreAsksTheGetterForTheFactory)
{
    const int before = recorder->storesMade;
    {
        VProfileStore a;
        VProfileStore b;
    }
    VProfileKey byPath(VUnicodeString(u"Nowhere")); // a store of its own, gone at once
    EXPECT_EQ(byPath.GetKeyHandle(), nullptr);
    EXPECT_EQ(recorder->storesMade, before + 3);

    VProfileKey(*VProfileStore().GetRootKey(), u"Here\\Below", 1);
    VProfileKey found(VUnicodeString(u"here\\below"));
    EXPECT_NE(found.GetKeyHandle(), nullptr);
    EXPECT_TRUE(found.WriteString(u"after", u"the store ended"));
}

TEST(ProfileStoreWithoutFactory, EverythingFailsQuietly)
{
    SetProfileStoreFactoryGetter(nullptr);
    VProfileStore store;
    ASSERT_NE(store.GetRootKey(), nullptr);
    EXPECT_EQ(store.GetRootKey()->GetKeyHandle(), nullptr);
    EXPECT_FALSE(VProfileKey(*store.GetRootKey(), u"x", 1).IsOpen());
}

ORV_BOTH_BACKENDS(ProfileStore);

// Fills a store with 200 keys of a long value each: pages enough to damage.
void WriteManyKeys(SqliteProfileFactory& factory)
{
    std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
    VProfileKey root(store->OpenRootKey(0));
    for (int i = 0; i < 200; ++i)
        VProfileKey(root, VUnicodeString(u"Key ") + VUnicodeString::FromNumber(i).str(), 1)
            .WriteString(u"v", std::u16string(100, u'x'));
}

// What only the database file does.
class SqliteStore : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.str() + "/orvalis/config.db";
    FakeMessageBox box;
};

TEST_F(SqliteStore, FileIsPrivateAndTheOutermostStoreIsOneTransaction)
{
    const auto mode = [&] {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0u;
    };
    { SqliteProfileFactory first(path); }
    EXPECT_EQ(mode(), 0600u);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0); // an existing file readable by others is made private
    SqliteProfileFactory writer(path);
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_EQ(mode(), 0600u);

    {
        std::unique_ptr<IProfileBackendStore> outer(writer.CreateStore());
        VProfileKey root(outer->OpenRootKey(0));
        {
            std::unique_ptr<IProfileBackendStore> nested(writer.CreateStore());
            VProfileKey(root, u"Pending", 1).WriteString(u"v", u"1");
        }
        // The nested store ended, but nothing is committed before the outer one.
        EXPECT_EQ(SqliteScalar(path, "SELECT count(*) FROM keys WHERE folded='pending'"), "0");
    }
    EXPECT_EQ(SqliteScalar(path, "SELECT count(*) FROM keys WHERE folded='pending'"), "1");
}

TEST_F(SqliteStore, AFileThatIsNoDatabaseIsMovedAsideNeverOverwritten)
{
    std::filesystem::create_directories(dir.path() / "orvalis");
    std::ofstream(path) << "these are somebody's notes, not a database";
    SqliteProfileFactory factory(path);
    ASSERT_TRUE(factory.IsOpen());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"moved aside"), std::u16string::npos);
    bool kept = false;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "orvalis")) {
        if (entry.path().filename().string().starts_with("config.db.corrupt-")) {
            std::ifstream in(entry.path());
            std::string content((std::istreambuf_iterator<char>(in)), {});
            kept = content == "these are somebody's notes, not a database";
        }
    }
    EXPECT_TRUE(kept);
    std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
    VProfileKey root(store->OpenRootKey(0));
    EXPECT_TRUE(VProfileKey(root, u"Fresh", 1).IsOpen());
}

TEST_F(SqliteStore, ADamagedDatabaseIsMovedAsideAndASecondOneToo)
{
    for (int round = 0; round < 2; ++round) {
        {
            SqliteProfileFactory factory(path);
            WriteManyKeys(factory);
        }
        DamagePages(path);
        box.shown.clear();
        // Opening reads the header only; the damage shows when a store
        // meets it, and the full check then moves the file aside.
        SqliteProfileFactory reopened(path);
        EXPECT_TRUE(reopened.IsOpen());
        EXPECT_TRUE(box.shown.empty());
        {
            std::unique_ptr<IProfileBackendStore> store(reopened.CreateStore());
            VProfileKey root(store->OpenRootKey(0));
            VProfileKeyIterator it(root);
            VUnicodeString name;
            VUnicodeString text;
            while (it.Next(name))
                VProfileKey(root, name, 0).ReadString(u"v", text);
        }
        EXPECT_TRUE(reopened.IsOpen());
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_NE(box.shown[0].text.find(u"moved aside"), std::u16string::npos);
    }
    // Both damaged files are kept, under names of their own.
    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "orvalis"))
        aside += entry.path().filename().string().starts_with("config.db.corrupt-") &&
                 !entry.path().filename().string().ends_with("-wal") &&
                 !entry.path().filename().string().ends_with("-shm");
    EXPECT_EQ(aside, 2);
}

// A process that ends without closing the file (here: a child that leaves
// at once, as a crash would) makes the next open check the whole file; a
// clean close does not.
TEST_F(SqliteStore, AnUncleanEndIsNoticedAtTheNextOpenAndTheWholeFileChecked)
{
    {
        SqliteProfileFactory factory(path);
        WriteManyKeys(factory);
        EXPECT_FALSE(factory.CheckedAtOpen());
    }
    {
        SqliteProfileFactory cleanly(path);
        EXPECT_FALSE(cleanly.CheckedAtOpen());
        // Another process that is still running is no unclean end either.
        SqliteProfileFactory alongside(path);
        EXPECT_FALSE(alongside.CheckedAtOpen());
    }
    const auto crash = [&] {
        const pid_t child = fork();
        if (child == 0) {
            SqliteProfileFactory factory(path);
            _exit(factory.IsOpen() ? 0 : 1);
        }
        int status = -1;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    ASSERT_TRUE(crash());
    {
        SqliteProfileFactory after(path);
        EXPECT_TRUE(after.CheckedAtOpen());
        EXPECT_TRUE(box.shown.empty()); // the file was sound
        SqliteProfileFactory again(path); // the mark left behind is gone
        EXPECT_FALSE(again.CheckedAtOpen());
    }

    // Damage the header read does not show is found by that check and the
    // file moved aside at once.
    ASSERT_TRUE(crash());
    DamagePages(path);
    SqliteProfileFactory damaged(path);
    EXPECT_TRUE(damaged.CheckedAtOpen());
    EXPECT_TRUE(damaged.IsOpen());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"moved aside"), std::u16string::npos);
}

// Version 2 lacked the children's stamps: they are added in place, and
// count from then on.
TEST_F(SqliteStore, AFileOfTheSecondVersionGetsItsStampsWhenOpened)
{
    {
        SqliteProfileFactory factory(path);
        std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
        VProfileKey root(store->OpenRootKey(0));
        VProfileKey(root, u"Sessions\\web", 1).WriteString(u"Hostname", u"h");
    }
    ASSERT_TRUE(SqliteExec(path, "DROP TRIGGER keys_added; DROP TRIGGER keys_removed; DROP TRIGGER keys_moved; "
                                 "DROP TRIGGER keys_marked; ALTER TABLE keys DROP COLUMN stamp; PRAGMA user_version=2;"));

    SqliteProfileFactory factory(path);
    ASSERT_TRUE(factory.IsOpen());
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(SqliteScalar(path, "PRAGMA user_version"), "3");
    EXPECT_EQ(SqliteScalar(path, "SELECT count(*) FROM sqlite_master WHERE type='trigger'"), "4");
    std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
    VProfileKey root(store->OpenRootKey(0));
    VUnicodeString text;
    EXPECT_TRUE(VProfileKey(root, u"Sessions\\web", 0).ReadString(u"Hostname", text));
    EXPECT_EQ(text, VUnicodeString(u"h"));
    const VProfileKey sessions(root, u"Sessions", 0);
    VUnicodeString before;
    VUnicodeString after;
    ASSERT_TRUE(sessions.GetChildrenMark(before));
    VProfileKey(root, u"Sessions\\web", 0).WriteString(u"Hostname", u"other"); // no change of children
    ASSERT_TRUE(sessions.GetChildrenMark(after));
    EXPECT_EQ(after, before);
    VProfileKey(root, u"Sessions\\db", 1);
    ASSERT_TRUE(sessions.GetChildrenMark(after));
    EXPECT_NE(after, before);
}

TEST_F(SqliteStore, AFileOfTheFirstVersionIsMigratedWhenOpened)
{
    std::filesystem::create_directories(dir.path() / "orvalis");
    // Names and strings as UTF-16 blobs, each row naming its value twice,
    // and no mark of the keys that hold values.
    const char* older = R"(
        CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
                          name BLOB NOT NULL, folded BLOB NOT NULL, UNIQUE(parent, folded));
        CREATE TABLE vals(key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE, folded BLOB NOT NULL,
                          name BLOB NOT NULL, kind INTEGER NOT NULL, data, PRIMARY KEY(key, folded)) WITHOUT ROWID;
        INSERT INTO keys VALUES(1, NULL, x'', x''), (2, 1, x'41006200', x'61006200'), (3, 1, x'6200', x'6200');
        INSERT INTO vals VALUES(2, x'7600', x'5600', 4, 7), (2, x'68006f0073007400', x'48006f0073007400', 1, x'6800e900'),
                               (3, x'6c006f006e006500', x'4c006f006e006500', 1, x'00d8'),
                               (3, x'68006f0073007400', x'48004f0053005400', 7, x'010000007a00');
    )";
    ASSERT_TRUE(SqliteExec(path, older));

    SqliteProfileFactory factory(path);
    ASSERT_TRUE(factory.IsOpen());
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(SqliteScalar(path, "PRAGMA user_version"), "3");
    EXPECT_EQ(SqliteScalar(path, "PRAGMA application_id"), std::to_string(0x4F52564C));
    EXPECT_EQ(SqliteScalar(path, "SELECT count(*) FROM names"), "3"); // "Host" once for both keys
    EXPECT_EQ(SqliteScalar(path, "SELECT count(*) FROM sqlite_master WHERE name LIKE '%v1'"), "0");
    std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
    VProfileKey root(store->OpenRootKey(0));
    std::vector<std::pair<std::u16string, uint32_t>> children;
    VProfileKeyIterator it(root);
    VUnicodeString name;
    for (uint32_t kind = 0; it.Next(name, kind);)
        children.emplace_back(name.str(), kind);
    std::sort(children.begin(), children.end());
    EXPECT_EQ(children, (std::vector<std::pair<std::u16string, uint32_t>>{{u"Ab", kChildKindWithValues},
                                                                          {u"b", kChildKindWithValues}}));
    const VProfileKey ab(root, u"AB", 0);
    uint32_t number = 0;
    EXPECT_TRUE(ab.ReadDword(u"v", number));
    EXPECT_EQ(number, 7u);
    VUnicodeString text;
    EXPECT_TRUE(ab.ReadString(u"HOST", text));
    EXPECT_EQ(text, VUnicodeString(u"h\u00e9"));
    const VProfileKey b(root, u"b", 0);
    EXPECT_TRUE(b.ReadString(u"lone", text)); // a unit that is no character survives
    EXPECT_EQ(text.str(), std::u16string(1, char16_t(0xD800)));
    VStringArray array;
    EXPECT_TRUE(b.ReadStringArray(u"host", array));
    ASSERT_EQ(array.GetSize(), 1u);
    EXPECT_EQ(array[0], VUnicodeString(u"z"));
    // Each key keeps the spelling its value was written with.
    std::vector<std::u16string> spelled;
    std::unique_ptr<IProfileBackendIterator> values(b.Enumerate(kEnumerateValues));
    while (values->Next(name))
        spelled.push_back(name.str());
    EXPECT_EQ(spelled, (std::vector<std::u16string>{u"HOST", u"Lone"}));
}

TEST_F(SqliteStore, ADatabaseOfAnotherProgramIsRefusedAndLeftAsItIs)
{
    std::filesystem::create_directories(dir.path() / "orvalis");
    ASSERT_TRUE(SqliteExec(path, "CREATE TABLE recipes(title TEXT); INSERT INTO recipes VALUES('bread');"));
    SqliteProfileFactory factory(path);
    EXPECT_FALSE(factory.IsOpen());
    EXPECT_EQ(factory.CreateStore(), nullptr);
    ASSERT_FALSE(box.shown.empty());
    EXPECT_NE(box.shown[0].text.find(u"another program"), std::u16string::npos);
    EXPECT_EQ(SqliteScalar(path, "SELECT count(*) FROM sqlite_master"), "1");
    EXPECT_EQ(SqliteScalar(path, "PRAGMA application_id"), "0");
}

TEST(SqliteStorePath, TheEnvironmentNamesTheFileAndWithoutAFolderNothingIsMadeHere)
{
    {
        ScopedEnv named("ORV_CONFIG_DB", "/tmp/elsewhere.db");
        EXPECT_EQ(SqliteProfileFactory::DefaultPath(), "/tmp/elsewhere.db");
    }
    ScopedEnv unnamed("ORV_CONFIG_DB", nullptr);
    {
        ScopedEnv config("ORV_CONFIG_PATH", "/home/ann/.config/orvalis");
        EXPECT_EQ(SqliteProfileFactory::DefaultPath(), "/home/ann/.config/orvalis/config.db");
    }
    ScopedEnv config("ORV_CONFIG_PATH", nullptr);
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_EQ(SqliteProfileFactory::DefaultPath(), "");
    FakeMessageBox box;
    SqliteProfileFactory factory;
    EXPECT_FALSE(factory.IsOpen());
    ASSERT_FALSE(box.shown.empty());
    for (const char16_t* named : {u"XDG_CONFIG_HOME", u"HOME", u"ORV_CONFIG_DB"})
        EXPECT_NE(box.shown[0].text.find(named), std::u16string::npos);
    EXPECT_FALSE(std::filesystem::exists("config.db"));
}

TEST_F(SqliteStore, AnUnusablePlaceIsReported)
{
    SqliteProfileFactory factory("/proc/orvalis-cannot-be-here/config.db");
    EXPECT_FALSE(factory.IsOpen());
    EXPECT_EQ(factory.CreateStore(), nullptr);
    ASSERT_FALSE(box.shown.empty());
    EXPECT_NE(box.shown[0].text.find(u"cannot be opened"), std::u16string::npos);
}

} // namespace
