#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <cerrno>
#include <fstream>

#include "Fakes.h"
#include "StoreFixtures.h"
#include "commands/DefaultAcceleratorTable.h"
#include "commands/FunctionTable.h"
#include "commands/KeyNames.h"
#include "commands/Keymap.h"
#include "commands/ProfileKeymap.h"
#include "platform/PlatformError.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kF1 = 0x70;

void WriteFile(const std::string& path, std::string_view text)
{
    std::ofstream(path, std::ios::binary) << text;
}

VStringArray Lines(std::initializer_list<const char16_t*> lines)
{
    VStringArray out;
    for (const char16_t* line : lines)
        out.Add(line);
    return out;
}

std::span<const VUnicodeString> All(const VStringArray& lines)
{
    return {lines.begin(), lines.end()};
}

// Parses binding lines of a current-version text; the error texts, if any.
VUnicodeString Parse(Keymap& keymap, std::initializer_list<const char16_t*> lines)
{
    const VStringArray text = Lines(lines);
    return keymap.ParseBindings(All(text), 1, false, false).texts;
}

TEST(KeyNames, TablesAreCompleteSortedAndTwoWay)
{
    const auto tables = {GetVirtualKeyNames(), GetExtendedKeyNames()};
    EXPECT_EQ(GetVirtualKeyNames().size(), 108u);
    EXPECT_EQ(GetExtendedKeyNames().size(), 223u);
    for (const auto& table : tables) {
        for (size_t i = 1; i < table.size(); ++i) {
            VUnicodeString a(table[i - 1].name), b(table[i].name);
            EXPECT_LT(a.MakeLower(), b.MakeLower()) << b.ToUtf8();
        }
        for (const KeyNameRow& row : table)
            EXPECT_EQ(KeyNameToCode(row.name), row.code) << VUnicodeString(row.name).ToUtf8();
    }
    EXPECT_EQ(KeyNameToCode(u"VK_F1"), 0x70u);
    EXPECT_EQ(KeyNameToCode(u"VK_PRIOR"), 0x21u);
    EXPECT_EQ(KeyNameToCode(u"VK_NUMPAD0"), 0x60u);
    EXPECT_EQ(KeyNameToCode(u"VK_Z"), 0x5Au);
    EXPECT_EQ(KeyNameToCode(u"VK_AACUTE"), 0x800000C1u);
    EXPECT_EQ(KeyNameToCode(u"VK_AT"), 0x80000040u);
    EXPECT_EQ(KeyNameToCode(u"VK_YDIAERESIS"), 0xFFu);
    EXPECT_EQ(KeyNameToCode(u"VK_ALTGR"), 0x01001103u);
    EXPECT_EQ(KeyNameToCode(u"VK_F25"), 0x01000048u);
    EXPECT_EQ(KeyNameToCode(u"VK_F35"), 0x01000052u);
    EXPECT_EQ(KeyNameToCode(u"VK_MEDIA_PLAY"), 0x01000080u);
    EXPECT_EQ(KeyNameToCode(u"VK_SLEEP"), 0x01020004u);
    EXPECT_EQ(KeyNameToCode(u"VK_UNKNOWN"), 0x01FFFFFFu);
    EXPECT_EQ(KeyNameToCode(u"VK_CONTEXT 1"), 0x01100000u);
    EXPECT_EQ(KeyNameToCode(u"VK_NOPE"), kKeyUnknownName);

    // The first table wins for the codes both hold; modifiers are no part of a name.
    EXPECT_EQ(KeyCodeToName(0x08), VUnicodeString(u"VK_BACK"));
    EXPECT_EQ(KeyCodeToName(0x90 | kKeyControl | kKeyAlt), VUnicodeString(u"VK_NUMLOCK"));
    EXPECT_EQ(KeyCodeToName(0xFF), VUnicodeString(u"VK_YDIAERESIS"));
    EXPECT_EQ(KeyCodeToName(0xDC), VUnicodeString(u"0xDC"));
    EXPECT_EQ(KeyNameToCode(u"0XDC"), 0xDCu); // names are upper-cased before they are read
    EXPECT_EQ(KeyNameToCode(u"220"), 220u);
    EXPECT_EQ(KeyNameToCode(u"0x1FFFFFFFF"), kKeyUnknownName);
}

TEST(KeymapText, BindsKeysWithModifiersAndWritesThemBack)
{
    Keymap keymap;
    EXPECT_TRUE(Parse(keymap, {u"N\tVK_F1\tVT_PF1", u"cs  vk_f2   MENU_COPY", u"ACSE\tVK_HOME\tSB_BEGIN"}).IsEmpty());
    EXPECT_EQ(keymap.GetFunction(kF1), 242);
    EXPECT_EQ(keymap.GetFunction(0x71 | kKeyControl | kKeyShift), GetFunctionNumber(u"MENU_COPY"));
    const uint32_t all = 0x24 | kKeyAlt | kKeyControl | kKeyShift | kKeyExtended;
    EXPECT_EQ(keymap.GetFunction(all), GetFunctionNumber(u"SB_BEGIN"));
    EXPECT_EQ(keymap.GetFunction(0x71), 0);

    EXPECT_EQ(Keymap::FormatBinding(kF1, {242, {}, {}}), VUnicodeString(u"N\tVK_F1               \tVT_PF1"));
    EXPECT_EQ(Keymap::FormatBinding(all, {GetFunctionNumber(u"SB_BEGIN"), {}, {}}),
              VUnicodeString(u"ACSE\tVK_HOME             \tSB_BEGIN"));
    EXPECT_EQ(Keymap::FormatBinding(kF1, {0, {}, {}}), VUnicodeString());
}

TEST(KeymapText, ActionsWithTextsAndArguments)
{
    Keymap keymap;
    EXPECT_TRUE(Parse(keymap, {
                                  u"N\tVK_F2\t\"ls -l\\r\\n\"  ",
                                  u"N\tVK_F3\tSEND_TO_COMMAND_WINDOW(\"echo \"hi\"\")",
                                  u"N\tVK_F4\tRUN(\"${ORV_CONFIG_PATH}/a.py\")(\"-v\")",
                                  u"N\tVK_F5\tLAUNCH(\"/usr/bin/xterm\")",
                                  u"N\tVK_F6\tSET_BUTTONBAR(\"Tools\")",
                                  u"N\tVK_F7\tCREDENTIALS(\"db\")(\"password\")",
                                  u"; N\tVK_F8\tVT_PF2",
                                  u"",
                                  u"N\tVK_F9\tVT_HELP",
                              })
                    .IsEmpty());
    EXPECT_EQ(keymap.GetArgument(0x71), VUnicodeString(u"ls -l\\r\\n"));
    EXPECT_EQ(keymap.GetFunction(0x71), kFunctionSend);
    EXPECT_EQ(keymap.GetArgument(0x72), VUnicodeString(u"echo \"hi\""));
    EXPECT_EQ(keymap.GetArgument(0x73), VUnicodeString(u"${ORV_CONFIG_PATH}/a.py"));
    EXPECT_EQ(keymap.GetArgument2(0x73), VUnicodeString(u"-v"));
    EXPECT_EQ(keymap.GetFunction(0x74), kFunctionLaunch);
    EXPECT_TRUE(keymap.GetArgument2(0x74).IsEmpty());
    EXPECT_EQ(keymap.GetFunction(0x75), kFunctionSetButtonBar);
    EXPECT_EQ(keymap.GetFunction(0x76), kFunctionCredentials);
    EXPECT_EQ(keymap.GetFunction(0x77), 0);
    EXPECT_EQ(keymap.GetFunction(0x78), 276);

    const VStringArray lines = keymap.FormatBindings();
    EXPECT_EQ(lines[0], VUnicodeString(u"N\tVK_F2               \t\"ls -l\\r\\n\""));
    EXPECT_EQ(lines[2], VUnicodeString(u"N\tVK_F4               \tRUN(\"${ORV_CONFIG_PATH}/a.py\")(\"-v\")"));
    EXPECT_EQ(lines[4], VUnicodeString(u"N\tVK_F6               \tBB_SET_BUTTON_BAR(\"Tools\")"));
    EXPECT_EQ(lines[6], VUnicodeString(u"N\tVK_F9               \tVT_F15"));
    Keymap again;
    EXPECT_TRUE(again.ParseBindings(All(lines), 1, false, false).texts.IsEmpty());
    EXPECT_EQ(again.GetBindings(), keymap.GetBindings());
}

TEST(KeymapText, BadLinesNameTheirLine)
{
    Keymap keymap;
    const VStringArray text = Lines({
        u"N\tVK_F1\tVT_PF1",
        u"X\tVK_F2\tVT_PF2",
        u"N\tVK_NOPE\tVT_PF2",
        u"N\tVK_F3\t\"open",
        u"N\tVK_F4\tSEND",
        u"N\tVK_F5\tVT_PF9",
        u"N\tVK_F6\tRUN",
        u"N\tVK_F7",
    });
    const Keymap::ParseProblems problems = keymap.ParseBindings({text.begin() + 1, text.end()}, 2, false, false);
    EXPECT_EQ(problems.errors, 3); // reading stops at the third
    EXPECT_EQ(problems.texts, VUnicodeString(u"Line 2: \"X\" is not a modifier (use N, E, C, S or A).\n"
                                             u"Line 3: the key name is not known.\n"
                                             u"Line 4: the quoted text has no closing quote."));
    const Keymap::ParseProblems rest = keymap.ParseBindings({text.begin() + 4, text.end()}, 5, false, false);
    EXPECT_EQ(rest.errors, 3);
    EXPECT_EQ(rest.texts, VUnicodeString(u"Line 5: the function is not known or cannot be mapped to a key.\n"
                                         u"Line 6: the function is not known or cannot be mapped to a key.\n"
                                         u"Line 7: a function argument is missing."));
}

TEST(KeymapText, OlderVersionsReadTheirOwnForms)
{
    Keymap keymap;
    const VStringArray text = Lines({u"N\tVK_F1\t\"a\\r\\nb\"", u"N\tVK_F2\tLAUNCH(\"C:\\Tools\\Put Ty.EXE -load x\")",
                                     u"N\tVK_F3\tLAUNCH(\"\"/opt/my app\" --go\")"});
    keymap.ParseBindings(All(text), 1, true, true);
    EXPECT_EQ(keymap.GetArgument(kF1), VUnicodeString(u"a\\\\r\\\\nb"));
    EXPECT_EQ(keymap.GetArgument(0x71), VUnicodeString(u"C:\\Tools\\Put Ty.EXE"));
    EXPECT_EQ(keymap.GetArgument2(0x71), VUnicodeString(u"-load x"));
    EXPECT_EQ(keymap.GetArgument(0x72), VUnicodeString(u"/opt/my app"));
    EXPECT_EQ(keymap.GetArgument2(0x72), VUnicodeString(u"--go"));

    Keymap current;
    current.ParseBindings(All(text), 1, false, false);
    EXPECT_EQ(current.GetArgument(kF1), VUnicodeString(u"a\\r\\nb"));
    EXPECT_EQ(current.GetArgument(0x71), VUnicodeString(u"C:\\Tools\\Put Ty.EXE -load x"));
}

TEST(KeymapText, EveryFunctionNameSurvivesAKeymapLine)
{
    for (int number = 1; number < static_cast<int>(kFunctionCount); ++number) {
        Keymap keymap;
        keymap.SetFunction(kF1 | kKeyShift, number);
        keymap.SetArgument(kF1 | kKeyShift, u"first");
        keymap.SetArgument2(kF1 | kKeyShift, u"second");
        const VStringArray lines = keymap.FormatBindings();
        ASSERT_EQ(lines.GetSize(), 1u);
        Keymap back;
        ASSERT_TRUE(back.ParseBindings(All(lines), 1, false, false).texts.IsEmpty()) << lines[0].ToUtf8();
        EXPECT_EQ(back.GetFunction(kF1 | kKeyShift), number) << lines[0].ToUtf8();
    }
}

TEST(KeymapText, KeysWithoutANameOrWithABlankReadBack)
{
    Keymap keymap;
    const uint32_t keys[] = {0xDC | kKeyControl, kKeyCharacter | 'a', 0x01100000 /* VK_CONTEXT 1 */,
                             0x010000A2 | kKeyAlt /* VK_LAUNCH 0 */};
    for (const uint32_t key : keys)
        keymap.SetFunction(key, 242);
    const VStringArray lines = keymap.FormatBindings();
    Keymap back;
    EXPECT_TRUE(back.ParseBindings(All(lines), 1, false, false).texts.IsEmpty());
    for (const uint32_t key : keys)
        EXPECT_EQ(back.GetFunction(key), 242) << std::hex << key;
    EXPECT_EQ(Keymap::FormatBinding(0xDC | kKeyControl, {242, {}, {}}), VUnicodeString(u"C\t0xDC" + std::u16string(16, u' ') + u"\tVT_PF1"));
}

TEST(KeymapText, BindingsAndFallback)
{
    Keymap fallback;
    fallback.SetFunction(kF1, 242);
    fallback.SetArgument(kF1, u"from fallback");
    Keymap keymap(&fallback);
    EXPECT_EQ(keymap.GetFunction(kF1), 242);
    EXPECT_EQ(keymap.GetArgument(kF1), VUnicodeString(u"from fallback"));
    EXPECT_EQ(keymap.GetDescription(kF1), VUnicodeString(u"VT_PF1"));
    EXPECT_EQ(keymap.GetFunction(0x71), 0);

    keymap.SetArgument(kF1, u"ignored: not bound here");
    EXPECT_EQ(fallback.GetArgument(kF1), VUnicodeString(u"from fallback"));
    keymap.SetFunction(kF1, kFunctionSend);
    keymap.SetArgument(kF1, u"mine\r\n");
    EXPECT_EQ(keymap.GetArgument(kF1), VUnicodeString(u"mine\r\n"));
    EXPECT_EQ(keymap.GetDescription(kF1), VUnicodeString(u"mine"));
    keymap.SetFunction(kF1, kFunctionNone);
    EXPECT_EQ(keymap.GetFunction(kF1), 242);
}

TEST(KeymapText, DefaultKeymapAndAccelerators)
{
    EXPECT_EQ(GetDefaultAcceleratorKeys(kAcceleratorSetMainWindow, GetFunctionNumber(u"MENU_TAB_NEXT")),
              std::vector<uint32_t>{0x09 | kKeyControl});
    EXPECT_EQ(GetDefaultAcceleratorKeys(kAcceleratorSetMainWindow, GetFunctionNumber(u"MENU_TAB_10")),
              std::vector<uint32_t>{'0' | kKeyAlt});
    EXPECT_EQ(GetDefaultAcceleratorKeys(kAcceleratorSetMainWindow, GetFunctionNumber(u"MENU_RECONNECT")),
              std::vector<uint32_t>{0x0D});
    for (const DefaultAcceleratorRow& row : GetDefaultAcceleratorTable())
        EXPECT_GT(row.number, 0);

    Keymap keymap;
    keymap.SetDefaultBindings();
    EXPECT_EQ(keymap.GetFunction(0x73), GetFunctionNumber(u"VT_PF4"));
    EXPECT_EQ(keymap.GetArgument(0x08 | kKeyShift), VUnicodeString(u"\\010"));
    EXPECT_EQ(keymap.GetArgument(0x2E | kKeyShift | kKeyExtended), VUnicodeString(u"\\177"));
    EXPECT_EQ(keymap.GetArgument(kKeyCharacter | '@' | kKeyControl | kKeyShift), VUnicodeString(u"\\000"));
    EXPECT_EQ(keymap.GetArgument(0xDC | kKeyControl), VUnicodeString(u"\\034"));
    EXPECT_EQ(keymap.GetArgument(kKeyCharacter | '_' | kKeyControl | kKeyShift), VUnicodeString(u"\\037"));
    EXPECT_EQ(keymap.GetFunction(0x21 | kKeyControl | kKeyExtended), GetFunctionNumber(u"SB_LINE_UP"));
    EXPECT_EQ(keymap.GetFunction(0x13 | kKeyControl), GetFunctionNumber(u"TN_BREAK"));
    EXPECT_EQ(keymap.GetFunction(0x09 | kKeyControl), GetFunctionNumber(u"MENU_TAB_NEXT"));
    EXPECT_EQ(keymap.GetFunction('1' | kKeyAlt), GetFunctionNumber(u"MENU_TAB_1"));
    EXPECT_EQ(keymap.GetFunction(0x0D | kKeyAlt), GetFunctionNumber(u"MENU_TOGGLE_FULL_SCREEN"));
    EXPECT_EQ(keymap.GetFunction('C' | kKeyAlt), 0); // Connect stays the window's
    EXPECT_EQ(keymap.GetBindings().size(), 66u);
}

class KeymapFile : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.str() + "/" + name; }
    VUnicodeString UPath(const char* name) const { return VUnicodeString::FromUtf8(Path(name)); }

    TempDir dir;
    VReportPtr report = NewReport();
};

TEST_F(KeymapFile, SavesAndLoadsTheTextForm)
{
    Keymap keymap;
    keymap.SetDefaultBindings();
    ASSERT_TRUE(keymap.Save(UPath("vt.key")));
    Keymap loaded;
    ASSERT_TRUE(loaded.Load(UPath("vt.key"), report.Get()));
    EXPECT_TRUE(report->IsEmpty());
    EXPECT_EQ(loaded.GetBindings(), keymap.GetBindings());
    EXPECT_EQ(loaded.GetVersion(), VUnicodeString(u"Version = 2"));
    EXPECT_FALSE(loaded.IsVersionOld());
    EXPECT_FALSE(loaded.IsVersionUnknown());

    std::ifstream in(Path("vt.key"));
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "Version = 2");
}

TEST_F(KeymapFile, AFewBadLinesWarnAndTheThirdFails)
{
    WriteFile(Path("two.key"), "Version = 1\r\nN\tVK_F1\tVT_PF1\r\n; comment\r\nQ\tVK_F2\tVT_PF2\r\nN\tVK_F3\tNOPE\r\n");
    Keymap keymap;
    keymap.SetFunction(0x80, 1);
    ASSERT_TRUE(keymap.Load(UPath("two.key"), report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgKeymapLinesIgnored);
    EXPECT_EQ(report->GetParameters()[1], VUnicodeString(u"Line 4: \"Q\" is not a modifier (use N, E, C, S or A).\n"
                                                         u"Line 5: the function is not known or cannot be mapped to a key."));
    EXPECT_EQ(keymap.GetFunction(kF1), 242);
    EXPECT_EQ(keymap.GetFunction(0x80), 0); // the file replaced the keymap
    EXPECT_TRUE(keymap.IsVersionOld());
    EXPECT_FALSE(keymap.IsVersionUnknown());

    WriteFile(Path("three.key"), "N\tVK_F9\tVT_PF1\nX\tVK_F1\tVT_PF1\nN\tVK_NONE\tVT_PF1\nN\tVK_F1\tNOPE\n");
    ASSERT_FALSE(keymap.Load(UPath("three.key"), report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgKeymapCannotBeUsed);
    EXPECT_EQ(keymap.GetFunction(kF1), 242); // unchanged
    EXPECT_EQ(keymap.GetFunction(0x78), 0);
    EXPECT_TRUE(keymap.IsVersionOld());
}

TEST_F(KeymapFile, ABareNameIsLookedForAmongTheKeymaps)
{
    const std::string config = dir.str() + "/config";
    ScopedEnv env("ORV_CONFIG_PATH", config.c_str());
    std::filesystem::create_directories(config + "/keymaps");
    WriteFile(config + "/keymaps/linux.key", "\xEF\xBB\xBFVersion = 2\nN\tVK_F1\tVT_PF1\n");

    Keymap keymap;
    ASSERT_TRUE(keymap.Load(u"linux.key", report.Get()));
    EXPECT_EQ(keymap.GetFunction(kF1), 242);
    EXPECT_FALSE(keymap.IsVersionOld());

    keymap.SetFunction(0x71, 243);
    EXPECT_FALSE(keymap.Load(UPath("missing.key"), report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgKeymapCannotBeUsed);
    EXPECT_EQ(report->GetParameters()[1], VUnicodeString(SystemErrorText(ENOENT)));
    EXPECT_EQ(keymap.GetFunction(0x71), 243);
}

TEST_F(KeymapFile, AFailedSaveKeepsTheOldFile)
{
    WriteFile(Path("keep.key"), "Version = 2\n");
    Keymap keymap;
    keymap.SetDefaultBindings();

    // Files may grow to a few bytes only: the new text cannot be written.
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = keymap.Save(UPath("keep.key"));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(GetPlatformLastError().code, static_cast<uint32_t>(EFBIG));
    std::ifstream in(Path("keep.key"));
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "Version = 2\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

using ProfileKeymapStore = StoreTest;
ORV_BOTH_BACKENDS(ProfileKeymapStore);

TEST_P(ProfileKeymapStore, ReadsTheNewestFormAndWritesV5)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"Sessions\\web", 1);
    key.WriteStringArray(u"Keymap v3", Lines({u"N\tVK_F1\t\"a\\r\\n\""}));
    {
        ProfileKeymap keymap(&key);
        EXPECT_EQ(keymap.GetFoundName(), VUnicodeString(u"Keymap v3"));
        EXPECT_TRUE(keymap.IsVersionOld());
        EXPECT_TRUE(keymap.IsVersionUnknown());
        EXPECT_EQ(keymap.GetArgument(kF1), VUnicodeString(u"a\\\\r\\\\n"));
    }
    key.WriteStringArray(u"Keymap v4", Lines({u"N\tVK_F2\tVT_PF2", u"Q\tVK_F3\tVT_PF3"}));
    VReportPtr report = NewReport();
    ProfileKeymap keymap(&key, report.Get());
    EXPECT_EQ(keymap.GetFoundName(), VUnicodeString(u"Keymap v4"));
    EXPECT_TRUE(keymap.IsVersionOld());
    EXPECT_FALSE(keymap.IsVersionUnknown());
    EXPECT_EQ(keymap.GetFunction(0x71), 243);
    EXPECT_EQ(report->GetMessageId(), kMsgKeymapLinesIgnored);

    ASSERT_TRUE(keymap.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Keymap v5"), 1);
    EXPECT_TRUE(keymap.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Keymap v5"), 1);

    ProfileKeymap current(&key);
    EXPECT_EQ(current.GetFoundName(), VUnicodeString(u"Keymap v5"));
    EXPECT_FALSE(current.IsVersionOld());
    EXPECT_EQ(current.GetBindings(), keymap.GetBindings());
    current.SetFunction(0x71, 244);
    current.Save(&key);
    EXPECT_EQ(recorder->Writes(u"Keymap v5"), 2);
    current.SetFunction(0x71, 245);
    current.Set(current.FormatBindings());
    current.Revert();
    EXPECT_EQ(current.GetFunction(0x71), 244);

    ProfileKeymap none(nullptr);
    EXPECT_TRUE(none.GetBindings().empty());
    EXPECT_FALSE(none.IsVersionOld());
}

// The two binary forms stand between "Keymap v4" and "Keymap v3"; a key
// that holds only one of them reads its bindings, and the next save keeps
// them under "Keymap v5".
TEST_P(ProfileKeymapStore, BinaryFormsAreReadInTheirPlaceAndKeptByTheNextSave)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"Sessions\\old", 1);
    key.WriteStringArray(u"Keymap v3", Lines({u"N\tVK_F1\tVT_PF1"}));
    std::string wide;
    for (char16_t c : std::u16string_view(u"Version = 2\r\nN\tVK_F2\tVT_PF2\0C\tVK_F3\t\"\u00E9\u20AC\"\0\0", 41))
        wide += static_cast<char>(c & 0xFF), wide += static_cast<char>(c >> 8);
    key.WriteBinary(u"Keymap v2", wide.data(), static_cast<uint32_t>(wide.size()));
    {
        ProfileKeymap keymap(&key);
        EXPECT_EQ(keymap.GetFoundName(), VUnicodeString(u"Keymap v2"));
        EXPECT_TRUE(keymap.IsVersionOld());
        EXPECT_FALSE(keymap.IsVersionUnknown());
        EXPECT_EQ(keymap.GetFunction(0x71), GetFunctionNumber(u"VT_PF2"));
        EXPECT_EQ(keymap.GetArgument(0x72 | kKeyControl), VUnicodeString(u"\u00E9\u20AC"));
        EXPECT_EQ(keymap.GetFunction(0x70), 0); // "Keymap v3" is older still
        ASSERT_TRUE(keymap.Save(&key));
    }
    ProfileKeymap saved(&key);
    EXPECT_EQ(saved.GetFoundName(), VUnicodeString(u"Keymap v5"));
    EXPECT_EQ(saved.GetFunction(0x71), GetFunctionNumber(u"VT_PF2"));
    EXPECT_EQ(saved.GetArgument(0x72 | kKeyControl), VUnicodeString(u"\u00E9\u20AC"));

    // The 8-bit form, here in Windows-1252, read no further than 32000 bytes.
    VProfileKey older(*store.GetRootKey(), u"Sessions\\older", 1);
    std::string narrow = "N\tVK_F4\t\"caf\xE9\"\r\n;";
    narrow.append(32000, '-');
    narrow += "\nN\tVK_F5\tVT_PF1\n";
    older.WriteBinary(u"Keymap", narrow.data(), static_cast<uint32_t>(narrow.size()));
    ProfileKeymap keymap(&older);
    EXPECT_EQ(keymap.GetFoundName(), VUnicodeString(u"Keymap"));
    EXPECT_EQ(keymap.GetArgument(0x73), VUnicodeString(u"caf\u00E9"));
    EXPECT_EQ(keymap.GetFunction(0x74), 0); // beyond the older reader's buffer
}

} // namespace
