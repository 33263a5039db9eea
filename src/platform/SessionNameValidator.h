#pragma once

#include <cstdint>
#include <string_view>

#include "core/Export.h"

class QWidget;

// Message ids of the refusals (0 when the name is accepted).
inline constexpr uint32_t kSessionNameEmpty = 0xE1090080;
inline constexpr uint32_t kSessionNameSeparator = 0xE1090081;
inline constexpr uint32_t kSessionNameLeadingDot = 0xE1090082;
inline constexpr uint32_t kSessionNameReserved = 0xE1090083;
inline constexpr uint32_t kSessionNameControl = 0xE1090084;
inline constexpr uint32_t kSessionNameTooLong = 0xE1090085;
inline constexpr uint32_t kSessionNameBlankEnds = 0xE1090086;

inline constexpr size_t kMaxSessionNameLength = 255;

// Why `name` cannot name a session or folder, as a message id, or 0.
// Refused: empty names, names with '\' or '/', a leading full stop (hidden
// entries), the folder-data and command-list names and the "__name__" form
// used while renaming, control characters, blanks at either end, and names
// over 255 code units.
uint32_t SessionNameProblem(std::u16string_view name);

// True when `newName` may name an item in `folder` (whose current name is
// `currentName`). When refused and `tellUser` is set, the reason is shown in
// a message box owned by `parent`.
bool ValidateSessionName(std::u16string_view folder, std::u16string_view currentName,
                                    std::u16string_view newName, bool tellUser, QWidget* parent);
