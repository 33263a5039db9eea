#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "core/VUnicodeString.h"

// The operation failed: exit status 1, the text on standard error.
struct ToolFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// The command line cannot be taken: exit status 2, with the usage.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// UTF-8 of a text that may hold unpaired surrogates: each becomes U+FFFD,
// so printing never fails.
std::string ToUtf8Lossy(std::u16string_view text);
// An argument or an input line as UTF-16; `what` names it in the error.
VUnicodeString FromUtf8Argument(std::string_view utf8, std::string_view what);
// A text on one line: every run of line breaks becomes one blank, and
// blanks at the ends are dropped.
std::string OneLine(std::u16string_view text);
// A session path as the tool prints it: names joined with '/'.
std::string DisplayPath(const VUnicodeString& path);
// A session path as given: '/' or '\' between names, empty levels dropped.
VUnicodeString SessionPathArgument(std::string_view utf8);

// Writes one line to standard output.
void PrintLine(std::string_view line);
void PrintLine(std::u16string_view line);
