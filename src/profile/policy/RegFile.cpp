#include "profile/policy/RegFile.h"

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"

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

RegFile RegFile::Parse(std::string_view text, std::vector<Problem>* problems)
{
    RegFile file;
    Values* current = nullptr;
    size_t number = 0;
    auto fail = [&](const char* what) {
        if (problems)
            problems->push_back({number, what});
    };
    std::string converted;
    if (text.starts_with("\xFF\xFE")) {
        std::u16string wide((text.size() - 2) / 2, u'\0');
        for (size_t i = 0; i < wide.size(); ++i)
            wide[i] = static_cast<char16_t>(static_cast<uint8_t>(text[2 + 2 * i]) |
                                            static_cast<uint8_t>(text[3 + 2 * i]) << 8);
        try {
            converted = Utf16ToUtf8(wide);
        } catch (const IllegalSequence&) {
            if (problems)
                problems->push_back({1, "the file is not valid UTF-16"});
            return file;
        }
        text = converted;
    }
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
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
            fail("the line is not valid UTF-8");
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
