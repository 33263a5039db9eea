#include <gtest/gtest.h>

#include <array>

#include "platform/MessageFormatter.h"

namespace {

std::u16string Format(std::u16string_view pattern, std::initializer_list<MessageArg> args)
{
    return FormatMessageText(pattern, std::span<const MessageArg>(args.begin(), args.size()));
}

TEST(MessageFormatter, InsertsInOrderWithPrintfFormats)
{
    EXPECT_EQ(Format(u"%2 before %1", {u"a", u"b"}), u"b before a");
    EXPECT_EQ(Format(u"%1!08x!", {uint64_t{0xE1090006}}), u"e1090006");
    EXPECT_EQ(Format(u"0x%1!08X!", {uint64_t{0x1A}}), u"0x0000001A");
    EXPECT_EQ(Format(u"[%1!-6s!][%2!6s!]", {u"ab", u"cd"}), u"[ab    ][    cd]");
    EXPECT_EQ(Format(u"%1!d! %2!u! %3!04d!", {int64_t{-12}, uint64_t{4294967295u}, int64_t{7}}),
              u"-12 4294967295 0007");
    EXPECT_EQ(Format(u"%1!d!", {uint64_t{18446744073709551615u}}), u"18446744073709551615");
    EXPECT_EQ(Format(u"%1!.2s!", {u"abcdef"}), u"ab");
    EXPECT_EQ(Format(u"%10", {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"ten"}), u"ten");
}

TEST(MessageFormatter, TextArgumentsOfNumericFormats)
{
    // A text holding a number is formatted as that number ...
    EXPECT_EQ(Format(u"%1!03d!", {u"5"}), u"005");
    EXPECT_EQ(Format(u"%1!x!", {u"255"}), u"ff");
    // ... any other text stands as it is.
    EXPECT_EQ(Format(u"%1 (%2!d!)", {u"a", u"b"}), u"a (b)");
    // Without a 64-bit modifier a negative number is 32 bits wide.
    EXPECT_EQ(Format(u"%1!u! %1!x! %1!I64x!", {u"-1"}), u"4294967295 ffffffff ffffffffffffffff");
}

TEST(MessageFormatter, MissingArgumentsAndEscapes)
{
    EXPECT_EQ(Format(u"%1 and %3!d! stay", {u"x"}), u"x and %3!d! stay");
    EXPECT_EQ(Format(u"100%% %n%tend", {}), u"100% \r\n\tend");
    EXPECT_EQ(Format(u"cut%0 here", {}), u"cut");
    EXPECT_EQ(Format(u"%q %", {}), u"%q %");
    EXPECT_EQ(Format(u"%1!bogus! x", {u"v"}), u"v!bogus! x"); // not a conversion: the text stays
    EXPECT_EQ(Format(u"%1!08x", {uint64_t{1}}), u"1!08x");     // unterminated
}

TEST(MessageFormatter, HugeWidthsAreBounded)
{
    const std::u16string out = Format(u"%1!99999d!", {int64_t{1}});
    EXPECT_EQ(out.size(), 4096u);
    EXPECT_EQ(out.back(), u'1');
}

} // namespace
