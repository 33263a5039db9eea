#pragma once

#include "core/Export.h"
#include "core/VUnicodeString.h"

class ISessionConfig;
class QWidget;

// The host's own dialogs, as handed to the library at GUI initialisation.
// 1 means the user accepted the properties; `changed` starts false.
using SessionPropertiesCallback = int (*)(ISessionConfig* config, int flags, bool, bool, bool& changed, int, bool,
                                          QWidget* parent);
using HelpCallback = void (*)(QWidget* window, unsigned int command, unsigned long data);
// True when a firewall was made; `name` then holds its name.
using NewFirewallCallback = bool (*)(VUnicodeString& name);
using SessionChangedCallback = void (*)(const char16_t* session);

// `flags` of SessionPropertiesCallback when one configuration stands for
// several selected sessions.
inline constexpr int kPropertiesMultipleSessions = 4;
// `command` of HelpCallback: open the help finder.
inline constexpr unsigned int kHelpFinder = 11;
// `command` of HelpCallback: open the topic whose context number is `data`.
inline constexpr unsigned int kHelpContext = 1;

struct HostCallbacks {
    SessionPropertiesCallback sessionProperties = nullptr;
    HelpCallback help = nullptr;
    NewFirewallCallback newFirewall = nullptr;
    SessionChangedCallback sessionChanged = nullptr;
};

HostCallbacks& GetHostCallbacks();
