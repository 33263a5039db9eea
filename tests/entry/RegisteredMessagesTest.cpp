#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "Fakes.h"
#include "entry/ConnectDialog.h"
#include "entry/RegisteredMessages.h"
#include "platform/AtomTable.h"
#include "profile/reports/ReportRouting.h"

namespace {

// Runs the probe program, which loads the library like a host, in the
// background; returns its output lines as name -> value.
FILE* StartProbe(const std::string& runtimeDir)
{
    const std::string command = "XDG_RUNTIME_DIR='" + runtimeDir + "' '" ORV_BINARY_DIR "/orv-library-probe' '" +
                                ORV_LIBRARY_DIR "/libconnectdialog.so'";
    return popen(command.c_str(), "r");
}

std::map<std::string, std::string> Finish(FILE* probe)
{
    std::map<std::string, std::string> values;
    char line[512];
    while (fgets(line, sizeof line, probe)) {
        std::string text(line);
        const size_t blank = text.rfind(' ');
        if (blank != std::string::npos)
            values[text.substr(0, blank)] = text.substr(blank + 1, text.find_last_not_of('\n') - blank);
    }
    EXPECT_EQ(pclose(probe), 0);
    return values;
}

TEST(RegisteredMessages, EveryProcessGetsTheSameNonZeroNumbers)
{
    TempDir runtime;
    FILE* first = StartProbe(runtime.str());
    FILE* second = StartProbe(runtime.str()); // at the same time
    const auto a = Finish(first);
    const auto b = Finish(second);
    const auto c = Finish(StartProbe(runtime.str())); // and later
    std::set<std::string> numbers;
    for (const char* getter : {"GetTrayvellCanExitApplicationMessage", "GetTrayvellShowSelectionMessage",
                               "GetGlimmondTerminateMessage", "GetCreateNewTabMessage", "GetGlobalConfigChangeMessage",
                               "GetProcessCommandLineMessage", "GetRetrieveAppInformationMessage",
                               "GetKestruneAppWindowCommandLineMessage", "GetSessionDatabaseChangeMessage"}) {
        ASSERT_TRUE(a.contains(getter)) << getter;
        EXPECT_NE(a.at(getter), "0") << getter;
        EXPECT_EQ(a.at(getter), b.at(getter)) << getter;
        EXPECT_EQ(a.at(getter), c.at(getter)) << getter;
        numbers.insert(a.at(getter));
    }
    EXPECT_EQ(numbers.size(), 9u);

    // This process, registering through its own table, agrees too.
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.str().c_str());
    RegisterLibraryMessages(AtomTable(AtomTable::DefaultPath()));
    EXPECT_EQ(std::to_string(GetSessionDatabaseChangeMessage()), a.at("GetSessionDatabaseChangeMessage"));
    EXPECT_EQ(std::to_string(GetTrayvellCanExitApplicationMessage()), a.at("GetTrayvellCanExitApplicationMessage"));
}

TEST(RegisteredMessages, TheLibraryExportsItsNamesExactly)
{
    TempDir runtime;
    const auto values = Finish(StartProbe(runtime.str()));
    for (const char* name : {"ConnectDialogDllInit", "ConnectDialogDllInitProfileFactory", "ConnectDialogInitGUI",
                             "GetSpecialFunctions", "CleanupQuickConnectDialog", "g_pfnLaunchKeygenWizard",
                             "g_pfnLaunchConvertKeyWizard", "g_pfnExportPublickKey", "g_pfnManageAgentKeys",
                             "g_pfnPreloadKeysIntoAgent", "g_pfnCreateSocksForwardingSocket", "GetGlobalConfig"}) {
        ASSERT_TRUE(values.contains(name)) << name;
        EXPECT_EQ(values.at(name), "exported") << name;
    }
}

FakeRouter* g_router = nullptr;
VReportMessageRouter* Router()
{
    return g_router;
}

// A table path below a regular file can never be made.
std::string Blocked(const TempDir& dir, const char* name)
{
    const std::string file = dir.str() + "/" + name;
    std::ofstream(file) << "a file where a folder should be\n";
    return file + "/orvalis/registered-messages";
}

class TableFallback : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_router = &router;
        SetReportRouterGetter(&Router);
    }
    void TearDown() override
    {
        RoutePendingRegistrationReport(); // nothing left for later tests
        SetReportRouterGetter(nullptr);
        g_router = nullptr;
    }
    static void ExpectNineDistinctNonZero()
    {
        std::set<uint32_t> numbers(GetRegisteredMessageNumbers().begin(), GetRegisteredMessageNumbers().end());
        EXPECT_EQ(numbers.size(), 9u);
        EXPECT_FALSE(numbers.contains(0u));
    }
    TempDir dir;
    FakeRouter router;
};

TEST_F(TableFallback, TheSessionTableServesWhenItCanAndNothingIsReported)
{
    const std::string table = dir.str() + "/run/orvalis/registered-messages";
    std::filesystem::create_directories(dir.str() + "/run");
    EXPECT_EQ(RegisterLibraryMessagesWithFallback({table, Blocked(dir, "unused")}), table);
    ExpectNineDistinctNonZero();
    RoutePendingRegistrationReport();
    EXPECT_TRUE(router.ids.empty());
}

TEST_F(TableFallback, AnUnusableSessionTableFallsBackToAPrivateOneAndSaysSoOnce)
{
    const std::string first = Blocked(dir, "runtime");
    const std::string second = dir.str() + "/cache/deeper/orvalis/registered-messages"; // folders made as needed
    EXPECT_EQ(RegisterLibraryMessagesWithFallback({first, second}), second);
    ExpectNineDistinctNonZero();
    // Another process falling back the same way gets the same numbers.
    uint32_t highest = 0;
    std::ifstream in(second);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(AtomTable::Lookup(text, kRegisteredMessageNames[8], highest), GetSessionDatabaseChangeMessage());

    EXPECT_TRUE(router.ids.empty()); // held until the host's router can be had
    RoutePendingRegistrationReport();
    RoutePendingRegistrationReport();
    ASSERT_EQ(router.ids, std::vector<uint32_t>{0xA10900A0});
    const std::string said = VUnicodeString(router.texts[0]).ToUtf8();
    EXPECT_NE(said.find(first), std::string::npos) << said;
    EXPECT_NE(said.find(second), std::string::npos) << said;
}

TEST_F(TableFallback, WithNoUsableFolderAtAllTheNumbersAreStillNeverZero)
{
    {
        ScopedEnv tmp("TMPDIR", dir.str().c_str());
        const std::string used = RegisterLibraryMessagesWithFallback({Blocked(dir, "a"), Blocked(dir, "b")});
        EXPECT_EQ(used.rfind(dir.str() + "/orvalis-", 0), 0u) << used; // a fresh private folder
        ExpectNineDistinctNonZero();
    }
    router.ids.clear();
    RoutePendingRegistrationReport();
    EXPECT_EQ(router.ids, std::vector<uint32_t>{0xA10900A0});

    ScopedEnv tmp("TMPDIR", Blocked(dir, "tmp").c_str());
    EXPECT_EQ(RegisterLibraryMessagesWithFallback({Blocked(dir, "c")}), "");
    ExpectNineDistinctNonZero();
    router.ids.clear();
    RoutePendingRegistrationReport();
    EXPECT_EQ(router.ids, std::vector<uint32_t>{0xA10900A1});
}

TEST(RegisteredMessages, AProcessWhoseSessionTableIsUnusableStillGetsNumbers)
{
    TempDir runtime;
    const std::string file = runtime.str() + "/not-a-folder";
    std::ofstream(file) << "x";
    const auto values = Finish(StartProbe(file));
    for (const char* getter : {"GetTrayvellCanExitApplicationMessage", "GetSessionDatabaseChangeMessage"}) {
        ASSERT_TRUE(values.contains(getter)) << getter;
        EXPECT_NE(values.at(getter), "0") << getter;
    }
}

} // namespace
