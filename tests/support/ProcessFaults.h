#pragma once

// What the reliability tests share: a store factory put in use for the
// library, processes killed and reaped, and the checks that a folder of
// sessions came through whole.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/VUnicodeString.h"
#include "profile/store/ProfileBackend.h"

class VProfileKey;

// The library works on `factory` until the next call; nullptr: on none.
void UseStore(VProfileStoreFactory* factory);

// A factory that the library works on while this lives.
template <class Factory>
class StoreInUse {
public:
    template <class... Args>
    explicit StoreInUse(Args&&... args) : factory(std::forward<Args>(args)...)
    {
        UseStore(&factory);
    }
    ~StoreInUse() { UseStore(nullptr); }
    StoreInUse(const StoreInUse&) = delete;
    StoreInUse& operator=(const StoreInUse&) = delete;
    Factory factory;
};

VUnicodeString Numbered(const char16_t* prefix, int n);
int64_t MicrosecondsSince(std::chrono::steady_clock::time_point start);

// Waits `delayUs`, kills `child` and reaps it; its wait status.
int KillAfter(pid_t child, int64_t delayUs);
// Waits for `child` to end; its wait status.
int Reap(pid_t child);
// Whether a child ended by _exit(0).
bool ExitedCleanly(int status);

// The subkeys of `path` but its folder data, sorted.
std::vector<VUnicodeString> ChildNames(const VProfileKey& root, const VUnicodeString& path);
// The stored folder order of `path` names each subfolder exactly once.
bool OrderMatches(const VProfileKey& root, const VUnicodeString& path);

// A folder of `sessions` sessions moved back and forth between
// Sessions\Left and Sessions\Right by a process killed at random instants
// (`rounds` kills, delays from `seed` past `baseUs` plus up to `spread`
// timed moves): after each kill it is wholly on one side with every session
// and the order lists agree. Opens the store afresh with `open`. The
// number of times the folder was seen to change sides.
struct KilledMovePlan {
    int sessions = 1000;
    int rounds = 12;
    unsigned seed = 1;
    int64_t baseUs = 0;
    int spread = 10;
};
int RunKilledFolderMoves(const std::function<std::unique_ptr<VProfileStoreFactory>()>& open,
                         const KilledMovePlan& plan);
