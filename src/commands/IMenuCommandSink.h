#pragma once

#include "core/VUnicodeString.h"

// What a host offers the menus, toolbars and shortcuts built from a menu
// file: each item's command, as a function number of the function table
// (or one of the session-opening commands of VMenuToolbarItem.h) and its
// argument (a text to send, a script, a session path; empty for the rest).
class IMenuCommandSink {
public:
    virtual ~IMenuCommandSink() = default;
    virtual void RunMenuCommand(int function, const VUnicodeString& argument) = 0;
};
