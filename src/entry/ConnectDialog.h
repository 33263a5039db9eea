#pragma once

// The library's exported start-up interface. A host calls, in this order:
// ConnectDialogDllInit, ConnectDialogDllInitProfileFactory,
// ConnectDialogInitGUI, optionally GetSpecialFunctions once, and
// CleanupQuickConnectDialog before it unloads the library. Everything runs
// on the host's user-interface thread.

#include "core/Export.h"
#include "entry/HookModuleLoader.h"
#include "platform/GlobalConfig.h" // GetGlobalConfig, exported
#include "platform/HostHooks.h"
#include "platform/SynchLock.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/reports/VReportMessageRouter.h"

#include <string>
#include <vector>

#include "core/VArray.h"
#include "core/VStringArray.h"
#include "core/VUnknown.h"
#include "profile/sessions/ISessionConfig.h"
#include "dialogs/qt/ComboFirewallHelper.h"

class ConnectConfig;
class IString;
class QComboBox;
class QIcon;
class QWidget;

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

// The modal Connect dialog, or with `dock` and a frame that is an
// IConnectDialogSink the docked Session Manager (result 2, out arguments
// untouched). On 1 the chosen sessions are appended to `sessions`, one
// reference each for the caller to release; `otherSessions` is replaced by
// those for the suite's other application; `connectMode` is 1 tab, 2 new
// window, 3 new tab group. Any other result leaves the out arguments alone.
ORV_EXPORT int ShowConnectDialog(const char16_t* title, unsigned int paneId, bool firstTreeFlag, bool hideTabOption,
                                 bool dock, bool focusFilter, int applicationNumber, QWidget* parent,
                                 VArray<ISessionConfig*>& sessions,
                                 std::vector<VUnknownPointer<ISessionConfig>>& otherSessions, int& connectMode);
// Picks one session; on 1 `sessionPath` (the first selection) is replaced.
ORV_EXPORT int ShowConnectDialogBrowseMode(const char16_t* title, VUnicodeString& sessionPath, int applicationNumber,
                                           QWidget* parent, bool treeOption);
// Picks sessions; on 1 their paths are appended in the tree's order.
ORV_EXPORT int ShowConnectDialogMultiSelectBrowseMode(const char16_t* title, VStringArray& paths,
                                                      int applicationNumber, QWidget* parent);
// Keeps a firewall combo box in step with the user's choice of `chosen`.
ORV_EXPORT void ShowConnectDialogBrowseModeFirewall(VUnicodeString& result, VUnicodeString chosen,
                                                    int applicationNumber, QWidget* parent, QComboBox* combo,
                                                    VStringArray firewallNames, unsigned int& rememberedIndex,
                                                    const char16_t* protocol, unsigned short value);
// Shows or hides the Session Manager `pane`; other windows are ignored.
ORV_EXPORT void ShowConnectView(bool show, QWidget* pane, bool& visible);
// The side a docked pane sits on (0 left, 1 right, 2 top, 3 bottom), and how
// it lies against another pane (0 none, 1 toward `side`, 2 same row to the
// left, 3 same row to the right).
ORV_EXPORT int GetDockAlignment(const QWidget* bar);
ORV_EXPORT int GetDockSibling(const QWidget* bar, int side, const QWidget* other);

// Shows or hides the Command Manager of `frame`, a window that implements
// ICommandManagerSink (src/commands/ICommandManagerSink.h; any other frame
// is ignored): made on the first call with `show` in a docking bar with the
// control id `paneId`, then only shown or hidden. `visible` tells the state
// it was left in.
ORV_EXPORT void ShowCommandManager(bool show, unsigned int paneId, int applicationNumber, QWidget* frame,
                                   bool& visible);
// Shows or hides the Active Sessions pane of `frame`, a window that
// implements IActiveSessionManagerSink (src/commands/IActiveSessionManager.h;
// any other frame is ignored), the same way: made once, then only shown or
// hidden. The host then tells the pane of its sessions through the
// IActiveSessionManager it gets back from the sink's setter.
ORV_EXPORT void ShowActiveSessionManager(bool show, unsigned int paneId, int applicationNumber, QWidget* frame,
                                         bool& visible);

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

// The hostname prompt ("Enter Hostname"). Launch: 1 when the user
// confirmed, with the host name assigned to `result`; otherwise the
// dialog's result (2) and `result` untouched.
ORV_EXPORT int LaunchHostnamePromptDialog(IString* result, const char16_t* initialHostname, QWidget* parent);
// Asks for the record's host name when it wants one (QueryHostnamePrompt
// false with 1, or UsesAlternativeHostname), and stores the answer through
// SetAlternativeHostname or SetHostname. False only when the user cancelled;
// the record is then unchanged.
ORV_EXPORT bool UpdateHostnameForConfig(ConnectConfig* record, const char16_t* sessionLabel);

// The update reminder. True when the host should look for updates now: the
// period (days) has passed since the last reminder, the policy "Enable
// Check For Updates" allows it, and (unless `noPrompt`) the user said Yes
// in the reminder, which then starts the period again. Don't-remind stops
// it unless `noPrompt`. Application numbers 6 and 9 keep their own record.
ORV_EXPORT bool CheckPeriodicUpdate(int applicationNumber, QWidget* parent, int periodDays, bool noPrompt);
// True when fewer than `periodDays` whole days have passed since local
// midnight of `releaseDate` ("Jan 05 2024", month in any case). A date that
// does not read yields false: an unknown build date counts as old.
ORV_EXPORT bool CheckReleaseDateWithinPeriod(const std::string& releaseDate, int periodDays);

// Quick Connect for `applicationNumber`'s protocols. On 1 `session` holds
// the configuration to connect with, one reference for the caller; when
// "Sa&ve session" was on it was also saved below `targetFolder`, and a
// parent that is an ISessionDatabaseChanged is told. 0 after "&Done", 2
// when cancelled.
ORV_EXPORT int ShowQuickConnectDialog(ISessionConfig** session, const VUnicodeString& targetFolder,
                                      int applicationNumber, QWidget* parent, bool tabsAvailable);

// "Import from another program...": sessions from another session
// manager's file into `targetFolder`, after a preview of what the import
// does. `program` (a command-line name: "putty", "filezilla", ...) and
// `file` may be given to start with (both given: the preview runs at
// once); null or empty leaves the choice to the user. 1 when sessions were
// imported (a parent that is an ISessionDatabaseChanged is told), else 0.
ORV_EXPORT int ShowImportFromDialog(const VUnicodeString& targetFolder, const char16_t* program, const char16_t* file,
                                    QWidget* parent);

} // extern "C"

class IMenuCommandSink;
class IReportMessageParams;
class QKeyEvent;
class QMainWindow;

extern "C" {

// Replaces `frame`'s menu bar, and the toolbars and shortcuts an earlier
// menu file made, with those of the menu file at `path`; the items hand
// their commands to `sink` (src/commands/IMenuCommandSink.h). False when
// the file cannot be used (`report` says why; the frame keeps what it had);
// otherwise `report` holds the warnings, line by line.
ORV_EXPORT bool ApplyMenuFile(QMainWindow* frame, const char16_t* path, IMenuCommandSink* sink,
                              IReportMessageParams* report);
// The keymap's key code of a key event (virtual-key code, extended bit and
// modifier bits), for looking the key up in a keymap; 0 for no key.
ORV_EXPORT uint32_t GetKeymapKeyCode(const QKeyEvent* event);

} // extern "C"
