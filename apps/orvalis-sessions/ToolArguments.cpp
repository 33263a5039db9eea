#include "ToolArguments.h"

#include <charconv>

#include "ToolText.h"

ToolArguments::ToolArguments(const std::vector<std::string>& args, std::initializer_list<OptionDef> options,
                             size_t minimum, size_t maximum)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            m_positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionDef* def = nullptr;
        for (const OptionDef& candidate : options)
            if (name == candidate.name)
                def = &candidate;
        if (!def)
            throw UsageError("unknown option --" + name);
        if (m_options.contains(name))
            throw UsageError("--" + name + " is given twice");
        std::string value;
        if (def->takesValue) {
            if (equals != std::string::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                throw UsageError("--" + name + " needs a value");
        } else if (equals != std::string::npos) {
            throw UsageError("--" + name + " takes no value");
        }
        m_options.emplace(name, std::move(value));
    }
    if (m_positional.size() < minimum)
        throw UsageError("too few arguments");
    if (m_positional.size() > maximum)
        throw UsageError("too many arguments");
}

std::optional<std::string> ToolArguments::Value(const std::string& name) const
{
    const auto it = m_options.find(name);
    if (it == m_options.end())
        return std::nullopt;
    return it->second;
}

long long ParseWholeNumber(const std::string& text, long long minimum, long long maximum, const std::string& what)
{
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end || value < minimum || value > maximum)
        throw UsageError(what + " must be a whole number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum) + ", not \"" + text + "\"");
    return value;
}
