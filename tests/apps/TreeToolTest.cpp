// orvalis-sessions: placing items by hand, the arrangement, duplicate,
// expand and collapse, imports of older documents, and the help texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Fakes.h"
#include "ToolProcess.h"

namespace {

using Lines = std::vector<std::string>;

class TreeTool : public ToolTest {
protected:
    // A refusal: exit 1, its reason on standard error, and nothing changed.
    std::string Refused(const std::vector<std::string>& args)
    {
        const std::string before = tool.Run({"export"}).out;
        const ToolRun run = tool.Run(args);
        EXPECT_EQ(run.status, 1) << args.at(0) << "\n" << run.out << run.err;
        EXPECT_EQ(tool.Run({"export"}).out, before) << args.at(0);
        return run.err;
    }
    void Write(const std::string& name, const std::string& text) { std::ofstream(dir.str() + "/" + name) << text; }
};

TEST_F(TreeTool, BeforeAndAfterNameASiblingAndNeedTheManualArrangement)
{
    for (const char* folder : {"F", "F/y", "H"})
        Ok({"mkdir", folder});
    for (const char* session : {"H/k", "F/a", "F/c"})
        Ok({"add", session});
    EXPECT_EQ(Out({"arrange"}), Lines{"alphabetical"});
    std::string err = Refused({"copy", "H/k", "F", "--before", "y"});
    EXPECT_NE(err.find("arrange manual"), std::string::npos) << err;
    Refused({"move", "F/c", "F", "--after", "a"});

    Ok({"arrange", "manual"});
    EXPECT_EQ(Out({"arrange"}), Lines{"manual"});
    err = Refused({"copy", "H/k", "F", "--before", "nothing"});
    EXPECT_NE(err.find("holds no item \"nothing\""), std::string::npos) << err;
    err = Refused({"copy", "H/k", "F", "--after", "y/deeper"});
    EXPECT_NE(err.find("not a path"), std::string::npos) << err;
    Refused({"move", "H/k", "F", "--before", "k"}); // a name of the source's folder, not the target's

    // Beside the folder y, never into it.
    EXPECT_EQ(Out({"copy", "H/k", "F", "--before", "y"}), Lines{"F/k"});
    EXPECT_EQ(Out({"ls", "F/y"}), Lines{});
    EXPECT_EQ(Out({"move", "F/c", "F", "--before", "a"}), Lines{"F/c"});
    EXPECT_EQ(Out({"ls", "F"}), (Lines{"y/", "c", "a", "k"}));
    EXPECT_EQ(Out({"copy", "H/k", "F", "--after", "c"}), Lines{"F/k (1)"});
    EXPECT_EQ(Out({"ls", "F"}), (Lines{"y/", "c", "k (1)", "a", "k"}));

    Ok({"arrange", "logical"});
    for (const char* session : {"F/s10", "F/s9"})
        Ok({"add", session});
    EXPECT_EQ(Out({"ls", "F"}), (Lines{"y/", "a", "c", "k", "k (1)", "s9", "s10"}));
    EXPECT_EQ(tool.Run({"arrange", "sideways"}).status, 2);
}

TEST_F(TreeTool, DuplicateFollowsTheNameRulesAndExpandCollapseAreKept)
{
    Ok({"mkdir", "F"});
    Ok({"arrange", "manual"});
    Ok({"add", "F/a", "--host", "old.example"});
    Ok({"add", "F/z"});
    EXPECT_EQ(Out({"duplicate", "F/a", "  b2 ", "--host", "new.example"}), Lines{"F/b2"});
    EXPECT_EQ(Out({"get", "F/b2", "Hostname"}), Lines{"new.example"});
    EXPECT_EQ(Out({"get", "F/a", "Hostname"}), Lines{"old.example"});
    EXPECT_EQ(Out({"ls", "F"}), (Lines{"a", "b2", "z"})); // beside the original
    EXPECT_EQ(Out({"duplicate", "F/z", "z2"}), Lines{"F/z2"});
    EXPECT_EQ(Out({"get", "F/z2", "Hostname"}), Lines{""});

    EXPECT_NE(Refused({"duplicate", "F/a", "x/y"}).find("\"/\""), std::string::npos);
    EXPECT_NE(Refused({"duplicate", "F/a", "x\\y"}).find("\"\\\""), std::string::npos);
    Refused({"duplicate", "F/a", "   "});
    EXPECT_NE(Refused({"duplicate", "F/a", std::string(300, 'n')}).find("255"), std::string::npos);
    EXPECT_NE(Refused({"duplicate", "F/a", "z"}).find("already in use"), std::string::npos);
    Refused({"duplicate", "F", "G"});
    // A host that cannot be read is found after the copy is made: the one
    // transaction takes the copy back.
    const std::string before = Ok({"export"}).out;
    EXPECT_NE(tool.Run({"duplicate", "F/a", "b3", "--host", "bad\xff"}).status, 0);
    EXPECT_EQ(Ok({"export"}).out, before);
    EXPECT_EQ(Out({"ls", "F"}), (Lines{"a", "b2", "z", "z2"}));

    Ok({"mkdir", "F/sub"});
    Ok({"collapse", "F"});
    Ok({"expand", "F/sub"});
    const std::string doc = Ok({"export"}).out;
    EXPECT_NE(doc.find("\"name\": \"F\",\n      \"expanded\": false"), std::string::npos) << doc;
    EXPECT_NE(doc.find("\"name\": \"sub\",\n          \"expanded\": true"), std::string::npos) << doc;
    Refused({"expand", "F/a"});
    Refused({"collapse", "nowhere"});
}

TEST_F(TreeTool, ImportsOfOlderDocumentsConvertAndLoseNothing)
{
    Write("pass", "import passphrase\n");
    const std::string v3 = Out({"--passphrase-file", dir.str() + "/pass", "encrypt"},
                               std::string("1\x1flogin:\x1f" "ann\x1f") + "\n").at(0);
    Write("old.json", R"({"format": "orvalis-sessions", "version": 1, "folders": [], "sessions": [
 {"name": "old", "values": [
  {"name": "Protocol Name", "kind": "text", "value": "SSH2"},
  {"name": "Use Firewall", "kind": "number", "value": 1},
  {"name": "Local Shell Command Pre-connect", "kind": "text", "value": "ssh-add -l"},
  {"name": "Login Script V3", "kind": "text", "value": ")" + v3 + R"("}]},
 {"name": "both", "values": [
  {"name": "Firewall Name", "kind": "text", "value": "Mine"},
  {"name": "Use Firewall", "kind": "number", "value": 1}]}]})");
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--passphrase-file", dir.str() + "/pass"});
        return Out(args);
    };
    EXPECT_EQ(run({"import", dir.str() + "/old.json"}), (Lines{"added\told", "added\tboth"}));
    EXPECT_EQ(run({"get", "old", "Firewall Name"}), Lines{"DefaultTerminalFirewall"});
    EXPECT_EQ(run({"get", "both", "Firewall Name"}), Lines{"Mine"}); // the current form wins
    EXPECT_EQ(run({"get", "old", "Local Shell Command Pre-connect V2"}),
              Lines{"ssh-add -l\tpending conversion from \"Local Shell Command Pre-connect\""});
    EXPECT_EQ(run({"secret", "get", "old", "Local Shell Command Pre-connect V2"}), Lines{"ssh-add -l"});
    EXPECT_EQ(run({"login-script", "show", "old"}), Lines{"1\tlogin:\tann\t"});
    EXPECT_EQ(run({"get", "old", "Use Firewall"}), Lines{"1"}); // older values stay

    // The export shows the converted values and still carries the older
    // ones still to convert: a second database gets them all.
    const std::string exported = Ok({"export"}).out;
    EXPECT_NE(exported.find("\"value\": \"DefaultTerminalFirewall\""), std::string::npos);
    const size_t oldAt = exported.find("\"name\": \"old\"");
    const std::string oldBlock = exported.substr(oldAt, exported.find("\"name\": \"both\"") - oldAt);
    EXPECT_EQ(oldBlock.find("\"Local Shell Command Pre-connect V2\""), std::string::npos) << oldBlock;
    EXPECT_NE(oldBlock.find("\"Local Shell Command Pre-connect\""), std::string::npos);
    Write("exported.json", exported);
    ToolProcess other(dir.str() + "/other");
    std::filesystem::create_directories(dir.str() + "/other");
    EXPECT_EQ(other.Run({"--passphrase-file", dir.str() + "/pass", "import", dir.str() + "/exported.json"}).status, 0);
    EXPECT_EQ(other.Run({"--passphrase-file", dir.str() + "/pass", "secret", "get", "old",
                         "Local Shell Command Pre-connect V2"})
                  .Lines(),
              Lines{"ssh-add -l"});
    EXPECT_EQ(other.Run({"--passphrase-file", dir.str() + "/pass", "login-script", "show", "old"}).Lines(),
              Lines{"1\tlogin:\tann\t"});
}

TEST_F(TreeTool, EveryCommandHasItsHelp)
{
    const std::string usage = Ok({"--help"}).out;
    for (const char* command : {"tree", "ls", "find", "mkdir", "add", "rename", "move", "copy", "delete", "duplicate",
                                "arrange", "expand", "collapse", "show", "get", "set", "secret", "login-script",
                                "encrypt", "decrypt", "passphrase", "export", "import", "import-ssh-config", "keymap",
                                "menu", "commands"}) {
        const ToolRun help = tool.Run({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find(std::string(command) + " "), std::string::npos) << command << "\n" << help.out;
        EXPECT_NE(usage.find(command), std::string::npos) << command;
    }
    for (const auto& [command, option] : std::vector<std::pair<const char*, const char*>>{
             {"add", "--unique"}, {"copy", "--after"}, {"find", "--match-case"}, {"set", "--raw"},
             {"duplicate", "--host"}, {"passphrase", "--keep-unreadable"}, {"commands", "--argument2"},
             {"tree", "--filter"}, {"import", "--folder"}})
        EXPECT_NE(tool.Run({command, "--help"}).out.find(option), std::string::npos) << command << " " << option;
}

} // namespace
