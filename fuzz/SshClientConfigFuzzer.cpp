// OpenSSH client configurations are written by people and pasted from
// elsewhere. Any text is read or refused with its line, never a crash; an
// Include of the file itself stops at the depth limit. What reads gives
// host names without wildcards, each once, with ports in range.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/exchange/SshClientConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    SshClientConfig config(
        [&text](const std::string&) -> std::optional<std::string> { return text; },
        [](const std::string& pattern) { return std::vector<std::string>{pattern}; }, "/fuzz");
    std::vector<SshHostEntry> hosts;
    try {
        config.ReadText(text, "fuzz");
        hosts = config.Hosts();
    } catch (const SshConfigError& error) {
        if (error.line < 1 || error.message.empty())
            std::abort();
        return 0;
    }
    for (size_t i = 0; i < hosts.size(); ++i) {
        const SshHostEntry& host = hosts[i];
        if (host.alias.empty() || host.alias.find_first_of(u"*?") != std::u16string::npos || host.alias[0] == u'!')
            std::abort();
        if (host.port && (*host.port < 1 || *host.port > 65535))
            std::abort();
        for (size_t j = 0; j < i; ++j)
            if (hosts[j].alias == host.alias)
                std::abort();
    }
    return 0;
}
