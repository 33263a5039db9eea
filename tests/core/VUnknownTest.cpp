#include <gtest/gtest.h>

#include "core/VUnknown.h"

namespace {

class IThing : public IVUnknown {
public:
    virtual int Value() const = 0;
};

class Thing final : public VUnknown<IThing> {
public:
    explicit Thing(int& deaths) : m_deaths(deaths) {}
    ~Thing() override { ++m_deaths; }
    int Value() const override { return 7; }

private:
    int& m_deaths;
};

TEST(VUnknown, CountStartsAtOneAndLastReleaseDeletes)
{
    int deaths = 0;
    auto* thing = new Thing(deaths);
    EXPECT_EQ(thing->RefCount(), 1u);
    EXPECT_EQ(thing->AddRef(), 2u);
    EXPECT_EQ(thing->Release(), 1u);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(thing->Release(), 0u);
    EXPECT_EQ(deaths, 1);
}

TEST(VUnknown, PointerAdoptsRetainsAndReleases)
{
    int deaths = 0;
    auto* raw = new Thing(deaths);
    {
        VUnknownPointer<IThing> adopted(raw); // takes the first reference over
        EXPECT_EQ(raw->RefCount(), 1u);
        VUnknownPointer<IThing> copy = adopted;
        EXPECT_EQ(raw->RefCount(), 2u);
        VUnknownPointer<IThing> retained = VUnknownPointer<IThing>::Retain(raw);
        EXPECT_EQ(raw->RefCount(), 3u);
        VUnknownPointer<IThing> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(raw->RefCount(), 3u);
        EXPECT_EQ(moved->Value(), 7);
        retained = adopted; // self-family assignment keeps the count right
        EXPECT_EQ(raw->RefCount(), 3u);
    }
    EXPECT_EQ(deaths, 1);
}

} // namespace
