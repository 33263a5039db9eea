#pragma once

#include <memory>

#include "core/Export.h"

class IProfileBackendStore;
class VProfileKey;

// One operation's view of the configuration store: made through the
// host's factory (asked afresh on every construction), destroyed at the
// end of the operation. The outermost store alive is one transaction of
// the back end: it reads a consistent snapshot, takes the write lock at its
// first write, and commits when it ends, unless it was abandoned or ends
// while an exception leaves the operation.
class ORV_EXPORT VProfileStore {
public:
    VProfileStore();
    virtual ~VProfileStore();
    VProfileStore(const VProfileStore&) = delete;
    VProfileStore& operator=(const VProfileStore&) = delete;

    // The root key; the store keeps ownership. Its handle is null when no
    // factory is set or the back end refused.
    VProfileKey* GetRootKey() const { return m_root.get(); }
    // Undoes everything done through this store (and, nested, through the
    // outermost one) when it ends: an operation that fails half-way calls it.
    void Abandon();

private:
    std::unique_ptr<IProfileBackendStore> m_store;
    std::unique_ptr<VProfileKey> m_root;
    int m_exceptions = 0;
    static constexpr int kRootSelector = 0;
};
