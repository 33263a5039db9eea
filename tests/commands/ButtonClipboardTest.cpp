#include <gtest/gtest.h>

#include <vector>

#include "FakeClipboard.h"
#include "commands/ButtonClipboard.h"

namespace {

using Bytes = std::vector<uint8_t>;

ProfileUserButtonMap::Item Send(const char16_t* text)
{
    ProfileUserButtonMap::Item item;
    item.Function = kFunctionSend;
    item.SetArgument(text);
    return item;
}

Bytes Utf16Le(std::u16string_view text)
{
    Bytes out;
    for (const char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

Bytes BigEndian(uint32_t value)
{
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value)};
}

class ButtonClipboard : public ::testing::Test {
protected:
    Bytes& OnClipboard() { return clipboard.content[GetButtonBarClipboardFormat()]; }
    void Put(Bytes bytes) { clipboard.content = {{GetButtonBarClipboardFormat(), std::move(bytes)}}; }

    FakeClipboard clipboard;
};

TEST_F(ButtonClipboard, ABarIsCopiedByteForByte)
{
    ProfileUserButtonMap bar(nullptr, u"Main");
    bar.Insert(0, Send(u"ls"));
    ASSERT_TRUE(CopyButtonBarToClipboard(bar, kClipboardOriginButtonBar));

    const std::u16string line = u"SEND,ls,,,,0,1,,";
    Bytes expected = {'B', 'B', 0, 0, 0, 8, 'M', 0, 'a', 0, 'i', 0, 'n', 0};
    Append(expected, BigEndian(static_cast<uint32_t>(4 + 2 * line.size())));
    Append(expected, BigEndian(static_cast<uint32_t>(2 * line.size())));
    Append(expected, Utf16Le(line));
    EXPECT_EQ(OnClipboard(), expected);
    EXPECT_EQ(clipboard.content.size(), 1u); // the only format placed
}

TEST_F(ButtonClipboard, TagsFollowKindAndOrigin)
{
    ProfileUserButtonMap list(nullptr, u"L");
    list.Insert(0, Send(u"x"));
    const std::pair<bool (*)(const ProfileUserButtonMap&, int), int> copies[] = {
        {&CopyButtonBarToClipboard, 1}, {&CopyButtonBarToClipboard, 2}, {&CopyButtonToClipboard, 1},
        {&CopyButtonToClipboard, 2}};
    const char* const tags[] = {"CF", "BB", "CM", "BN"};
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(copies[i].first(list, copies[i].second));
        EXPECT_EQ(OnClipboard()[0], tags[i][0]);
        EXPECT_EQ(OnClipboard()[1], tags[i][1]);
    }

    const int setsBefore = clipboard.sets;
    EXPECT_FALSE(CopyButtonBarToClipboard(list, 3));
    EXPECT_FALSE(CopyButtonToClipboard(list, 0));
    EXPECT_EQ(clipboard.sets, setsBefore); // not touched

    clipboard.refuseSet = true;
    EXPECT_FALSE(CopyButtonBarToClipboard(list, 2));
}

TEST_F(ButtonClipboard, ProbeSetsTheOriginEvenWhenItRefusesTheTag)
{
    ProfileUserButtonMap list(nullptr, u"L");
    list.Insert(0, Send(u"x"));
    ASSERT_TRUE(CopyButtonBarToClipboard(list, kClipboardOriginCommandManager));
    int origin = 0;
    EXPECT_FALSE(IsButtonOnClipboard(origin));
    EXPECT_EQ(origin, 1);
    EXPECT_TRUE(IsButtonBarOnClipboard(origin));

    ASSERT_TRUE(CopyButtonToClipboard(list, kClipboardOriginButtonBar));
    origin = 0;
    EXPECT_FALSE(IsButtonBarOnClipboard(origin));
    EXPECT_EQ(origin, 2);
    EXPECT_TRUE(IsButtonOnClipboard(origin));

    // Unknown tags, two bytes or less, no data, no clipboard: origin untouched.
    for (const Bytes& bytes : {Bytes{'X', 'Y', 0, 0, 0, 0}, Bytes{'B', 'B'}, Bytes{}}) {
        Put(bytes);
        origin = 42;
        EXPECT_FALSE(IsButtonBarOnClipboard(origin));
        EXPECT_FALSE(IsButtonOnClipboard(origin));
        EXPECT_EQ(origin, 42);
    }
    clipboard.content.clear();
    EXPECT_FALSE(IsButtonBarOnClipboard(origin));
    CopyButtonBarToClipboard(list, 2);
    clipboard.reachable = false;
    EXPECT_FALSE(IsButtonBarOnClipboard(origin));
    EXPECT_EQ(origin, 42);
}

TEST_F(ButtonClipboard, ABarReadBackKeepsItsNameAndLines)
{
    ProfileUserButtonMap bar(nullptr, u"Deploy");
    bar.Insert(0, Send(u"make"));
    bar.Insert(1, Send(u"make install"));
    ASSERT_TRUE(CopyButtonBarToClipboard(bar, kClipboardOriginButtonBar));
    clipboard.blockSlack = 13; // the block may be larger than the data

    ProfileUserButtonMap* read = nullptr;
    int origin = 0;
    ASSERT_TRUE(CopyButtonBarFromClipboard(&read, origin));
    VUnknownPointer<ProfileUserButtonMap> held(read);
    EXPECT_EQ(origin, 2);
    EXPECT_EQ(read->GetName(), VUnicodeString(u"Deploy"));
    EXPECT_EQ(read->Get(), bar.Get());
    ASSERT_EQ(read->GetCount(), 2u);
    EXPECT_EQ(read->GetItem(1).Argument, VUnicodeString(u"make install"));

    ProfileUserButtonMap* button = reinterpret_cast<ProfileUserButtonMap*>(1);
    EXPECT_FALSE(CopyButtonFromClipboard(&button, origin)); // a bar is no button
    EXPECT_EQ(button, nullptr);
}

TEST_F(ButtonClipboard, LengthsThatDoNotFitAreRefused)
{
    const Bytes name = Utf16Le(u"B");
    const Bytes line = Utf16Le(u"SEND,x,,,");
    const auto payload = [&](uint32_t nameLength, uint32_t listLength, uint32_t lineLength) {
        Bytes out{'B', 'B'};
        Append(out, BigEndian(nameLength));
        Append(out, name);
        Append(out, BigEndian(listLength));
        Append(out, BigEndian(lineLength));
        Append(out, line);
        return out;
    };
    const uint32_t fits = static_cast<uint32_t>(4 + line.size());
    const uint32_t lineSize = static_cast<uint32_t>(line.size());
    const Bytes bad[] = {
        payload(2, fits + 1, lineSize),     // list longer than the data
        payload(2, fits, lineSize + 2),     // line past the list's end
        payload(2, 3, lineSize),            // a list too short for a line length
        payload(0xFFFFFFF0, fits, lineSize), // name past the end
        Bytes{'B', 'B', 0, 0, 0},           // no room for N
        Bytes{'B', 'B', 0, 0, 0, 0, 0, 0},  // no room for T
    };
    for (const Bytes& bytes : bad) {
        Put(bytes);
        ProfileUserButtonMap* read = nullptr;
        int origin = 0;
        EXPECT_FALSE(CopyButtonBarFromClipboard(&read, origin));
        ASSERT_NE(read, nullptr); // the caller still gets the (empty) map
        EXPECT_EQ(read->GetCount(), 0u);
        EXPECT_EQ(read->Get().GetSize(), 0u);
        read->Release();
    }

    Put(payload(2, fits, lineSize));
    ProfileUserButtonMap* read = nullptr;
    int origin = 0;
    ASSERT_TRUE(CopyButtonBarFromClipboard(&read, origin));
    EXPECT_EQ(read->GetCount(), 1u);
    read->Release();
}

TEST_F(ButtonClipboard, ASingleButtonMustBeExactlyOneUsableButton)
{
    ProfileUserButtonMap one(nullptr, u"temp copy");
    one.Insert(0, Send(u"ls"));
    ASSERT_TRUE(CopyButtonToClipboard(one, kClipboardOriginCommandManager));
    ProfileUserButtonMap* read = nullptr;
    int origin = 0;
    ASSERT_TRUE(CopyButtonFromClipboard(&read, origin));
    EXPECT_EQ(origin, 1);
    EXPECT_EQ(read->GetItem(0).Argument, VUnicodeString(u"ls"));
    read->Release();

    ProfileUserButtonMap two(nullptr, u"temp copy");
    two.Insert(0, Send(u"a"));
    two.Insert(1, Send(u"b"));
    ASSERT_TRUE(CopyButtonToClipboard(two, kClipboardOriginButtonBar));
    EXPECT_FALSE(CopyButtonFromClipboard(&read, origin));
    EXPECT_EQ(read, nullptr);

    ProfileUserButtonMap none(nullptr, u"temp copy");
    ProfileUserButtonMap::Item nothing; // NONE: dropped when read
    none.Insert(0, nothing);
    ASSERT_TRUE(CopyButtonToClipboard(none, kClipboardOriginButtonBar));
    EXPECT_FALSE(CopyButtonFromClipboard(&read, origin));
    EXPECT_EQ(read, nullptr);

    ProfileUserButtonMap bar(nullptr, u"Bar");
    bar.Insert(0, Send(u"a"));
    ASSERT_TRUE(CopyButtonBarToClipboard(bar, kClipboardOriginButtonBar));
    EXPECT_FALSE(CopyButtonBarFromClipboard(nullptr, origin));
}

TEST(ClipboardFormats, NamesGetOneNumberForTheProcess)
{
    const uint32_t format = GetButtonBarClipboardFormat();
    EXPECT_GE(format, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatName(u"cmdmgrbuttonbar"), format);
    EXPECT_EQ(GetClipboardFormatName(format), u"CmdMgrButtonBar");
    const uint32_t other = RegisterClipboardFormatName(u"FolderTree2");
    EXPECT_NE(other, format);
    EXPECT_EQ(RegisterClipboardFormatName(u""), 0u);

    // Without an installed clipboard nothing can be read or placed.
    ProfileUserButtonMap bar(nullptr, u"Bar");
    bar.Insert(0, Send(u"a"));
    int origin = 5;
    EXPECT_FALSE(CopyButtonBarToClipboard(bar, 2));
    EXPECT_FALSE(IsButtonBarOnClipboard(origin));
    EXPECT_EQ(origin, 5);
}

} // namespace
