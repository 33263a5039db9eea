#include "ProcessFaults.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <random>

#include "profile/sessions/SessionDatabase.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

VProfileStoreFactory* g_inUse = nullptr;

VProfileStoreFactory* InUse()
{
    return g_inUse;
}

} // namespace

void UseStore(VProfileStoreFactory* factory)
{
    g_inUse = factory;
    SetProfileStoreFactoryGetter(factory ? &InUse : nullptr);
}

VUnicodeString Numbered(const char16_t* prefix, int n)
{
    return VUnicodeString(prefix) + VUnicodeString::FromNumber(n).str();
}

int64_t MicrosecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
}

int KillAfter(pid_t child, int64_t delayUs)
{
    usleep(static_cast<useconds_t>(delayUs));
    kill(child, SIGKILL);
    return Reap(child);
}

int Reap(pid_t child)
{
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

bool ExitedCleanly(int status)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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

bool OrderMatches(const VProfileKey& root, const VUnicodeString& path)
{
    VStringArray stored;
    if (!VProfileKey(root, path + u"\\__FolderData__", 0).ReadStringArray(u"Folder List V2", stored))
        return true; // never written: nothing to disagree
    std::vector<VUnicodeString> listed(stored.begin(), stored.end());
    std::sort(listed.begin(), listed.end());
    return listed == ChildNames(root, path);
}

int RunKilledFolderMoves(const std::function<std::unique_ptr<VProfileStoreFactory>()>& open,
                         const KilledMovePlan& plan)
{
    {
        const auto factory = open();
        UseStore(factory.get());
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        VProfileKey(root, u"Sessions\\Right", 1);
        for (int s = 0; s < plan.sessions; ++s) {
            VProfileKey key(root, Numbered(u"Sessions\\Left\\Big\\s", s), 1);
            key.WriteString(u"Hostname", Numbered(u"host", s));
            key.WriteString(u"Protocol Name", u"SSH2");
        }
    }
    // Two moves timed here (there and back) set the kill delays, so that
    // kills land before, inside and between moves on any build and load.
    int64_t moveUs = 0;
    {
        const auto factory = open();
        UseStore(factory.get());
        SessionDatabase db;
        VUnicodeString moved;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(db.MoveItem(u"Left\\Big", u"Right", {}, false, moved, nullptr, nullptr));
        EXPECT_TRUE(db.MoveItem(u"Right\\Big", u"Left", {}, false, moved, nullptr, nullptr));
        moveUs = MicrosecondsSince(start) / 2;
        UseStore(nullptr);
    }
    std::mt19937 random(plan.seed);
    // A fresh process opens the store and reads before its first move.
    std::uniform_int_distribution<int64_t> delayUs(plan.baseUs + moveUs, plan.baseUs + moveUs * plan.spread);
    const VUnicodeString last = Numbered(u"\\s", plan.sessions - 1);
    int sideChanges = 0;
    bool wasLeft = true;
    for (int round = 0; round < plan.rounds; ++round) {
        const pid_t child = fork();
        if (child < 0) {
            ADD_FAILURE() << "fork failed";
            break;
        }
        if (child == 0) {
            const auto factory = open();
            UseStore(factory.get());
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
        const int status = KillAfter(child, delayUs(random));
        if (!WIFSIGNALED(status)) {
            ADD_FAILURE() << "the worker stopped by itself, status " << status;
            break;
        }
        const auto factory = open();
        UseStore(factory.get());
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        EXPECT_TRUE(root.IsOpen()) << "round " << round;
        const bool inLeft = root.KeyExists(u"Sessions\\Left\\Big");
        EXPECT_NE(inLeft, root.KeyExists(u"Sessions\\Right\\Big")) << "in both or neither, round " << round;
        sideChanges += inLeft != wasLeft;
        wasLeft = inLeft;
        const VUnicodeString folder = inLeft ? u"Sessions\\Left\\Big" : u"Sessions\\Right\\Big";
        EXPECT_EQ(ChildNames(root, folder).size(), static_cast<size_t>(plan.sessions)) << "round " << round;
        VUnicodeString host;
        EXPECT_TRUE(VProfileKey(root, folder + last.str(), 0).ReadString(u"Hostname", host));
        EXPECT_EQ(host, Numbered(u"host", plan.sessions - 1));
        for (const char16_t* side : {u"Sessions\\Left", u"Sessions\\Right"})
            EXPECT_TRUE(OrderMatches(root, side)) << "round " << round;
        UseStore(nullptr);
    }
    return sideChanges;
}
