#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "core/VStringArray.h"

#include "core/Export.h"
#include "platform/WindowPlacement.h"

// The update reminder's record of one application.
struct UpdateReminderRecord {
    uint32_t lastCheck = 0; // seconds since 1970-01-01 UTC; 0 never
    bool dontRemind = false;
    bool operator==(const UpdateReminderRecord&) const = default;
};

// Where a docked pane was left: written when its place settles, read when
// it is shown again, in this run and the next.
struct PanePlacementRecord {
    enum State : int32_t { kNone = 0, kDocked = 1, kFloating = 2 };
    int32_t state = kNone;
    int32_t side = 0;    // 0 left, 1 right, 2 top, 3 bottom
    int32_t sibling = 0; // against the other pane of its side, as GetDockSibling tells
    int32_t left = 0, top = 0, width = 0, height = 0;             // docked, in the frame
    int32_t floatLeft = 0, floatTop = 0, floatWidth = 0, floatHeight = 0; // floating, on the screen
    int32_t visible = 1;
    VStringArray tabGroup; // the names of the panes it shares a tab group with

    bool operator==(const PanePlacementRecord&) const = default;
    bool HasSize() const { return width > 0 && height > 0; }
};

// A placement record's numbers as they are stored: twelve little-endian
// 32-bit fields in the order of the struct. Decoding takes exactly that
// many bytes, or fails and leaves the record alone.
inline constexpr size_t kPanePlacementBytes = 48;
std::vector<uint8_t> EncodePanePlacement(const PanePlacementRecord& record);
bool DecodePanePlacement(std::span<const uint8_t> bytes, PanePlacementRecord& record);
// A toolbar command number as a hidden-button entry stores it: decimal
// digits only, at most 4294967295.
bool ParseToolbarCommandNumber(const VUnicodeString& text, uint32_t& command);

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

    // Docked panes by their name (the host's pane control id), and the
    // buttons the user hid on each customisable toolbar, by toolbar name.
    std::map<VUnicodeString, PanePlacementRecord> panePlacements;
    std::map<VUnicodeString, std::vector<uint32_t>> hiddenToolbarButtons;

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
