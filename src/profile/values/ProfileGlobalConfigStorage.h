#pragma once

#include "platform/GlobalConfig.h"

// Keeps the global configuration in the configuration store, one value
// per option under the key "Global". Saving writes only the options that
// this process changed since it last loaded or saved them, and those not
// stored yet: an option the other application changed meanwhile keeps its
// change unless this process changed the same option.
class ProfileGlobalConfigStorage final : public IGlobalConfigStorage {
public:
    void Load(GlobalConfig& config) override;
    bool Save(const GlobalConfig& config) override;

private:
    GlobalConfig m_known; // as last loaded or saved by this process
};
