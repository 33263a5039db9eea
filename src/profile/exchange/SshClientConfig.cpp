#include "profile/exchange/SshClientConfig.h"

#include <algorithm>

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Splits a line's arguments into words: blanks separate them, double
// quotes hold blanks, a backslash keeps the quote, backslash or blank
// after it, and a word that begins with '#' ends the line.
std::vector<std::string> Words(std::string_view text, const std::string& file, int line)
{
    std::vector<std::string> words;
    size_t at = 0;
    for (;;) {
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        if (at == text.size() || text[at] == '#')
            return words;
        std::string word;
        bool quoted = false;
        for (; at < text.size(); ++at) {
            const char c = text[at];
            if (c == '\\' && at + 1 < text.size() &&
                (text[at + 1] == '"' || text[at + 1] == '\\' || IsBlank(text[at + 1]))) {
                word += text[++at];
            } else if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && IsBlank(c)) {
                break;
            } else {
                word += c;
            }
        }
        if (quoted)
            throw SshConfigError{file, line, "a quote is not closed"};
        words.push_back(std::move(word));
    }
}

std::u16string Utf16(const std::string& text, const std::string& file, int line)
{
    try {
        return Utf8ToUtf16(text);
    } catch (const IllegalSequence&) {
        throw SshConfigError{file, line, "the line is not valid UTF-8"};
    }
}

bool HasWildcard(std::u16string_view pattern)
{
    return pattern.find_first_of(u"*?") != std::u16string_view::npos;
}

char16_t FoldAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string ExpandHostName(std::u16string_view text, std::u16string_view alias)
{
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && (text[i + 1] == u'h' || text[i + 1] == u'%')) {
            if (text[++i] == u'h')
                out += alias;
            else
                out += u'%';
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

bool SshPatternMatches(std::u16string_view pattern, std::u16string_view name)
{
    // Iterative wildcard match with one point to come back to, without case
    // for ASCII letters as host names are compared.
    size_t p = 0;
    size_t n = 0;
    size_t starAt = std::u16string_view::npos;
    size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::u16string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool SshPatternListMatches(const std::vector<std::u16string>& patterns, std::u16string_view name)
{
    bool matched = false;
    for (const std::u16string& pattern : patterns) {
        if (!pattern.empty() && pattern[0] == u'!') {
            if (SshPatternMatches(std::u16string_view(pattern).substr(1), name))
                return false;
        } else if (SshPatternMatches(pattern, name)) {
            matched = true;
        }
    }
    return matched;
}

SshClientConfig::SshClientConfig(FileReader reader, Globber globber, std::string home)
    : m_reader(std::move(reader)), m_globber(std::move(globber)), m_home(std::move(home))
{
}

void SshClientConfig::ReadFile(const std::string& path)
{
    const std::optional<std::string> text = m_reader(path);
    if (!text)
        throw SshConfigError{path, 0, "the file cannot be read"};
    Read(*text, path, 0, {});
}

void SshClientConfig::ReadText(std::string_view text, const std::string& name)
{
    Read(text, name, 0, {});
}

void SshClientConfig::Read(std::string_view text, const std::string& name, int depth,
                           const std::vector<size_t>& outer)
{
    std::vector<size_t> conditions = outer;
    bool inMatch = false;
    int line = 0;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view content = text.substr(from, end - from);
        from = end + 1;
        ++line;

        size_t at = 0;
        while (at < content.size() && IsBlank(content[at]))
            ++at;
        if (at == content.size() || content[at] == '#')
            continue;
        size_t keyEnd = at;
        while (keyEnd < content.size() && !IsBlank(content[keyEnd]) && content[keyEnd] != '=')
            ++keyEnd;
        const std::string keyword = Lower(content.substr(at, keyEnd - at));
        size_t rest = keyEnd;
        while (rest < content.size() && IsBlank(content[rest]))
            ++rest;
        if (rest < content.size() && content[rest] == '=')
            ++rest;
        const std::vector<std::string> words = Words(content.substr(rest), name, line);

        if (keyword == "host") {
            if (words.empty())
                throw SshConfigError{name, line, "Host needs at least one pattern"};
            std::vector<std::u16string> patterns;
            for (const std::string& word : words) {
                patterns.push_back(Utf16(word, name, line));
                const std::u16string& pattern = patterns.back();
                if (pattern.empty() || pattern[0] == u'!' || HasWildcard(pattern))
                    continue;
                // Host names compare without case, so Web and web are one host.
                const auto known = std::find_if(m_aliases.begin(), m_aliases.end(), [&](const Alias& alias) {
                    return std::equal(alias.name.begin(), alias.name.end(), pattern.begin(), pattern.end(),
                                      [](char16_t a, char16_t b) { return FoldAscii(a) == FoldAscii(b); });
                });
                if (known == m_aliases.end())
                    m_aliases.push_back({pattern, name, line});
            }
            m_patternLists.push_back(std::move(patterns));
            conditions = outer;
            conditions.push_back(m_patternLists.size() - 1);
            inMatch = false;
            continue;
        }
        if (keyword == "match") {
            if (words.empty())
                throw SshConfigError{name, line, "Match needs a condition"};
            inMatch = true;
            continue;
        }
        if (keyword != "hostname" && keyword != "user" && keyword != "port" && keyword != "include")
            continue; // the client's business, not a session's
        if (words.empty())
            throw SshConfigError{name, line, std::string(content.substr(at, keyEnd - at)) + " needs an argument"};
        if (keyword == "include") {
            std::vector<std::u16string> patterns;
            for (const std::string& word : words)
                patterns.push_back(Utf16(word, name, line));
            if (!inMatch)
                Include(patterns, name, line, depth, conditions);
            continue;
        }
        // Checked in every block, as the client checks them.
        if (words.size() > 1)
            throw SshConfigError{name, line,
                                 std::string(content.substr(at, keyEnd - at)) + " takes one argument, not " +
                                     std::to_string(words.size())};
        std::u16string argument = Utf16(words[0], name, line);
        if (keyword == "port") {
            int port = 0;
            bool digits = !argument.empty() && argument.size() <= 5;
            for (char16_t c : argument) {
                digits = digits && c >= u'0' && c <= u'9';
                port = port * 10 + (c - u'0');
            }
            if (!digits || port < 1 || port > 65535)
                throw SshConfigError{name, line, "Port takes a number from 1 to 65535, not \"" + words[0] + "\""};
        }
        if (!inMatch)
            m_directives.push_back({conditions, keyword, std::move(argument), name, line});
    }
}

void SshClientConfig::Include(const std::vector<std::u16string>& patterns, const std::string& file, int line,
                              int depth, const std::vector<size_t>& conditions)
{
    if (depth + 1 > kMaximumIncludeDepth)
        throw SshConfigError{file, line, "Include is nested more than " + std::to_string(kMaximumIncludeDepth) +
                                             " files deep"};
    for (const std::u16string& pattern16 : patterns) {
        std::string pattern = Utf16ToUtf8(pattern16);
        if (pattern.starts_with("~/"))
            pattern = m_home + pattern.substr(1);
        else if (!pattern.starts_with("/"))
            pattern = m_home + "/.ssh/" + pattern;
        for (const std::string& path : m_globber(pattern)) {
            const std::optional<std::string> text = m_reader(path);
            if (!text)
                throw SshConfigError{file, line, "the included file " + path + " cannot be read"};
            Read(*text, path, depth + 1, conditions);
        }
    }
}

bool SshClientConfig::Applies(const Directive& directive, std::u16string_view alias) const
{
    return std::all_of(directive.conditions.begin(), directive.conditions.end(),
                       [&](size_t list) { return SshPatternListMatches(m_patternLists[list], alias); });
}

std::vector<SshHostEntry> SshClientConfig::Hosts() const
{
    std::vector<SshHostEntry> hosts;
    for (const Alias& alias : m_aliases) {
        SshHostEntry entry;
        entry.alias = alias.name;
        entry.file = alias.file;
        entry.line = alias.line;
        bool hostNameSet = false;
        bool userSet = false;
        for (const Directive& directive : m_directives) {
            if (!Applies(directive, alias.name))
                continue;
            if (directive.keyword == "hostname" && !hostNameSet) {
                entry.hostName = ExpandHostName(directive.argument, alias.name);
                hostNameSet = true;
            } else if (directive.keyword == "user" && !userSet) {
                entry.user = directive.argument;
                userSet = true;
            } else if (directive.keyword == "port" && !entry.port) {
                int port = 0;
                for (char16_t c : directive.argument)
                    port = port * 10 + (c - u'0');
                entry.port = port;
            }
        }
        if (!hostNameSet)
            entry.hostName = alias.name;
        hosts.push_back(std::move(entry));
    }
    return hosts;
}
