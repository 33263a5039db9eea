#pragma once

#include "platform/GlobalConfig.h"

// Keeps the global configuration in the configuration store, one value
// per option under the key "Global". Saving writes only the options that
// changed or are not stored yet.
class ProfileGlobalConfigStorage final : public IGlobalConfigStorage {
public:
    void Load(GlobalConfig& config) override;
    bool Save(const GlobalConfig& config) override;
};
