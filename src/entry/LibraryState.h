#pragma once

#include <span>
#include <string>

#include "KeyTables.h"
#include "core/Export.h"
#include "core/VUnknown.h"
#include "dialogs/QuickConnectDialogBase.h"
#include "platform/HostForms.h"
#include "profile/sessions/ISessionConfig.h"

inline constexpr char16_t kConnectDialogClassName[] = u"Orvalis Software Connect Dialog";

// What the library keeps for the whole time it is loaded, beyond what the
// lower layers keep for themselves (router, store factory, lock, callbacks).
struct LibraryState {
    std::u16string moduleFolder; // where the library file lies
    std::span<const AcceleratorEntry> sessionTreeKeys;
    std::span<const AcceleratorEntry> sessionManagerKeys;
    std::span<const AcceleratorEntry> commandTreeKeys;
    std::span<const AcceleratorEntry> activeSessionKeys;
    bool dialogClassRegistered = false;
    // Kept by Quick Connect itself; released by CleanupQuickConnectDialog.
    VUnknownPointer<ISessionConfig>& quickConnectRetained = QuickConnectDialogBase::Retained();
    // The session browser the configuration dialogs are given; set by the
    // windowing part of the library when it is loaded.
    SessionBrowseFunction sessionBrowser = nullptr;
    // Likewise the factory of the session-icon list they draw sessions with.
    SessionIconListFactory sessionIconListFactory = nullptr;
    // Installs the windowing platform services (message box, clipboard,
    // timers, cursor, key state) when the host runs a QApplication; set by
    // the windowing part. Each start-up call runs it, so that a report
    // raised from the first call on shows in a message box.
    void (*installPlatformServices)() = nullptr;
};

// Runs installPlatformServices if the windowing part set it.
void InstallPlatformServices();

LibraryState& GetLibraryState();

// Run when the library is loaded (before any export is called) and when it
// is unloaded. Attaching twice does the work once.
void LibraryAttach();
void LibraryDetach();
