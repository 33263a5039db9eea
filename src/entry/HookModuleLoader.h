#pragma once

#include <string>
#include <string_view>

#include "core/Export.h"

class QWidget;
class ISocket;
class ConnectConfig;
class IGeneralSink;
class VReportMessageParams;
namespace SSH2 {
class IKeyGenerationWizardSink;
}

using LaunchKeygenWizardFn = void (*)(SSH2::IKeyGenerationWizardSink*, QWidget*);
using LaunchConvertKeyWizardFn = void (*)(QWidget*);
using ExportPublicKeyFn = void (*)(QWidget*);
using ManageAgentKeysFn = void (*)(QWidget*);
using PreloadKeysIntoAgentFn = void (*)();
using CreateSocksForwardingSocketFn = bool (*)(ISocket*, ISocket**, ConnectConfig*, int, IGeneralSink*,
                                               VReportMessageParams&);

// Where the six hook slots are: the exported variables, or a test's own.
struct HookSlots {
    LaunchKeygenWizardFn* launchKeygenWizard;
    LaunchConvertKeyWizardFn* launchConvertKeyWizard;
    ExportPublicKeyFn* exportPublicKey;
    ManageAgentKeysFn* manageAgentKeys;
    PreloadKeysIntoAgentFn* preloadKeysIntoAgent;
    CreateSocksForwardingSocketFn* createSocksForwardingSocket;
};

// Joins a folder and a file name with exactly one '/' between them.
std::u16string JoinModulePath(std::u16string_view directory, std::u16string_view fileName);

// Loads the host's module once and fills the slots it offers. Every
// failure is silent and final: the slots not found stay null, and later
// calls do nothing, whatever their arguments.
class HookModuleLoader {
public:
    explicit HookModuleLoader(const HookSlots& slots) : m_slots(slots) {}
    void Load(const char16_t* directory, const char16_t* fileName);
    bool IsLoaded() const { return m_loaded; }

private:
    HookSlots m_slots;
    bool m_loaded = false;
};
