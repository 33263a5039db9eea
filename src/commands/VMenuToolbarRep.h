#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "commands/VMenuToolbarItem.h"
#include "core/Export.h"
#include "core/VStringArray.h"

// A user's menus, toolbars, accelerators, string table and font, however
// they were read: what the custom menu and toolbar classes build from.
class ORV_EXPORT VMenuToolbarRep {
public:
    // An entry of the accelerator table handed to the host.
    struct Accelerator {
        uint8_t flags;
        uint16_t key;
        int command;
        VUnicodeString argument;
        VUnicodeString displayText;
    };
    struct Image {
        VUnicodeString name; // as the file wrote it
        VUnicodeString path;
        std::vector<uint8_t> bytes;
    };
    struct Problem {
        uint32_t id;
        int line;
        VUnicodeString text;   // the formatted message
        VStringArray inserts; // the line number first
    };

    VMenuToolbarRep() = default;
    virtual ~VMenuToolbarRep() = default;

    // The MENU, TOOLBAR and POPUPMENU blocks of the top level, in file order.
    const std::vector<VMenuToolbarItem>& GetItems() const { return m_items; }
    const std::vector<Accelerator>& GetAccelerators() const { return m_accelerators; }
    const std::map<VUnicodeString, VUnicodeString>& GetStringTable() const { return m_strings; }
    const std::vector<Image>& GetImages() const { return m_images; }
    const VUnicodeString& GetFont() const { return m_font; }
    // Warnings and errors of the last read, by line.
    const std::vector<Problem>& GetProblems() const { return m_problems; }

protected:
    friend class MenuFileReader;

    std::vector<VMenuToolbarItem> m_items;
    std::vector<Accelerator> m_accelerators;
    std::map<VUnicodeString, VUnicodeString> m_strings;
    std::vector<Image> m_images;
    VUnicodeString m_font;
    std::vector<Problem> m_problems;
};
