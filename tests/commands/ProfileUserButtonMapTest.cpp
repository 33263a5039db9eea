#include <gtest/gtest.h>

#include "StoreFixtures.h"
#include <type_traits>

#include "commands/CommandDatabaseImpl.h"
#include "commands/ProfileKeymap.h"
#include "commands/ProfileUserButtonMap.h"
#include "platform/Products.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using Item = ProfileUserButtonMap::Item;

Item Read(const char16_t* line)
{
    Item item;
    item.FromStoredLine(line);
    return item;
}

Item Send(const char16_t* text)
{
    Item item;
    item.Function = kFunctionSend;
    item.SetArgument(text);
    return item;
}

TEST(StoredLine, EscapesCommasBackslashesAndLineBreaks)
{
    Item item = Send(u"a,b\\c\r\n");
    item.Label = u"x,\\y";
    const VUnicodeString line = item.ToStoredLine();
    EXPECT_EQ(line, VUnicodeString(u"SEND,a\\,b\\\\c\\r\\n,,,,0,1,x\\,\\\\y,"));

    const Item back = Read(line.c_str());
    EXPECT_EQ(back.Argument, VUnicodeString(u"a,b\\c\r\n"));
    EXPECT_EQ(back.ArgumentLine, VUnicodeString(u"a,b\\c"));
    EXPECT_EQ(back.Label, VUnicodeString(u"x,\\y"));
    EXPECT_EQ(back.FunctionName, VUnicodeString(u"SEND"));
}

TEST(StoredLine, TextThatLooksLikeALineBreakEscapeStaysText)
{
    // A send text holding backslash-r-backslash-n as characters, next to a
    // real line break, a lone CR and a trailing backslash.
    const char16_t* const texts[] = {u"\\r\\n", u"\\\r\n", u"\\r\r\n", u"a\rb\nc", u"end\\"};
    for (const char16_t* text : texts) {
        const Item back = Read(Send(text).ToStoredLine().c_str());
        EXPECT_EQ(back.Argument, VUnicodeString(text));
    }
}

TEST(StoredLine, OlderShorterLinesReadWithDefaults)
{
    const Item four = Read(u"SEND,ls,,,");
    EXPECT_EQ(four.Function, kFunctionSend);
    EXPECT_EQ(four.Argument, VUnicodeString(u"ls"));
    EXPECT_TRUE(four.Argument2.IsEmpty());
    EXPECT_EQ(four.Option, 0);
    EXPECT_EQ(four.Variant, 1u);
    EXPECT_TRUE(four.Label.IsEmpty());

    Item three;
    three.Label = u"kept";
    EXPECT_FALSE(three.FromStoredLine(u"SEND,ls,,"));
    EXPECT_EQ(three.Function, kFunctionNone);
    EXPECT_EQ(three.Label, VUnicodeString(u"kept"));

    // A label written without its closing comma is not read.
    EXPECT_TRUE(Read(u"SEND,ls,,,,0,1,label").Label.IsEmpty());
    // Surrounding blanks of the whole line go.
    EXPECT_EQ(Read(u"  SEND,ls,,,  ").Function, kFunctionSend);
}

TEST(StoredLine, NumbersReadAsDecimalWithVariantLimits)
{
    EXPECT_EQ(Read(u"SEND,x,,,,-5,10,,").Option, -5);
    EXPECT_EQ(Read(u"SEND,x,,,,7abc,10,,").Option, 7);
    EXPECT_EQ(Read(u"SEND,x,,,,0,10,,").Variant, 10u);
    EXPECT_EQ(Read(u"SEND,x,,,,0,11,,").Variant, 1u);
    EXPECT_EQ(Read(u"SEND,x,,,,0,-3,,").Variant, 1u);
    EXPECT_EQ(Read(u"SEND,x,,,,0,0,,").Variant, 0u);
}

TEST(StoredLine, OlderAndUnknownNamesReadAndWriteBack)
{
    const Item bar = Read(u"SET_BUTTONBAR,Tools,,,,0,1,,");
    EXPECT_EQ(bar.Function, kFunctionSetButtonBar);
    EXPECT_TRUE(bar.ToStoredLine().StartsWith(u"BB_SET_BUTTON_BAR,Tools,"));

    const Item help = Read(u"VT_HELP,,,,");
    EXPECT_EQ(help.Function, 276);
    EXPECT_TRUE(help.ToStoredLine().StartsWith(u"VT_F15,"));

    const Item unknown = Read(u"FUTURE_FUNCTION,arg,,,,0,1,,");
    EXPECT_EQ(unknown.Function, kFunctionUnknown);
    EXPECT_EQ(unknown.ToStoredLine(), VUnicodeString(u"FUTURE_FUNCTION,arg,,,,0,1,,"));
}

TEST(StoredLine, EveryFunctionNameSurvivesALine)
{
    for (int number = 0; number < static_cast<int>(kFunctionCount); ++number) {
        Item item;
        item.Function = number;
        item.SetArgument(u"arg");
        item.Argument2 = u"two";
        item.Extra1 = u"e1";
        item.Extra2 = u"e2";
        item.Option = 3;
        item.Variant = 4;
        item.Label = u"label";
        const VUnicodeString line = item.ToStoredLine();
        EXPECT_TRUE(line.StartsWith(GetFunctionName(number)));
        Item back;
        ASSERT_TRUE(back.FromStoredLine(line));
        EXPECT_EQ(back.Function, number);
        EXPECT_EQ(back.FunctionName, VUnicodeString(GetFunctionName(number)));
        back.FunctionName = item.FunctionName; // the only field a fresh item lacks
        EXPECT_EQ(back, item) << line.ToUtf8();
    }
}

TEST(DisplayText, FollowsTheFunction)
{
    Item bar;
    bar.Function = kFunctionSetButtonBar;
    bar.SetArgument(u"Tools");
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(bar), VUnicodeString(u"Switch to the button bar \"Tools\""));
    bar.Label = u"Mine";
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(bar), VUnicodeString(u"Mine"));

    Item send = Send(u"ls\r\n");
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(send), VUnicodeString(u"ls"));
    send.Label = u"List";
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(send), VUnicodeString(u"List"));
    send.Option = 1; // the host draws these itself
    EXPECT_TRUE(ProfileUserButtonMap::GetDisplayText(send).IsEmpty());

    Item run;
    run.Function = kFunctionLaunch;
    run.SetArgument(u"/usr/bin/top");
    run.Argument2 = u"-d 1";
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(run), VUnicodeString(u"/usr/bin/top -d 1"));

    Item credentials;
    credentials.Function = kFunctionCredentials;
    credentials.SetArgument(u"db");
    credentials.Argument2 = u"password";
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(credentials), VUnicodeString(u"Credentials \"db\": send the password"));
    credentials.Argument2 = u"username and password";
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(credentials),
              VUnicodeString(u"Credentials \"db\": send the user name and password"));
    credentials.Argument2 = u"anything";
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(credentials), VUnicodeString(u"Credentials \"db\": send the user name"));

    Item other;
    other.Function = 19;
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(other), VUnicodeString(u"MENU_NEW_WINDOW"));
    other = Read(u"FUTURE_FUNCTION,,,,");
    EXPECT_EQ(ProfileUserButtonMap::GetDisplayText(other), VUnicodeString(u"FUTURE_FUNCTION"));
}

TEST(ButtonMap, EditsKeepLinesAndItemsInStep)
{
    ProfileUserButtonMap map(nullptr, u"Bar");
    EXPECT_TRUE(map.Insert(0, Send(u"b")));
    EXPECT_TRUE(map.Insert(0, Send(u"a")));
    EXPECT_TRUE(map.Insert(99, Send(u"d"))); // past the end appends
    EXPECT_TRUE(map.Replace(5, Send(u"e")));
    EXPECT_TRUE(map.Replace(2, Send(u"c")));
    ASSERT_EQ(map.GetCount(), 4u);
    ASSERT_EQ(map.Get().GetSize(), 4u);
    const char16_t* const expected[] = {u"a", u"b", u"c", u"e"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(map.GetItem(i).Argument, VUnicodeString(expected[i]));
        EXPECT_EQ(map.Get()[i], map.GetItem(i).ToStoredLine());
    }
    map.Remove(1);
    EXPECT_EQ(map.GetItem(1).Argument, VUnicodeString(u"c"));
    EXPECT_EQ(map.Get()[1], map.GetItem(1).ToStoredLine());
    EXPECT_THROW(map.GetItem(3), VArray<Item>::OutOfRange);
    EXPECT_THROW(map.Remove(3), OutOfRange);
    EXPECT_EQ(map.Get().GetSize(), 3u);
}

// The value is a private part: nothing outside can reach a setter of the
// lines alone (Set, Assign, the variant and reader setters, the array's own
// edits), and the one Set offered builds the items again.
static_assert(!std::is_convertible_v<ProfileUserButtonMap*, VProfileData*>);
static_assert(!std::is_convertible_v<ProfileUserButtonMap*, VStringArray*>);
static_assert(!std::is_convertible_v<ProfileKeymap*, VProfileData*>);
static_assert(!std::is_convertible_v<ProfileKeymap*, VStringArray*>);

TEST(ButtonMap, SettingTheLinesBuildsTheItems)
{
    ProfileUserButtonMap map(nullptr, u"Bar");
    map.Insert(0, Send(u"old"));
    map.Set(VStringArray{u"SEND,a,,,", u"NONE,b,,,", u"RUN,top,,,"});
    ASSERT_EQ(map.GetCount(), 2u);
    EXPECT_EQ(map.GetItem(0).Argument, VUnicodeString(u"a"));
    EXPECT_EQ(map.GetItem(1).Function, kFunctionRun);
    EXPECT_EQ(map.Get(), (VStringArray{u"SEND,a,,,", u"RUN,top,,,"}));
    EXPECT_TRUE(map.IsChanged());

    ProfileKeymap keymap(nullptr);
    keymap.Set(VStringArray{u"N\tVK_F2\tVT_PF2"});
    EXPECT_EQ(keymap.GetFunction(0x71), 243) << "the bindings follow the lines";
}

TEST(ButtonMap, RevertGoesBackToTheLastAccept)
{
    ProfileUserButtonMap map(nullptr, u"Bar");
    map.Insert(0, Send(u"kept"));
    map.Accept();
    map.Insert(1, Send(u"dropped"));
    map.Remove(0);
    map.Revert();
    ASSERT_EQ(map.GetCount(), 1u);
    EXPECT_EQ(map.GetItem(0).Argument, VUnicodeString(u"kept"));
    ASSERT_EQ(map.Get().GetSize(), 1u);
    EXPECT_EQ(map.Get()[0], map.GetItem(0).ToStoredLine());
}

TEST(ButtonMap, RunPathsKeepTheirFolderAsAVariable)
{
    TempDir dir;
    const std::string config = dir.str() + "/config";
    const std::string data = dir.str() + "/data";
    ScopedEnv configEnv("ORV_CONFIG_PATH", config.c_str());
    ScopedEnv dataEnv("ORV_USER_DATA_PATH", data.c_str());
    const VUnicodeString configFolder = VUnicodeString::FromUtf8(config);
    const VUnicodeString dataFolder = VUnicodeString::FromUtf8(data);

    ProfileUserButtonMap map(nullptr, u"Bar");
    Item run;
    run.Function = kFunctionRun;
    run.SetArgument(configFolder + u"/scripts/a.py");
    map.Insert(0, run);
    run.SetArgument(dataFolder + u"/b.py");
    map.Insert(1, run);
    Item launch; // only RUN paths are collapsed
    launch.Function = kFunctionLaunch;
    launch.SetArgument(configFolder + u"/c");
    map.Insert(2, launch);

    EXPECT_TRUE(map.Get()[0].StartsWith(u"RUN,${ORV_CONFIG_PATH}/scripts/a.py,"));
    EXPECT_TRUE(map.Get()[1].StartsWith(u"RUN,${ORV_USER_DATA_PATH}/b.py,"));
    EXPECT_TRUE(map.Get()[2].StartsWith(u"LAUNCH," + std::u16string(configFolder.str()) + u"/c,"));

    // Reading expands them again, into the argument and its display line.
    ProfileUserButtonMap copy(nullptr, u"Copy");
    ASSERT_TRUE(copy.FromClipboardPayload(map.ToClipboardPayload("BB")));
    EXPECT_EQ(copy.GetItem(0).Argument, configFolder + u"/scripts/a.py");
    EXPECT_EQ(copy.GetItem(0).ArgumentLine, configFolder + u"/scripts/a.py");
    EXPECT_EQ(copy.GetItem(1).Argument, dataFolder + u"/b.py");
}

class ButtonMapStore : public StoreTest {
protected:
    void TearDown() override
    {
        SetApplicationNumber(kApplicationTerminal);
        ResetProductQueries();
        StoreTest::TearDown();
    }
};
ORV_BOTH_BACKENDS(ButtonMapStore);

TEST_P(ButtonMapStore, LoadDropsLinesWithoutAFunctionAndKeepsUnknownOnes)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"Bars", 1);
    const VStringArray stored{u"SEND,ls,,,", u"NONE,x,,,", u"SEND,short,,", u",empty,,,", u"ODD_ONE,a,,,"};
    key.WriteStringArray(u"Main", stored);

    ProfileUserButtonMap map(&key, u"Main");
    ASSERT_EQ(map.GetCount(), 2u);
    EXPECT_EQ(map.GetItem(0).Argument, VUnicodeString(u"ls"));
    EXPECT_EQ(map.GetItem(1).Function, kFunctionUnknown);
    EXPECT_EQ(map.Get(), (VStringArray{u"SEND,ls,,,", u"ODD_ONE,a,,,"}));
    EXPECT_FALSE(map.IsChanged());
    EXPECT_FALSE(map.IsDirty());

    ProfileUserButtonMap missing(&key, u"Other");
    EXPECT_EQ(missing.GetCount(), 0u);
    EXPECT_TRUE(missing.IsDirty());
}

TEST_P(ButtonMapStore, SavesOnlyWhatChangedAndOnlyWithTheTerminalProduct)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"Bars", 1);
    {
        ProfileUserButtonMap map(&key, u"Main");
        map.Insert(0, Send(u"ls"));
        EXPECT_TRUE(map.Save(&key));
        EXPECT_TRUE(map.Save(&key));
    }
    EXPECT_EQ(recorder->Writes(u"Main"), 1);

    ProfileUserButtonMap loaded(&key, u"Main");
    ASSERT_EQ(loaded.GetCount(), 1u);
    EXPECT_EQ(loaded.GetItem(0).Argument, VUnicodeString(u"ls"));

    SetApplicationNumber(kApplicationTransfer);
    ScopedEnv products("ORV_INSTALLED_PRODUCTS", "pellowin");
    ResetProductQueries();
    loaded.Insert(1, Send(u"pwd"));
    EXPECT_TRUE(loaded.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Main"), 1);
    VStringArray stored;
    key.ReadStringArray(u"Main", stored);
    EXPECT_EQ(stored.GetSize(), 1u);
}

TEST_P(ButtonMapStore, CommandListsLiveBelowCommands)
{
    CommandDatabaseImpl* database = GetCommandDatabaseImpl();
    EXPECT_EQ(database->FolderKeyPath(u""), VUnicodeString(u"Commands"));
    EXPECT_EQ(database->FolderKeyPath(u"Servers/Web"), VUnicodeString(u"Commands\\Servers\\Web"));
    EXPECT_EQ(database->FolderKeyPath(u"/Servers//Web/"), VUnicodeString(u"Commands\\Servers\\Web"));
    EXPECT_EQ(CommandDatabaseImpl(u"Orvalis").FolderKeyPath(u"A"), VUnicodeString(u"Orvalis\\Commands\\A"));

    VUnknownPointer<ProfileUserButtonMap> empty(database->LoadCommands(u"Servers/Web"));
    EXPECT_EQ(empty->GetCount(), 0u);
    EXPECT_EQ(empty->GetName(), VUnicodeString(u"Default"));

    empty->Insert(0, Send(u"uptime"));
    ASSERT_TRUE(database->SaveCommands(u"Servers/Web", *empty));
    {
        VProfileStore store;
        VProfileKey list(*store.GetRootKey(), u"Commands\\Servers\\Web\\__Commands__", 0);
        uint32_t marker = 0;
        EXPECT_TRUE(list.ReadDword(u"Is Command List", marker));
        EXPECT_EQ(marker, 1u);
        VStringArray lines;
        EXPECT_TRUE(list.ReadStringArray(u"Default", lines));
        EXPECT_EQ(lines.GetSize(), 1u);
    }
    VUnknownPointer<ProfileUserButtonMap> loaded(database->LoadCommands(u"Servers/Web"));
    ASSERT_EQ(loaded->GetCount(), 1u);
    EXPECT_EQ(loaded->GetItem(0).Argument, VUnicodeString(u"uptime"));
}

TEST_P(ButtonMapStore, CommandFoldersKeepTheUsersOrder)
{
    CommandDatabaseImpl* database = GetCommandDatabaseImpl();
    ASSERT_TRUE(database->CreateFolder(u"", u"Zeta"));
    ASSERT_TRUE(database->CreateFolder(u"", u"Alpha"));
    ASSERT_TRUE(database->CreateFolder(u"", u"Mid", u"Zeta", false));
    ASSERT_TRUE(database->CreateFolder(u"Alpha", u"Inner"));
    VUnknownPointer<ProfileUserButtonMap> commands(database->LoadCommands(u""));
    commands->Insert(0, Send(u"top"));
    ASSERT_TRUE(database->SaveCommands(u"", *commands));
    {
        VProfileStore store; // a folder made by someone else joins at the end
        VProfileKey made(*store.GetRootKey(), u"Commands\\Beta", 1);
    }
    EXPECT_EQ(database->GetSubfolders(u""), (VStringArray{u"Mid", u"Zeta", u"Alpha", u"Beta"}));
    EXPECT_EQ(database->GetSubfolders(u"Alpha"), VStringArray{u"Inner"});
    EXPECT_EQ(database->GetSubfolders(u"Alpha/Inner"), VStringArray());
    EXPECT_FALSE(database->CreateFolder(u"", u""));
    EXPECT_TRUE(database->FolderExists(u""));
    EXPECT_TRUE(database->FolderExists(u"/Alpha/Inner/"));
    EXPECT_TRUE(database->FolderExists(u"beta")); // names compare without case
    EXPECT_FALSE(database->FolderExists(u"Alpha/Missing"));
    EXPECT_FALSE(database->FolderExists(u"Gamma"));
}

} // namespace
