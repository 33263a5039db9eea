#include "entry/ConnectDialog.h"
#include "entry/LibraryState.h"
#include "entry/RegisteredMessages.h"
#include "platform/GlobalConfig.h"
#include "platform/HostForms.h"
#include "platform/PlatformError.h"
#include "platform/WindowClassRegistry.h"
#include "profile/values/ProfileGlobalConfigStorage.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/reports/ReportRouting.h"

LaunchKeygenWizardFn g_pfnLaunchKeygenWizard = nullptr;
LaunchConvertKeyWizardFn g_pfnLaunchConvertKeyWizard = nullptr;
ExportPublicKeyFn g_pfnExportPublickKey = nullptr;
ManageAgentKeysFn g_pfnManageAgentKeys = nullptr;
PreloadKeysIntoAgentFn g_pfnPreloadKeysIntoAgent = nullptr;
CreateSocksForwardingSocketFn g_pfnCreateSocksForwardingSocket = nullptr;

void ConnectDialogDllInit(ReportRouterGetter routerGetter, ISynchObject* synchObject)
{
    InstallPlatformServices();
    SetReportRouterGetter(routerGetter);
    ReplaceLibrarySynchObject(synchObject);
    RoutePendingRegistrationReport();
}

void ConnectDialogDllInitProfileFactory(ProfileStoreFactoryGetter factoryGetter)
{
    InstallPlatformServices(); // opening the store may already report
    // A host that names no factory gets the embedded database.
    SetProfileStoreFactoryGetter(factoryGetter ? factoryGetter : &GetDefaultProfileStoreFactory);
    // The global options live in the store from now on.
    static ProfileGlobalConfigStorage storage;
    SetGlobalConfigStorage(&storage);
}

void ConnectDialogInitGUI(const QIcon* icon, int applicationNumber, SessionPropertiesCallback sessionProperties,
                          HelpCallback help, NewFirewallCallback newFirewall, SessionChangedCallback sessionChanged)
{
    InstallPlatformServices();
    HostCallbacks& callbacks = GetHostCallbacks();
    callbacks.sessionProperties = sessionProperties;
    callbacks.help = help;
    callbacks.sessionChanged = sessionChanged;

    WindowClassInfo dialogClass;
    dialogClass.name = kConnectDialogClassName;
    dialogClass.icon = icon;
    const uint32_t result = RegisterWindowClass(dialogClass);
    GetLibraryState().dialogClassRegistered = result == 0 || result == kErrorClassAlreadyExists;

    ClientFormsInitGUI(applicationNumber, GetLibraryState().sessionBrowser, GetLibraryState().sessionIconListFactory);
    callbacks.newFirewall = newFirewall;
}

void GetSpecialFunctions(const char16_t* directory, const char16_t* fileName)
{
    static SpecialFunctionsLoader loader(HookSlots{&g_pfnLaunchKeygenWizard, &g_pfnLaunchConvertKeyWizard,
                                                   &g_pfnExportPublickKey, &g_pfnManageAgentKeys,
                                                   &g_pfnPreloadKeysIntoAgent, &g_pfnCreateSocksForwardingSocket});
    loader.Load(directory, fileName);
}

void CleanupQuickConnectDialog()
{
    GetLibraryState().quickConnectRetained.Reset();
}
