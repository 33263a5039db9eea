#include <gtest/gtest.h>

#include <memory>

#include "core/VArray.h"
#include "core/VStringArray.h"

namespace {

TEST(VArray, IndexOutsideRaisesOutOfRange)
{
    VArray<int> a{1, 2, 3};
    EXPECT_EQ(a[2], 3);
    EXPECT_THROW(a[3], VArray<int>::OutOfRange);
    EXPECT_THROW(a.GetAt(static_cast<size_t>(-1)), OutOfRange); // caught by the common base
    EXPECT_THROW(a.InsertAt(4, 0), OutOfRange);
    EXPECT_THROW(a.RemoveAt(2, 2), OutOfRange);
    VArray<int> empty;
    EXPECT_THROW(empty[0], OutOfRange);
}

TEST(VArray, GrowsByItsStep)
{
    VArray<int> a(10);
    a.Add(1);
    EXPECT_EQ(a.GetCapacity(), 10u);
    for (int i = 0; i < 10; ++i)
        a.Add(i);
    EXPECT_EQ(a.GetSize(), 11u);
    EXPECT_EQ(a.GetCapacity(), 20u);

    VArray<int> d; // no step: grows by at least 4
    d.Add(1);
    EXPECT_EQ(d.GetCapacity(), 4u);
}

TEST(VArray, InsertRemoveKeepOrderAndOwnership)
{
    VStringArray names{u"b", u"d"};
    names.InsertAt(0, u"a");
    names.InsertAt(2, u"c");
    names.InsertAt(4, u"e");
    EXPECT_EQ(names, (VStringArray{u"a", u"b", u"c", u"d", u"e"}));
    names.RemoveAt(1, 2);
    EXPECT_EQ(names, (VStringArray{u"a", u"d", u"e"}));

    auto tracked = std::make_shared<int>(0);
    {
        VArray<std::shared_ptr<int>> holders;
        for (int i = 0; i < 100; ++i)
            holders.Add(tracked); // several reallocations
        holders.RemoveAt(0, 50);
        VArray<std::shared_ptr<int>> copy = holders;
        EXPECT_EQ(tracked.use_count(), 101);
        VArray<std::shared_ptr<int>> moved = std::move(copy);
        EXPECT_EQ(tracked.use_count(), 101);
    }
    EXPECT_EQ(tracked.use_count(), 1);
}

} // namespace
