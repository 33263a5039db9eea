#pragma once

#include <memory>

#include "FakeClipboard.h"
#include "FakeSessionTree.h"
#include "StoreFixtures.h"
#include "profile/sessions/SessionDatabase.h"

// A tree on the fake control over a real store, both back ends, the global
// options at their defaults. The tree is made on first use.
class FakeTreeTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        Db().DropCachedListings();
    }
    void TearDown() override
    {
        tree.reset();
        StoreTest::TearDown();
    }
    static SessionDatabase& Db() { return *GetSessionDatabaseImpl(); }
    static void Folder(const std::u16string& path) { MakeFolder(path); }
    template <class... Values>
    static void Session(const Values&... values)
    {
        WriteSession(values...);
    }
    FakeSessionTree& Tree()
    {
        if (!tree) {
            Db().DropCachedListings();
            tree = std::make_unique<FakeSessionTree>(&owner);
            tree->Initialize();
        }
        return *tree;
    }

    FreshGlobalConfig fresh;
    GlobalConfig* config = fresh.config;
    FakeTreeOwner owner;
    FakeClipboard clipboard;
    std::unique_ptr<FakeSessionTree> tree;
};
