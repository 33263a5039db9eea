#include "profile/store/VProfileStore.h"

#include "profile/store/ProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"

VProfileStore::VProfileStore()
{
    const ProfileStoreFactoryGetter getter = GetProfileStoreFactoryGetter();
    VProfileStoreFactory* factory = getter ? getter() : nullptr;
    if (factory)
        m_store.reset(factory->CreateStore());
    m_root = std::make_unique<VProfileKey>(m_store ? m_store->OpenRootKey(kRootSelector) : nullptr);
}

VProfileStore::~VProfileStore()
{
    m_root.reset(); // the root key goes before the store that made it
}
