#include "profile/store/ProfileStoreFactoryGetter.h"

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
