// The shared database under faults: clients killed mid-operation, the
// server stopped under a client, two clients editing one folder at once.
// Bounded: every loop has a fixed count. Runs alone (it stops the server).
#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <set>
#include <thread>

#include "Fakes.h"
#include "StoreFixtures.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/PostgresProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

VProfileStoreFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

VUnicodeString Name(const char16_t* prefix, int n)
{
    return VUnicodeString(prefix) + VUnicodeString::FromNumber(n).str();
}

std::vector<VUnicodeString> ChildNames(const VProfileKey& root, const VUnicodeString& path)
{
    std::vector<VUnicodeString> names;
    VProfileKeyIterator it(VProfileKey(root, path, 0));
    for (VUnicodeString name; it.Next(name);)
        if (name != VUnicodeString(u"__FolderData__"))
            names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

// The stored folder order of `path` names each subfolder exactly once.
bool OrderMatches(const VProfileKey& root, const VUnicodeString& path)
{
    VStringArray stored;
    if (!VProfileKey(root, path + u"\\__FolderData__", 0).ReadStringArray(u"Folder List V2", stored))
        return true; // never written: nothing to disagree
    std::vector<VUnicodeString> listed(stored.begin(), stored.end());
    std::sort(listed.begin(), listed.end());
    return listed == ChildNames(root, path);
}

class PostgresFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (TestPostgresUri().empty())
            GTEST_SKIP() << "no PostgreSQL server: run under scripts/with-postgres.sh (it sets ORV_TEST_POSTGRES_URI)";
        schema = MakeTestPostgresSchema(uri);
        ASSERT_FALSE(schema.empty());
    }
    void TearDown() override
    {
        SetProfileStoreFactoryGetter(nullptr);
        g_factory = nullptr;
        if (!schema.empty())
            DropTestPostgresSchema(schema);
    }
    // The library works on `factory` until the next Use.
    static void Use(VProfileStoreFactory& factory)
    {
        g_factory = &factory;
        SetProfileStoreFactoryGetter(&Factory);
    }

    std::string uri;
    std::string schema;
    FakeMessageBox box;
};

// A folder of 1,000 sessions moved back and forth by a client killed at
// random instants: wholly on one side every time.
TEST_F(PostgresFaults, AKilledMoveOfAThousandSessionsIsWhollyDoneOrNotDone)
{
    constexpr int kSessions = 1000;
    constexpr int kKills = 60;
    {
        PostgresProfileFactory factory(uri);
        Use(factory);
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        VProfileKey(root, u"Sessions\\Right", 1);
        for (int s = 0; s < kSessions; ++s) {
            VProfileKey key(root, Name(u"Sessions\\Left\\Big\\s", s), 1);
            key.WriteString(u"Hostname", Name(u"host", s));
            key.WriteString(u"Protocol Name", u"SSH2");
        }
    }
    // Two moves timed here set the kill delays, so that kills land before,
    // inside and between moves on any build and load.
    int64_t moveUs = 0;
    {
        PostgresProfileFactory factory(uri);
        Use(factory);
        SessionDatabase db;
        VUnicodeString moved;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(db.MoveItem(u"Left\\Big", u"Right", {}, false, moved, nullptr, nullptr));
        ASSERT_TRUE(db.MoveItem(u"Right\\Big", u"Left", {}, false, moved, nullptr, nullptr));
        moveUs = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count() / 2;
        SetProfileStoreFactoryGetter(nullptr);
    }
    std::mt19937 random(25);
    // A fresh client connects and reads before its first move.
    std::uniform_int_distribution<int64_t> delayUs(5000 + moveUs, 5000 + moveUs * 10);
    int sideChanges = 0;
    bool wasLeft = true;
    for (int round = 0; round < kKills; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            PostgresProfileFactory factory(uri);
            Use(factory);
            SessionDatabase db;
            for (;;) {
                const bool left = db.SessionExists(u"Left\\Big");
                VUnicodeString moved;
                if (!db.MoveItem(left ? u"Left\\Big" : u"Right\\Big", left ? u"Right" : u"Left", {}, false, moved,
                                 nullptr, nullptr))
                    _exit(3);
                db.DropCachedListings();
            }
        }
        usleep(static_cast<useconds_t>(delayUs(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the client stopped by itself, status " << status;

        PostgresProfileFactory factory(uri);
        ASSERT_TRUE(factory.IsOpen());
        Use(factory);
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        const bool inLeft = root.KeyExists(u"Sessions\\Left\\Big");
        ASSERT_NE(inLeft, root.KeyExists(u"Sessions\\Right\\Big")) << "round " << round;
        sideChanges += inLeft != wasLeft;
        wasLeft = inLeft;
        const VUnicodeString folder = inLeft ? u"Sessions\\Left\\Big" : u"Sessions\\Right\\Big";
        EXPECT_EQ(ChildNames(root, folder).size(), static_cast<size_t>(kSessions)) << "round " << round;
        VUnicodeString host;
        EXPECT_TRUE(VProfileKey(root, folder + u"\\s999", 0).ReadString(u"Hostname", host));
        EXPECT_EQ(host, VUnicodeString(u"host999"));
        for (const char16_t* side : {u"Sessions\\Left", u"Sessions\\Right"})
            EXPECT_TRUE(OrderMatches(root, side)) << "round " << round;
        SetProfileStoreFactoryGetter(nullptr);
    }
    EXPECT_GT(sideChanges, 3); // the clients got moves done between kills
    EXPECT_TRUE(box.shown.empty());
}

// The server stopped at once (as by a crash) while a client writes: the
// client reports the lost connection, what it had committed stays, what
// was under way is gone, and its next store connects again.
TEST_F(PostgresFaults, AServerStoppedMidOperationLosesNothingCommittedAndTheClientReconnects)
{
    const char* ctl = std::getenv("ORV_TEST_POSTGRES_CTL");
    if (!ctl)
        GTEST_SKIP() << "the server cannot be stopped here (scripts/with-postgres.sh names its control script)";
    const std::string control = ctl;
    PostgresProfileFactory factory(uri);
    Use(factory);
    SessionDatabase db;
    for (int s = 0; s < 50; ++s)
        ASSERT_TRUE(db.CreateFolder(u"", Name(u"kept", s), {}, false, nullptr));

    // One operation writes on while the server goes down under it.
    std::atomic<bool> writing{false};
    std::thread stopper([&] {
        while (!writing)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(std::system((control + " stop >/dev/null 2>&1").c_str()), 0);
    });
    int written = 0;
    {
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (int n = 0; std::chrono::steady_clock::now() < deadline; ++n) {
            writing = true;
            if (!VProfileKey(root, Name(u"Sessions\\lost\\s", n), 1).WriteString(u"Hostname", u"h"))
                break;
            ++written;
        }
    }
    stopper.join();
    EXPECT_GT(written, 0);
    ASSERT_FALSE(box.shown.empty());
    bool lostSaid = false;
    for (const auto& shown : box.shown)
        lostSaid = lostSaid || shown.text.find(u"connection") != std::u16string::npos;
    EXPECT_TRUE(lostSaid) << VUnicodeString(box.shown.front().text).ToUtf8();

    // While the server is down a store fails with a report, and nothing breaks.
    const size_t reports = box.shown.size();
    EXPECT_FALSE(db.CreateFolder(u"", u"meanwhile", {}, false, nullptr));
    EXPECT_GT(box.shown.size(), reports);

    ASSERT_EQ(std::system((control + " start >/dev/null 2>&1").c_str()), 0);
    db.DropCachedListings();
    ASSERT_TRUE(db.CreateFolder(u"", u"after", {}, false, nullptr)); // connects again
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    for (int s = 0; s < 50; ++s)
        EXPECT_TRUE(root.KeyExists(Name(u"Sessions\\kept", s))) << s;
    EXPECT_FALSE(root.KeyExists(u"Sessions\\lost"));
    EXPECT_FALSE(root.KeyExists(u"Sessions\\meanwhile"));
    EXPECT_TRUE(root.KeyExists(u"Sessions\\after"));
    EXPECT_TRUE(OrderMatches(root, u"Sessions"));
}

// Two clients add folders to one folder and move them about in it at once:
// each operation lands or is refused with a report, and the order list
// names every folder there exactly once.
TEST_F(PostgresFaults, TwoClientsEditingOneFolderAtOnceKeepItsOrderListWhole)
{
    constexpr int kEach = 40;
    {
        PostgresProfileFactory factory(uri);
        Use(factory);
        SessionDatabase db;
        ASSERT_TRUE(db.CreateFolder(u"", u"Shared", {}, false, nullptr));
        ASSERT_TRUE(db.CreateFolder(u"", u"Aside", {}, false, nullptr));
        SetProfileStoreFactoryGetter(nullptr);
    }
    pid_t children[2] = {};
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            PostgresProfileFactory factory(uri);
            factory.SetBusyTimeout(2000);
            Use(factory);
            SessionDatabase db;
            const char16_t* prefix = c == 0 ? u"A" : u"B";
            int refused = 0;
            int notMade = 0;
            for (int n = 0; n < kEach; ++n) {
                db.DropCachedListings();
                if (!db.CreateFolder(u"Shared", Name(prefix, n), {}, false, nullptr))
                    ++refused, ++notMade;
                // Every third one goes aside and the one before comes back.
                VUnicodeString moved;
                if (n % 3 == 2 && !db.MoveItem(u"Shared\\" + Name(prefix, n).str(), u"Aside", {}, false, moved,
                                               nullptr, nullptr))
                    ++refused;
            }
            // Every refusal was said.
            _exit(static_cast<size_t>(refused) == box.shown.size() ? notMade : 200);
        }
    }
    int refused = 0; // folders not made
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_LT(WEXITSTATUS(status), 200) << "a refusal went without a report";
        refused += WEXITSTATUS(status);
    }
    PostgresProfileFactory factory(uri);
    Use(factory);
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    const std::vector<VUnicodeString> shared = ChildNames(root, u"Sessions\\Shared");
    const std::vector<VUnicodeString> aside = ChildNames(root, u"Sessions\\Aside");
    EXPECT_TRUE(OrderMatches(root, u"Sessions\\Shared"));
    EXPECT_TRUE(OrderMatches(root, u"Sessions\\Aside"));
    std::set<VUnicodeString> all(shared.begin(), shared.end());
    for (const VUnicodeString& name : aside)
        EXPECT_TRUE(all.insert(name).second) << name.ToUtf8() << " is on both sides";
    EXPECT_EQ(all.size() + static_cast<size_t>(refused), static_cast<size_t>(2 * kEach));
    EXPECT_GT(all.size(), static_cast<size_t>(kEach)); // both clients got work done
}

} // namespace
