#include "profile/exchange/OpenSshReader.h"

#include <glob.h>

#include <fstream>
#include <sstream>

#include "profile/exchange/SshClientConfig.h"

namespace {

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return text.str();
}

std::vector<std::string> GlobFiles(const std::string& pattern)
{
    glob_t found{};
    std::vector<std::string> paths;
    if (glob(pattern.c_str(), 0, nullptr, &found) == 0)
        for (size_t i = 0; i < found.gl_pathc; ++i)
            paths.emplace_back(found.gl_pathv[i]);
    globfree(&found);
    return paths;
}

} // namespace

ForeignDocument OpenSshReader::Read(const std::string& path, const std::string& home)
{
    ForeignDocument document(path);
    SshClientConfig config(ReadWholeFile, GlobFiles, home);
    std::vector<SshHostEntry> hosts;
    try {
        config.ReadFile(path);
        hosts = config.Hosts();
    } catch (const SshConfigError& error) {
        throw ExchangeError(error.file, error.line, error.line > 0 || error.file != path ? error.message : "cannot be read");
    }
    for (const SshHostEntry& host : hosts) {
        ForeignSession session;
        session.name = host.alias;
        session.protocol = u"ssh2";
        session.host = host.hostName;
        session.user = host.user;
        session.port = host.port;
        session.description =
            ForeignLossy16("Imported from " + host.file + " line " + std::to_string(host.line) + " (Host ") + host.alias +
            u")";
        session.line = host.file == path ? host.line : 0;
        document.sessions.push_back(std::move(session));
    }
    return document;
}
