#include <gtest/gtest.h>

#include "Fakes.h"
#include "platform/SynchLock.h"

namespace {

TEST(SynchLock, HoldsAReferenceAndTheLockForItsScope)
{
    FakeSynchObject host;
    {
        SynchLock guard(&host);
        EXPECT_EQ(host.refs, 2u);
        EXPECT_EQ(host.held, 1);
        guard.Lock(); // already locked: not twice
        EXPECT_EQ(host.locks, 1);
    }
    EXPECT_EQ(host.refs, 1u);
    EXPECT_EQ(host.held, 0);
    {
        SynchLock deferred(&host, false);
        EXPECT_EQ(host.refs, 2u);
        EXPECT_EQ(host.held, 0);
    }
    EXPECT_EQ(host.held, 0); // never locked, never unlocked
    EXPECT_EQ(host.refs, 1u);
    SynchLock none(static_cast<ISynchObject*>(nullptr));
    EXPECT_FALSE(none.IsLocked());
}

TEST(SynchLock, LibraryObjectReplacement)
{
    FakeSynchObject a;
    FakeSynchObject b;
    ReplaceLibrarySynchObject(&a);
    ReplaceLibrarySynchObject(&a); // the same object again: still one reference
    EXPECT_EQ(a.refs, 2u);
    {
        SynchLock guard; // the library's own object
        EXPECT_EQ(a.held, 1);
    }
    ReplaceLibrarySynchObject(&b);
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(b.refs, 2u);
    ReplaceLibrarySynchObject(nullptr);
    EXPECT_EQ(b.refs, 1u);
    EXPECT_EQ(GetLibrarySynchObject(), nullptr);
    SynchLock guard; // no object: does nothing
    EXPECT_FALSE(guard.IsLocked());
}

} // namespace
