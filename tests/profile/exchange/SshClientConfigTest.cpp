#include <gtest/gtest.h>

#include <map>

#include "profile/exchange/SshClientConfig.h"

namespace {

// Files held in memory; a pattern names the files that begin with its
// part before the first '*'.
class Files {
public:
    std::map<std::string, std::string> files;

    SshClientConfig Config()
    {
        return SshClientConfig(
            [this](const std::string& path) -> std::optional<std::string> {
                const auto it = files.find(path);
                if (it == files.end())
                    return std::nullopt;
                return it->second;
            },
            [this](const std::string& pattern) {
                std::vector<std::string> found;
                const std::string prefix = pattern.substr(0, pattern.find('*'));
                for (const auto& [path, text] : files)
                    if (pattern.find('*') == std::string::npos ? path == pattern : path.starts_with(prefix))
                        found.push_back(path);
                return found;
            },
            "/home/u");
    }
};

std::string ErrorOf(Files& files, const std::string& path)
{
    try {
        files.Config().ReadFile(path);
    } catch (const SshConfigError& error) {
        return error.Describe();
    }
    return "(read)";
}

TEST(SshClientConfig, PatternsMatchAsTheClientMatchesThem)
{
    EXPECT_TRUE(SshPatternMatches(u"*.example.com", u"web.EXAMPLE.com"));
    EXPECT_TRUE(SshPatternMatches(u"web?", u"web1"));
    EXPECT_FALSE(SshPatternMatches(u"web?", u"web"));
    EXPECT_TRUE(SshPatternMatches(u"*a*b*", u"xxaxxbxx"));
    EXPECT_FALSE(SshPatternMatches(u"*a*b", u"xxaxxbxx"));
    EXPECT_TRUE(SshPatternMatches(u"*", u""));
    EXPECT_TRUE(SshPatternListMatches({u"*.lan", u"!printer.lan"}, u"pc.lan"));
    EXPECT_FALSE(SshPatternListMatches({u"*.lan", u"!printer.lan"}, u"printer.lan"));
    EXPECT_FALSE(SshPatternListMatches({u"!printer.lan"}, u"pc.lan")); // a negation alone matches nothing
}

TEST(SshClientConfig, TheFirstValueThatAppliesWinsAcrossIncludes)
{
    Files files;
    files.files["/home/u/.ssh/config"] = "Host web web2 WEB *.x ?y !neg\n"
                                         "  HostName = %h.example  # where\n"
                                         "  Port 2200\n"
                                         "Include ~/.ssh/d/*\n"
                                         "Host *\n"
                                         "  HostName fallback\n"
                                         "  Port 22\n"
                                         "  User late\n";
    files.files["/home/u/.ssh/d/1"] = "  User \"in cluded\"\n"
                                      "Host inner\n"
                                      "  Port 2\n"
                                      "Match host inner\n"
                                      "  HostName never\n";
    SshClientConfig config = files.Config();
    config.ReadFile("/home/u/.ssh/config");
    const std::vector<SshHostEntry> hosts = config.Hosts();
    ASSERT_EQ(hosts.size(), 3u); // web, web2, inner: WEB is web, the rest are patterns
    EXPECT_EQ(hosts[0].alias, u"web");
    EXPECT_EQ(hosts[0].hostName, u"web.example");
    EXPECT_EQ(hosts[0].user, u"in cluded"); // the Include stands in web's block
    EXPECT_EQ(hosts[0].port, 2200);
    EXPECT_EQ(hosts[0].file, "/home/u/.ssh/config");
    EXPECT_EQ(hosts[0].line, 1);
    EXPECT_EQ(hosts[1].alias, u"web2");
    EXPECT_EQ(hosts[1].hostName, u"web2.example");
    // inner is named in a file included under web's block, so nothing of
    // that file applies to it: only Host *.
    EXPECT_EQ(hosts[2].alias, u"inner");
    EXPECT_EQ(hosts[2].hostName, u"fallback");
    EXPECT_EQ(hosts[2].user, u"late");
    EXPECT_EQ(hosts[2].port, 22);
    EXPECT_EQ(hosts[2].file, "/home/u/.ssh/d/1");

    // Included inside a Host block, a file's lines apply only under it.
    files.files["/home/u/.ssh/config"] = "Host a\n  Include d/1\nHost b\n";
    files.files["/home/u/.ssh/d/1"] = "User only-a\n";
    SshClientConfig scoped = files.Config();
    scoped.ReadFile("/home/u/.ssh/config");
    const std::vector<SshHostEntry> two = scoped.Hosts();
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].user, u"only-a");
    EXPECT_EQ(two[1].user, u"");
    EXPECT_FALSE(two[1].port);
    EXPECT_EQ(two[1].hostName, u"b");
}

TEST(SshClientConfig, BadLinesAreErrorsWithTheirFileAndLine)
{
    Files files;
    const auto check = [&files](const std::string& text) {
        files.files["/c"] = text;
        return ErrorOf(files, "/c");
    };
    EXPECT_EQ(check("Host a\n\n  Port 0\n"), "/c line 3: Port takes a number from 1 to 65535, not \"0\"");
    EXPECT_EQ(check("Host a\n  Port 70000\n"), "/c line 2: Port takes a number from 1 to 65535, not \"70000\"");
    EXPECT_EQ(check("Match all\n  Port x\n"), "/c line 2: Port takes a number from 1 to 65535, not \"x\"");
    EXPECT_EQ(check("Host\n"), "/c line 1: Host needs at least one pattern");
    EXPECT_EQ(check("Host a\n  HostName\n"), "/c line 2: HostName needs an argument");
    EXPECT_EQ(check("Host a\n  User one two\n"), "/c line 2: User takes one argument, not 2");
    EXPECT_EQ(check("Host a\n  User \"one\n"), "/c line 2: a quote is not closed");
    EXPECT_EQ(check("Host \xC3\x28\n"), "/c line 1: the line is not valid UTF-8");
    EXPECT_EQ(check("Include /c\n"), "/c line 1: Include is nested more than 16 files deep");
    EXPECT_EQ(check("Include /nothing/*\nHost a\n  Ciphers whatever\n"), "(read)"); // no match, no error
    EXPECT_EQ(ErrorOf(files, "/missing").rfind("/missing line 0: the file cannot be read", 0), 0u);
}

} // namespace
