#pragma once

#include <array>
#include <cstdint>

#include "core/Export.h"
#include "platform/WindowPlacement.h"

// The update reminder's record of one application.
struct UpdateReminderRecord {
    uint32_t lastCheck = 0; // seconds since 1970-01-01 UTC; 0 never
    bool dontRemind = false;
    bool operator==(const UpdateReminderRecord&) const = default;
};

// Where the global configuration is kept between runs.
class IGlobalConfigStorage {
public:
    virtual ~IGlobalConfigStorage() = default;
    virtual void Load(class GlobalConfig& config) = 0;
    virtual bool Save(const class GlobalConfig& config) = 0;
};

// The host's options that the library reads and writes: one object per
// process, reached through GetGlobalConfig. A host reads and sets the
// members (or the getters named after the options) without knowing how
// they are stored; the out-of-line operations are virtual so that a host
// that loaded the library with dlopen reaches them through the object.
class GlobalConfig {
public:
    static constexpr uint32_t kDefaultMultiConnectWarningThreshold = 20;

    // Session tree
    int sortMode = 0; // 0 alphabetical, 1 logical, 2 manual
    bool showDescriptions = true;
    bool showTerminalSessions = true;
    bool showTransferSessions = true;
    bool useProtocolIcons = true;
    uint32_t filterDelayMs = 300;
    // "When a session is renamed/moved, update sessions that use it as a firewall"
    bool updateFirewallDependents = true;

    // Connect dialog
    bool showConnectDialogOnStartup = true;
    bool showQuickConnectOnStartup = false;
    bool openSessionsInTab = true;
    // When both are set, sessions always open in tabs and the box is locked.
    bool tabPolicyTabsOnly = false;
    bool tabPolicyLocked = false;
    VWindowPlacement connectDialogPlacement;
    uint32_t multiConnectWarningThreshold = kDefaultMultiConnectWarningThreshold;
    bool suppressMultiConnectWarning = false;

    // Quick Connect
    bool saveQuickConnectSession = false;
    // Off: the protocol list takes the focus when the dialog is shown; on:
    // the page's first field does.
    bool quickConnectKeepFocus = false;

    // New Session collects the settings through the wizard; off, it makes
    // "New" from the "Default" session and opens its properties.
    bool useNewSessionWizard = false;

    // Update reminder: the first record serves every application but 6 and 9.
    std::array<UpdateReminderRecord, 2> updateReminders{};

    UpdateReminderRecord& UpdateReminderFor(int applicationNumber)
    {
        return updateReminders[applicationNumber == 6 || applicationNumber == 9 ? 1 : 0];
    }
    bool TabsForced() const { return tabPolicyTabsOnly && tabPolicyLocked; }

    // The options by their own names.
    bool ShowConnectDialogOnStartup() const { return showConnectDialogOnStartup; }
    bool ShowQuickConnectOnStartup() const { return showQuickConnectOnStartup; }
    bool OpenSessionsInTab() const { return openSessionsInTab; }
    const VWindowPlacement& ConnectDialogPlacement() const { return connectDialogPlacement; }
    bool SuppressMultiConnectWarning() const { return suppressMultiConnectWarning; }
    bool SaveQuickConnectSession() const { return saveQuickConnectSession; }
    // The warning threshold; a stored value outside 1 to 1000 is replaced
    // by the default, and the replacement is kept.
    virtual uint32_t MultiConnectWarningThreshold();

    // Writes the options through the installed storage; false when there is
    // none or it failed.
    virtual bool Save() const;
    // Reads them again (defaults where the storage has none).
    virtual void Reload();

    bool operator==(const GlobalConfig&) const = default;
};

// The process's global configuration; false only when none can be had.
// Exported: the host reads the same options the library does.
extern "C" ORV_EXPORT bool GetGlobalConfig(GlobalConfig** config);
// The storage is owned by the caller and must outlive its use; null keeps
// the options in memory only. Installing one loads the options from it.
void SetGlobalConfigStorage(IGlobalConfigStorage* storage);
