// The demo host end to end: it loads the library, seeds a database, docks
// the Session Manager and connects one session from it; its log tells.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Fakes.h"
#include "ProcessFaults.h"
#include "platform/GlobalConfig.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/values/ProfileGlobalConfigStorage.h"

namespace {

std::string RunHost(const std::string& arguments, const TempDir& dir, int& status)
{
    const std::string log = dir.str() + "/host.log";
    const std::string command = "QT_QPA_PLATFORM=offscreen " + std::string(ORV_BINARY_DIR) +
                                "/orvalis-demo-host --database " + dir.str() + "/sessions.db --log " + log + " " +
                                arguments + " > " + dir.str() + "/out.txt 2>&1";
    status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DemoHost, ConnectsASessionFromTheDockedSessionManager)
{
    TempDir dir;
    int status = -1;
    const std::string log =
        RunHost("--no-startup-dialog --quit --connect 'Production\\Databases\\db-primary'", dir, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("(new, with sample sessions)"), std::string::npos) << log;
    EXPECT_NE(log.find("Message 0xc008 Orvalis_Software_Session Database_Change"), std::string::npos) << log;
    EXPECT_NE(log.find("Session Manager docked (result 2, side 0)"), std::string::npos) << log;
    EXPECT_NE(log.find("Session Manager asks to connect 1 session(s): here yes, file-transfer application no, "
                       "current window"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("connect Production\\Databases\\db-primary (SSH2, db1.example.net)"), std::string::npos)
        << log;

    // The second run finds the database as the first left it.
    const std::string again = RunHost("--no-startup-dialog --quit --connect 'No Such Session'", dir, status);
    EXPECT_NE(status, 0);
    EXPECT_EQ(again.find("sample sessions"), std::string::npos) << again;
    EXPECT_NE(again.find("No session No Such Session in the Session Manager"), std::string::npos) << again;
}

// Sets the start-up options in the database the host uses, as the library
// would store them.
void SetStartupOptions(const std::string& database, bool connectDialog, bool quickConnect)
{
    StoreInUse<SqliteProfileFactory> open(database);
    ASSERT_TRUE(open.factory.IsOpen());
    ProfileGlobalConfigStorage storage;
    GlobalConfig options;
    storage.Load(options);
    options.showConnectDialogOnStartup = connectDialog;
    options.showQuickConnectOnStartup = quickConnect;
    EXPECT_TRUE(storage.Save(options));
}

TEST(DemoHost, ShowsQuickConnectOnRequestAndAtStartUpWhenAsked)
{
    TempDir dir;
    int status = -1;
    const std::string shot = dir.str() + "/quick.png";
    std::string log = RunHost("--show quick-connect --screenshot " + shot, dir, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("Quick Connect closed (result 2)"), std::string::npos) << log;
    EXPECT_TRUE(std::ifstream(shot).good());

    // The start-up option opens Quick Connect instead of the Connect dialog.
    SetStartupOptions(dir.str() + "/sessions.db", true, true);
    log = RunHost("--screenshot " + shot, dir, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("Quick Connect closed (result 2)"), std::string::npos) << log;
    EXPECT_EQ(log.find("Connect dialog closed"), std::string::npos) << log;
    SetStartupOptions(dir.str() + "/sessions.db", true, false);
    log = RunHost("--screenshot " + shot, dir, status);
    EXPECT_NE(log.find("Connect dialog closed (result 2)"), std::string::npos) << log;

    // The wizard from the Session Manager's New Session, closed by the picture.
    log = RunHost("--show wizard --screenshot " + shot, dir, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("New Session with the wizard"), std::string::npos) << log;
    EXPECT_EQ(log.find("Session database changed"), std::string::npos) << log; // cancelled: nothing made

    RunHost("--show no-such-window --quit", dir, status);
    EXPECT_NE(status, 0);
}

TEST(DemoHost, PromptsForTheHostNameOfASessionSavedWithoutOne)
{
    TempDir dir;
    int status = -1;
    const std::string log = RunHost("--show hostname-prompt --screenshot " + dir.str() + "/prompt.png", dir, status);
    EXPECT_EQ(status, 0) << log;
    // The screenshot closes the prompt as Cancel would: nothing connects.
    EXPECT_NE(log.find("Hostname prompt cancelled: Lab\\ask for host is not connected"), std::string::npos) << log;
    EXPECT_EQ(log.find("connect Lab\\ask for host"), std::string::npos) << log;
    EXPECT_TRUE(std::filesystem::exists(dir.str() + "/prompt.png"));
}

TEST(DemoHost, OpensTheStartUpDialogTheLibrarysOptionsName)
{
    TempDir dir;
    int status = -1;
    std::string log = RunHost("--screenshot " + dir.str() + "/start.png", dir, status);
    EXPECT_NE(log.find("Connect dialog closed (result 2)"), std::string::npos) << log;

    { // The user turned "Show dialog on startup" off.
        StoreInUse<SqliteProfileFactory> open(dir.str() + "/sessions.db");
        ProfileGlobalConfigStorage storage;
        SetGlobalConfigStorage(&storage);
        GlobalConfig* config = nullptr;
        ASSERT_TRUE(GetGlobalConfig(&config));
        config->showConnectDialogOnStartup = false;
        EXPECT_TRUE(config->Save());
        SetGlobalConfigStorage(nullptr);
    }
    log = RunHost("--quit", dir, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("No start-up dialog: \"Show dialog on startup\" is off"), std::string::npos) << log;
    EXPECT_EQ(log.find("Connect dialog closed"), std::string::npos) << log;
}

TEST(DemoHost, ShowsTheShortcutAndDuplicateDialogsOverTheConnectDialog)
{
    TempDir dir;
    ScopedEnv home("HOME", dir.str().c_str());
    int status = -1;
    for (const std::string name : {"shortcut", "duplicate"}) {
        const std::string picture = dir.str() + "/" + name + ".png";
        const std::string log = RunHost("--show " + name + " --screenshot " + picture, dir, status);
        EXPECT_EQ(status, 0) << log;
        std::ifstream png(picture, std::ios::binary);
        char magic[4] = {};
        png.read(magic, 4);
        EXPECT_EQ(std::string(magic + 1, 3), "PNG") << name;
    }
    // The dialogs were closed unanswered: no shortcut was written.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Desktop"));
    RunHost("--show nothing", dir, status);
    EXPECT_NE(status, 0);
}

} // namespace

namespace {

TEST(DemoHost, TakesItsMenuAndToolbarFromAMenuFile)
{
    TempDir dir;
    int status = -1;
    const std::string log = RunHost("--no-startup-dialog --quit --menu-file " ORV_SOURCE_DIR
                                    "/apps/demo-host/menus/demo.mnu",
                                    dir, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("/apps/demo-host/menus/demo.mnu in use"), std::string::npos) << log;
    EXPECT_EQ(log.find("warning"), std::string::npos) << log; // every picture decodes

    std::ofstream(dir.str() + "/bad.mnu") << "STRINGTABLE\n  A, one\n  A, two\nEND\n";
    const std::string bad = RunHost("--no-startup-dialog --quit --menu-file " + dir.str() + "/bad.mnu", dir, status);
    EXPECT_NE(status, 0);
    EXPECT_NE(bad.find("bad.mnu cannot be used"), std::string::npos) << bad;
}

TEST(DemoHost, DocksTheCommandManagerFromItsViewMenu)
{
    TempDir dir;
    int status = -1;
    const std::string log = RunHost("--show command-manager --quit", dir, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("Command Manager shown (side 0)"), std::string::npos) << log;
    EXPECT_EQ(RunHost("--show no-such-window --quit", dir, status).find("Command Manager"), std::string::npos);
    EXPECT_NE(status, 0);
}

// Sessions connected from the Session Manager come to the Active Sessions
// pane, and what the host does to them there is logged.
TEST(DemoHost, ListsConnectedSessionsInTheActiveSessionsPane)
{
    TempDir dir;
    int status = -1;
    const std::string log = RunHost("--show active-sessions --quit", dir, status);
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(log.find("Active Sessions shown"), std::string::npos) << log;
    EXPECT_NE(log.find("connect Production\\Databases\\db-primary"), std::string::npos) << log;
    EXPECT_NE(log.find("Active Sessions: disconnect db-primary"), std::string::npos) << log;
    EXPECT_NE(log.find("Active Sessions: lock session build box"), std::string::npos) << log;
}

} // namespace
