#pragma once

#include "core/Export.h"

class VProfileStoreFactory;

// Asked for the host's store factory on every construction of a store.
using ProfileStoreFactoryGetter = VProfileStoreFactory* (*)();

void SetProfileStoreFactoryGetter(ProfileStoreFactoryGetter getter);
ProfileStoreFactoryGetter GetProfileStoreFactoryGetter();
