#include "platform/GlobalConfig.h"

namespace {

GlobalConfig g_config;
IGlobalConfigStorage* g_storage = nullptr;

} // namespace

uint32_t GlobalConfig::MultiConnectWarningThreshold()
{
    if (multiConnectWarningThreshold < 1 || multiConnectWarningThreshold > 1000) {
        multiConnectWarningThreshold = kDefaultMultiConnectWarningThreshold;
        Save();
    }
    return multiConnectWarningThreshold;
}

bool GlobalConfig::Save() const
{
    return g_storage && g_storage->Save(*this);
}

void GlobalConfig::Reload()
{
    *this = GlobalConfig();
    if (g_storage)
        g_storage->Load(*this);
}

bool GetGlobalConfig(GlobalConfig** config)
{
    if (!config)
        return false;
    *config = &g_config;
    return true;
}

void SetGlobalConfigStorage(IGlobalConfigStorage* storage)
{
    g_storage = storage;
    g_config.Reload();
}
