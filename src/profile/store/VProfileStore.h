#pragma once

#include <memory>

#include "core/Export.h"

class IProfileBackendStore;
class VProfileKey;

// One operation's view of the configuration store: made through the
// host's factory (asked afresh on every construction), destroyed at the
// end of the operation. With the database back end, the outermost store
// alive is one transaction, committed when it ends.
class ORV_EXPORT VProfileStore {
public:
    VProfileStore();
    virtual ~VProfileStore();
    VProfileStore(const VProfileStore&) = delete;
    VProfileStore& operator=(const VProfileStore&) = delete;

    // The root key; the store keeps ownership. Its handle is null when no
    // factory is set or the back end refused.
    VProfileKey* GetRootKey() const { return m_root.get(); }

private:
    std::unique_ptr<IProfileBackendStore> m_store;
    std::unique_ptr<VProfileKey> m_root;
    static constexpr int kRootSelector = 0;
};
