// orvalis-sessions run as a process against temporary databases.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <filesystem>
#include <fstream>

#include "Fakes.h"
#include "ProcessFaults.h"
#include "StoreFixtures.h"
#include "ToolProcess.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using Lines = std::vector<std::string>;

class SessionsTool : public ToolTest {
protected:
    void Write(const std::string& name, const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(dir.str() + "/" + name).parent_path());
        std::ofstream(dir.str() + "/" + name, std::ios::binary) << text;
    }
    std::string File(const std::string& name) const { return dir.str() + "/" + name; }
    // Writes a global option into the database, as a host's options dialog would.
    void StoreGlobalOption(const char16_t* name, uint32_t value)
    {
        StoreInUse<SqliteProfileFactory> open(tool.Database());
        VProfileStore store; // ends before the database closes
        VProfileKey(*store.GetRootKey(), u"Global", 1).WriteUnsigned(name, value);
    }
};

// --- The tree

TEST_F(SessionsTool, TreeOrdersFoldersFirstInEveryArrangement)
{
    for (const char* folder : {"b", "A", "c"})
        Ok({"mkdir", folder});
    for (const char* session : {"Z", "m", "s10", "s9", "s1"})
        Ok({"add", session});
    EXPECT_NE(Fails({"add", "a"}).find("'a' is already in use."), std::string::npos); // the folder A
    // "Default" is made with the first session: new sessions start from it.
    EXPECT_EQ(Out({"tree"}), (Lines{"Sessions/", "  A/", "  b/", "  c/", "  Default", "  m", "  s1", "  s10", "  s9",
                                    "  Z"}));
    EXPECT_EQ(Out({"ls", "--sort", "logical"}), (Lines{"A/", "b/", "c/", "Default", "m", "s1", "s9", "s10", "Z"}));
    // --sort is for one run: the stored arrangement is still alphabetical.
    EXPECT_EQ(Out({"ls"})[6], "s10");
    // Manual: the stored order. A new folder is put after the folder before
    // it in the tree, as the tree showed it while it was being named.
    EXPECT_EQ(Out({"ls", "--sort", "manual"}), (Lines{"b/", "c/", "A/", "Default", "Z", "m", "s10", "s9", "s1"}));
    // A move beside a name needs the tree arranged by hand, and says so.
    EXPECT_NE(Fails({"move", "s1", "", "--before", "Z"}).find("arrange manual"), std::string::npos);
    EXPECT_EQ(Out({"ls", "--sort", "manual"})[4], "Z");
    StoreGlobalOption(u"Session Tree Sort Mode", 2);
    ASSERT_EQ(Out({"move", "s1", "", "--before", "Z"}), Lines{"s1"});
    EXPECT_EQ(Out({"ls"}), (Lines{"b/", "c/", "A/", "Default", "s1", "Z", "m", "s10", "s9"}));
    StoreGlobalOption(u"Session Tree Sort Mode", 0);

    Ok({"mkdir", "b/inner"});
    Ok({"add", "b/inner/deep"});
    EXPECT_EQ(Out({"tree", "b"}), (Lines{"b/", "  inner/", "    deep"}));
    EXPECT_EQ(Out({"ls", "b\\inner"}), Lines{"deep"});
    EXPECT_NE(Fails({"ls", "b/inner/deep"}).find("is a session, not a folder"), std::string::npos);
    EXPECT_NE(Fails({"tree", "nowhere"}).find("no session or folder \"nowhere\""), std::string::npos);
}

// The pattern rules themselves are the tree's (see the session tree's
// filter tests): here, that --filter reaches them, for a subtree too.
TEST_F(SessionsTool, FiltersShowWhatTheTreeShows)
{
    for (const char* folder : {"prod", "prod/web", "test", "webfarm"})
        Ok({"mkdir", folder});
    for (const char* session : {"prod/web01", "prod/db1", "prod/web/web02", "test/web03", "test/db"})
        Ok({"add", session});
    EXPECT_EQ(Out({"tree", "--filter", "prod/web"}),
              (Lines{"Sessions/", "  prod/", "    web/", "      web02", "    web01"}));
    EXPECT_EQ(Out({"tree", "test", "--filter", "web"}), (Lines{"test/", "  web03"}));
    EXPECT_EQ(Out({"tree", "webfarm", "--filter", "zzz"}), Lines{"webfarm/"});
}

TEST_F(SessionsTool, HiddenKindsFollowTheApplicationAndTheStoredOptions)
{
    Ok({"add", "both", "--protocol", "SSH2", "--transfer-protocol", "SFTP"});
    Ok({"add", "files", "--protocol", "None", "--transfer-protocol", "SFTP"});
    Ok({"add", "shell", "--protocol", "SSH2"});
    const Lines all{"Sessions/", "  both", "  Default", "  files", "  shell"};
    EXPECT_EQ(Out({"tree"}), all);
    StoreGlobalOption(u"Show Transfer Sessions", 0);
    StoreGlobalOption(u"Show Terminal Sessions", 0);
    // The terminal product hides what only transfers files; the transfer
    // product hides what only has a terminal ("Default" is SSH2 only).
    EXPECT_EQ(Out({"--app", "3", "tree"}), (Lines{"Sessions/", "  both", "  Default", "  shell"}));
    EXPECT_EQ(Out({"--app", "9", "tree"}), (Lines{"Sessions/", "  both", "  files"}));
    StoreGlobalOption(u"Show Terminal Sessions", 1);
    EXPECT_EQ(Out({"--app", "9", "tree"}), all);
    EXPECT_EQ(Out({"--app", "9", "find", "s"}), (Lines{"files", "shell"}));
}

TEST_F(SessionsTool, FindWalksInPreOrderOnceEach)
{
    Ok({"mkdir", "web"});
    Ok({"mkdir", "web/inner"});
    Ok({"add", "web/inner/web-a", "--host", "a.example"});
    Ok({"add", "web/web-b", "--host", "b.example", "--description", "the WEB box"});
    Ok({"add", "other", "--host", "web.example"});
    EXPECT_EQ(Out({"find", "web"}), (Lines{"web/inner/web-a", "web/web-b"}));
    EXPECT_EQ(Out({"find", "web", "--folder"}), Lines{"web"});
    EXPECT_EQ(Out({"find", "WEB", "--name", "--folder", "--host"}),
              (Lines{"web", "web/inner/web-a", "web/web-b", "other"}));
    EXPECT_EQ(Out({"find", "WEB", "--description", "--match-case"}), Lines{"web/web-b"});
    EXPECT_EQ(Out({"find", "example", "--host"}), (Lines{"web/inner/web-a", "web/web-b", "other"}));
    EXPECT_NE(Fails({"find", "nothing"}).find("\"nothing\" not found."), std::string::npos);
}

TEST_F(SessionsTool, NewItemsTakeUniqueNamesOnlyWhenAsked)
{
    ASSERT_EQ(Out({"add", "web", "--protocol", "telnet", "--host", "h", "--user", "u"}), Lines{"web"});
    EXPECT_EQ(Out({"get", "web", "Protocol Name"}), Lines{"Telnet"});
    EXPECT_EQ(Out({"get", "web", "Username"}), Lines{"u"});
    EXPECT_NE(Fails({"add", "web"}).find("'web' is already in use."), std::string::npos);
    EXPECT_EQ(Out({"add", "web", "--unique"}), Lines{"web (1)"});
    EXPECT_EQ(Out({"add", "WEB", "--unique"}), Lines{"WEB (2)"});
    Ok({"mkdir", "Lab..."}); // the tree's rule: trailing full stops go
    EXPECT_NE(Fails({"mkdir", "lab"}).find("'lab' is already in use."), std::string::npos);
    EXPECT_NE(Fails({"add", "Lab/.hidden"}).find("cannot begin with a full stop"), std::string::npos);
    const ToolRun pigeon = tool.Run({"add", "x", "--protocol", "Carrier Pigeon"});
    EXPECT_EQ(pigeon.status, 2);
    EXPECT_NE(pigeon.err.find("unknown protocol \"Carrier Pigeon\""), std::string::npos);
    // A protocol's own default session: Local Shell starts from Default_LocalShell.
    Ok({"add", "Lab/shell", "--protocol", "Local Shell"});
    EXPECT_EQ(Out({"ls", "--sort", "manual"}), (Lines{"Lab/", "Default", "web", "web (1)", "WEB (2)",
                                                      "Default_LocalShell"}));
    EXPECT_EQ(Out({"rename", "web (1)", "  second..  "}), Lines{});
    EXPECT_EQ(Out({"ls"}), (Lines{"Lab/", "Default", "Default_LocalShell", "second", "web", "WEB (2)"}));
    EXPECT_NE(Fails({"rename", "second", "web"}).find("'web' is already in use."), std::string::npos);
    EXPECT_NE(Fails({"rename", "second", ""}).find("cannot be empty"), std::string::npos);
}

TEST_F(SessionsTool, MovesAndCopiesFollowThePasteRules)
{
    Ok({"mkdir", "A"});
    Ok({"mkdir", "A/B"});
    Ok({"mkdir", "C"});
    Ok({"add", "A/B/s"});
    Ok({"add", "C/s"});
    const Lines before = Out({"tree"});
    EXPECT_NE(Fails({"move", "A", "A/B"}).find("Cannot copy or move a parent folder into a child"), std::string::npos);
    EXPECT_NE(Fails({"copy", "A", "A"}).find("Cannot copy a folder into itself"), std::string::npos);
    EXPECT_NE(Fails({"move", "A", "C/s"}).find("is a session, not a folder"), std::string::npos);
    EXPECT_NE(Fails({"move", "", "C"}).find("top folder cannot be moved"), std::string::npos);
    EXPECT_EQ(Out({"tree"}), before); // both places as they were

    EXPECT_EQ(Out({"copy", "C/s", "A/B"}), Lines{"A/B/s (1)"});
    EXPECT_EQ(Out({"move", "A/B", "C"}), Lines{"C/B"});
    EXPECT_EQ(Out({"move", "C/s", "C"}), Lines{"C/s"}); // already there
    EXPECT_EQ(Out({"tree"}), (Lines{"Sessions/", "  A/", "  C/", "    B/", "      s", "      s (1)", "    s", "  Default"}));
    // Arranged by hand, items go beside the named one.
    StoreGlobalOption(u"Session Tree Sort Mode", 2);
    EXPECT_EQ(Out({"move", "C/B/s (1)", "C", "--before", "s"}), Lines{"C/s (1)"});
    EXPECT_EQ(Out({"ls", "C"}), (Lines{"B/", "s (1)", "s"}));
    EXPECT_EQ(Out({"copy", "C/s", "C", "--after", "s (1)"}), Lines{"C/s (2)"});
    EXPECT_EQ(Out({"ls", "C"}), (Lines{"B/", "s (1)", "s (2)", "s"}));
    EXPECT_NE(Fails({"move", "C/s", "A", "--before", "nothing"}).find("holds no item \"nothing\""),
              std::string::npos);
    StoreGlobalOption(u"Session Tree Sort Mode", 0);
    EXPECT_EQ(tool.Run({"move", "C/s", "A", "--before", "x", "--after", "y"}).status, 2);

    Ok({"delete", "A", "C/s (1)", "C/B"});
    EXPECT_EQ(Out({"tree"}), (Lines{"Sessions/", "  C/", "    s", "    s (2)", "  Default"}));
    EXPECT_NE(Fails({"delete", "C/s", "gone"}).find("no session or folder \"gone\""), std::string::npos);
    EXPECT_EQ(Out({"ls", "C"}), (Lines{"s", "s (2)"})); // nothing deleted
}

// --- Values and secrets

TEST_F(SessionsTool, ValuesShowAndSetByTheirKinds)
{
    Ok({"add", "s", "--host", "h.example", "--description", "first"});
    const Lines shown = Out({"show", "s"});
    ASSERT_GT(shown.size(), 200u);
    EXPECT_EQ(shown[0], "Protocol Name\ttext\tSSH2");
    const auto line = [&shown](const std::string& prefix) {
        for (const std::string& l : shown)
            if (l.starts_with(prefix + "\t"))
                return l;
        return std::string("(none)");
    };
    EXPECT_EQ(line("ZModem Receive Command"), "ZModem Receive Command\ttext\trz\\r");
    EXPECT_EQ(line("Auto Reconnect"), "Auto Reconnect\ttristate\t2");
    EXPECT_EQ(line("Idle Timeout"), "Idle Timeout\tnumber\t300");
    EXPECT_EQ(line("Is Session"), "Is Session\tflag\t1");
    EXPECT_EQ(line("Description"), "Description\tlines\tfirst");
    EXPECT_EQ(line("Page Margins"), "Page Margins\tbinary\t" + std::string(64, '0'));
    EXPECT_EQ(line("Monitor Password V2"), "Monitor Password V2\tsecret\t");
    EXPECT_EQ(shown.back(), "Login Script V4\tlist\t"); // the configuration's own, after the tables

    Ok({"set", "s", "Rows=50", "Description=one\\ntwo", "Auto Reconnect=1", "Pellowin Bookmarks=/a\\n/b\\\\c",
        "Page Margins=" + std::string(62, '0') + "ff", "Use Login Script=yes"});
    EXPECT_EQ(Out({"get", "s", "rows"}), Lines{"50"});
    EXPECT_EQ(Out({"get", "s", "Description"}), Lines{"one\\ntwo"});
    EXPECT_EQ(Out({"get", "s", "Pellowin Bookmarks"}), Lines{"/a\\n/b\\\\c"});
    EXPECT_EQ(Out({"get", "s", "Use Login Script"}), Lines{"1"});
    EXPECT_EQ(Out({"find", "two", "--description"}), Lines{"s"});

    // Values outside the schema need their kind; bad values change nothing.
    EXPECT_NE(Fails({"set", "s", "Engine Port=22"}).find("give --raw KIND"), std::string::npos);
    Ok({"set", "s", "Engine Port=22", "--raw", "number"});
    Ok({"set", "s", "Engine Blob=00ff", "--raw", "binary"});
    EXPECT_NE(Fails({"set", "s", "Rows=60", "Engine Blob=0g", "--raw", "binary"}).find("hex digits"),
              std::string::npos);
    EXPECT_EQ(Out({"get", "s", "Engine Port"}), Lines{"22"});
    EXPECT_EQ(Out({"get", "s", "engine blob"}), Lines{"00ff"});
    EXPECT_NE(Fails({"set", "s", "Rows=60", "Idle Timeout=x"}).find("\"Idle Timeout\""), std::string::npos);
    EXPECT_NE(Fails({"set", "s", "Rows=-1"}).find("from 0 to 4294967295"), std::string::npos);
    EXPECT_NE(Fails({"set", "s", "Auto Reconnect=3"}).find("tri-state"), std::string::npos);
    EXPECT_NE(Fails({"set", "s", "Page Margins=00"}).find("32 bytes"), std::string::npos);
    EXPECT_NE(Fails({"set", "s", "Title Bar=a\\qb"}).find("unknown escape"), std::string::npos);
    EXPECT_EQ(Out({"get", "s", "Rows"}), Lines{"50"});
    const Lines after = Out({"show", "s"});
    EXPECT_EQ(after.size(), shown.size() + 2);
    EXPECT_NE(std::find(after.begin(), after.end(), "Engine Port\tnumber\t22"), after.end());
    EXPECT_NE(Fails({"get", "s", "Nothing Here"}).find("has no value \"Nothing Here\""), std::string::npos);
    Ok({"mkdir", "f"});
    EXPECT_NE(Fails({"show", "f"}).find("is a folder, not a session"), std::string::npos);
    EXPECT_EQ(tool.Run({"set", "s", "Rows"}).status, 2);
    EXPECT_EQ(tool.Run({"set", "s", "X=1", "--raw", "colour"}).status, 2);
}

TEST_F(SessionsTool, SecretsRoundTripAndAWrongPassphraseChangesNothing)
{
    Write("pass", "correct horse\nsecond line is ignored\n");
    Write("wrong", "battery staple\n");
    Ok({"add", "s"});
    Ok({"--passphrase-file", File("pass"), "secret", "set", "s", "Monitor Password V2"}, "p\xC3\xA4ss word\n");
    const std::string stored = Out({"get", "s", "Monitor Password V2"}).at(0);
    EXPECT_TRUE(stored.starts_with("03:")) << stored;
    EXPECT_EQ(Out({"--passphrase-file", File("pass"), "secret", "get", "s", "Monitor Password V2"}),
              Lines{"p\xC3\xA4ss word"});
    const std::string err =
        Fails({"--passphrase-file", File("wrong"), "secret", "get", "s", "Monitor Password V2"});
    EXPECT_NE(err.find("cannot be decrypted"), std::string::npos) << err;
    EXPECT_EQ(Out({"get", "s", "Monitor Password V2"}), Lines{stored});
    // Without a passphrase file the per-user one is made and used.
    Ok({"secret", "set", "s", "Monitor Password V2"}, "mine");
    EXPECT_EQ(Out({"secret", "get", "s", "Monitor Password V2"}), Lines{"mine"});
    EXPECT_TRUE(std::filesystem::exists(File("data/config-passphrase")));
    EXPECT_NE(Fails({"secret", "get", "s", "Hostname"}).find("not a secret"), std::string::npos);
    EXPECT_NE(Fails({"secret", "set", "s", "X"}, "").find("no plaintext"), std::string::npos);
    EXPECT_NE(Fails({"--passphrase-file", File("missing"), "secret", "get", "s", "X"}).find("passphrase file"),
              std::string::npos);

    const Lines encrypted = Out({"--passphrase-file", File("pass"), "encrypt"}, "one\n\nthree");
    ASSERT_EQ(encrypted.size(), 3u);
    EXPECT_NE(encrypted[0], encrypted[2]);
    const std::string joined = encrypted[0] + "\n" + encrypted[1] + "\n" + encrypted[2] + "\n";
    EXPECT_EQ(Out({"--passphrase-file", File("pass"), "decrypt"}, joined), (Lines{"one", "", "three"}));
    const std::string bad = Fails({"--passphrase-file", File("pass"), "decrypt"}, encrypted[0] + "\n03:zz\n");
    EXPECT_NE(bad.find("\"line 2\""), std::string::npos) << bad;
    EXPECT_EQ(tool.Run({"--passphrase-file", File("pass"), "decrypt"}, "03:zz\n").out, "");
}

// --- Export and import

TEST_F(SessionsTool, ExportImportExportGivesTheSameDocument)
{
    Ok({"mkdir", "Servers"});
    Ok({"mkdir", "Servers/Linux"});
    Ok({"mkdir", "Empty"});
    Ok({"add", "Servers/Linux/web01", "--host", "web01", "--description", "line one"});
    Ok({"add", "Servers/\xE2\x9C\x93 check", "--protocol", "RDP"});
    Ok({"add", "top", "--user", "ann"});
    Ok({"set", "Servers/Linux/web01", "Rows=40", "Pellowin Bookmarks=a\\nb", "Title Bar=tab\\tquote\"back\\\\"});
    Ok({"set", "top", "Engine Blob=0102", "--raw", "binary"});
    Ok({"set", "top", "Engine List=x\\ny", "--raw", "list"});
    Ok({"set", "top", "Engine Port=2222", "--raw", "number"});
    Ok({"secret", "set", "top", "Engine Secret"}, "s3cret");
    Ok({"secret", "set", "top", "PGP Upload Command V2"}, "gpg --sign");

    const std::string first = Ok({"export"}).out;
    Write("first.json", first);
    EXPECT_NE(first.find("{\"name\": \"Rows\", \"kind\": \"number\", \"value\": 40}"), std::string::npos);
    EXPECT_NE(first.find("{\"name\": \"Engine Blob\", \"kind\": \"binary\", \"value\": \"0102\"}"), std::string::npos);

    ToolProcess empty(dir.str() + "/second");
    std::filesystem::create_directories(empty.Home());
    const ToolRun imported = empty.Run({"import", File("first.json")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("added\tServers/Linux/web01\n"), std::string::npos);
    const ToolRun again = empty.Run({"export"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, first);
    // The secret went as its stored text: the same passphrase reads it.
    ToolRun secret = empty.Run({"secret", "get", "top", "Engine Secret"});
    EXPECT_EQ(secret.status, 1); // the second home has a passphrase of its own
    std::filesystem::copy_file(File("data/config-passphrase"), empty.Home() + "/data/config-passphrase",
                               std::filesystem::copy_options::overwrite_existing);
    secret = empty.Run({"secret", "get", "top", "Engine Secret"});
    EXPECT_EQ(secret.out, "s3cret\n") << secret.err;
    EXPECT_NE(first.find("{\"name\": \"PGP Upload Command V2\", \"kind\": \"secret\", \"value\": \"03:"),
              std::string::npos);
    secret = empty.Run({"secret", "get", "top", "PGP Upload Command V2"});
    EXPECT_EQ(secret.out, "gpg --sign\n") << secret.err;

    // The same through XML: the databases are the same.
    const std::string xml = Ok({"export", "--format", "xml"}).out;
    EXPECT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<orvalis-sessions version=\"1\">\n"));
    EXPECT_NE(xml.find("<value name=\"Title Bar\" kind=\"text\">tab\tquote\"back\\</value>"), std::string::npos);
    EXPECT_NE(xml.find("<value name=\"Engine List\" kind=\"list\"><item>x</item><item>y</item></value>"),
              std::string::npos);
    Write("first.xml", xml);
    ToolProcess third(dir.str() + "/third");
    std::filesystem::create_directories(third.Home());
    const ToolRun fromXml = third.Run({"import", File("first.xml")}); // known by its first character
    ASSERT_EQ(fromXml.status, 0) << fromXml.err;
    EXPECT_EQ(fromXml.out, imported.out);
    EXPECT_EQ(third.Run({"export"}).out, first);
    EXPECT_EQ(third.Run({"export", "--format", "xml"}).out, xml);
    EXPECT_NE(third.Run({"import", File("first.xml"), "--format", "json"}).err.find("first.xml line 1: Invalid value."),
              std::string::npos);

    // A part of the tree into a folder; existing sessions are left alone.
    const std::string part = Ok({"export", "Servers"}).out;
    Write("part.json", part);
    Ok({"mkdir", "Copy"});
    EXPECT_EQ(Out({"import", File("part.json"), "--folder", "Copy"}),
              (Lines{"added\tCopy/Linux/web01", "added\tCopy/\xE2\x9C\x93 check"}));
    EXPECT_EQ(Out({"import", File("part.json"), "--folder", "Copy"}),
              (Lines{"skipped\tCopy/Linux/web01", "skipped\tCopy/\xE2\x9C\x93 check"}));
    EXPECT_EQ(Ok({"export", "Copy"}).out, part);
}

TEST_F(SessionsTool, AMalformedDocumentIsReportedByLineAndImportsNothing)
{
    const std::string head = "{\n  \"format\": \"orvalis-sessions\",\n  \"version\": 1,\n";
    Write("syntax.json", head + "  \"sessions\": [\n    {\"name\": \"a\"},\n    {\"name\": \"b\",}\n  ]\n}\n");
    Write("kind.json", head + "  \"sessions\": [\n    {\"name\": \"a\"},\n    {\"name\": \"b\", \"values\": [\n"
                              "      {\"name\": \"Rows\", \"kind\": \"text\", \"value\": \"x\"}]}\n  ]\n}\n");
    Write("name.json", head + "  \"folders\": [{\"name\": \"ok\", \"sessions\": [{\"name\": \"a/b\"}]}]\n}\n");
    Write("twice.json", head + "  \"sessions\": [{\"name\": \"a\"},\n {\"name\": \"A\"}]\n}\n");
    Write("other.json", "{\"format\": \"something else\", \"version\": 1}");
    Write("escape.json", head + "  \"sessions\": [{\"name\": \"a\\x\"}]\n}\n");
    EXPECT_NE(Fails({"import", File("syntax.json")}).find("syntax.json line 6: Missing a name for object member."),
              std::string::npos);
    EXPECT_NE(Fails({"import", File("kind.json")}).find("kind.json line 7: \"Rows\": the setting is of kind number"),
              std::string::npos);
    EXPECT_NE(Fails({"import", File("name.json")}).find("line 4: The name \"a/b\" cannot be used"), std::string::npos);
    EXPECT_NE(Fails({"import", File("twice.json")}).find("line 5: \"A\" is named twice"), std::string::npos);
    EXPECT_NE(Fails({"import", File("other.json")}).find("line 1: this is no orvalis-sessions export"),
              std::string::npos);
    EXPECT_NE(Fails({"import", File("escape.json")}).find("escape.json line 4: Invalid escape character in string."), std::string::npos);
    EXPECT_NE(Fails({"import", File("none.json")}).find("cannot read"), std::string::npos);
    // The XML form says the same, with its line.
    Write("bad.xml", "<orvalis-sessions version=\"1\">\n<session name=\"a\">\n<value name=\"Rows\" kind=\"number\">"
                     "4x</value>\n</session>\n</orvalis-sessions>\n");
    Write("open.xml", "<orvalis-sessions version=\"1\">\n<session name=\"a\"/>\n<session name=\"b\">\n");
    Write("foreign.xml", "<?xml version=\"1.0\"?>\n<settings/>\n");
    Write("entity.xml", "<!DOCTYPE x [<!ENTITY a \"a\">]>\n<orvalis-sessions version=\"1\"/>\n");
    EXPECT_NE(Fails({"import", File("bad.xml")}).find("bad.xml line 3: a number is written as a whole number"),
              std::string::npos);
    EXPECT_NE(Fails({"import", File("open.xml")}).find("open.xml line 4: no element found"), std::string::npos);
    EXPECT_NE(Fails({"import", File("foreign.xml")}).find("foreign.xml line 2: this is no orvalis-sessions export"),
              std::string::npos);
    EXPECT_NE(Fails({"import", File("entity.xml")}).find("line 1: a document type declaration is not taken"),
              std::string::npos);
    const ToolRun yaml = tool.Run({"import", File("bad.xml"), "--format", "yaml"});
    EXPECT_EQ(yaml.status, 2);
    EXPECT_NE(yaml.err.find("--format takes json or xml"), std::string::npos);
    EXPECT_EQ(Out({"tree"}), Lines{"Sessions/"}); // nothing at all was made
}

// --- OpenSSH client configurations

TEST_F(SessionsTool, SshConfigHostsBecomeSessions)
{
    // An Include within a Host block applies under that block only, so it
    // comes first here.
    Write(".ssh/config", "# mine\n"
                         "Include conf.d/*.conf\n"
                         "Host web01 web02\n"
                         "    HostName %h.example.com\n"
                         "    Port 2222\n"
                         "Host db\n"
                         "    HostName=10.0.0.5\n"
                         "Host *.lan !printer.lan\n"
                         "    User admin\n"
                         "Host *\n"
                         "    User me\n");
    Write(".ssh/conf.d/jump.conf", "Host jump\n  HostName \"jump host\"\n  User root\nMatch host jump\n  User nobody\n");
    Ok({"mkdir", "ssh"});
    Ok({"add", "ssh/db"});
    EXPECT_EQ(Out({"import-ssh-config", "--folder", "ssh"}),
              (Lines{"added\tssh/jump", "added\tssh/web01", "added\tssh/web02", "skipped\tssh/db"}));
    EXPECT_EQ(Out({"get", "ssh/web02", "Hostname"}), Lines{"web02.example.com"});
    EXPECT_EQ(Out({"get", "ssh/web02", "Username"}), Lines{"me"});
    EXPECT_EQ(Out({"get", "ssh/web02", "SSH2 Port"}), Lines{"2222"});
    EXPECT_EQ(Out({"get", "ssh/web01", "Protocol Name"}), Lines{"SSH2"});
    EXPECT_EQ(Out({"get", "ssh/web01", "Description"}),
              Lines{"Imported from " + File(".ssh/config") + " line 3 (Host web01)"});
    EXPECT_EQ(Out({"get", "ssh/jump", "Hostname"}), Lines{"jump host"});
    EXPECT_EQ(Out({"get", "ssh/jump", "Username"}), Lines{"root"});
    EXPECT_NE(Fails({"get", "ssh/jump", "SSH2 Port"}).find("has no value"), std::string::npos);
    EXPECT_EQ(Out({"get", "ssh/db", "Hostname"}), Lines{""}); // left alone

    Write("bad", "Host fine\n  HostName fine.example\nHost broken\n  Port none\n");
    EXPECT_NE(Fails({"import-ssh-config", File("bad")}).find(File("bad") + " line 4: Port takes a number"),
              std::string::npos);
    Write("quote", "Host q\n  User \"unclosed\n");
    EXPECT_NE(Fails({"import-ssh-config", File("quote")}).find("line 2: a quote is not closed"), std::string::npos);
    EXPECT_NE(Fails({"import-ssh-config", File("missing")}).find("cannot be read"), std::string::npos);
    EXPECT_EQ(Out({"ls"}), (Lines{"ssh/", "Default"})); // none of them made anything
    // A name the tree cannot hold is made one, and the change is said.
    Write("badname", "Host good .hidden\n");
    const ToolRun odd = Ok({"import-ssh-config", File("badname")});
    EXPECT_EQ(odd.Lines(), (Lines{"added\tgood", "added\t_hidden"}));
    EXPECT_NE(odd.err.find("not carried over: " + File("badname") + " line 1: .hidden: named \"_hidden\" here"),
              std::string::npos);
}

// --- Keymaps, menus and commands

TEST_F(SessionsTool, KeymapAndMenuChecksSayWhatTheReadersSaid)
{
    const ToolRun defaults = Ok({"keymap", "default"});
    ASSERT_GT(defaults.Lines().size(), 10u);
    EXPECT_EQ(defaults.Lines()[0], "Version = 2");
    Write("default.key", defaults.out);
    EXPECT_EQ(Ok({"keymap", "check", File("default.key")}).out, ""); // the default reads back clean

    Write("warn.key", "Version = 2\nN\tVK_F1\t\"x\"\nN\tNO_SUCH_KEY\t\"y\"\n");
    EXPECT_EQ(Out({"keymap", "check", File("warn.key")}),
              (Lines{"Some lines of the keymap file \"" + File("warn.key") + "\" were ignored.",
                     "Line 3: the key name is not known."}));
    Write("bad.key", "Version = 2\nN\tNOPE1\tSEND\nN\tNOPE2\tSEND\nN\tNOPE3\tSEND\n");
    const ToolRun bad = tool.Run({"keymap", "check", File("bad.key")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("cannot be used"), std::string::npos);
    EXPECT_NE(bad.err.find("Line 4:"), std::string::npos);
    EXPECT_EQ(tool.Run({"keymap", "check", File("none.key")}).status, 1);
    EXPECT_EQ(tool.Run({"keymap", "frobnicate"}).status, 2);

    Write("menu.txt", "MENU main\n  MENUITEM \"&Quit\", MENU_EXIT\n  MENUITEM \"Odd\", NOT_A_COMMAND\nEND\n");
    EXPECT_EQ(Out({"menu", "check", File("menu.txt")}), Lines{"Line 3: the command \"NOT_A_COMMAND\" is not known."});
    // Toolbar images are decoded: a text file named ".bmp" is no picture.
    Write("notes.bmp", "not a picture\n");
    Write("bar.txt", "TOOLBAR tools\n  TOOLBARITEM notes.bmp, MENU_EXIT\nEND\n");
    const Lines imageWarnings = Out({"menu", "check", File("bar.txt")});
    ASSERT_EQ(imageWarnings.size(), 1u);
    EXPECT_EQ(imageWarnings[0].rfind("Line 2: the file \"" + File("notes.bmp") + "\" cannot be loaded. ", 0), 0u)
        << imageWarnings[0];
    Write("twice.txt", "STRINGTABLE\n  A, \"one\"\n  A, \"two\"\nEND\n");
    const ToolRun twice = tool.Run({"menu", "check", File("twice.txt")});
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.err.find("cannot be used"), std::string::npos);
    // Checks never open, let alone make, a database.
    EXPECT_FALSE(std::filesystem::exists(tool.Database()));
}

TEST_F(SessionsTool, CommandsGoToTheCommandDatabase)
{
    Ok({"commands", "add", "Net/Tools", "SEND", "--argument", "ping\\r", "--label", "Ping"});
    Ok({"commands", "add", "Net", "RUN", "--argument", "/usr/bin/top", "--argument2", "-d 1"});
    Ok({"commands", "add", "", "MENU_EXIT"});
    EXPECT_EQ(Out({"commands", "ls"}), (Lines{"Net/", "MENU_EXIT"}));
    EXPECT_EQ(Out({"commands", "ls", "Net"}), (Lines{"Tools/", "/usr/bin/top -d 1"}));
    EXPECT_EQ(Out({"commands", "ls", "Net\\Tools"}), Lines{"Ping"});
    EXPECT_NE(Fails({"commands", "add", "Net", "NOT_A_FUNCTION"}).find("is no function"), std::string::npos);
    EXPECT_NE(Fails({"commands", "ls", "Nowhere"}).find("no command folder"), std::string::npos);
    // Only the terminal product keeps commands.
    EXPECT_NE(Fails({"--app", "9", "commands", "add", "Net", "SEND"}).find("terminal product"), std::string::npos);
    EXPECT_EQ(Out({"commands", "ls", "Net"}).size(), 2u);
}

// --- The command line itself

TEST_F(SessionsTool, UsageErrorsExitWithTwoAndTheUsage)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"tree", "--bogus"}, {"tree", "a", "b"}, {"--app", "x", "tree"},
             {"--db"}, {"tree", "--sort", "random"}, {"find"}, {"secret", "peek", "a", "b"}}) {
        const ToolRun run = tool.Run(args);
        EXPECT_EQ(run.status, 2) << Joined(args);
        EXPECT_EQ(run.out, "") << Joined(args);
        EXPECT_NE(run.err.find("usage: orvalis-sessions"), std::string::npos) << Joined(args);
    }
    const ToolRun help = tool.Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("import-ssh-config"), std::string::npos);
    // A session name that begins with dashes, after "--".
    EXPECT_EQ(Out({"add", "--", "--odd"}), Lines{"--odd"});
}

TEST_F(SessionsTool, ProgressShowsOnlyOnATerminal)
{
    Write(".ssh/config", "Host a\nHost b\nHost c\n");
    const ToolRun piped = Ok({"import-ssh-config"});
    EXPECT_EQ(piped.err, "");
    Write(".ssh/config", "Host d\nHost e\n");
    const ToolRun shown = tool.RunOnTerminal({"import-ssh-config"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, "added\td\nadded\te\n");
    EXPECT_NE(shown.err.find("importing: 2 of 2 sessions"), std::string::npos) << shown.err;
}

TEST_F(SessionsTool, AnExportIsLongWorkFromAThousandAndOneSessionsOn)
{
    Write(".ssh/config", "Host a\nHost b\nHost c\nHost d\nHost e\n");
    Ok({"import-ssh-config"});
    std::string document = "{\"format\": \"orvalis-sessions\", \"version\": 1, \"sessions\": [";
    for (int i = 0; i < 994; ++i)
        document += std::string(i ? "," : "") + "{\"name\": \"s" + std::to_string(i) + "\"}";
    Write("many.json", document + "]}");
    ASSERT_EQ(Ok({"import", File("many.json")}).Lines().size(), 994u);
    EXPECT_EQ(tool.RunOnTerminal({"export"}).err, ""); // 1,000 with a to e and Default
    Ok({"add", "one more"});
    const ToolRun exported = tool.RunOnTerminal({"export"});
    EXPECT_EQ(exported.status, 0);
    EXPECT_NE(exported.err.find("exporting: 1001 of 1001 sessions"), std::string::npos);
    EXPECT_TRUE(exported.out.ends_with("}\n")); // the document is whole on standard output
}

TEST_F(SessionsTool, CheckRunsTheFullCheckOnDemand)
{
    Ok({"mkdir", "Lab"});
    for (int i = 0; i < 60; ++i)
        Ok({"add", "Lab/s" + std::to_string(i), "--host", std::string(200, 'h')});
    EXPECT_EQ(Out({"check"}), Lines{"ok"});
    // Scribble over the pages after the first: still a database file, but
    // its trees no longer make sense.
    DamagePages(tool.Database(), 4096 * 2, 4096 * 3);
    // Either the check names the damage, or the tool met it first (reading
    // the global options) and moved the file aside, which the check of the
    // fresh file follows.
    const ToolRun run = tool.Run({"check"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out != "ok\n" || run.err.find("moved aside") != std::string::npos) << run.out << run.err;
}

TEST_F(SessionsTool, ImportRefusesLateHeadersAndAFailureWhileWritingKeepsNothing)
{
    Ok({"add", "taken"});
    // The reader hands on each folder as it opens: "format" and a folder's
    // name come before what they hold, as export writes them.
    Write("late.json", "{\"sessions\": [], \"folders\": [{\"sessions\": [{\"values\": [], \"name\": \"s\"}],\n"
                       "  \"expanded\": true, \"name\": \"Late\"}], \"version\": 1, \"format\": \"orvalis-sessions\"}\n");
    EXPECT_NE(Fails({"import", File("late.json")}).find("late.json line 1: this is no orvalis-sessions export"),
              std::string::npos);
    Write("late.json", "{\"format\": \"orvalis-sessions\", \"version\": 1, \"folders\": [{\"name\": \"Late\",\n"
                       "  \"expanded\": true, \"sessions\": [{\"values\": [], \"name\": \"s\"}]}], \"sessions\": []}\n");
    EXPECT_EQ(Out({"import", File("late.json")}), Lines{"added\tLate/s"});
    // Known only against the database: "taken" is a session, not a folder.
    // The session written before it is taken back with everything else.
    Write("clash.json", "{\"format\": \"orvalis-sessions\", \"version\": 1,\n"
                        "  \"sessions\": [{\"name\": \"fresh\"}],\n"
                        "  \"folders\": [{\"name\": \"taken\", \"sessions\": [{\"name\": \"x\"}]}]}\n");
    EXPECT_NE(Fails({"import", File("clash.json")}).find("clash.json line 3: \"taken\" is a session in the database"),
              std::string::npos);
    EXPECT_EQ(Out({"tree"}), (Lines{"Sessions/", "  Late/", "    s", "  Default", "  taken"}));
}

// An import of a few hundred sessions killed at random instants: the
// database holds all of them or none, never a part.
TEST_F(SessionsTool, AKilledImportLeavesAllOrNothing)
{
    constexpr int kSessions = 300;
    std::string doc = "{\"format\": \"orvalis-sessions\", \"version\": 1, \"folders\": [{\"name\": \"In\", \"sessions\": [\n";
    for (int s = 0; s < kSessions; ++s)
        doc += std::string(s ? ",\n" : "") + "{\"name\": \"s" + std::to_string(s) +
               "\", \"values\": [{\"name\": \"Hostname\", \"kind\": \"text\", \"value\": \"h" + std::to_string(s) + "\"}]}";
    doc += "]}]}\n";
    Write("many.json", doc);
    Ok({"mkdir", "Other"}); // the database exists before the first kill
    // One whole import, timed, sets the range of the kill delays.
    const auto start = std::chrono::steady_clock::now();
    Ok({"import", File("many.json")});
    const int64_t wholeUs = MicrosecondsSince(start);
    Ok({"delete", "In"});
    std::mt19937 random(5);
    std::uniform_int_distribution<int64_t> delayUs(wholeUs / 10, wholeUs);
    int whole = 0;
    int none = 0;
    for (int round = 0; round < 8; ++round) {
        const int child = tool.Spawn({"import", File("many.json")});
        ASSERT_GT(child, 0);
        KillAfter(child, delayUs(random));
        const Lines top = Out({"ls"});
        if (std::find(top.begin(), top.end(), "In/") == top.end()) {
            ++none;
            continue;
        }
        EXPECT_EQ(Out({"ls", "In"}).size(), static_cast<size_t>(kSessions)) << "round " << round;
        ++whole;
        Ok({"delete", "In"});
    }
    EXPECT_GT(none, 0); // some kills landed inside the import
}

} // namespace
