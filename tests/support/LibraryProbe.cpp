// Loads the library like a host and prints, one per line, the nine
// registered message numbers and whether each exported name is there.
#include <dlfcn.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: library-probe LIBRARY\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    const char* getters[] = {
        "GetTrayvellCanExitApplicationMessage", "GetTrayvellShowSelectionMessage",
        "GetGlimmondTerminateMessage",          "GetCreateNewTabMessage",
        "GetGlobalConfigChangeMessage",         "GetProcessCommandLineMessage",
        "GetRetrieveAppInformationMessage",     "GetKestruneAppWindowCommandLineMessage",
        "GetSessionDatabaseChangeMessage",
    };
    for (const char* name : getters) {
        auto getter = reinterpret_cast<unsigned (*)()>(dlsym(library, name));
        std::printf("%s %u\n", name, getter ? getter() : 0u);
    }
    const char* names[] = {
        "ConnectDialogDllInit",           "ConnectDialogDllInitProfileFactory", "ConnectDialogInitGUI",
        "GetSpecialFunctions",            "CleanupQuickConnectDialog",          "g_pfnLaunchKeygenWizard",
        "g_pfnLaunchConvertKeyWizard",    "g_pfnExportPublickKey",              "g_pfnManageAgentKeys",
        "g_pfnPreloadKeysIntoAgent",      "g_pfnCreateSocksForwardingSocket",
        "GetGlobalConfig",
    };
    for (const char* name : names)
        std::printf("%s %s\n", name, dlsym(library, name) ? "exported" : "missing");
    return 0;
}
