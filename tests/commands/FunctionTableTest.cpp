#include <gtest/gtest.h>

#include <set>
#include <string>

#include "commands/FunctionTable.h"

namespace {

TEST(FunctionTable, HasEveryRowAtItsNumberAndATerminator)
{
    const auto table = GetFunctionTable();
    ASSERT_EQ(table.size(), 292u);
    std::set<std::u16string_view> names;
    for (size_t i = 0; i < 291; ++i) {
        EXPECT_EQ(table[i].number, static_cast<int>(i));
        EXPECT_FALSE(std::u16string_view(table[i].name).empty());
        EXPECT_TRUE(names.insert(table[i].name).second) << "duplicate at " << i;
    }
    EXPECT_EQ(table[291].number, 0);
    EXPECT_EQ(std::u16string_view(table[291].name), u"");

    const std::pair<const char16_t*, int> landmarks[] = {
        {u"NONE", 0},          {u"DISABLED", 6},       {u"SB_LINE_UP", 7},        {u"MENU_NEW_WINDOW", 19},
        {u"MENU_RECENT_1", 37}, {u"MENU_RECENT_4", 40}, {u"MENU_FIND", 48},         {u"MENU_TAB_1", 122},
        {u"MENU_TAB_10", 131},  {u"MENU_WINDOW_1", 164}, {u"MENU_WINDOW_9", 172},  {u"MENU_WINDOW_0", 173},
        {u"MENU_HELP_AUTOCHECK", 184}, {u"TN_ABORT_OUTPUT", 185}, {u"DEBUG_TRACE_DUMP", 197},
        {u"TN3270_PF1", 198},   {u"TN3270_PF24", 221},  {u"TN3270_HOME", 241},     {u"VT_PF1", 242},
        {u"VT_KEYPAD_0", 246},  {u"VT_KEYPAD_9", 255},  {u"VT_F6", 267},           {u"VT_F20", 281},
        {u"VT_NEXT_SCREEN", 287}, {u"BB_SET_BUTTON_BAR", 288}, {u"BB_NEXT_BUTTON_BAR", 290},
    };
    for (const auto& [name, number] : landmarks) {
        EXPECT_EQ(GetFunctionNumber(name), number) << std::string(name, name + std::char_traits<char16_t>::length(name));
        EXPECT_EQ(GetFunctionName(number), std::u16string_view(name));
    }
}

TEST(FunctionTable, NumbersOutsideTheTableHaveNoName)
{
    EXPECT_EQ(GetFunctionName(291), u"");
    EXPECT_EQ(GetFunctionName(-1), u"");
    EXPECT_EQ(GetFunctionName(100000), u"");
}

TEST(FunctionTable, NameLookupTakesOlderNamesThenTheTableThenVtKeys)
{
    EXPECT_EQ(GetFunctionNumber(u"MENU_TOGGLE_CHAT_WINDOW"), 65);
    EXPECT_EQ(GetFunctionNumber(u"MENU_GOTO_CHAT_SESSION_WINDOW"), 49);
    EXPECT_EQ(GetFunctionNumber(u"MENU_THEMES_OFFICE2003"), 100);
    EXPECT_EQ(GetFunctionNumber(u"MENU_HEX_VIEW"), 70);
    EXPECT_EQ(GetFunctionNumber(u"MENU_EDIT_PASTE_AS_QUOTATION"), 46);
    EXPECT_EQ(GetFunctionNumber(u"SET_BUTTONBAR"), 288);
    EXPECT_EQ(GetFunctionNumber(u""), 0);
    EXPECT_EQ(GetFunctionNumber(u"VT_HELP"), 276);
    EXPECT_EQ(GetFunctionName(276), u"VT_F15");
    EXPECT_EQ(GetFunctionNumber(u"VT_DO"), 277);
    EXPECT_EQ(GetFunctionName(277), u"VT_F16");

    EXPECT_EQ(GetFunctionNumber(u"send"), -1); // names keep their case
    EXPECT_EQ(GetFunctionNumber(u"SEND "), -1);
    EXPECT_EQ(GetFunctionNumber(u"NO_SUCH_FUNCTION"), -1);
}

} // namespace
