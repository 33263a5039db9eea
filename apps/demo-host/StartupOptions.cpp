#include "StartupOptions.h"

#include "platform/GlobalConfig.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/values/ProfileGlobalConfigStorage.h"

namespace {

SqliteProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

} // namespace

StartupOptions ReadStartupOptions(const std::string& databasePath)
{
    StartupOptions options;
    SqliteProfileFactory factory(databasePath);
    if (!factory.IsOpen())
        return options;
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);
    GlobalConfig config;
    ProfileGlobalConfigStorage().Load(config);
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
    options.connectDialog = config.showConnectDialogOnStartup;
    options.quickConnect = config.showQuickConnectOnStartup;
    return options;
}

bool SetUseNewSessionWizard(const std::string& databasePath, bool use)
{
    SqliteProfileFactory factory(databasePath);
    if (!factory.IsOpen())
        return false;
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);
    ProfileGlobalConfigStorage storage;
    GlobalConfig config;
    storage.Load(config);
    config.useNewSessionWizard = use;
    const bool saved = storage.Save(config);
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
    return saved;
}
