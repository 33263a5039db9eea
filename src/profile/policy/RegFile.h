#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/VUnicodeString.h"

// The text of a registry export (".reg"): sections naming a key in
// brackets, then its values, "Name"=dword:0000000a or "Name"="text".
// Key paths and value names compare without regard to case.
class RegFile {
public:
    struct Value {
        std::optional<uint32_t> dword;
        std::optional<VUnicodeString> text;
    };
    using Values = std::map<std::u16string, Value, VNoCaseLess>;
    struct Problem {
        size_t line;
        std::string what;
    };

    // UTF-8, or UTF-16 of either byte order with its byte-order mark (the
    // usual export). A line ending in a backslash goes on in the next one;
    // numbers are dword: or hex(4): values. Lines that do not read are
    // skipped and listed in `problems`.
    static RegFile Parse(std::string_view text, std::vector<Problem>* problems = nullptr);

    // The values of a key ("HKEY_LOCAL_MACHINE\Software\..."), or null.
    const Values* Key(std::u16string_view path) const;
    // True when the file names the key or any key below it.
    bool HasKey(std::u16string_view path) const;
    size_t KeyCount() const { return m_keys.size(); }
    // The names of the keys that lie right below `path` and have values,
    // without regard to case, sorted.
    std::vector<std::u16string> SubkeyNames(std::u16string_view path) const;

private:
    std::map<std::u16string, Values, VNoCaseLess> m_keys;
};
