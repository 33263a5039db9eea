#pragma once

// The library's exported start-up interface. A host calls, in this order:
// ConnectDialogDllInit, ConnectDialogDllInitProfileFactory,
// ConnectDialogInitGUI, optionally GetSpecialFunctions once, and
// CleanupQuickConnectDialog before it unloads the library. Everything runs
// on the host's user-interface thread.

#include "core/Export.h"
#include "entry/SpecialFunctions.h"
#include "platform/HostHooks.h"
#include "platform/SynchLock.h"
#include "profile/ProfileStoreFactoryGetter.h"
#include "profile/VReportMessageRouter.h"

class QIcon;

extern "C" {

// Keeps the router getter (may be null: reports then display themselves)
// and one reference on the synchronisation object (may be null).
ORV_EXPORT void ConnectDialogDllInit(ReportRouterGetter routerGetter, ISynchObject* synchObject);
// Keeps the getter asked for the store factory whenever a store is made.
ORV_EXPORT void ConnectDialogDllInitProfileFactory(ProfileStoreFactoryGetter factoryGetter);
// Keeps the callbacks (any may be null) and registers the dialog class
// that carries `icon` (owned by the host, which keeps it alive).
ORV_EXPORT void ConnectDialogInitGUI(const QIcon* icon, int applicationNumber,
                                     SessionPropertiesCallback sessionProperties, HelpCallback help,
                                     NewFirewallCallback newFirewall, SessionChangedCallback sessionChanged);
// Loads `directory`/`fileName` once and fills the hook slots it offers.
ORV_EXPORT void GetSpecialFunctions(const char16_t* directory, const char16_t* fileName);
// Releases the configuration Quick Connect retained, if any.
ORV_EXPORT void CleanupQuickConnectDialog();

// The registered numbers of the suite's cross-process messages: the same
// non-zero numbers in every process of the user's session.
ORV_EXPORT unsigned int GetTrayvellCanExitApplicationMessage();
ORV_EXPORT unsigned int GetTrayvellShowSelectionMessage();
ORV_EXPORT unsigned int GetGlimmondTerminateMessage();
ORV_EXPORT unsigned int GetCreateNewTabMessage();
ORV_EXPORT unsigned int GetGlobalConfigChangeMessage();
ORV_EXPORT unsigned int GetProcessCommandLineMessage();
ORV_EXPORT unsigned int GetRetrieveAppInformationMessage();
ORV_EXPORT unsigned int GetKestruneAppWindowCommandLineMessage();
ORV_EXPORT unsigned int GetSessionDatabaseChangeMessage();

// Hook slots, null until GetSpecialFunctions finds their entries. The
// library never calls them; they gather the host module's functions in one
// place for the host and the suite's other modules.
ORV_EXPORT extern LaunchKeygenWizardFn g_pfnLaunchKeygenWizard;
ORV_EXPORT extern LaunchConvertKeyWizardFn g_pfnLaunchConvertKeyWizard;
ORV_EXPORT extern ExportPublicKeyFn g_pfnExportPublickKey;
ORV_EXPORT extern ManageAgentKeysFn g_pfnManageAgentKeys;
ORV_EXPORT extern PreloadKeysIntoAgentFn g_pfnPreloadKeysIntoAgent;
ORV_EXPORT extern CreateSocksForwardingSocketFn g_pfnCreateSocksForwardingSocket;

} // extern "C"
