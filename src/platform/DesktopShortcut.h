#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/VUnicodeString.h"

class QWidget;

// Desktop shortcuts as freedesktop Desktop Entry files, and the small text
// helpers of the shortcut dialog.

// The program of an application: "kestrune" for the terminal family,
// "pellowin" for the transfer product.
std::string ProgramNameFor(int applicationNumber);
// The executable that starts the application: ORV_EXECUTABLE_KESTRUNE or
// ORV_EXECUTABLE_PELLOWIN when set, else the program in the installation
// folder, else on PATH, else the bare program name (the launcher looks it
// up on PATH when the shortcut is opened). False only when an override
// names something that is not an executable file.
bool GetExecutablePath(int applicationNumber, VUnicodeString& path);

// The user's desktop folder: XDG_DESKTOP_DIR from user-dirs.dirs in the
// configuration folder ($XDG_CONFIG_HOME, else ~/.config), else ~/Desktop.
// Empty when HOME is not known.
std::string GetDesktopFolder();

// The arguments of a shortcut command line: blanks separate them; a double
// quote begins a quoted argument, which ends at a double quote followed by
// a blank or the end (so a name holding a quote survives).
std::vector<std::u16string> SplitShortcutArguments(std::u16string_view commandLine);
// The Desktop Entry for a shortcut: Type=Application, Name, Exec with the
// target and each argument quoted by the freedesktop Exec-key rules, Icon,
// Terminal=false.
std::string DesktopEntryText(const VUnicodeString& target, const VUnicodeString& arguments,
                             const VUnicodeString& name, const std::string& icon);

// Places a shortcut named `name` on the desktop that starts `target` with
// `arguments`: a Desktop Entry file written atomically with mode 0755,
// under a free file name (never over another file). `created` (may be
// null) gets its path. False when it cannot be written.
bool VCreateDesktopShortcut(const VUnicodeString& target, const VUnicodeString& arguments,
                            const VUnicodeString& name, QWidget* parent, std::string* created = nullptr);

// A path shortened to fit `fits`: the middle folders give way to "..."
// (first the one after the first, and so on), keeping the first and the
// last names; in the end the last name alone, cut with "...".
VUnicodeString AbbreviatePathname(const VUnicodeString& path, const std::function<bool(std::u16string_view)>& fits);
// Every '&' doubled, so that a label shows it instead of taking it as a
// mnemonic.
VUnicodeString EscapeAmpersand(const VUnicodeString& text);
