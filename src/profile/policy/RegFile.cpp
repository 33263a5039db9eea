#include "profile/policy/RegFile.h"

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"
#include "platform/VTextDecoder.h"

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A quoted text with \\ and \" escapes; `s` is left after the closing quote.
bool ReadQuoted(std::string_view& s, std::string& out)
{
    if (s.empty() || s.front() != '"')
        return false;
    out.clear();
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            out += s[++i];
        } else if (s[i] == '"') {
            s.remove_prefix(i + 1);
            return true;
        } else {
            out += s[i];
        }
    }
    return false;
}

std::u16string Wide(const std::string& s)
{
    return Utf8ToUtf16(s); // raises IllegalSequence
}

} // namespace

// "hex(4):" and the four bytes of a number, least significant first.
bool ReadHexDword(std::string_view digits, uint32_t& value)
{
    uint32_t result = 0;
    int bytes = 0;
    while (!digits.empty()) {
        const size_t comma = digits.find(',');
        const std::string_view byte = Trim(digits.substr(0, comma));
        if (byte.size() != 2 || byte.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos || bytes == 4)
            return false;
        result |= static_cast<uint32_t>(std::stoul(std::string(byte), nullptr, 16)) << (8 * bytes++);
        digits = comma == std::string_view::npos ? std::string_view() : digits.substr(comma + 1);
    }
    if (bytes != 4)
        return false;
    value = result;
    return true;
}

RegFile RegFile::Parse(std::string_view bytes, std::vector<Problem>* problems)
{
    RegFile file;
    Values* current = nullptr;
    size_t number = 0;
    auto fail = [&](const char* what) {
        if (problems)
            problems->push_back({number, what});
    };
    // Any byte-order mark (UTF-8, UTF-16 of either order) chooses the
    // encoding; the lines are then handled as UTF-8.
    const VStringArray decoded =
        VTextDecoder::DecodeAll(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    std::vector<std::string> physical;
    physical.reserve(decoded.GetSize());
    for (const VUnicodeString& line : decoded)
        physical.push_back(Utf16ToUtf8(line.str())); // whole characters: the decoder replaced the rest
    for (size_t next = 0; next < physical.size();) {
        number = next + 1;
        // A line that ends in a backslash goes on in the next one.
        std::string joined(Trim(physical[next++]));
        while (!joined.empty() && joined.back() == '\\' && next < physical.size()) {
            joined.pop_back();
            joined += Trim(physical[next++]);
        }
        std::string_view line = joined;
        if (line.empty() || line.front() == ';' || line == "REGEDIT4" ||
            line.starts_with("Windows Registry Editor Version"))
            continue;
        try {
            if (line.front() == '[') {
                if (line.back() != ']' || line.size() < 3) {
                    fail("a key line must end with ']'");
                    current = nullptr;
                    continue;
                }
                current = &file.m_keys[Wide(std::string(line.substr(1, line.size() - 2)))];
                continue;
            }
            if (!current) {
                fail("a value before any key");
                continue;
            }
            std::string name;
            if (line.front() == '@') {
                line.remove_prefix(1);
            } else if (!ReadQuoted(line, name)) {
                fail("a value name must be quoted");
                continue;
            }
            line = Trim(line);
            if (line.empty() || line.front() != '=') {
                fail("expected '=' after the value name");
                continue;
            }
            line = Trim(line.substr(1));
            Value value;
            if (line.starts_with("dword:")) {
                const std::string_view digits = line.substr(6);
                if (digits.empty() || digits.size() > 8 ||
                    digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
                    fail("a dword needs one to eight hexadecimal digits");
                    continue;
                }
                value.dword = static_cast<uint32_t>(std::stoul(std::string(digits), nullptr, 16));
            } else if (line.starts_with("hex(4):")) {
                uint32_t dword = 0;
                if (!ReadHexDword(line.substr(7), dword)) {
                    fail("a hex(4) number needs four bytes");
                    continue;
                }
                value.dword = dword;
            } else if (!line.empty() && line.front() == '"') {
                std::string s;
                if (!ReadQuoted(line, s) || !Trim(line).empty()) {
                    fail("an unterminated text");
                    continue;
                }
                value.text = VUnicodeString(Wide(s));
            } else {
                fail("only dword and text values are read");
                continue;
            }
            (*current)[Wide(name)] = std::move(value);
        } catch (const IllegalSequence&) {
            fail("the line is not valid text");
        }
    }
    return file;
}

namespace {
std::u16string_view WithoutTrailingBackslash(std::u16string_view path)
{
    while (!path.empty() && path.back() == u'\\')
        path.remove_suffix(1);
    return path;
}
} // namespace

const RegFile::Values* RegFile::Key(std::u16string_view path) const
{
    const auto it = m_keys.find(WithoutTrailingBackslash(path));
    return it == m_keys.end() ? nullptr : &it->second;
}

bool RegFile::HasKey(std::u16string_view path) const
{
    path = WithoutTrailingBackslash(path);
    // Keys below `path` lie in the run of keys that begin with it.
    for (auto it = m_keys.lower_bound(path); it != m_keys.end(); ++it) {
        const std::u16string_view key = it->first;
        if (key.size() < path.size() || VUnicodeString::CompareNoCase(key.substr(0, path.size()), path) != 0)
            return false;
        if (key.size() == path.size() || key[path.size()] == u'\\')
            return true;
    }
    return false;
}

std::vector<std::u16string> RegFile::SubkeyNames(std::u16string_view path) const
{
    path = WithoutTrailingBackslash(path);
    std::vector<std::u16string> names;
    // Every key is looked at: in the order without case a sibling of
    // `path` may sort between it and its subkeys.
    for (const auto& [key, values] : m_keys) {
        if (key.size() <= path.size() + 1 || key[path.size()] != u'\\' ||
            VUnicodeString::CompareNoCase(std::u16string_view(key).substr(0, path.size()), path) != 0)
            continue;
        const std::u16string_view rest = std::u16string_view(key).substr(path.size() + 1);
        if (rest.find(u'\\') == std::u16string_view::npos)
            names.emplace_back(rest);
    }
    return names;
}
