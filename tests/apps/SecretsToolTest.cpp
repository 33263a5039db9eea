// orvalis-sessions and secrets: the administrator's switches, secrets only
// ever stored encrypted, login scripts in plaintext, older secrets shown
// before their conversion, and where the passphrase lives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Fakes.h"
#include "ProcessFaults.h"
#include "ToolProcess.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using Lines = std::vector<std::string>;

class SecretsTool : public ToolTest {
protected:
    void Policy(const std::string& values)
    {
        std::filesystem::create_directories(dir.str() + "/config");
        std::ofstream(dir.str() + "/config/policies.reg")
            << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Policies\\Orvalis]\n"
            << values;
    }
    // A session as an older version kept it: only the values given, under their names then.
    void WriteOlderSession(const char16_t* path, const std::vector<std::pair<const char16_t*, const char16_t*>>& values)
    {
        StoreInUse<SqliteProfileFactory> open(tool.Database());
        VProfileStore store; // ends before the database closes
        const VProfileKey key(*store.GetRootKey(), path, 1);
        for (const auto& [name, text] : values)
            key.WriteString(name, text);
    }
};

TEST_F(SecretsTool, PolicyRefusalsFailAndKeepWhatWasStored)
{
    Ok({"mkdir", "Lab"});
    Ok({"add", "Lab/web01", "--host", "h", "--user", "ann"});
    Ok({"secret", "set", "Lab/web01", "Monitor Password V2"}, "first\n");
    const Lines stored = Out({"get", "Lab/web01", "Monitor Password V2"});

    Policy("\"Disable Passwords\"=dword:00000001\n\"Save Passwords\"=dword:00000000\n"
           "\"Save Usernames\"=dword:00000000\n");
    std::string err = Fails({"secret", "set", "Lab/web01", "Monitor Password V2"}, "second\n");
    EXPECT_NE(err.find("\"Disable Passwords\""), std::string::npos) << err;
    err = Fails({"secret", "set", "Lab/web01", "Password"}, "second\n"); // outside the schema too
    EXPECT_NE(err.find("\"Password\" was not saved"), std::string::npos) << err;
    err = Fails({"login-script", "set", "Lab/web01"}, "1\tlogin:\tann\n");
    EXPECT_NE(err.find("Login Script V4"), std::string::npos) << err;
    err = Fails({"set", "Lab/web01", "Username=bob", "Rows=50"});
    EXPECT_NE(err.find("\"Save Usernames\""), std::string::npos) << err;
    EXPECT_EQ(Out({"get", "Lab/web01", "Username"}), Lines{"ann"});
    EXPECT_EQ(Out({"get", "Lab/web01", "Rows"}), Lines{"50"}); // what the policy allows is saved

    std::filesystem::remove(dir.str() + "/config/policies.reg");
    EXPECT_EQ(Out({"secret", "get", "Lab/web01", "Monitor Password V2"}), Lines{"first"});
    EXPECT_EQ(Out({"get", "Lab/web01", "Monitor Password V2"}), stored);
}

TEST_F(SecretsTool, SecretsAreSetOnlyEncryptedAndLoginScriptsInPlaintext)
{
    Ok({"add", "s"});
    std::string err = Fails({"set", "s", "Monitor Password V2=hunter2"});
    EXPECT_NE(err.find("secret set"), std::string::npos) << err;
    err = Fails({"set", "s", "Monitor Password V2=hunter2", "--raw", "secret"});
    EXPECT_NE(err.find("stored form"), std::string::npos) << err;
    err = Fails({"set", "s", "Login Script V4=plain"});
    EXPECT_NE(err.find("login-script set"), std::string::npos) << err;
    Fails({"set", "s", "Token=plain", "--raw", "secret"});
    EXPECT_EQ(Out({"get", "s", "Monitor Password V2"}), Lines{""});

    // A stored form from elsewhere is taken as it is, and reads.
    const std::string stored = Out({"encrypt"}, "hunter2\n").at(0);
    Ok({"set", "s", "Monitor Password V2=" + stored, "Token=" + stored, "--raw", "secret"});
    EXPECT_EQ(Out({"secret", "get", "s", "Monitor Password V2"}), Lines{"hunter2"});
    EXPECT_EQ(Out({"secret", "get", "s", "Token"}), Lines{"hunter2"});

    // Steps in plaintext, one a line; show prints the stored, encrypted list.
    Ok({"login-script", "set", "s"}, "1\tlogin:\tann\n0\tword:\tp\\tw\\\\d\tthird\n");
    EXPECT_EQ(Out({"login-script", "show", "s"}), (Lines{"1\tlogin:\tann\t", "0\tword:\tp\\tw\\\\d\tthird"}));
    const Lines shown = Out({"show", "s"});
    const auto script = std::find_if(shown.begin(), shown.end(),
                                     [](const std::string& l) { return l.starts_with("Login Script V4\t"); });
    ASSERT_NE(script, shown.end());
    EXPECT_EQ(script->find("login"), std::string::npos);
    EXPECT_NE(script->find("\tlist\t03:"), std::string::npos) << *script;
    EXPECT_NE(Fails({"login-script", "set", "s"}, "2\tx\n").find("flag"), std::string::npos);
    EXPECT_EQ(Out({"login-script", "show", "s"}).size(), 2u); // the refused input changed nothing
    Ok({"login-script", "set", "s"}, "");
    EXPECT_EQ(Out({"login-script", "show", "s"}), Lines{});
}

TEST_F(SecretsTool, OlderSecretsShowWithTheirOriginUntilTheSaveConvertsThem)
{
    Ok({"mkdir", "Old"});
    WriteOlderSession(u"Sessions\\Old\\s", {{u"Protocol Name", u"Local Shell"},
                                              {u"Local Shell Command Pre-connect", u"ssh-add -l"},
                                              {u"Monitor Password", u"u0011223344556677"}});
    const std::string pending = "ssh-add -l\tpending conversion from \"Local Shell Command Pre-connect\"";
    EXPECT_EQ(Out({"get", "Old/s", "Local Shell Command Pre-connect V2"}), Lines{pending});
    const Lines shown = Out({"show", "Old/s"});
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Local Shell Command Pre-connect V2\tsecret\t" + pending),
              shown.end());
    // An older two-layer value without the host's keys: shown as it is.
    EXPECT_EQ(Out({"get", "Old/s", "Monitor Password V2"}),
              Lines{"u0011223344556677\tpending conversion from \"Monitor Password\""});
    EXPECT_EQ(Out({"secret", "get", "Old/s", "Local Shell Command Pre-connect V2"}), Lines{"ssh-add -l"});

    // Any save converts what it can and writes the current name; the
    // two-layer value is kept, and the user told.
    const ToolRun saved = Ok({"set", "Old/s", "Rows=30"});
    EXPECT_NE(saved.err.find("older encrypted form"), std::string::npos) << saved.err;
    const std::string converted = Out({"get", "Old/s", "Local Shell Command Pre-connect V2"}).at(0);
    EXPECT_TRUE(converted.starts_with("03:")) << converted;
    EXPECT_EQ(Out({"get", "Old/s", "Local Shell Command Pre-connect"}), Lines{"ssh-add -l"}); // the older stays
    EXPECT_EQ(Out({"get", "Old/s", "Monitor Password"}), Lines{"u0011223344556677"});
    EXPECT_EQ(Out({"get", "Old/s", "Monitor Password V2"}),
              Lines{"u0011223344556677\tpending conversion from \"Monitor Password\""});
}

TEST_F(SecretsTool, WithoutAKeyringThePassphraseIsAFileAndChangesWithEverySecret)
{
    Ok({"add", "a"});
    Ok({"add", "b"});
    Ok({"secret", "set", "a", "Monitor Password V2"}, "pa\n");
    Ok({"secret", "set", "b", "Token"}, "pb\n");
    Ok({"login-script", "set", "b"}, "1\tx\ty\n");
    EXPECT_EQ(Out({"passphrase", "where"}), Lines{"file\t" + dir.str() + "/data/config-passphrase"});
    std::ifstream in(dir.str() + "/data/config-passphrase");
    std::string before;
    std::getline(in, before);

    EXPECT_EQ(Out({"passphrase", "change"}), Lines{"re-encrypted\t3"});
    std::ifstream again(dir.str() + "/data/config-passphrase");
    std::string after;
    std::getline(again, after);
    EXPECT_NE(after, before);
    EXPECT_EQ(after.size(), 64u);
    EXPECT_EQ(Out({"secret", "get", "a", "Monitor Password V2"}), Lines{"pa"});
    EXPECT_EQ(Out({"secret", "get", "b", "Token"}), Lines{"pb"});
    EXPECT_EQ(Out({"login-script", "show", "b"}), Lines{"1\tx\ty\t"});

    // A given passphrase is the user's to keep: the new one must be given too.
    std::ofstream(dir.str() + "/given") << after << "\n";
    std::ofstream(dir.str() + "/next") << "next passphrase\n";
    EXPECT_NE(Fails({"--passphrase-file", dir.str() + "/given", "passphrase", "change"}).find("--new-passphrase-file"),
              std::string::npos);
    EXPECT_EQ(Out({"--passphrase-file", dir.str() + "/given", "passphrase", "change", "--new-passphrase-file",
                   dir.str() + "/next"}),
              Lines{"re-encrypted\t4"}); // and the proof the first change left
    EXPECT_EQ(Out({"--passphrase-file", dir.str() + "/next", "secret", "get", "a", "Monitor Password V2"}), Lines{"pa"});
    // The wrong one now: nothing is rewritten.
    const std::string err = Fails({"passphrase", "change"});
    EXPECT_NE(err.find("do not read"), std::string::npos) << err;
    EXPECT_EQ(Out({"--passphrase-file", dir.str() + "/next", "secret", "get", "b", "Token"}), Lines{"pb"});
}

// A real Secret Service: gnome-keyring in a D-Bus session of the test's own,
// unlocked with a throw-away password.
TEST_F(SecretsTool, TheKeyringKeepsThePassphraseAndTakesOverTheFile)
{
    for (const char* program : {"/usr/bin/gnome-keyring-daemon", "/usr/bin/dbus-run-session"})
        if (!std::filesystem::exists(program))
            GTEST_SKIP() << program << " is missing: install gnome-keyring and dbus to run the keyring test";
    Ok({"add", "s"});
    Ok({"secret", "set", "s", "Monitor Password V2"}, "from before\n"); // under the file's passphrase
    const std::string tool = ORV_BINARY_DIR "/orvalis-sessions --db " + dir.str() + "/sessions.db";
    std::ofstream(dir.str() + "/keyring.sh")
        << "echo -n pw | gnome-keyring-daemon --unlock --components=secrets >/dev/null || exit 3\n"
        // The daemon goes to the background: wait until it owns the Secret Service's name.
        << "i=0; until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
           "org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q true; do "
           "i=$((i+1)); [ $i -gt 200 ] && exit 4; sleep 0.1; done\n"
        << "T='" << tool << "'\n"
        << "$T passphrase where\n"
        << "test -e '" << dir.str() << "/data/config-passphrase' && echo file-left || echo file-gone\n"
        << "$T secret get s 'Monitor Password V2'\n"
        << "echo new | $T secret set s Token\n"
        << "$T passphrase change\n"
        << "$T secret get s 'Monitor Password V2'\n"
        << "$T secret get s Token\n"
        << "$T passphrase where\n";
    const std::string env = "env -i HOME=" + dir.str() + " XDG_DATA_HOME=" + dir.str() + "/share ORV_CONFIG_PATH=" +
                            dir.str() + "/config ORV_USER_DATA_PATH=" + dir.str() +
                            "/data ORV_INSTALLED_PRODUCTS=none PATH=/usr/bin:/bin";
    const std::string command = env + " timeout 120 dbus-run-session -- sh " + dir.str() + "/keyring.sh > " +
                                dir.str() + "/keyring.out 2> " + dir.str() + "/keyring.err";
    ASSERT_EQ(std::system(command.c_str()), 0) << std::ifstream(dir.str() + "/keyring.err").rdbuf();
    std::ifstream out(dir.str() + "/keyring.out");
    Lines lines;
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    const std::string where = "keyring\t" + dir.str() + "/config/config.db";
    EXPECT_EQ(lines, (Lines{where, "file-gone", "from before", "re-encrypted\t2", "from before", "new", where}));
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/data/config-passphrase.new"));
}

} // namespace
