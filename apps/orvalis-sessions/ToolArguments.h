#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

// One option a command takes: "--name" alone, or "--name VALUE" (also
// written "--name=VALUE").
struct OptionDef {
    const char* name; // without the leading dashes
    bool takesValue;
};

// A command's arguments after its name: options anywhere among the
// positional arguments, "--" ending the options. Each option at most once.
class ToolArguments {
public:
    // Throws UsageError for an unknown or repeated option, a missing value,
    // or a count of positional arguments outside [minimum, maximum].
    ToolArguments(const std::vector<std::string>& args, std::initializer_list<OptionDef> options, size_t minimum,
                  size_t maximum);

    const std::vector<std::string>& Positional() const { return m_positional; }
    const std::string& At(size_t index) const { return m_positional.at(index); }
    size_t Count() const { return m_positional.size(); }
    bool Has(const std::string& name) const { return m_options.contains(name); }
    std::optional<std::string> Value(const std::string& name) const;

private:
    std::vector<std::string> m_positional;
    std::map<std::string, std::string> m_options;
};

// A whole number in [minimum, maximum] given for `what`; UsageError otherwise.
long long ParseWholeNumber(const std::string& text, long long minimum, long long maximum, const std::string& what);
