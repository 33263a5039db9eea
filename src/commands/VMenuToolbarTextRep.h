#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "commands/VMenuToolbarItem.h"
#include "core/Export.h"
#include "core/VStringArray.h"

class IReportMessageParams;

inline constexpr uint32_t kMsgMenuFileCannotBeUsed = 0xE10A0002;
inline constexpr uint32_t kMsgMenuAcceleratorDefinedTwice = 0xE10A0003;
inline constexpr uint32_t kMsgMenuStringDefinedTwice = 0xE10A0004;
inline constexpr uint32_t kMsgMenuAcceleratorNotDefined = 0xA10A0008;
inline constexpr uint32_t kMsgMenuStringNotDefined = 0xA10A0009;
inline constexpr uint32_t kMsgMenuLineNotUnderstood = 0xA10A000A;
inline constexpr uint32_t kMsgMenuUnknownCommand = 0xA10A000B;
inline constexpr uint32_t kMsgMenuImageNotLoaded = 0xA10A000C;
inline constexpr uint32_t kMsgMenuNoImage = 0xA10A000D;
inline constexpr uint32_t kMsgMenuTooFewFields = 0xA10A000E;
inline constexpr uint32_t kMsgMenuMissingArgument = 0xA10A000F;
inline constexpr uint32_t kMsgMenuFontReplaced = 0xA10A0010;
inline constexpr uint32_t kMsgMenuBlockWithoutEnd = 0xA10A0011;
inline constexpr uint32_t kMsgMenuImageNotBitmap = 0xA10A0012;
inline constexpr uint32_t kMsgMenuScriptNotFound = 0xA10A0013;

// A user's menu, toolbar and accelerator file, read from its text form:
//
//   ACCELERATOR ... END      NAME, key, VIRTKEY|CTRL|SHIFT|ALT
//   STRINGTABLE ... END      NAME, text
//   FONT face
//   MENU name / TOOLBAR name / POPUPMENU label ... END
//     MENUITEM text, command[, argument[, string name[, accelerator name]]]
//     TOOLBARITEM image.bmp, command[, argument[, string name[, accelerator name]]]
//     SEPARATOR
//
// Lines are trimmed; empty lines and "//" lines are skipped. Fields are
// split at commas, trimmed, and lose one pair of enclosing double quotes.
//
// How problems are handled:
// - A warning names its line; reading goes on with the next line. An item
//   whose command cannot run (too few fields, unknown command, missing
//   argument) is left out; an item that only lacks a decoration (string
//   text, accelerator, image) is kept without it.
// - Errors (a name defined twice in its block, an unreadable file) reject
//   the whole file: nothing of it is used and the previous contents stay.
// - A sub-menu nested deeper than kMaximumDepth is left out with all it
//   holds, with a warning on its line.
// - A block left open when another block starts or the file ends is closed
//   there, with a warning naming the line that opened it.
// - MENU and TOOLBAR carry the block's name, POPUPMENU the sub-menu's label
//   (the first field after the keyword).
// - Accelerator and string names may be used before their blocks.
class ORV_EXPORT VMenuToolbarTextRep {
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

    // Sub-menus nested deeper than this are left out.
    static constexpr int kMaximumDepth = 32;

    VMenuToolbarTextRep() = default;
    virtual ~VMenuToolbarTextRep() = default;

    // Reads the file at `path`. On failure (the file cannot be read, or it
    // holds errors) `report` has 0xE10A0002 and only GetProblems changes.
    // On success `report` holds the first warning, wrapping the next, and
    // so on; it is cleared when there is none.
    bool Load(const VUnicodeString& path, IReportMessageParams* report);
    // The same for lines already read; relative file names are taken from
    // `folder`, and `path` names the file in messages.
    bool Parse(std::span<const VUnicodeString> lines, const VUnicodeString& folder, const VUnicodeString& path,
               IReportMessageParams* report);

    // The MENU, TOOLBAR and POPUPMENU blocks of the top level, in file order.
    const std::vector<VMenuToolbarItem>& GetItems() const { return m_items; }
    const std::vector<Accelerator>& GetAccelerators() const { return m_accelerators; }
    const std::map<VUnicodeString, VUnicodeString>& GetStringTable() const { return m_strings; }
    const std::vector<Image>& GetImages() const { return m_images; }
    const VUnicodeString& GetFont() const { return m_font; }
    // Warnings and errors of the last read, by line.
    const std::vector<Problem>& GetProblems() const { return m_problems; }

protected:
    // Reads an image file; false with the system's text on failure.
    virtual bool LoadImageFile(const VUnicodeString& path, std::vector<uint8_t>& bytes, VUnicodeString& error);
    // Whether a script file is there; false with the system's text.
    virtual bool FileExists(const VUnicodeString& path, VUnicodeString& error);

private:
    friend class MenuFileReader;

    std::vector<VMenuToolbarItem> m_items;
    std::vector<Accelerator> m_accelerators;
    std::map<VUnicodeString, VUnicodeString> m_strings;
    std::vector<Image> m_images;
    VUnicodeString m_font;
    std::vector<Problem> m_problems;
};
