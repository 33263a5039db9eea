// Any sequence of user actions on two session trees of one database (cut,
// copy, paste, delete, rename, new items, drags between the trees, filter,
// Find, refresh, changes from elsewhere) leaves both consistent with the
// database and never touches an item that is gone. Three bytes make one
// action: which, and its argument.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <memory>

#include "FakeClipboard.h"
#include "Fakes.h"
#include "TreeActionWalk.h"
#include "platform/GlobalConfig.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

MemoryProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

void Seed()
{
    SessionDatabase& db = *GetSessionDatabaseImpl();
    db.CreateFolder(u"", u"a", {}, false, nullptr);
    db.CreateFolder(u"a", u"b", {}, false, nullptr);
    db.CreateFolder(u"", u"web", {}, false, nullptr);
    VProfileStore store;
    for (const char16_t* path : {u"a\\s1", u"a\\b\\s10", u"web\\web", u"s2"}) {
        VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(path), 1);
        key.WriteString(u"Protocol Name", u"SSH2");
    }
    db.DropCachedListings();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 3 * 200)
        return 0; // long walks say no more than short ones, slower
    MemoryProfileFactory factory;
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);
    GlobalConfig* config = nullptr;
    GetGlobalConfig(&config);
    *config = GlobalConfig();
    FakeMessageBox box;
    box.answer = kIdYes;
    FakeClipboard clipboard;
    GetSessionDatabaseImpl()->DropCachedListings();
    Seed();
    {
        WalkOwner ownerA;
        WalkOwner ownerB;
        MemoryWalkTree a(&ownerA);
        MemoryWalkTree b(&ownerB);
        ownerA.other = &b;
        ownerB.other = &a;
        TreeActionWalk walk(a, b, [] {
            static WalkOwner alone;
            return std::make_unique<MemoryWalkTree>(&alone);
        });
        for (size_t at = 0; at + 3 <= size; at += 3) {
            walk.Step(data[at], static_cast<uint32_t>(data[at + 1]) | static_cast<uint32_t>(data[at + 2]) << 8 |
                                    static_cast<uint32_t>(data[at]) << 16);
            const std::string error = walk.Check();
            if (!error.empty()) {
                std::fprintf(stderr, "after action %zu: %s\n", at / 3, error.c_str());
                std::abort();
            }
        }
    }
    GetSessionDatabaseImpl()->DropCachedListings();
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
    return 0;
}
