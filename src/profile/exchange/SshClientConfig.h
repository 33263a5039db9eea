#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What is wrong with a client configuration, and where.
struct SshConfigError {
    std::string file;
    int line;
    std::string message;
    std::string Describe() const { return file + " line " + std::to_string(line) + ": " + message; }
};

// One Host name without wildcards, with what the configuration says for it.
struct SshHostEntry {
    std::u16string alias;    // the name on the Host line
    std::u16string hostName; // HostName with %h and %% replaced; the alias when none applies
    std::u16string user;     // empty when none applies
    std::optional<int> port; // none when none applies
    std::string file;        // where its first Host line is
    int line = 0;
};

// An OpenSSH client configuration: the Host lines and the HostName, User,
// Port and Include directives, read the way the client reads them. A
// directive applies to a name when every Host line in force where it
// stands (its own, and those of the files including it) matches the name
// ('*' and '?' wildcards, '!' negation); the first value that applies
// wins. Match blocks apply to no name here (their conditions are the
// client's to test at connect time). Other keywords are skipped.
//
// Lines are "Keyword arguments" or "Keyword=arguments"; arguments may be
// double-quoted; '#' starts a comment at the start of a word. A line that
// cannot be read is an error with its file and line: nothing of the
// configuration is used then.
class SshClientConfig {
public:
    // The text of a file, or none when it cannot be read.
    using FileReader = std::function<std::optional<std::string>(const std::string& path)>;
    // The files a pattern names, sorted; none is no error.
    using Globber = std::function<std::vector<std::string>(const std::string& pattern)>;
    // Includes deeper than this are an error, as in the client.
    static constexpr int kMaximumIncludeDepth = 16;

    // `home` resolves "~/"; relative Include paths are taken from "~/.ssh".
    SshClientConfig(FileReader reader, Globber globber, std::string home);

    // Reads the file and what it includes; throws SshConfigError.
    void ReadFile(const std::string& path);
    // The same for a text already read, named `name` in errors.
    void ReadText(std::string_view text, const std::string& name);

    // Every Host name without wildcards, in the order first seen, resolved.
    std::vector<SshHostEntry> Hosts() const;

private:
    struct Directive {
        std::vector<size_t> conditions; // indexes into m_patternLists, all must match
        std::string keyword;            // lower case
        std::u16string argument;
        std::string file;
        int line;
    };
    struct Alias {
        std::u16string name;
        std::string file;
        int line;
    };

    void Read(std::string_view text, const std::string& name, int depth, const std::vector<size_t>& outer);
    void Include(const std::vector<std::u16string>& patterns, const std::string& file, int line, int depth,
                 const std::vector<size_t>& conditions);
    bool Applies(const Directive& directive, std::u16string_view alias) const;

    FileReader m_reader;
    Globber m_globber;
    std::string m_home;
    std::vector<std::vector<std::u16string>> m_patternLists;
    std::vector<Directive> m_directives;
    std::vector<Alias> m_aliases;
};

// Whether `name` matches one ssh pattern ('*' any run, '?' one character).
bool SshPatternMatches(std::u16string_view pattern, std::u16string_view name);
// Whether a Host line's pattern list matches: some pattern matches and no
// negated one does.
bool SshPatternListMatches(const std::vector<std::u16string>& patterns, std::u16string_view name);
