#include "profile/store/ProfileStoreFactoryGetter.h"

#include "profile/store/ProfileBackend.h"

namespace {
ProfileStoreFactoryGetter g_getter = nullptr;
}

void SetProfileStoreFactoryGetter(ProfileStoreFactoryGetter getter)
{
    g_getter = getter;
}

ProfileStoreFactoryGetter GetProfileStoreFactoryGetter()
{
    return g_getter;
}

bool IsProfileStoreReadOnly()
{
    VProfileStoreFactory* factory = g_getter ? g_getter() : nullptr;
    return factory && factory->IsReadOnly();
}
