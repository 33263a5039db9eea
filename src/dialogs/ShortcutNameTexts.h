#pragma once

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

// What the shortcut dialog shows and proposes for an item path.
struct ShortcutNameTexts {
    VUnicodeString name;        // proposed: the item's own name, or "<product> sessions"
    VUnicodeString itemPath;    // shown below the explanation; empty for several items
    VUnicodeString explanation; // with the product name
};

// One item with a non-empty path: its last name, its path, and message
// 0x6109000B. Several items, or the top folder: no path, message 0x61090009
// and the name of message 0x6109000A (trailing blanks removed).
ShortcutNameTexts GetShortcutNameTexts(const VUnicodeString& itemPath, bool severalItems, int applicationNumber);

// The arguments a desktop shortcut gives the application for a selection:
// `/S "P" ` for each session, then `/SESSION_FOLDER "F" ` for each folder
// (`/SESSION_FOLDER \ ` for the top folder), in selection order.
struct ShortcutCommand {
    VUnicodeString commandLine;
    // More than one session, more than one folder, or one of each.
    bool severalItems = false;
    // The only item's path: the session's if there is one, else the folder's.
    VUnicodeString itemPath;
};
ShortcutCommand BuildShortcutCommand(const VStringArray& sessions, const VStringArray& folders);
