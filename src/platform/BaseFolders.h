#pragma once

#include "core/Export.h"
#include "core/VUnicodeString.h"

// The four base folders behind the path variables, after the XDG base
// directory rules. Each has an override variable for hosts and tests.
//   configuration  ORV_CONFIG_PATH     else $XDG_CONFIG_HOME/orvalis (~/.config/orvalis)
//   installation   ORV_INSTALL_PATH    else the folder holding the library
//   user data      ORV_USER_DATA_PATH  else $XDG_DATA_HOME/orvalis (~/.local/share/orvalis)
//   SSH data       ORV_SSH_DATA_PATH   else the user data folder's "ssh"
// None ends with '/'. An empty result means the folder cannot be known
// (no HOME and no variable).
VUnicodeString GetOrvConfigPathSub();
VUnicodeString GetOrvInstallPathSub();
VUnicodeString GetOrvUserDataPathSub();
VUnicodeString GetOrvSshDataPathSub();
