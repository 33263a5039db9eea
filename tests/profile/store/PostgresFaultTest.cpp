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
#include "ProcessFaults.h"
#include "StoreFixtures.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/PostgresProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr auto Name = Numbered;

class PostgresFaults : public PostgresSchemaTest {
protected:
    FakeMessageBox box;
};

// A folder of 1,000 sessions moved back and forth by a client killed at
// random instants: wholly on one side every time.
TEST_F(PostgresFaults, AKilledMoveOfAThousandSessionsIsWhollyDoneOrNotDone)
{
    const auto open = [this] { return std::make_unique<PostgresProfileFactory>(uri); };
    EXPECT_GT(RunKilledFolderMoves(open, {.rounds = 60, .seed = 25, .baseUs = 5000, .spread = 10}), 3);
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
    UseStore(&factory);
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
        UseStore(&factory);
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
            UseStore(&factory);
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
        const int status = Reap(child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_LT(WEXITSTATUS(status), 200) << "a refusal went without a report";
        refused += WEXITSTATUS(status);
    }
    PostgresProfileFactory factory(uri);
    UseStore(&factory);
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

    // One refused for certain: the other client holds its write past this
    // one's busy timeout. One report, and the folder's list stays whole.
    PostgresProfileFactory other(uri);
    std::unique_ptr<IProfileBackendStore> held(other.CreateStore());
    ASSERT_TRUE(VProfileKey(VProfileKey(held->OpenRootKey(0)), u"Sessions\\Shared", 0).WriteString(u"x", u"y"));
    factory.SetBusyTimeout(200);
    box.shown.clear();
    EXPECT_FALSE(SessionDatabase().CreateFolder(u"Shared", u"Late", {}, false, nullptr));
    EXPECT_EQ(box.shown.size(), 1u);
    held.reset();
    VProfileStore after;
    EXPECT_FALSE(after.GetRootKey()->KeyExists(u"Sessions\\Shared\\Late"));
    EXPECT_TRUE(OrderMatches(*after.GetRootKey(), u"Sessions\\Shared"));
}

} // namespace
