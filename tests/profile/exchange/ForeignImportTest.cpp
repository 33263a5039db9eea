// Sessions from other programs: each format's sample file (written from
// the format's documentation) imported into a fresh database and read
// back value by value; the conflict policies; a dry run changes nothing;
// files that do not read import nothing and say where.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "SecretFakes.h"
#include "StoreFixtures.h"
#include "core/VUnknown.h"
#include "profile/exchange/ForeignImport.h"
#include "profile/exchange/MRemoteNgReader.h"
#include "profile/exchange/SessionExchangeDatabase.h"
#include "profile/exchange/WinScpReader.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/VProfileStore.h"

namespace {

using Lines = std::vector<std::string>;

std::string Sample(const std::string& name)
{
    return std::string(ORV_SOURCE_DIR) + "/tests/profile/exchange/samples/" + name;
}

bool Contains(const Lines& lines, const std::string& part)
{
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

class ForeignImport : public StoreTest {
protected:
    SessionDatabase& Db() { return *GetSessionDatabaseImpl(); }

    // Imports and returns "outcome path" for each session.
    Lines Import(ForeignProgram program, const std::string& path, ForeignReadOptions options = {},
                 ImportConflict conflict = ImportConflict::Skip, bool dryRun = false, const VUnicodeString& folder = {})
    {
        ForeignDocument document = ReadForeignSessions(program, path, options, dir.str());
        RecordedExchange recorded;
        WalkForeignDocument(document, recorded, ConfigPassphraseSealer());
        notes = document.notes;
        SessionExchangeImport import(Db(), folder, path);
        import.conflict = conflict;
        import.dryRun = dryRun;
        Lines items;
        import.onSession = [&](const SessionImportItem& item) {
            static const char* const kWords[] = {"added", "skipped", "renamed", "replaced"};
            items.push_back(std::string(kWords[static_cast<int>(item.outcome)]) + " " + item.path.ToUtf8());
        };
        import.Run([&](IExchangeVisitor& visitor) { recorded.Replay(visitor); });
        return items;
    }

    // path|protocol|transfer|host|port|user|description|password
    std::string Read(const std::u16string& path)
    {
        SessionConfigPtr config = Db().LoadSession(VUnicodeString(path));
        if (!config)
            return "(none)";
        std::string port;
        std::string password;
        std::vector<StoredValue> others;
        Db().GetValuesOutsideSchema(VUnicodeString(path), others);
        for (const StoredValue& value : others) {
            if (value.name.str().ends_with(u" Port"))
                port += (port.empty() ? "" : ",") + value.name.ToUtf8() + "=" + std::to_string(value.number);
            if (value.name.EqualsNoCase(kImportedPasswordValue)) {
                VEncryptedStringKeyData* raw = nullptr;
                GetConfigPassphraseKeyData(&raw, nullptr);
                const VUnknownPointer<VEncryptedStringKeyData> key(raw);
                VUnicodeString plain;
                EXPECT_TRUE(value.text.str().starts_with(u"03:"));
                EXPECT_EQ(VEncryptedString::DecryptText(value.text.str(), *key, plain), VEncryptedString::Status::Ok);
                password = plain.ToUtf8();
            }
        }
        std::string description;
        const VUnicodeString text = config->GetDescription();
        for (char16_t c : text.str())
            description += c == u'\n' ? std::string("/") : c == u'\r' ? std::string() : VUnicodeString(std::u16string(1, c)).ToUtf8();
        return VUnicodeString(path).ToUtf8() + "|" + config->Connect().GetProtocolName().ToUtf8() + "|" +
               config->Connect().GetTransferProtocolName().ToUtf8() + "|" + config->GetHostname().ToUtf8() + "|" +
               port + "|" + config->GetUsername().ToUtf8() + "|" + description + "|" + password;
    }

    PassphraseScope passphrase;
    Lines notes;
};

TEST_P(ForeignImport, PuttyAndKittyRegistryExportsAndPortableFolder)
{
    EXPECT_EQ(Import(ForeignProgram::Putty, Sample("putty.reg")),
              (Lines{"added console", "added router", "added web server"}));
    EXPECT_EQ(Read(u"web server"), "web server|SSH2|None|web.example.com|SSH2 Port=22|admin||");
    EXPECT_EQ(Read(u"router"), "router|Telnet|None|192.0.2.1|Telnet Port=23|||");
    EXPECT_EQ(Read(u"console"), "console|Serial|None|||||");
    EXPECT_TRUE(Contains(notes, "console: the serial line COM3")) << ::testing::PrintToString(notes);
    EXPECT_FALSE(Db().SessionExists(u"Default Settings"));

    ForeignReadOptions withPasswords;
    withPasswords.withPasswords = true;
    EXPECT_EQ(Import(ForeignProgram::Kitty, Sample("kitty.reg"), withPasswords),
              (Lines{"added Databases\\Primary\\db01", "added switch"}));
    EXPECT_EQ(Read(u"Databases\\Primary\\db01"), "Databases\\Primary\\db01|SSH2|None|db01.example.net|SSH2 Port=3389|postgres||");
    EXPECT_TRUE(Contains(notes, "db01: the password (KiTTY encrypts it in a form of its own)"));

    EXPECT_EQ(Import(ForeignProgram::Kitty, Sample("kitty-portable")),
              (Lines{"added Build farm\\build box", "added mail"}));
    EXPECT_EQ(Read(u"Build farm\\build box"), "Build farm\\build box|SSH2|None|build.example.com|SSH2 Port=2222|ci||");
    EXPECT_EQ(Read(u"mail"), "mail|Telnet|None|mail.example.com|Telnet Port=25|||");
}

TEST_P(ForeignImport, WinScpSitesFoldersAndPasswordsWithoutMasterPassword)
{
    ForeignReadOptions options;
    options.withPasswords = true;
    EXPECT_EQ(Import(ForeignProgram::WinScp, Sample("WinSCP.ini"), options),
              (Lines{"added Production\\Legacy\\ftp.example.org", "added Production\\files.example.org", "added bucket"}));
    EXPECT_EQ(Read(u"Production\\files.example.org"),
              "Production\\files.example.org|SSH2|SFTP|files.example.org|SFTP Port=2022,SSH2 Port=2022|deploy|Release uploads|winpass");
    EXPECT_EQ(Read(u"Production\\Legacy\\ftp.example.org"),
              "Production\\Legacy\\ftp.example.org|None|FTP/SSL (explicit)|ftp.example.org||anonymous||");
    EXPECT_EQ(Read(u"bucket"), "bucket|None|HTTPS (S3)|s3.amazonaws.com||||");

    // With the master password on, the password stays behind and is named.
    std::ifstream in(Sample("WinSCP.ini"));
    std::stringstream text;
    text << "[Configuration\\Security]\nUseMasterPassword=1\n" << in.rdbuf();
    const std::string bytes = text.str();
    const ForeignDocument locked = WinScpReader::Read(
        std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "WinSCP.ini", options);
    ASSERT_EQ(locked.sessions.size(), 3u);
    EXPECT_FALSE(locked.sessions[0].password);
    EXPECT_TRUE(Contains(locked.notes, "files.example.org: the password (it is encrypted with WinSCP's master password)"));
    // A scrambled text whose key part is not the user and host is refused.
    EXPECT_FALSE(WinScpReader::Unscramble("A35C425FF9119638392C30", "deploy", "files.example.org"));
}

TEST_P(ForeignImport, FileZillaFoldersProtocolsAndBase64Passwords)
{
    ForeignReadOptions options;
    options.withPasswords = true;
    EXPECT_EQ(Import(ForeignProgram::FileZilla, Sample("sitemanager.xml"), options, ImportConflict::Skip, false, u""),
              (Lines{"added Customers\\Web\\Customer DAV", "added Customers\\Customer SFTP", "added Example FTP"}));
    EXPECT_EQ(Read(u"Example FTP"), "Example FTP|None|FTP|ftp.example.com|FTP Port=21|alice|Public mirror/second line|secret pass");
    EXPECT_EQ(Read(u"Customers\\Customer SFTP"),
              "Customers\\Customer SFTP|SSH2|SFTP|sftp.customer.example|SFTP Port=2222,SSH2 Port=2222|bob||");
    EXPECT_EQ(Read(u"Customers\\Web\\Customer DAV"),
              "Customers\\Web\\Customer DAV|None|HTTPS|dav.customer.example|HTTPS Port=443|carol|Imported from a session of protocol webdav|");
    EXPECT_TRUE(Contains(notes, "Customer SFTP: the password (it is encrypted with FileZilla's master password)"));
    EXPECT_TRUE(Contains(notes, "the protocol \"webdav\" is not offered here; the session uses HTTPS"));
}

TEST_P(ForeignImport, MRemoteNgXmlWithDefaultAndGivenKeysAndItsCsv)
{
    ForeignReadOptions options;
    options.withPasswords = true;
    EXPECT_EQ(Import(ForeignProgram::MRemoteNg, Sample("confCons.xml"), options),
              (Lines{"added Servers\\jump", "added Servers\\desktop", "added Servers\\kvm", "added DC"}));
    EXPECT_EQ(Read(u"Servers\\jump"), "Servers\\jump|SSH2|None|jump.example.com|SSH2 Port=22|ops|Bastion host|s3cret");
    EXPECT_EQ(Read(u"Servers\\desktop"), "Servers\\desktop|RDP|None|10.0.0.5|RDP Port=3389|Administrator||p\xC3\xA4ssword");
    EXPECT_EQ(Read(u"Servers\\kvm"), "Servers\\kvm|RDP|None|10.0.0.6|RDP Port=5900||Imported from a session of protocol VNC|");
    EXPECT_EQ(Read(u"DC"), "DC|RDP|None|127.0.0.1|RDP Port=3389|Administrator||thXLHM96BeKL0ER2");
    EXPECT_TRUE(Contains(notes, "desktop: the domain \"CORP\""));

    // A file made with a master password: without it the sessions come
    // without their passwords, and say so; with it they decrypt.
    EXPECT_EQ(Import(ForeignProgram::MRemoteNg, Sample("confCons-team.xml"), options, ImportConflict::Skip, false),
              (Lines{"added team"}));
    EXPECT_EQ(Read(u"team"), "team|SSH2|None|team.example|SSH2 Port=22|t||");
    EXPECT_TRUE(Contains(notes, "team: the password (it cannot be decrypted: the file's key is not the one given)"));
    options.masterPassword = u"team key";
    EXPECT_EQ(Import(ForeignProgram::MRemoteNg, Sample("confCons-team.xml"), options, ImportConflict::Replace),
              (Lines{"replaced team"}));
    EXPECT_EQ(Read(u"team"), "team|SSH2|None|team.example|SSH2 Port=22|t||t3am");

    EXPECT_EQ(Import(ForeignProgram::MRemoteNg, Sample("mremoteng.csv"), options, ImportConflict::Skip, false),
              (Lines{"added Servers\\Web\\web", "added term"}));
    EXPECT_EQ(Read(u"Servers\\Web\\web"), "Servers\\Web\\web|SSH2|None|www.example.com|SSH2 Port=2200|www|Front end|plainpw");
    EXPECT_TRUE(Contains(notes, "term: the domain \"CORP\""));
}

TEST_P(ForeignImport, RemminaMobaXtermAndPlainCsv)
{
    ForeignReadOptions options;
    options.withPasswords = true;
    EXPECT_EQ(Import(ForeignProgram::Remmina, Sample("remmina"), options),
              (Lines{"added Work\\Desktops\\Office desktop", "added Router shell"}));
    EXPECT_EQ(Read(u"Work\\Desktops\\Office desktop"), "Work\\Desktops\\Office desktop|RDP|None|desk.example.com|RDP Port=3390|jdoe||");
    EXPECT_EQ(Read(u"Router shell"), "Router shell|SSH2|None|2001:db8::1|SSH2 Port=2222|root||");
    EXPECT_TRUE(Contains(notes, "Office desktop: the password (Remmina encrypts it with a secret of its own)"));

    EXPECT_EQ(Import(ForeignProgram::MobaXterm, Sample("sessions.mxtsessions")),
              (Lines{"added Lab\\Remote\\desk", "added Lab\\Remote\\viewer", "added local box"}));
    EXPECT_EQ(Read(u"local box"), "local box|SSH2|None|host.example.com|SSH2 Port=22|me||");
    EXPECT_EQ(Read(u"Lab\\Remote\\desk"), "Lab\\Remote\\desk|RDP|None|desk.lab.example|RDP Port=3389|labuser|Lab desktop|");
    EXPECT_EQ(Read(u"Lab\\Remote\\viewer"),
              "Lab\\Remote\\viewer|RDP|None|vnc.lab.example|RDP Port=5901||Imported from a session of protocol vnc|");

    EXPECT_EQ(Import(ForeignProgram::Csv, Sample("sessions.csv")),
              (Lines{"added Servers\\Linux\\web01", "added Servers\\Linux\\web02", "added printer"}));
    EXPECT_EQ(Read(u"Servers\\Linux\\web01"), "Servers\\Linux\\web01|SSH2|None|web01.example.com|SSH2 Port=22|alice|Front end, first|");
    EXPECT_EQ(Read(u"Servers\\Linux\\web02"), "Servers\\Linux\\web02|SSH2|None|web02.example.com||alice||");
    EXPECT_EQ(Read(u"printer"), "printer|Telnet|None|192.0.2.50|Telnet Port=9100||two/lines|");
    EXPECT_TRUE(Contains(notes, "the column \"tags\""));
}

TEST_P(ForeignImport, ConflictPoliciesAndDryRun)
{
    ASSERT_EQ(Import(ForeignProgram::Csv, Sample("sessions.csv")).size(), 3u);
    // Someone changed one of them since.
    {
        const VProfileStore transaction;
        SessionConfigPtr config = Db().LoadSession(u"printer");
        config->RemoteHost().SetHostname(u"changed.example");
        ASSERT_TRUE(Db().SaveSession(*config, nullptr));
    }
    const std::string changed = Read(u"printer");

    // Skip, the default: nothing that exists changes.
    EXPECT_EQ(Import(ForeignProgram::Csv, Sample("sessions.csv")),
              (Lines{"skipped Servers\\Linux\\web01", "skipped Servers\\Linux\\web02", "skipped printer"}));
    EXPECT_EQ(Read(u"printer"), changed);

    // A dry run reports what rename would do and leaves the database as it was.
    EXPECT_EQ(Import(ForeignProgram::Csv, Sample("sessions.csv"), {}, ImportConflict::Rename, true),
              (Lines{"renamed Servers\\Linux\\web01 (1)", "renamed Servers\\Linux\\web02 (1)", "renamed printer (1)"}));
    EXPECT_FALSE(Db().SessionExists(u"printer (1)"));
    EXPECT_FALSE(Db().SessionExists(u"Servers\\Linux\\web01 (1)"));
    VStringArray top;
    Db().GetSessionList(u"", ProfileFolderData::kSortManual, top);
    EXPECT_EQ(top.GetSize(), 1u);

    EXPECT_EQ(Import(ForeignProgram::Csv, Sample("sessions.csv"), {}, ImportConflict::Rename),
              (Lines{"renamed Servers\\Linux\\web01 (1)", "renamed Servers\\Linux\\web02 (1)", "renamed printer (1)"}));
    EXPECT_EQ(Read(u"printer"), changed);
    EXPECT_EQ(Read(u"printer (1)"), "printer (1)|Telnet|None|192.0.2.50|Telnet Port=9100||two/lines|");

    // Replace in a dry run changes nothing either; then it does.
    EXPECT_EQ(Import(ForeignProgram::Csv, Sample("sessions.csv"), {}, ImportConflict::Replace, true),
              (Lines{"replaced Servers\\Linux\\web01", "replaced Servers\\Linux\\web02", "replaced printer"}));
    EXPECT_EQ(Read(u"printer"), changed);
    Import(ForeignProgram::Csv, Sample("sessions.csv"), {}, ImportConflict::Replace);
    EXPECT_EQ(Read(u"printer"), "printer|Telnet|None|192.0.2.50|Telnet Port=9100||two/lines|");
    EXPECT_EQ(Read(u"printer (1)"), "printer (1)|Telnet|None|192.0.2.50|Telnet Port=9100||two/lines|");
}

TEST_P(ForeignImport, BadFilesImportNothingAndNameThePlace)
{
    const std::string broken = dir.str() + "/broken";
    auto write = [&](const std::string& text) {
        std::ofstream(broken, std::ios::binary) << text;
    };
    auto failure = [&](ForeignProgram program) -> std::string {
        try {
            Import(program, broken);
        } catch (const ExchangeError& error) {
            return error.what();
        }
        return "(imported)";
    };
    // Truncated in the middle of the second site.
    std::ifstream in(Sample("sitemanager.xml"));
    std::stringstream xml;
    xml << in.rdbuf();
    write(xml.str().substr(0, xml.str().find("<Host>sftp")));
    EXPECT_EQ(failure(ForeignProgram::FileZilla).rfind(broken + " line 2", 0), 0u) << failure(ForeignProgram::FileZilla);
    write("folder,name,host\nA,b,\"c\n");
    EXPECT_NE(failure(ForeignProgram::Csv).find(broken + " line 2"), std::string::npos);
    write("[Sessions\\x]\nHostName=h\nPortNumber=99999\n");
    EXPECT_EQ(failure(ForeignProgram::WinScp), broken + " line 3: \"99999\" is no port number");
    write("[Bookmarks]\nSubRep=\nbad line\n");
    EXPECT_EQ(failure(ForeignProgram::MobaXterm), broken + " line 3: the line is neither a [section] nor name=value");
    write("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\SimonTatham\\PuTTY\\Sessions\\a]\n\"HostName\"=\"x\n");
    EXPECT_NE(failure(ForeignProgram::Putty).find(broken + " line 4"), std::string::npos) << failure(ForeignProgram::Putty);
    std::string deep = "folder,name\n";
    for (int i = 0; i <= kExchangeMaximumDepth; ++i)
        deep += "f/";
    write(deep + ",s\n");
    EXPECT_EQ(failure(ForeignProgram::Csv), broken + " line 2: folders are nested more than 200 deep");
    write("<mrng:Connections xmlns:mrng=\"x\" KdfIterations=\"999999999\"></mrng:Connections>");
    EXPECT_NE(failure(ForeignProgram::MRemoteNg).find("KdfIterations"), std::string::npos);
    VStringArray top;
    Db().GetSessionList(u"", ProfileFolderData::kSortManual, top);
    VStringArray folders;
    Db().GetFolderList(u"", ProfileFolderData::kSortManual, folders);
    EXPECT_EQ(top.GetSize() + folders.GetSize(), 0u);
}

TEST_P(ForeignImport, NamesTheTreeCannotHoldAreMadeHoldable)
{
    const std::string csv = dir.str() + "/names.csv";
    std::ofstream(csv) << "folder,name,host\n"
                          "a/b,x\\y,h1\n"
                          "a/b,x\\y,h2\n"
                          ",  .hidden ,h3\n"
                          ",,h4\n"
                          ",web,h5\n"
                          "web,inner,h6\n"
                          "web,other,h7\n";
    EXPECT_EQ(Import(ForeignProgram::Csv, csv),
              (Lines{"added a\\b\\x-y", "added a\\b\\x-y (1)", "added web (folder)\\inner", "added web (folder)\\other",
                     "added _hidden", "added h4", "added web"}));
    EXPECT_TRUE(Contains(notes, "inner: the folder \"web\" is named \"web (folder)\" here: a session has its name"));
    EXPECT_TRUE(Contains(notes, "x\\y: named \"x-y (1)\" here: the name is taken"));
}

ORV_BOTH_BACKENDS(ForeignImport);

TEST(MRemoteNgCrypto, PublicSampleDecryptsWithTheBuiltInKey)
{
    // The "Protected" text of a file made with no master password holds
    // "ThisIsNotProtected".
    EXPECT_EQ(MRemoteNgReader::Decrypt("ym1COlKbgA86MYxN/dYtPC5gGlIZhRUGTTTMbC/+YfPXyLzqsI860tK0m34+xCbyXEwvD7RYdf/Tf7NBSW3YHVma",
                                       "mR3m", 1000),
              "ThisIsNotProtected");
    EXPECT_FALSE(MRemoteNgReader::Decrypt("ym1COlKbgA86MYxN/dYtPC5gGlIZhRUGTTTMbC/+YfPXyLzqsI860tK0m34+xCbyXEwvD7RYdf/Tf7NBSW3YHVma",
                                          "other", 1000));
    EXPECT_FALSE(MRemoteNgReader::Decrypt("not base64!", "mR3m", 1000));
    const std::string made = MRemoteNgReader::Encrypt("x", "k", 10, std::string(16, 'a'), std::string(16, 'b'));
    EXPECT_EQ(MRemoteNgReader::Decrypt(made, "k", 10), "x");
    EXPECT_FALSE(MRemoteNgReader::Decrypt(made, "k", 11));
}

} // namespace
