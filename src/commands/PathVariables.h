#pragma once

#include "core/VUnicodeString.h"

// Stored program paths keep the base folders as variables, so that commands
// and keymaps still find their programs after the folders move.
inline constexpr char16_t kConfigPathVariable[] = u"${ORV_CONFIG_PATH}";
inline constexpr char16_t kInstallPathVariable[] = u"${ORV_INSTALL_PATH}";
inline constexpr char16_t kUserDataPathVariable[] = u"${ORV_USER_DATA_PATH}";
inline constexpr char16_t kSshDataPathVariable[] = u"${ORV_SSH_DATA_PATH}";

// Replaces a leading variable (any of the four) by its folder; other paths
// come back unchanged.
VUnicodeString ExpandUtilityPath(const VUnicodeString& path);

// The stored form of a program path: a path that begins with the
// configuration folder, else one that begins with the user data folder,
// gets that variable in place of the folder (an exact, case-sensitive
// prefix; an unknown folder never matches).
VUnicodeString CollapseProgramPath(const VUnicodeString& path);
