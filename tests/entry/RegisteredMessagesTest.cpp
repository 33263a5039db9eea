#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "Fakes.h"
#include "entry/ConnectDialog.h"
#include "entry/RegisteredMessages.h"
#include "platform/AtomTable.h"

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

} // namespace
