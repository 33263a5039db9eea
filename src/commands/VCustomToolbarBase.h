#pragma once

#include <vector>

#include "commands/IMenuCommandSink.h"
#include "commands/VMenuToolbarItem.h"
#include "core/Export.h"

// The rules of a toolbar built from a menu file's TOOLBAR block: its
// buttons in order, each with its image (an index into the file's images),
// command, argument and tooltip, and what pressing one does.
class ORV_EXPORT VCustomToolbarBase {
public:
    struct Button {
        bool separator = false;
        int image = -1;
        int command = 0;
        VUnicodeString argument;
        VUnicodeString tooltip; // the string-table text, with the shortcut after it
        VUnicodeString shortcut;
    };

    VCustomToolbarBase(const VMenuToolbarItem& toolbar, IMenuCommandSink* sink);
    virtual ~VCustomToolbarBase() = default;

    const VUnicodeString& GetToolbarName() const { return m_name; }
    const std::vector<Button>& GetButtons() const { return m_buttons; }
    // Hands the button's command to the sink; separators and indexes
    // outside do nothing.
    void RunButton(size_t index) const;

private:
    VUnicodeString m_name;
    std::vector<Button> m_buttons;
    IMenuCommandSink* m_sink;
};
