#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/Exceptions.h"
#include "core/VUnicodeString.h"

namespace {

int Logical(const char16_t* a, const char16_t* b)
{
    return VUnicodeString::CompareLogical(a, b);
}

TEST(VUnicodeStringCompare, ExactIsCodeUnitOrder)
{
    EXPECT_LT(VUnicodeString(u"B").Compare(u"a"), 0); // 'B' 0x42 < 'a' 0x61
    EXPECT_GT(VUnicodeString(u"abc").Compare(u"ab"), 0);
    EXPECT_EQ(VUnicodeString(u"abc").Compare(u"abc"), 0);
    // Above the surrogates, code-unit order differs from code-point order.
    EXPECT_LT(VUnicodeString(u"\U0001F600").Compare(u"\uFF21"), 0);
}

TEST(VUnicodeStringCompare, NoCaseFoldsBeyondAscii)
{
    EXPECT_EQ(VUnicodeString(u"Host").CompareNoCase(u"hOST"), 0);
    EXPECT_EQ(VUnicodeString(u"ÄRGER").CompareNoCase(u"ärger"), 0);
    EXPECT_EQ(VUnicodeString(u"ΣΊΣΥΦΟΣ").CompareNoCase(u"σίσυφος"), 0);
    EXPECT_EQ(VUnicodeString(u"\U00010400").CompareNoCase(u"\U00010428"), 0); // Deseret, a surrogate pair
    EXPECT_LT(VUnicodeString(u"abc").CompareNoCase(u"ABCD"), 0);             // prefix sorts first
    EXPECT_LT(VUnicodeString(u"apple").CompareNoCase(u"Banana"), 0);
    EXPECT_EQ(VUnicodeString::HashNoCase(u"Session"), VUnicodeString::HashNoCase(u"SESSION"));
}

TEST(VUnicodeStringCompare, LogicalComparesNumbersByValue)
{
    EXPECT_LT(Logical(u"s2", u"s10"), 0);
    EXPECT_LT(Logical(u"host2", u"host10"), 0);
    EXPECT_EQ(Logical(u"Host", u"host"), 0);
    EXPECT_LT(Logical(u"a9b", u"a10a"), 0);
    EXPECT_GT(Logical(u"10", u"9a"), 0);
}

TEST(VUnicodeStringCompare, LogicalReaderLimits)
{
    // Same value read at the same place: the characters decide, so a
    // leading zero sorts before the digit it precedes.
    EXPECT_LT(Logical(u"a01", u"a1"), 0);
    // Blanks and a plus sign belong to the read number.
    EXPECT_LT(Logical(u"a9", u"a 10"), 0);
    EXPECT_LT(Logical(u"a2", u"a+3"), 0);
    // A minus sign inside the read text makes the read fail: at the '-'
    // both sides tie, then 5 < 10 one place further on.
    EXPECT_LT(Logical(u"a-5", u"a-10"), 0);
    // 4,294,967,295 is still a number; one more is compared as characters.
    EXPECT_GT(Logical(u"x4294967295", u"x5"), 0);
    EXPECT_LT(Logical(u"x4294967296", u"x5"), 0); // '4' < '5'
    EXPECT_GT(Logical(u"x4294967296", u"x4294967295"), 0);
}

TEST(VUnicodeStringCompare, LogicalRemainders)
{
    EXPECT_LT(Logical(u"abc", u"abcd"), 0);
    EXPECT_GT(Logical(u"abcd", u"ABC"), 0);
    EXPECT_EQ(Logical(u"", u""), 0);
    EXPECT_LT(Logical(u"", u"a"), 0);
    // Equal without case but of different lengths never compare equal.
    EXPECT_NE(Logical(u"a1", u"a01"), 0);
}

TEST(VUnicodeStringCompare, LogicalSortOfTypicalNames)
{
    std::vector<VUnicodeString> names{u"web10", u"Web2", u"db1", u"web1", u"web 3"};
    std::stable_sort(names.begin(), names.end(),
                     [](const VUnicodeString& a, const VUnicodeString& b) { return a.CompareLogical(b) < 0; });
    const std::vector<VUnicodeString> expected{u"db1", u"web1", u"Web2", u"web 3", u"web10"};
    EXPECT_EQ(names, expected);
}

TEST(VUnicodeStringEdit, TrimReplaceCaseAndSlices)
{
    VUnicodeString s(u" \t name \u3000");
    EXPECT_EQ(s.Trim(), VUnicodeString(u"name"));
    VUnicodeString path(u"a/b/c");
    EXPECT_EQ(path.Replace(u"/", u"\\"), 2u);
    EXPECT_EQ(path, VUnicodeString(u"a\\b\\c"));
    EXPECT_EQ(VUnicodeString(u"straße").MakeUpper(), VUnicodeString(u"STRASSE"));
    EXPECT_EQ(VUnicodeString(u"abc").Mid(5), VUnicodeString());
    EXPECT_EQ(VUnicodeString(u"abc").Right(2), VUnicodeString(u"bc"));
    EXPECT_THROW(VUnicodeString(u"abc").At(3), OutOfRange);
    EXPECT_EQ(VUnicodeString(static_cast<const char16_t*>(nullptr)), VUnicodeString());
}

} // namespace
