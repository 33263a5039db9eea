// The examples of README's orvalis-sessions section, run as written, in
// order, by a shell, against a fresh home: each command's output (standard
// output and error together) must be the lines shown under it. The home
// folder's path is shown as "~".
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "Fakes.h"

namespace {

struct Example {
    std::string command;
    std::vector<std::string> output;
    size_t line = 0;
};

std::vector<Example> ReadExamples(const std::string& readme)
{
    std::ifstream in(readme);
    std::vector<Example> examples;
    bool inSection = false;
    bool inBlock = false;
    size_t number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.rfind("## ", 0) == 0) {
            inSection = line.find("orvalis-sessions") != std::string::npos;
            continue;
        }
        if (!inSection)
            continue;
        if (line.rfind("    ", 0) != 0) {
            inBlock = false;
            continue;
        }
        const std::string code = line.substr(4);
        if (code.rfind("$ ", 0) == 0) {
            examples.push_back({code.substr(2), {}, number});
            inBlock = true;
        } else if (inBlock) {
            examples.back().output.push_back(code);
        }
    }
    return examples;
}

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> RunShell(const std::string& home, const std::string& command)
{
    const std::string line = "cd " + Quoted(home) + " && env -i HOME=" + Quoted(home) +
                             " PATH=" + Quoted(std::string(ORV_BINARY_DIR) + ":/usr/bin:/bin") +
                             " ORV_INSTALLED_PRODUCTS=none DBUS_SESSION_BUS_ADDRESS=unix:path=" + Quoted(home) +
                             "/no-bus XDG_RUNTIME_DIR=" + Quoted(home) + " sh -c " + Quoted(command) + " 2>&1";
    FILE* pipe = popen(line.c_str(), "r");
    std::string text;
    char buffer[4096];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    if (pipe)
        pclose(pipe);
    for (size_t at; (at = text.find(home)) != std::string::npos;)
        text.replace(at, home.size(), "~");
    std::vector<std::string> lines;
    std::istringstream split(text);
    for (std::string out; std::getline(split, out);)
        lines.push_back(out);
    return lines;
}

TEST(ReadmeExamples, EveryExampleOfTheToolRunsAsWritten)
{
    const std::vector<Example> examples = ReadExamples(ORV_SOURCE_DIR "/README.md");
    ASSERT_GT(examples.size(), 30u);
    TempDir dir;
    const std::string home = dir.str();
    // What the examples take as already there: the sessions the first ones
    // list, the client configuration, the files they check or import.
    for (const char* command :
         {"orvalis-sessions mkdir Servers", "orvalis-sessions mkdir Servers/Linux",
          "orvalis-sessions add Servers/Linux/web01 --host web01.example.com >/dev/null",
          "orvalis-sessions add Servers/Linux/web02 --host web02.example.com >/dev/null",
          "mkdir -p .ssh && printf 'Host bastion\\n  HostName bastion.example.com\\nHost router\\n  HostName "
          "10.0.0.1\\n' > .ssh/config",
          "orvalis-sessions keymap default > my.key && : > menus.txt",
          "printf '{\\n\"format\": \"orvalis-sessions\",\\n\"version\": 1,\\n\"folders\": [],\\n\"sessions\": "
          "[\\n{\\n\"name\": \"x\",\\n\"values\": [\\n{\"name\": \"Hostname\",\\n\"kind\": \"text\",\\n\"value\": "
          "\"h\"\\n\"extra\": 1}]}]}\\n' > broken.json"})
        ASSERT_EQ(RunShell(home, command), std::vector<std::string>{}) << command;
    for (const Example& example : examples)
        EXPECT_EQ(RunShell(home, example.command), example.output)
            << "README.md line " << example.line << ": $ " << example.command;
}

} // namespace
