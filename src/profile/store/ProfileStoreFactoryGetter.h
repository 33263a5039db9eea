#pragma once

#include "core/Export.h"

class VProfileStoreFactory;

// Asked for the host's store factory on every construction of a store.
using ProfileStoreFactoryGetter = VProfileStoreFactory* (*)();

void SetProfileStoreFactoryGetter(ProfileStoreFactoryGetter getter);
ProfileStoreFactoryGetter GetProfileStoreFactoryGetter();

// Whether the store the host's factory makes may only be read (false
// without a factory).
ORV_EXPORT bool IsProfileStoreReadOnly();
