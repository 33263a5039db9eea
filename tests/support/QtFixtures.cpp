#include "QtFixtures.h"

#include <cstdlib>

#include "ProcessFaults.h"

void WidgetTest::SetUp()
{
    factory = std::make_unique<MemoryProfileFactory>();
    UseStore(factory.get());
    config->filterDelayMs = 20;
    ::setenv("ORV_INSTALLED_PRODUCTS", "kestrune,pellowin", 1);
    ResetProductQueries();
    Db().DropCachedListings();
}

void WidgetTest::TearDown()
{
    Db().DropCachedListings();
    UseStore(nullptr);
    ::unsetenv("ORV_INSTALLED_PRODUCTS");
    ResetProductQueries();
}

