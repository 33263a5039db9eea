#pragma once

#include <cstdint>
#include <span>

#include "commands/VMenuToolbarRep.h"

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
class ORV_EXPORT VMenuToolbarTextRep : public VMenuToolbarRep {
public:
    // Sub-menus nested deeper than this are left out.
    static constexpr int kMaximumDepth = 32;

    VMenuToolbarTextRep() = default;
    ~VMenuToolbarTextRep() override = default;

    // Reads the file at `path`. On failure (the file cannot be read, or it
    // holds errors) `report` has 0xE10A0002 and only GetProblems changes.
    // On success `report` holds the first warning, wrapping the next, and
    // so on; it is cleared when there is none.
    bool Load(const VUnicodeString& path, IReportMessageParams* report);
    // The same for lines already read; relative file names are taken from
    // `folder`, and `path` names the file in messages.
    bool Parse(std::span<const VUnicodeString> lines, const VUnicodeString& folder, const VUnicodeString& path,
               IReportMessageParams* report);

protected:
    // Reads an image file; false with the system's text on failure.
    virtual bool LoadImageFile(const VUnicodeString& path, std::vector<uint8_t>& bytes, VUnicodeString& error);
    // Whether a script file is there; false with the system's text.
    virtual bool FileExists(const VUnicodeString& path, VUnicodeString& error);

private:
    friend class MenuFileReader;
};
