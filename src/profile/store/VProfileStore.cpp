#include "profile/store/VProfileStore.h"

#include <exception>

#include "profile/store/ProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"

VProfileStore::VProfileStore() : m_exceptions(std::uncaught_exceptions())
{
    const ProfileStoreFactoryGetter getter = GetProfileStoreFactoryGetter();
    VProfileStoreFactory* factory = getter ? getter() : nullptr;
    if (factory)
        m_store.reset(factory->CreateStore());
    m_root = std::make_unique<VProfileKey>(m_store ? m_store->OpenRootKey(kRootSelector) : nullptr);
}

VProfileStore::~VProfileStore()
{
    if (std::uncaught_exceptions() > m_exceptions)
        Abandon(); // the operation threw: none of it stays
    m_root.reset(); // the root key goes before the store that made it
}

void VProfileStore::Abandon()
{
    if (m_store)
        m_store->Abandon();
}
