#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ReferenceFilterMatch.h"
#include "sessiontree/FilterPattern.h"

namespace {

bool Match(std::u16string_view pattern, std::u16string_view text)
{
    return FilterPattern(pattern).Matches(text);
}

TEST(FilterPattern, PlainTextIsASubstringWithoutCase)
{
    EXPECT_TRUE(Match(u"web", u"prod-WEB-01"));
    EXPECT_TRUE(Match(u"ÄRGER", u"das ärger-log"));
    EXPECT_FALSE(Match(u"web", u"we-b"));
    EXPECT_FALSE(Match(u"", u"anything")); // an empty pattern matches nothing
    EXPECT_FALSE(FilterPattern(u"a").IsWildcard());
}

TEST(FilterPattern, WildcardsMatchAnyPartOfTheName)
{
    EXPECT_TRUE(Match(u"*01", u"srv01-backup")); // any part of the name may match
    EXPECT_TRUE(Match(u"db?", u"db1"));
    EXPECT_TRUE(Match(u"db?", u"adb2"));
    EXPECT_FALSE(Match(u"db?", u"db")); // '?' needs one character
    EXPECT_TRUE(Match(u"w*b", u"xxWEB"));
    EXPECT_TRUE(Match(u"*", u"x"));
    EXPECT_FALSE(Match(u"*", u""));
    EXPECT_TRUE(Match(u"a**b", u"ab"));
    EXPECT_TRUE(Match(u"\U0001F600?", u"x\U0001F600y")); // '?' is one character, not one code unit
}

TEST(FilterPattern, ARunStartingWithADotNeedsADotInThePattern)
{
    EXPECT_FALSE(Match(u"?bash*", u".bashrc"));
    EXPECT_TRUE(Match(u".bash*", u".bashrc"));
    EXPECT_TRUE(Match(u"bash*", u".bashrc")); // the run may start after the dot
    EXPECT_FALSE(Match(u"*", u"..."));
    EXPECT_TRUE(Match(u"*", u"..a"));
}

TEST(FilterPattern, HostilePatternsAnswerQuickly)
{
    const std::u16string name(20000, u'a');
    EXPECT_FALSE(Match(u"*a*a*a*a*a*b", name));
    EXPECT_TRUE(Match(u"*a*a*a*a*a*", name));
    std::u16string longPattern;
    for (int i = 0; i < 100; ++i)
        longPattern += u"a*";
    longPattern += u"b";
    EXPECT_FALSE(Match(longPattern, name));
    EXPECT_TRUE(Match(longPattern, name + u"b"));
}

// Small alphabets make every rule meet every other often.
TEST(FilterPattern, AgreesWithTheWindowRuleOnRandomInputs)
{
    std::mt19937 random(7);
    const std::u16string patternChars = u"aB.*?";
    const std::u16string textChars = u"abB.";
    auto make = [&](const std::u16string& chars, size_t maxLength) {
        std::u16string s(random() % (maxLength + 1), u' ');
        for (char16_t& c : s)
            c = chars[random() % chars.size()];
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        std::u16string pattern = make(patternChars, 6);
        // Long patterns take the path that does not fit one machine word.
        if (i % 10 == 0)
            pattern = std::u16string(64, u'?') + pattern;
        const std::u16string text = make(textChars, i % 10 == 0 ? 80 : 10);
        ASSERT_EQ(FilterPattern(pattern).Matches(text), reference::FilterMatch(pattern, text))
            << "pattern '" << std::string(pattern.begin(), pattern.end()) << "' text '"
            << std::string(text.begin(), text.end()) << "'";
    }
}

TEST(FilterPattern, ContainsExactOrWithoutCase)
{
    EXPECT_TRUE(ContainsNoCase(u"Production", u"DUC"));
    EXPECT_TRUE(Contains(u"Production", u"duc", false));
    EXPECT_FALSE(Contains(u"Production", u"DUC", true));
    EXPECT_TRUE(Contains(u"Production", u"duc", true));
}

} // namespace
