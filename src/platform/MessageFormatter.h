#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "core/Export.h"

// One insert of a message: a number or a text.
using MessageArg = std::variant<int64_t, uint64_t, std::u16string_view>;

// Fills a message text's inserts the way the platform's message formatter
// does: "%1".."%99" take the arguments in order, "%1!08x!" formats one
// through a printf conversion, "%%", "%n", "%r", "%t", "%0", "%.", "%!" and
// "% " are escapes. An insert number beyond the arguments is left as it is.
// A numeric conversion of a text argument formats the number the text holds,
// or the text itself (with the same width and justification) when it holds none.
std::u16string FormatMessageText(std::u16string_view pattern, std::span<const MessageArg> args);

// Convenience for a single printf-style insert: FormatInsert(u"%1!08x!", 0x1Au).
std::u16string FormatInsert(std::u16string_view pattern, MessageArg arg);
