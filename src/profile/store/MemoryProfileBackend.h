#pragma once

#include "core/Export.h"

#include <memory>

#include "profile/store/ProfileBackend.h"

// A registry-shaped tree held in memory, for tests and hosts that keep
// nothing. Every store made by one factory sees the same tree; the outermost
// store alive is one transaction that an abandoned store undoes.
class ORV_EXPORT MemoryProfileFactory final : public VProfileStoreFactory {
public:
    MemoryProfileFactory();
    ~MemoryProfileFactory() override;
    IProfileBackendStore* CreateStore() override;

    struct Node;
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
};
