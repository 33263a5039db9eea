#pragma once

#include "core/VUnicodeString.h"

// The two command entries at the end of every firewall combo box: pick a
// session to act as the firewall, or make a new firewall.
VUnicodeString GetSelectSessionLabel();
VUnicodeString GetNewFirewallLabel();
