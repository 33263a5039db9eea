#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "StoreFixtures.h"
#include "profile/store/PostgresProfileBackend.h"
#include "profile/store/VProfileKey.h"

namespace {

// What only the shared database does; each test gets a schema of its own
// on the server that scripts/with-postgres.sh starts.
class PostgresStore : public PostgresSchemaTest {
protected:
    void SetUp() override
    {
        PostgresSchemaTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        admin = PQconnectdb(uri.c_str());
        ASSERT_EQ(PQstatus(admin), CONNECTION_OK);
        PQsetNoticeProcessor(admin, [](void*, const char*) {}, nullptr);
    }
    void TearDown() override
    {
        PQfinish(admin);
        PostgresSchemaTest::TearDown();
    }
    // The first column of the first row, as another client sees it; "error"
    // when the query failed.
    std::string Sql(const std::string& query)
    {
        PGresult* r = PQexec(admin, query.c_str());
        const ExecStatusType status = PQresultStatus(r);
        std::string value = status == PGRES_TUPLES_OK && PQntuples(r) > 0 ? PQgetvalue(r, 0, 0)
                            : status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ? ""
                                                                                      : "error";
        PQclear(r);
        return value;
    }
    std::string With(const std::string& option) const { return uri + "&" + option; }
    bool Shown(std::u16string_view text) const
    {
        for (const auto& shown : box.shown)
            if (shown.text.find(text) != std::u16string::npos)
                return true;
        return false;
    }

    PGconn* admin = nullptr;
    FakeMessageBox box;
};

TEST_F(PostgresStore, TablesAreMadeOnFirstUseAndTheOutermostStoreIsOneTransaction)
{
    PostgresProfileFactory factory(uri);
    ASSERT_TRUE(factory.IsOpen());
    EXPECT_FALSE(factory.IsReadOnly());
    EXPECT_EQ(Sql("SELECT application || ' ' || version FROM profile_schema"), "1330796108 2");
    {
        std::unique_ptr<IProfileBackendStore> outer(factory.CreateStore());
        VProfileKey root(outer->OpenRootKey(0));
        {
            std::unique_ptr<IProfileBackendStore> nested(factory.CreateStore());
            VProfileKey(root, u"Pending", 1).WriteString(u"v", u"1");
        }
        EXPECT_EQ(Sql("SELECT count(*) FROM keys WHERE folded='pending'"), "0");
    }
    EXPECT_EQ(Sql("SELECT count(*) FROM keys WHERE folded='pending'"), "1");
    // Names and plain strings are text a person can read with psql.
    EXPECT_EQ(Sql("SELECT v.txt FROM vals v JOIN names n ON n.id=v.name WHERE n.name='v'"), "1");

    { // abandoned: nothing stays
        std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
        VProfileKey root(store->OpenRootKey(0));
        VProfileKey(root, u"Gone", 1).WriteUnsigned(u"n", 7);
        EXPECT_TRUE(VProfileKey(root, u"Gone", 0).IsOpen());
        store->Abandon();
    }
    EXPECT_EQ(Sql("SELECT count(*) FROM keys WHERE folded='gone'"), "0");
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(PostgresStore, ASchemaOfAnotherProgramOrVersionIsRefusedAndLeftAsItIs)
{
    Sql("CREATE TABLE notes(line text); INSERT INTO notes VALUES('somebody''s')");
    {
        PostgresProfileFactory factory(uri);
        EXPECT_FALSE(factory.IsOpen());
        EXPECT_EQ(factory.CreateStore(), nullptr);
        EXPECT_TRUE(Shown(u"another program"));
    }
    EXPECT_EQ(Sql("SELECT line FROM notes"), "somebody's");
    EXPECT_EQ(Sql("SELECT to_regclass('keys') IS NULL"), "t");

    Sql("DROP TABLE notes");
    { PostgresProfileFactory made(uri); ASSERT_TRUE(made.IsOpen()); }
    Sql("UPDATE profile_schema SET version=3");
    box.shown.clear();
    PostgresProfileFactory newer(uri);
    EXPECT_FALSE(newer.IsOpen());
    EXPECT_TRUE(Shown(u"newer version"));
    EXPECT_EQ(Sql("SELECT version FROM profile_schema"), "3");
}

TEST_F(PostgresStore, ReadersNeverWaitAndASecondWriterIsRefusedAfterTheBusyTimeout)
{
    PostgresProfileFactory first(uri);
    PostgresProfileFactory second(uri);
    second.SetBusyTimeout(300);
    { // something to read
        std::unique_ptr<IProfileBackendStore> store(first.CreateStore());
        VProfileKey(store->OpenRootKey(0)).WriteString(u"Seen", u"before");
    }
    std::unique_ptr<IProfileBackendStore> writing(first.CreateStore());
    VProfileKey(writing->OpenRootKey(0)).WriteString(u"Seen", u"after");
    {
        std::unique_ptr<IProfileBackendStore> reading(second.CreateStore());
        VProfileKey root(reading->OpenRootKey(0));
        VUnicodeString text;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(root.ReadString(u"Seen", text));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250)); // no lock waited for
        EXPECT_EQ(text, VUnicodeString(u"before"));
        EXPECT_FALSE(root.WriteString(u"Other", u"refused"));
        EXPECT_FALSE(root.WriteString(u"More", u"refused too"));
        EXPECT_TRUE(root.ReadString(u"Seen", text)); // and goes on reading
    }
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"in use by another program"), std::u16string::npos);
    writing.reset();
    EXPECT_EQ(Sql("SELECT count(*) FROM names WHERE folded IN ('other','more')"), "0");

    std::unique_ptr<IProfileBackendStore> later(second.CreateStore());
    VUnicodeString text;
    VProfileKey root(later->OpenRootKey(0));
    EXPECT_TRUE(root.ReadString(u"Seen", text));
    EXPECT_EQ(text, VUnicodeString(u"after"));
    EXPECT_TRUE(root.WriteString(u"Other", u"now"));
}

TEST_F(PostgresStore, AWriterThatMeetsAnotherWaitsAndStartsAgainOnTheNewData)
{
    PostgresProfileFactory first(uri);
    PostgresProfileFactory second(uri);
    { // both have read the same snapshot
        std::unique_ptr<IProfileBackendStore> store(first.CreateStore());
        VProfileKey(VProfileKey(store->OpenRootKey(0)), u"Folder", 1).WriteUnsigned(u"Count", 1);
    }
    std::unique_ptr<IProfileBackendStore> writing(first.CreateStore());
    VProfileKey(VProfileKey(writing->OpenRootKey(0)), u"Folder", 0).WriteUnsigned(u"Count", 2);
    std::thread other([&] {
        std::unique_ptr<IProfileBackendStore> store(second.CreateStore());
        VProfileKey folder(VProfileKey(store->OpenRootKey(0)), u"Folder", 0);
        folder.WriteString(u"Second", u"landed"); // waits for the first writer
        uint32_t count = 0;
        folder.ReadDword(u"Count", count); // the first writer's change is seen
        folder.WriteUnsigned(u"Count", count + 1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    writing.reset();
    other.join();
    EXPECT_EQ(Sql("SELECT v.num FROM vals v JOIN names n ON n.id=v.name WHERE n.folded='count'"), "3");
    EXPECT_EQ(Sql("SELECT v.txt FROM vals v JOIN names n ON n.id=v.name WHERE n.folded='second'"), "landed");
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(PostgresStore, AReadOnlyRoleReadsTheTreeAndEveryEditIsRefusedWithOneReport)
{
    {
        PostgresProfileFactory owner(uri);
        std::unique_ptr<IProfileBackendStore> store(owner.CreateStore());
        VProfileKey(VProfileKey(store->OpenRootKey(0)), u"Sessions\\web", 1).WriteString(u"Hostname", u"web.example.net");
    }
    const std::string role = "orv_reader_" + std::to_string(getpid());
    Sql("DROP ROLE IF EXISTS " + role);
    ASSERT_NE(Sql("CREATE ROLE " + role + " LOGIN; GRANT USAGE ON SCHEMA " + schema + " TO " + role +
                  "; GRANT SELECT ON ALL TABLES IN SCHEMA " + schema + " TO " + role),
              "error");
    {
        PostgresProfileFactory reader(With("user=" + role));
        ASSERT_TRUE(reader.IsOpen());
        EXPECT_TRUE(reader.IsReadOnly());
        std::unique_ptr<IProfileBackendStore> store(reader.CreateStore());
        VProfileKey root(store->OpenRootKey(0));
        VUnicodeString host;
        EXPECT_TRUE(VProfileKey(root, u"Sessions\\web", 0).ReadString(u"Hostname", host));
        EXPECT_EQ(host, VUnicodeString(u"web.example.net"));
        EXPECT_FALSE(VProfileKey(root, u"Sessions\\web", 0).WriteString(u"Hostname", u"changed"));
        EXPECT_FALSE(VProfileKey(root, u"Sessions\\new", 1).IsOpen());
        EXPECT_FALSE(root.DeleteKey(u"Sessions\\web"));
        EXPECT_TRUE(VProfileKey(root, u"Sessions\\web", 0).ReadString(u"Hostname", host)); // still reading
    }
    Sql("DROP OWNED BY " + role + "; DROP ROLE " + role);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"read-only for this user"), std::u16string::npos);
    EXPECT_EQ(Sql("SELECT count(*) FROM keys"), "3");
}

TEST_F(PostgresStore, KeysLookedUpBeforeAreLookedUpAgainAfterAnotherClientWrote)
{
    PostgresProfileFactory first(uri);
    PostgresProfileFactory second(uri);
    auto write = [](PostgresProfileFactory& factory, const char16_t* text, bool remake) {
        std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
        VProfileKey root(store->OpenRootKey(0));
        if (remake)
            root.DeleteKey(u"Folder");
        VProfileKey(root, u"Folder\\Leaf", 1).WriteString(u"v", text);
    };
    auto read = [](PostgresProfileFactory& factory) {
        std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
        VUnicodeString text;
        VProfileKey(VProfileKey(store->OpenRootKey(0)), u"Folder\\Leaf", 0).ReadString(u"v", text);
        return text;
    };
    write(first, u"one", false);
    EXPECT_EQ(read(first), VUnicodeString(u"one"));
    write(second, u"two", true); // the same path, new keys
    EXPECT_EQ(read(first), VUnicodeString(u"two"));
    write(first, u"three", false);
    EXPECT_EQ(read(second), VUnicodeString(u"three"));
    EXPECT_EQ(Sql("SELECT count(*) FROM keys WHERE folded='leaf'"), "1");
}

TEST_F(PostgresStore, AnotherClientsCommitNamesTheKeysItChanged)
{
    PostgresProfileFactory mine(uri);
    PostgresProfileFactory theirs(uri);
    const auto change = [&](const std::function<void(VProfileKey&)>& work) {
        std::unique_ptr<IProfileBackendStore> store(theirs.CreateStore());
        VProfileKey root(store->OpenRootKey(0));
        work(root);
    };
    // What `mine` hears within a few seconds, sorted; "*" for a change that names nothing.
    const auto heard = [&] {
        VStringArray paths;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!mine.TakeOutsideChanges(paths) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::vector<std::string> shown;
        for (const VUnicodeString& path : paths)
            shown.push_back(path.ToUtf8());
        std::sort(shown.begin(), shown.end());
        return shown;
    };
    change([](VProfileKey& root) {
        VProfileKey(root, u"Sessions\\lab", 1).WriteString(u"Folder List", u"");
        VProfileKey(root, u"Sessions\\top", 1).WriteString(u"Hostname", u"a");
        VProfileKey(root, u"Sessions\\old", 1).WriteString(u"Hostname", u"b");
    });
    VStringArray none;
    while (mine.TakeOutsideChanges(none)) // starts listening; what came before is not news
        none.Clear();
    change([](VProfileKey& root) { VProfileKey(root, u"Sessions\\top", 0).WriteString(u"Hostname", u"c"); });
    EXPECT_EQ(heard(), (std::vector<std::string>{"Sessions\\top"}));
    // A new key names its parent; a deleted one its parent; a moved one both parents.
    change([](VProfileKey& root) {
        VProfileKey(root, u"Sessions\\lab\\inner", 1);
        root.DeleteKey(u"Sessions\\old");
        root.RenameKey(u"Sessions\\top", u"Sessions\\lab\\top");
    });
    EXPECT_EQ(heard(), (std::vector<std::string>{"Sessions", "Sessions\\lab"}));
    // Its own commits are no news to it.
    {
        std::unique_ptr<IProfileBackendStore> store(mine.CreateStore());
        VProfileKey(VProfileKey(store->OpenRootKey(0)), u"Sessions\\lab", 0).WriteString(u"x", u"y");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    VStringArray own;
    EXPECT_FALSE(mine.TakeOutsideChanges(own));
    // Past the most a commit names, it names nothing: anything may have changed.
    change([](VProfileKey& root) {
        for (int i = 0; i < 300; ++i)
            VProfileKey(root, VUnicodeString(u"Sessions\\many\\s") + VUnicodeString::FromNumber(i), 1)
                .WriteString(u"Hostname", u"h");
    });
    EXPECT_EQ(heard(), std::vector<std::string>{});
}

TEST_F(PostgresStore, ValuesAreSentInBatchesAndAFailedOneTakesBackTheWholeStore)
{
    PostgresProfileFactory factory(uri);
    const uint64_t before = factory.StatementsRun();
    {
        std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
        VProfileKey root(store->OpenRootKey(0));
        VProfileKey key(root, u"Many", 1);
        for (int i = 0; i < 1000; ++i)
            ASSERT_TRUE(key.WriteUnsigned(VUnicodeString(u"v") + VUnicodeString::FromNumber(i), i));
        uint32_t read = 0;
        EXPECT_TRUE(key.ReadDword(u"v999", read)); // a read takes the answers first
        EXPECT_EQ(read, 999u);
    }
    EXPECT_EQ(Sql("SELECT count(*) FROM vals"), "1000");
    EXPECT_GT(factory.StatementsRun() - before, 1000u); // each value is still a statement of its own

    // A value the server refuses among those sent (a rule added here that
    // no value may read "refused"): the store is refused, with a report,
    // and keeps none of its writes.
    ASSERT_EQ(Sql("ALTER TABLE vals ADD CONSTRAINT test_refusal CHECK (txt IS DISTINCT FROM 'refused')"), "");
    {
        std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
        VProfileKey root(store->OpenRootKey(0));
        VProfileKey key(root, u"Kept", 1);
        for (int i = 0; i < 10; ++i)
            key.WriteString(VUnicodeString(u"a") + VUnicodeString::FromNumber(i), u"b");
        key.WriteString(u"bad", u"refused");
        key.WriteString(u"after", u"b");
        EXPECT_FALSE(root.KeyExists(u"Kept")); // refused: reading its snapshot again
    }
    EXPECT_EQ(Sql("SELECT count(*) FROM keys WHERE folded='kept'"), "0");
    EXPECT_TRUE(Shown(u"could not be saved"));
}

TEST_F(PostgresStore, APathOfManyLevelsIsFoundInOneQueryWhateverItsNamesHold)
{
    const VUnicodeString path(u"Sessions\\{a,b}\\\"q\" NULL\\ \u00C9t\u00E9 \\x'y");
    {
        PostgresProfileFactory writer(uri);
        std::unique_ptr<IProfileBackendStore> store(writer.CreateStore());
        ASSERT_TRUE(VProfileKey(VProfileKey(store->OpenRootKey(0)), path, 1).WriteString(u"v", u"found"));
    }
    PostgresProfileFactory reader(uri); // nothing looked up yet
    std::unique_ptr<IProfileBackendStore> store(reader.CreateStore());
    const VProfileKey root(store->OpenRootKey(0));
    const uint64_t before = reader.StatementsRun();
    VUnicodeString text;
    EXPECT_TRUE(VProfileKey(root, VUnicodeString(u"SESSIONS\\{A,B}\\\"Q\" null\\ \u00E9T\u00C9 \\X'Y"), 0).ReadString(u"v", text));
    EXPECT_EQ(text, VUnicodeString(u"found"));
    EXPECT_EQ(reader.StatementsRun() - before, 2u); // the path, then the key's values
    EXPECT_FALSE(root.KeyExists(u"Sessions\\{a,b}\\nothing\\deeper"));
}

TEST_F(PostgresStore, ALostConnectionIsReportedAndTheNextStoreConnectsAgain)
{
    const std::string name = "orv_lost_" + std::to_string(getpid());
    PostgresProfileFactory factory(With("application_name=" + name));
    {
        std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
        VProfileKey(VProfileKey(store->OpenRootKey(0)), u"Kept", 1).WriteUnsigned(u"n", 1);
    }
    Sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name='" + name + "'");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    {
        std::unique_ptr<IProfileBackendStore> store(factory.CreateStore());
        EXPECT_EQ(store ? store->OpenRootKey(0) : nullptr, nullptr);
    }
    EXPECT_TRUE(Shown(u"connection to the server was lost"));
    std::unique_ptr<IProfileBackendStore> again(factory.CreateStore());
    ASSERT_TRUE(again);
    uint32_t n = 0;
    EXPECT_TRUE(VProfileKey(VProfileKey(again->OpenRootKey(0)), u"Kept", 0).ReadDword(u"n", n));
    EXPECT_EQ(n, 1u);
}

TEST(StoreChoice, TheDefaultFactoryIsChosenByTheLocationsForm)
{
    EXPECT_TRUE(IsPostgresUri("postgresql://team@db.example.net/sessions"));
    EXPECT_TRUE(IsPostgresUri("postgres:///sessions?host=/run/postgresql"));
    EXPECT_FALSE(IsPostgresUri("/home/ann/.config/orvalis/config.db"));
    EXPECT_FALSE(IsPostgresUri("postgresql.db"));
    TempDir dir;
    FakeMessageBox box;
    const auto file = MakeProfileStoreFactory(dir.str() + "/config.db");
    EXPECT_NE(dynamic_cast<SqliteProfileFactory*>(file.get()), nullptr);
    // An unreachable server: chosen by form, refused with a report.
    const auto server = MakeProfileStoreFactory("postgresql:///none?host=" + dir.str() + "&connect_timeout=2");
    auto* postgres = dynamic_cast<PostgresProfileFactory*>(server.get());
    ASSERT_NE(postgres, nullptr);
    EXPECT_FALSE(postgres->IsOpen());
    ASSERT_FALSE(box.shown.empty());
    EXPECT_NE(box.shown[0].text.find(u"cannot be opened"), std::u16string::npos);
}

} // namespace
