#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/VUnicodeString.h"

// Commands of menu and toolbar items that are no function of the function
// table: they open a session given by path.
inline constexpr int kMenuCommandOpenSession = 0x10000;
inline constexpr int kMenuCommandOpenSessionTab = 0x10001;

// Flags of an accelerator, as the platform's accelerator records keep them.
inline constexpr uint8_t kAcceleratorVirtKey = 0x01;
inline constexpr uint8_t kAcceleratorNoInvert = 0x02;
inline constexpr uint8_t kAcceleratorShift = 0x04;
inline constexpr uint8_t kAcceleratorControl = 0x08;
inline constexpr uint8_t kAcceleratorAlt = 0x10;

// The shortcut key an item shows and runs.
struct VMenuToolbarAccelerator {
    uint8_t flags = kAcceleratorNoInvert;
    uint16_t key = 0;            // a virtual-key code with VIRTKEY, else a character code
    VUnicodeString displayText;  // "Ctrl+Shift+F1"
    bool operator==(const VMenuToolbarAccelerator&) const = default;
};

// One node of a customised menu or toolbar.
class VMenuToolbarItem {
public:
    enum class Kind {
        Menu,      // a MENU block: the items of a menu bar
        Toolbar,   // a TOOLBAR block: the buttons of a toolbar
        Popup,     // a POPUPMENU block: a sub-menu
        Separator,
        Command,   // a MENUITEM or a TOOLBARITEM
    };

    Kind kind = Kind::Command;
    // A menu item's label, a block's name or a sub-menu's label; empty for
    // toolbar buttons, whose tool tip is their string-table text.
    VUnicodeString text;
    // A function number, or kMenuCommandOpenSession(Tab).
    int command = 0;
    bool takesArgument = false;
    VUnicodeString argument;
    int image = -1; // index into the menu file's images; -1 none
    std::optional<VUnicodeString> stringText;
    std::optional<VMenuToolbarAccelerator> accelerator;
    std::vector<VMenuToolbarItem> children;
    int line = 0; // where the item was defined, for messages
};
