#include <gtest/gtest.h>

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"
#include "core/VUnicodeString.h"

namespace {

TEST(UnicodeConversion, RoundTripsEveryPlane)
{
    const std::string utf8 = "Sitzung \xC3\xA4 \xE2\x82\xAC \xF0\x9F\x98\x80";
    const std::u16string utf16 = Utf8ToUtf16(utf8);
    EXPECT_EQ(utf16, u"Sitzung ä € \U0001F600");
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(VUnicodeString::FromUtf8("").Length(), 0u);
}

TEST(UnicodeConversion, MalformedUtf8Raises)
{
    for (const char* bad : {"\xC3\x28", "\xC0\xAF", "\x80", "abc\xE2\x82", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xFF"}) {
        EXPECT_THROW(Utf8ToUtf16(bad), IllegalSequence) << "input " << ::testing::PrintToString(std::string(bad));
    }
}

TEST(UnicodeConversion, UnpairedSurrogatesRaise)
{
    const char16_t lead[] = {u'a', 0xD83D, 0};
    const char16_t trail[] = {0xDE00, u'a', 0};
    EXPECT_THROW(Utf16ToUtf8(lead), IllegalSequence);
    EXPECT_THROW(Utf16ToUtf8(trail), IllegalSequence);
    EXPECT_THROW(VUnicodeString(lead).ToUtf8(), IllegalSequence);
}

} // namespace
