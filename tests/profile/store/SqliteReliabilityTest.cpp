// The database file under processes that die mid-write, and under two
// writers at once. Bounded: each loop has a fixed count.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>

#include "Fakes.h"
#include "StoreFixtures.h"
#include "ProcessFaults.h"
#include "profile/store/ProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "profile/values/ProfileGlobalConfigStorage.h"

namespace {

constexpr int kValuesPerKey = 300;

using SqliteInUse = StoreInUse<SqliteProfileFactory>;
constexpr auto Name = Numbered;

// Operation n, all in one store: a new key with 300 values, the previous
// key renamed into "Done", the one three back deleted, the progress mark set.
bool RunOperation(int n)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    VProfileKey work(root, Name(u"Work\\N", n), 1);
    bool ok = work.GetKeyHandle() != nullptr;
    for (int v = 0; v < kValuesPerKey; ++v)
        ok = work.WriteString(Name(u"Value ", v), VUnicodeString::FromNumber(n)) && ok;
    if (n > 0)
        ok = root.RenameKey(Name(u"Work\\N", n - 1), Name(u"Done\\N", n - 1)) && ok;
    if (n > 2)
        ok = root.DeleteKey(Name(u"Done\\N", n - 3)) && ok;
    return root.WriteUnsigned(u"Progress", static_cast<uint32_t>(n)) && ok;
}

int CountValues(const VProfileKey& root, const VUnicodeString& path, int n)
{
    VProfileKey key(root, path, 0);
    int count = 0;
    VUnicodeString text;
    for (int v = 0; v < kValuesPerKey; ++v)
        count += key.ReadString(Name(u"Value ", v), text) && text == VUnicodeString::FromNumber(n);
    return count;
}

class SqliteReliability : public ::testing::Test {
protected:
    void TearDown() override { UseStore(nullptr); }
    TempDir dir;
    std::string path = dir.str() + "/config.db";
    FakeMessageBox box;
};

TEST_F(SqliteReliability, AKilledWriterLeavesEveryOperationWhollyThereOrAbsent)
{
    // The first operation, timed here, stretches the kill delays on slow
    // builds (sanitizers) so that the writer still gets work done.
    int64_t operationUs = 0;
    {
        const auto start = std::chrono::steady_clock::now(); // a writer opens the file first
        SqliteInUse open(path);
        ASSERT_TRUE(RunOperation(0));
        operationUs = MicrosecondsSince(start);
    }
    std::mt19937 random(12345);
    std::uniform_int_distribution<int64_t> delayUs(0, std::max<int64_t>(8000, operationUs * 2));
    int lastSeen = 0;
    for (int round = 0; round < 100; ++round) {
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(done[0]);
            SqliteInUse open(path);
            uint32_t progress = 0;
            const bool started = VProfileStore().GetRootKey()->ReadDword(u"Progress", progress);
            for (int n = started ? static_cast<int>(progress) + 1 : 0;; ++n) {
                if (!RunOperation(n))
                    _exit(3);
                const char mark = 1;
                if (write(done[1], &mark, 1) != 1)
                    _exit(4);
            }
        }
        close(done[1]);
        // Let the writer finish none, one or two operations however slow the
        // machine is, then kill it at a random instant of the next ones.
        for (int wait = static_cast<int>(random() % 3); wait > 0; --wait) {
            pollfd ready{done[0], POLLIN, 0};
            char mark = 0;
            if (poll(&ready, 1, 20000) != 1 || read(done[0], &mark, 1) != 1)
                break;
        }
        const int status = KillAfter(child, delayUs(random));
        close(done[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;

        if (!std::filesystem::exists(path))
            continue; // killed before it made the file: nothing to check yet
        ASSERT_EQ(SqliteScalar(path, "PRAGMA integrity_check"), "ok") << "round " << round;
        SqliteInUse open(path);
        ASSERT_TRUE(open.factory.IsOpen());
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        uint32_t progress = 0;
        if (!root.ReadDword(u"Progress", progress)) {
            EXPECT_FALSE(root.KeyExists(u"Work")) << "round " << round; // not even the first one
            continue;
        }
        const int n = static_cast<int>(progress);
        EXPECT_GE(n, lastSeen);
        lastSeen = n;
        EXPECT_EQ(CountValues(root, Name(u"Work\\N", n), n), kValuesPerKey) << "round " << round;
        EXPECT_FALSE(root.KeyExists(Name(u"Work\\N", n + 1))) << "a later operation in part, round " << round;
        for (int done = std::max(0, n - 2); done < n; ++done) {
            EXPECT_EQ(CountValues(root, Name(u"Done\\N", done), done), kValuesPerKey) << "round " << round;
        }
        EXPECT_FALSE(root.KeyExists(Name(u"Done\\N", n - 3))) << "round " << round;
        EXPECT_FALSE(root.KeyExists(Name(u"Work\\N", n - 1))) << "round " << round;
    }
    EXPECT_GT(lastSeen, 10); // the writer got real work done between kills
    EXPECT_TRUE(box.shown.empty()); // the file never needed to be moved aside
}

// A folder of sessions moved back and forth and copied, each operation in
// its own store, by a process killed at random instants.
constexpr int kBatchSessions = 8;
constexpr int kBatchValues = 200;
constexpr int kKeptCopies = 3;

void MakeBatch()
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    VProfileKey(root, u"Sessions\\Right", 1);
    VProfileKey(root, u"Sessions\\Copies", 1);
    for (int s = 0; s <= kBatchSessions; ++s) {
        const VUnicodeString path = s == kBatchSessions ? VUnicodeString(u"Sessions\\Left\\Batch\\Sub\\deep")
                                                        : Name(u"Sessions\\Left\\Batch\\s", s);
        VProfileKey key(root, path, 1);
        key.WriteString(u"Protocol Name", u"SSH2");
        for (int v = 0; v < kBatchValues; ++v)
            key.WriteString(Name(u"Value ", v), path);
    }
}

// Whether the folder holds the whole batch: every session with every value.
bool BatchIsWhole(const VProfileKey& root, const VUnicodeString& folder, const VUnicodeString& original)
{
    for (int s = 0; s <= kBatchSessions; ++s) {
        const VUnicodeString leaf = s == kBatchSessions ? VUnicodeString(u"Sub\\deep") : Name(u"s", s);
        const VProfileKey key(root, folder + u"\\" + leaf.str(), 0);
        const VUnicodeString expected = original + u"\\" + leaf.str();
        VUnicodeString text;
        for (int v = 0; v < kBatchValues; ++v)
            if (!key.ReadString(Name(u"Value ", v), text) || text != expected)
                return false;
        if (!key.ValueExists(u"Protocol Name")) // the session settings came along
            return false;
    }
    return true;
}

TEST_F(SqliteReliability, AKilledMoveOrCopyOfAFolderIsWhollyDoneOrNotDone)
{
    {
        SqliteInUse open(path);
        MakeBatch();
    }
    // One move and one copy timed here set the kill delays, so that kills
    // land before, inside and between operations on any build and load.
    int64_t pairUs = 0;
    {
        SqliteInUse open(path);
        SessionDatabase db;
        VUnicodeString made;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(db.MoveItem(u"Left\\Batch", u"Right", {}, false, made, nullptr, nullptr));
        ASSERT_TRUE(db.CopyItem(made, u"Copies", true, {}, false, made, nullptr));
        pairUs = MicrosecondsSince(start);
    }
    std::mt19937 random(2024);
    std::uniform_int_distribution<int64_t> delayUs(std::max<int64_t>(1000, pairUs / 4), std::max<int64_t>(4000, pairUs * 4));
    int copiesSeen = 0;
    int sideChanges = 0;
    bool wasLeft = false; // the timed move put it on the right
    for (int round = 0; round < 30; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SqliteInUse open(path);
            SessionDatabase db;
            for (;;) {
                const bool left = db.SessionExists(u"Left\\Batch");
                VUnicodeString moved;
                if (!db.MoveItem(left ? u"Left\\Batch" : u"Right\\Batch", left ? u"Right" : u"Left", {}, false,
                                 moved, nullptr, nullptr) ||
                    moved != VUnicodeString(left ? u"Right\\Batch" : u"Left\\Batch"))
                    _exit(3);
                VUnicodeString copy;
                if (!db.CopyItem(moved, u"Copies", true, {}, false, copy, nullptr))
                    _exit(4);
                VStringArray copies;
                db.DropCachedListings();
                db.GetFolderList(u"Copies", 2, copies);
                if (copies.GetSize() > kKeptCopies && !db.DeleteItem(VUnicodeString(u"Copies\\") + copies[0].str(), nullptr))
                    _exit(5);
            }
        }
        const int status = KillAfter(child, delayUs(random));
        ASSERT_TRUE(WIFSIGNALED(status)) << "the worker stopped by itself, status " << status;

        ASSERT_EQ(SqliteScalar(path, "PRAGMA integrity_check"), "ok") << "round " << round;
        SqliteInUse open(path);
        ASSERT_TRUE(open.factory.IsOpen());
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        const bool inLeft = root.KeyExists(u"Sessions\\Left\\Batch");
        const bool inRight = root.KeyExists(u"Sessions\\Right\\Batch");
        ASSERT_NE(inLeft, inRight) << "the batch is in both folders or in neither, round " << round;
        sideChanges += inLeft != wasLeft;
        wasLeft = inLeft;
        const VUnicodeString batch = inLeft ? u"Sessions\\Left\\Batch" : u"Sessions\\Right\\Batch";
        EXPECT_TRUE(BatchIsWhole(root, batch, u"Sessions\\Left\\Batch")) << "round " << round;
        for (const char16_t* folder : {u"Sessions\\Left", u"Sessions\\Right", u"Sessions\\Copies"})
            EXPECT_TRUE(OrderMatches(root, folder)) << VUnicodeString(folder).ToUtf8() << ", round " << round;
        for (const VUnicodeString& copy : ChildNames(root, u"Sessions\\Copies")) {
            EXPECT_TRUE(BatchIsWhole(root, VUnicodeString(u"Sessions\\Copies\\") + copy.str(), u"Sessions\\Left\\Batch"))
                << copy.ToUtf8() << ", round " << round;
            ++copiesSeen;
        }
    }
    // The worker got real work done between kills: copies were made and
    // the batch changed sides.
    EXPECT_GT(copiesSeen, 10);
    EXPECT_GT(sideChanges, 3);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(SqliteReliability, ProcessesWritingOneNewFileAtOnceAllGetTheirWritesIn)
{
    // Each round a new file, made by several processes started at the same
    // instant, each then writing stores of its own: none may be refused
    // while another sets the file up or holds the write lock.
    constexpr int kRounds = 40;
    constexpr int kProcesses = 6;
    constexpr int kKeys = 12;
    for (int round = 0; round < kRounds; ++round) {
        const std::string file = dir.str() + "/new-" + std::to_string(round) + ".db";
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        std::vector<pid_t> children;
        for (int c = 0; c < kProcesses; ++c) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                close(go[1]);
                char byte;
                (void)!read(go[0], &byte, 1); // all start when the pipe closes
                SqliteInUse open(file);
                const std::u16string prefix = Name(u"P", c).str() + u"\\K";
                for (int k = 0; k < kKeys; ++k) {
                    VProfileStore store;
                    VProfileKey key(*store.GetRootKey(), Name(prefix.c_str(), k), 1);
                    for (int v = 0; v < 5; ++v)
                        if (!key.WriteUnsigned(Name(u"Value ", v), static_cast<uint32_t>(round)))
                            _exit(4);
                }
                _exit(open.factory.IsOpen() ? 0 : 4);
            }
            children.push_back(child);
        }
        close(go[0]);
        close(go[1]);
        for (pid_t child : children)
            EXPECT_TRUE(ExitedCleanly(Reap(child))) << "a process was refused, round " << round;
        SqliteInUse open(file);
        VProfileStore store;
        int found = 0;
        for (int c = 0; c < kProcesses; ++c) {
            const std::u16string prefix = Name(u"P", c).str() + u"\\K";
            for (int k = 0; k < kKeys; ++k) {
                uint32_t value = 0;
                found += VProfileKey(*store.GetRootKey(), Name(prefix.c_str(), k), 0).ReadDword(u"Value 4", value) &&
                         value == static_cast<uint32_t>(round);
            }
        }
        EXPECT_EQ(found, kProcesses * kKeys) << "round " << round;
    }
}

// A child that takes the write lock, says so through `held`, keeps its
// transaction open for `holdMs`, then commits and says so through
// `committed`.
pid_t HoldWriteLock(const std::string& path, int held, int committed, int holdMs)
{
    const pid_t child = fork();
    if (child != 0)
        return child;
    SqliteInUse open(path);
    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), u"Pending", 1);
        if (!key.WriteString(u"Value", u"written"))
            _exit(3);
        const char mark = 1;
        if (write(held, &mark, 1) != 1)
            _exit(4);
        usleep(static_cast<useconds_t>(holdMs) * 1000);
    }
    const char mark = 2;
    _exit(write(committed, &mark, 1) == 1 ? 0 : 5);
}

bool Readable(int fd)
{
    pollfd ready{fd, POLLIN, 0};
    return poll(&ready, 1, 0) == 1;
}

} // namespace

TEST_F(SqliteReliability, AReaderAndAnOpenGoOnWhileTheOtherProcessHoldsALongWrite)
{
    {
        SqliteInUse open(path);
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), u"Kept", 1).WriteString(u"Value", u"before");
    }
    int held[2];
    int committed[2];
    ASSERT_EQ(pipe(held), 0);
    ASSERT_EQ(pipe(committed), 0);
    const pid_t child = HoldWriteLock(path, held[1], committed[1], 3000);
    ASSERT_GE(child, 0);
    char mark = 0;
    pollfd ready{held[0], POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 20000), 1);
    ASSERT_EQ(read(held[0], &mark, 1), 1);

    // Opened while the lock is held: no lock is needed to open.
    SqliteInUse open(path);
    ASSERT_TRUE(open.factory.IsOpen());
    for (int read = 0; read < 3; ++read) {
        VProfileStore store;
        ASSERT_TRUE(store.GetRootKey()->IsOpen());
        VUnicodeString text;
        EXPECT_TRUE(VProfileKey(*store.GetRootKey(), u"Kept", 0).ReadString(u"Value", text));
        EXPECT_EQ(text, VUnicodeString(u"before"));
        EXPECT_FALSE(store.GetRootKey()->KeyExists(u"Pending")); // not committed yet
    }
    // Everything above ran while the writer still held its transaction.
    EXPECT_FALSE(Readable(committed[0]));
    EXPECT_TRUE(box.shown.empty());

    // A write waits for the lock (within the busy timeout), then goes on
    // over what the other process committed.
    {
        VProfileStore store;
        EXPECT_TRUE(store.GetRootKey()->KeyExists(u"Kept"));
        EXPECT_TRUE(VProfileKey(*store.GetRootKey(), u"Mine", 1).WriteString(u"Value", u"after"));
        EXPECT_TRUE(store.GetRootKey()->KeyExists(u"Pending"));
    }
    EXPECT_TRUE(Readable(committed[0]));
    EXPECT_TRUE(ExitedCleanly(Reap(child)));
    for (int fd : {held[0], held[1], committed[0], committed[1]})
        close(fd);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(SqliteReliability, TwoProcessesChangingDifferentGlobalOptionsKeepBoth)
{
    {
        SqliteInUse open(path);
        ProfileGlobalConfigStorage storage;
        ASSERT_TRUE(storage.Save(GlobalConfig()));
    }
    // Both load, then one saves its change, then the other saves its own.
    int loaded[2];
    int go[2][2];
    ASSERT_EQ(pipe(loaded), 0);
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        ASSERT_EQ(pipe(go[c]), 0);
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            SqliteInUse open(path);
            ProfileGlobalConfigStorage storage;
            GlobalConfig options;
            storage.Load(options);
            char mark = 1;
            if (write(loaded[1], &mark, 1) != 1 || read(go[c][0], &mark, 1) != 1)
                _exit(3);
            if (c == 0)
                options.sortMode = 2;
            else
                options.openSessionsInTab = false;
            _exit(storage.Save(options) ? 0 : 4);
        }
    }
    char mark = 0;
    for (int c = 0; c < 2; ++c)
        ASSERT_EQ(read(loaded[0], &mark, 1), 1);
    for (int c = 0; c < 2; ++c) {
        ASSERT_EQ(write(go[c][1], &mark, 1), 1);
        EXPECT_TRUE(ExitedCleanly(Reap(children[c])));
    }
    SqliteInUse open(path);
    ProfileGlobalConfigStorage storage;
    GlobalConfig options;
    storage.Load(options);
    EXPECT_EQ(options.sortMode, 2);
    EXPECT_FALSE(options.openSessionsInTab);
}

// A folder of 1,000 sessions moved back and forth by a process killed at
// random instants: wholly on one side every time.
TEST_F(SqliteReliability, AKilledMoveOfAThousandSessionsIsWhollyDoneOrNotDone)
{
    const auto open = [this] { return std::make_unique<SqliteProfileFactory>(path); };
    EXPECT_GT(RunKilledFolderMoves(open, {.rounds = 12, .seed = 77, .baseUs = 20000, .spread = 12}), 2);
    EXPECT_TRUE(box.shown.empty());
}
