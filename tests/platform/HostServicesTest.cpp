#include <gtest/gtest.h>

#include <cerrno>

#include "Fakes.h"
#include <optional>

#include "platform/BaseFolders.h"
#include "platform/GlobalConfig.h"
#include "platform/PlatformError.h"
#include "platform/Products.h"
#include "platform/ProtocolTable.h"
#include "platform/TerminalTypes.h"
#include "platform/UrlSchemeTable.h"
#include "platform/SessionNameValidator.h"
#include "platform/WindowClassRegistry.h"

namespace {

TEST(SessionNames, AcceptsOrdinaryNames)
{
    for (const char16_t* name : {u"web01", u"Prod DB (primary)", u"Sitzung ä", u"a.b", u"x__y", u"__"})
        EXPECT_EQ(SessionNameProblem(name), 0u) << VUnicodeString(name).ToUtf8();
}

TEST(SessionNames, RefusesWithTheReason)
{
    EXPECT_EQ(SessionNameProblem(u""), kSessionNameEmpty);
    EXPECT_EQ(SessionNameProblem(u"a/b"), kSessionNameSeparator);
    EXPECT_EQ(SessionNameProblem(u"a\\b"), kSessionNameSeparator);
    EXPECT_EQ(SessionNameProblem(u".hidden"), kSessionNameLeadingDot);
    EXPECT_EQ(SessionNameProblem(u"x__folderdata__"), kSessionNameReserved);
    EXPECT_EQ(SessionNameProblem(u"__Commands__"), kSessionNameReserved);
    EXPECT_EQ(SessionNameProblem(u"__web01__"), kSessionNameReserved);
    EXPECT_EQ(SessionNameProblem(u"tab\there"), kSessionNameControl);
    EXPECT_EQ(SessionNameProblem(u" padded"), kSessionNameBlankEnds);
    EXPECT_EQ(SessionNameProblem(std::u16string(256, u'x')), kSessionNameTooLong);
    EXPECT_EQ(SessionNameProblem(std::u16string(255, u'x')), 0u);
}

TEST(SessionNames, ValidateTellsTheUserOnlyWhenAsked)
{
    FakeMessageBox box;
    EXPECT_TRUE(ValidateSessionName(u"Folder\\", u"old", u"new", true, nullptr));
    EXPECT_FALSE(ValidateSessionName(u"", u"old", u"a/b", false, nullptr));
    EXPECT_TRUE(box.shown.empty());
    EXPECT_FALSE(ValidateSessionName(u"", u"old", u"a/b", true, nullptr));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text,
              u"The name \"a/b\" cannot be used: a session or folder name cannot contain \"\\\" or \"/\".");
    EXPECT_EQ(box.shown[0].style & kMbIconMask, kMbIconExclamation);
}

TEST(BaseFolders, FollowXdgVariablesAndOverrides)
{
    ScopedEnv home("HOME", "/home/ann");
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ScopedEnv data("XDG_DATA_HOME", "relative/ignored");
    ScopedEnv c1("ORV_CONFIG_PATH", nullptr), c2("ORV_USER_DATA_PATH", nullptr), c3("ORV_SSH_DATA_PATH", nullptr);
    EXPECT_EQ(GetOrvConfigPathSub(), VUnicodeString(u"/home/ann/.config/orvalis"));
    EXPECT_EQ(GetOrvUserDataPathSub(), VUnicodeString(u"/home/ann/.local/share/orvalis"));
    EXPECT_EQ(GetOrvSshDataPathSub(), VUnicodeString(u"/home/ann/.local/share/orvalis/ssh"));
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg/");
        EXPECT_EQ(GetOrvConfigPathSub(), VUnicodeString(u"/cfg/orvalis"));
        ScopedEnv own("ORV_CONFIG_PATH", "/etc/orv//");
        EXPECT_EQ(GetOrvConfigPathSub(), VUnicodeString(u"/etc/orv"));
    }
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_TRUE(GetOrvConfigPathSub().IsEmpty());
    EXPECT_FALSE(GetOrvInstallPathSub().IsEmpty()); // the folder of this program
}

TEST(Products, RunningHostAndOverride)
{
    ScopedEnv listed("ORV_INSTALLED_PRODUCTS", "none");
    SetApplicationNumber(kApplicationTerminal);
    EXPECT_TRUE(IsKestruneInstalled()); // the host is the terminal product
    EXPECT_FALSE(IsPellowinInstalled());
    EXPECT_EQ(VGetAppName(), VUnicodeString(u"Kestrune"));
    SetApplicationNumber(kApplicationTransfer);
    EXPECT_FALSE(IsKestruneOrTamsicInstalled());
    EXPECT_TRUE(IsPellowinInstalled());
    EXPECT_EQ(VGetAppName(), VUnicodeString(u"Pellowin"));
    {
        ScopedEnv both("ORV_INSTALLED_PRODUCTS", "pellowin,kestrune");
        EXPECT_TRUE(IsKestruneInstalled());
    }
    SetApplicationNumber(kApplicationTerminal);
}

TEST(ProtocolTable, RowsAndLookups)
{
    const auto rows = GetConnectProtocolTable();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(VUnicodeString(rows[0].name), VUnicodeString(u"SSH2"));
    const ConnectProtocolRow* tls = FindProtocolByName(u"telnet/ssl");
    ASSERT_NE(tls, nullptr);
    EXPECT_EQ(VUnicodeString(tls->displayName), VUnicodeString(u"Telnet/TLS"));
    EXPECT_EQ(FindProtocolByDisplayName(u"FTP/TLS (implicit)"), FindProtocolByName(u"FTP/SSL (implicit)"));
    EXPECT_EQ(FindProtocolByName(u"Gopher"), nullptr);
    int terminalNone = 0;
    int transferNone = 0;
    for (const ConnectProtocolRow& row : rows)
        if (VUnicodeString(row.name) == u"None")
            (row.applicationNumber == kApplicationTerminal ? terminalNone : transferNone)++;
    EXPECT_EQ(terminalNone, 1);
    EXPECT_EQ(transferNone, 1);
}

TEST(ProtocolTable, UrlSchemesAndTerminalTypes)
{
    const UrlSchemeRow* ssh = FindUrlScheme(u"SSH");
    ASSERT_NE(ssh, nullptr);
    EXPECT_EQ(ssh->number, 5);
    EXPECT_EQ(ssh->defaultPort, 22);
    EXPECT_EQ(FindUrlScheme(u"ftps")->defaultPort, 990);
    EXPECT_EQ(FindUrlScheme(u"httpsawss3")->number, 10);
    EXPECT_EQ(FindUrlScheme(u"rlogin")->defaultPort, 0); // none
    EXPECT_EQ(FindUrlScheme(u"gopher"), nullptr);
    int number = 0;
    for (const UrlSchemeRow& row : GetUrlSchemeTable())
        EXPECT_EQ(row.number, number++); // numbered in order, none left out
    EXPECT_EQ(number, 15);

    {
        ScopedEnv harlin("ORV_HARLIN_EMULATION", "0");
        const VStringArray types = GetTerminalTypes();
        EXPECT_EQ(types.GetSize(), 15u);
        EXPECT_EQ(types[14], VUnicodeString(u"TN3270"));
    }
    ScopedEnv harlin("ORV_HARLIN_EMULATION", nullptr);
    EXPECT_EQ(GetTerminalTypes()[15], VUnicodeString(u"Harlin"));
    EXPECT_EQ(GetTn3270Models().size(), 4u);
}

TEST(PlatformServices, ErrorTextsAndWindowClasses)
{
    EXPECT_EQ(SystemErrorText(ENOENT), u"No such file or directory.");
    EXPECT_TRUE(SystemErrorText(kErrorMessageNotFound).empty());
    EXPECT_EQ(PlatformErrorText({ENOENT, u"loader says no"}), u"loader says no");

    WindowClassInfo info;
    info.name = u"Test Class";
    EXPECT_EQ(RegisterWindowClass(info), 0u);
    info.style = 5;
    info.name = u"TEST CLASS";
    EXPECT_EQ(RegisterWindowClass(info), kErrorClassAlreadyExists);
    ASSERT_NE(FindWindowClass(u"test class"), nullptr);
    EXPECT_EQ(FindWindowClass(u"test class")->style, 0u); // the first registration stays
}

} // namespace

namespace {

class MemoryStorage final : public IGlobalConfigStorage {
public:
    void Load(GlobalConfig& config) override
    {
        if (stored)
            config = *stored;
    }
    bool Save(const GlobalConfig& config) override
    {
        ++saves;
        stored = config;
        return true;
    }
    std::optional<GlobalConfig> stored;
    int saves = 0;
};

TEST(GlobalConfig, ThresholdOutsideItsRangeIsReplacedAndKept)
{
    MemoryStorage storage;
    SetGlobalConfigStorage(&storage);
    GlobalConfig* config = nullptr;
    ASSERT_TRUE(GetGlobalConfig(&config));
    for (uint32_t bad : {0u, 5000u}) {
        config->multiConnectWarningThreshold = bad;
        EXPECT_EQ(config->MultiConnectWarningThreshold(), 20u);
        ASSERT_TRUE(storage.stored);
        EXPECT_EQ(storage.stored->multiConnectWarningThreshold, 20u);
    }
    const int saves = storage.saves;
    config->multiConnectWarningThreshold = 1000;
    EXPECT_EQ(config->MultiConnectWarningThreshold(), 1000u);
    EXPECT_EQ(storage.saves, saves); // a valid value is not rewritten
    SetGlobalConfigStorage(nullptr);
}

TEST(GlobalConfig, PersistsThroughItsStorageAndPicksTheReminderRecord)
{
    MemoryStorage storage;
    SetGlobalConfigStorage(&storage);
    GlobalConfig* config = nullptr;
    ASSERT_TRUE(GetGlobalConfig(&config));
    config->sortMode = 2;
    config->UpdateReminderFor(9).dontRemind = true;
    EXPECT_TRUE(config->Save());
    config->sortMode = 0;
    config->Reload();
    EXPECT_EQ(config->sortMode, 2);
    EXPECT_TRUE(config->UpdateReminderFor(6).dontRemind);
    EXPECT_FALSE(config->UpdateReminderFor(3).dontRemind);
    SetGlobalConfigStorage(nullptr); // back to memory only: defaults
    EXPECT_EQ(config->sortMode, 0);
    EXPECT_FALSE(config->Save());
    EXPECT_FALSE(GetGlobalConfig(nullptr));
}

} // namespace
