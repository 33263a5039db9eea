#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Fakes.h"
#include "platform/DesktopShortcut.h"
#include "platform/Products.h"

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What desktop-file-validate says of a file; empty when it finds nothing.
std::string Validate(const std::string& path)
{
    const std::string command = "desktop-file-validate '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    const int status = pipe ? pclose(pipe) : -1;
    return status == 0 ? out : "exit " + std::to_string(status) + ": " + out;
}

class Desktop : public ::testing::Test {
protected:
    TempDir home;
    ScopedEnv homeVariable{"HOME", home.str().c_str()};
    ScopedEnv configHome{"XDG_CONFIG_HOME", nullptr};
    ScopedEnv terminal{"ORV_EXECUTABLE_KESTRUNE", nullptr};
    ScopedEnv transfer{"ORV_EXECUTABLE_PELLOWIN", nullptr};
};

TEST(ShortcutArguments, QuotedPathsKeepBlanksBackslashesAndQuotes)
{
    using Args = std::vector<std::u16string>;
    EXPECT_EQ(SplitShortcutArguments(u"/S \"Servers\\web 01\" "), (Args{u"/S", u"Servers\\web 01"}));
    EXPECT_EQ(SplitShortcutArguments(u"/SESSION_FOLDER \\ "), (Args{u"/SESSION_FOLDER", u"\\"}));
    EXPECT_EQ(SplitShortcutArguments(u"/S \"say \"hi\"\" /S \"b\" "), (Args{u"/S", u"say \"hi\"", u"/S", u"b"}));
    EXPECT_EQ(SplitShortcutArguments(u""), Args{});
}

TEST(ShortcutArguments, TheExecLineQuotesAsTheDesktopEntryRulesSay)
{
    const std::string entry =
        DesktopEntryText(u"/opt/orvalis/kestrune", u"/S \"Lab\\a $b 100%\" /SESSION_FOLDER \\ ", u"Lab a", "kestrune");
    // Inside quotes '\' and '$' are escaped, then the value's own escapes
    // double every backslash; '%' is doubled.
    EXPECT_NE(entry.find("\nExec=/opt/orvalis/kestrune /S \"Lab\\\\\\\\a \\\\$b 100%%\" /SESSION_FOLDER "
                         "\"\\\\\\\\\"\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nName=Lab a\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=kestrune\n"), std::string::npos);
    EXPECT_NE(entry.find("\nTerminal=false\n"), std::string::npos);
}

TEST_F(Desktop, TheShortcutLandsInTheXdgDesktopFolderValidAndExecutable)
{
    std::filesystem::create_directories(home.path() / ".config");
    std::ofstream(home.path() / ".config/user-dirs.dirs") << "# comment\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\n"
                                                             "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
    EXPECT_EQ(GetDesktopFolder(), home.str() + "/Schreibtisch");
    std::string made;
    ASSERT_TRUE(VCreateDesktopShortcut(u"/usr/bin/kestrune", u"/S \"Servers\\web01\" ", u"web01", nullptr, &made));
    EXPECT_EQ(made, home.str() + "/Schreibtisch/web01.desktop");
    struct stat st {};
    ASSERT_EQ(stat(made.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_EQ(Validate(made), "");
    EXPECT_NE(ReadFile(made).find("Exec=/usr/bin/kestrune /S \"Servers\\\\\\\\web01\"\n"), std::string::npos);

    // Never over another file: the next free name, and nothing left behind.
    std::string second;
    ASSERT_TRUE(VCreateDesktopShortcut(u"/usr/bin/kestrune", u"/SESSION_FOLDER \\ ", u"web01", nullptr, &second));
    EXPECT_EQ(second, home.str() + "/Schreibtisch/web01 (1).desktop");
    EXPECT_NE(ReadFile(made).find("Servers"), std::string::npos);
    EXPECT_EQ(Validate(second), "");
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(home.path() / "Schreibtisch"))
        ++files;
    EXPECT_EQ(files, 2u);
}

TEST_F(Desktop, WithoutUserDirsTheDesktopIsMadeInHome)
{
    std::string made;
    ASSERT_TRUE(VCreateDesktopShortcut(u"kestrune", u"/S \"a&b\" ", u"a/b & c", nullptr, &made));
    EXPECT_EQ(made, home.str() + "/Desktop/a-b & c.desktop");
    EXPECT_EQ(Validate(made), "");
}

TEST_F(Desktop, AnUnwritableDesktopFailsAndChangesNothing)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder";
    std::filesystem::create_directories(home.path() / "Desktop");
    std::filesystem::permissions(home.path() / "Desktop", std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_exec);
    EXPECT_FALSE(VCreateDesktopShortcut(u"kestrune", u"/S \"a\" ", u"a", nullptr));
    std::filesystem::permissions(home.path() / "Desktop", std::filesystem::perms::owner_all);
    EXPECT_TRUE(std::filesystem::is_empty(home.path() / "Desktop"));
}

TEST_F(Desktop, ADesktopThatIsAFileFails)
{
    std::ofstream(home.path() / "Desktop") << "not a folder";
    EXPECT_FALSE(VCreateDesktopShortcut(u"kestrune", u"/S \"a\" ", u"a", nullptr));
    EXPECT_EQ(ReadFile(home.str() + "/Desktop"), "not a folder");
}

TEST_F(Desktop, TheExecutableComesFromTheOverrideTheInstallationOrPath)
{
    VUnicodeString path;
    ScopedEnv install("ORV_INSTALL_PATH", home.str().c_str());
    ScopedEnv searched("PATH", "/nonexistent");
    ASSERT_TRUE(GetExecutablePath(kApplicationTerminal, path));
    EXPECT_EQ(path, VUnicodeString(u"kestrune")); // found nowhere: the launcher looks it up
    std::ofstream(home.path() / "pellowin") << "#!/bin/sh\n";
    std::filesystem::permissions(home.path() / "pellowin", std::filesystem::perms::owner_all);
    ASSERT_TRUE(GetExecutablePath(kApplicationTransfer, path));
    EXPECT_EQ(path, VUnicodeString::FromUtf8(home.str() + "/pellowin"));
    ScopedEnv overridden("ORV_EXECUTABLE_KESTRUNE", "/bin/sh");
    ASSERT_TRUE(GetExecutablePath(kApplicationTerminal, path));
    EXPECT_EQ(path, VUnicodeString(u"/bin/sh"));
    ScopedEnv missing("ORV_EXECUTABLE_PELLOWIN", "/nonexistent/pellowin");
    EXPECT_FALSE(GetExecutablePath(kApplicationTransfer, path));
}

TEST(PathLabel, MiddleFoldersGiveWayThenTheLastNameIsCut)
{
    const auto within = [](size_t width) { return [width](std::u16string_view text) { return text.size() <= width; }; };
    EXPECT_EQ(AbbreviatePathname(u"A\\B\\C\\web01", within(20)), VUnicodeString(u"A\\B\\C\\web01"));
    EXPECT_EQ(AbbreviatePathname(u"Alpha\\Beta\\Gamma\\web01", within(21)), VUnicodeString(u"Alpha\\...\\Gamma\\web01"));
    EXPECT_EQ(AbbreviatePathname(u"Alpha\\Beta\\Gamma\\web01", within(15)), VUnicodeString(u"Alpha\\...\\web01"));
    EXPECT_EQ(AbbreviatePathname(u"Alpha\\Beta\\Gamma\\web01", within(10)), VUnicodeString(u"...\\web01"));
    EXPECT_EQ(AbbreviatePathname(u"Alpha\\averyveryverylongname", within(10)), VUnicodeString(u"averyve..."));
    EXPECT_EQ(EscapeAmpersand(u"R&D\\A&&B"), VUnicodeString(u"R&&D\\A&&&&B"));
}

} // namespace
