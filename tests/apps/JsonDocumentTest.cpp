#include <gtest/gtest.h>

#include "JsonDocument.h"

namespace {

std::string ErrorOf(std::string_view text)
{
    try {
        ParseJson(text);
    } catch (const JsonError& error) {
        return error.Describe();
    }
    return "(read)";
}

TEST(JsonDocument, ReadsEveryKindOfValueWithItsLine)
{
    const JsonValue doc = ParseJson("{\n \"a\": [true, false, null],\n \"n\": -12.5e+3,\n \"i\": 42,\n"
                                    " \"s\": \"\\u00e9\\ud83d\\ude00 \\\"q\\\" \\\\ \\/ \\b\\f\\n\\r\\t\xE2\x9C\x93\"\n}");
    ASSERT_NE(doc.AsObject(), nullptr);
    const JsonValue* a = doc.Find(u"a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Line(), 2);
    ASSERT_EQ(a->AsArray()->size(), 3u);
    EXPECT_EQ(*(*a->AsArray())[0].AsBool(), true);
    EXPECT_TRUE((*a->AsArray())[2].IsNull());
    EXPECT_EQ(doc.Find(u"n")->AsNumber()->literal, "-12.5e+3");
    EXPECT_FALSE(doc.Find(u"n")->AsInteger());
    EXPECT_EQ(doc.Find(u"i")->AsInteger(), 42);
    EXPECT_EQ(*doc.Find(u"s")->AsString(), u"\u00e9\U0001F600 \"q\" \\ / \b\f\n\r\t\u2713");
    EXPECT_EQ(doc.Find(u"s")->Line(), 5);
    EXPECT_EQ(doc.Find(u"missing"), nullptr);
}

TEST(JsonDocument, RefusesWhatIsNotStrictJsonNamingTheLine)
{
    EXPECT_EQ(ErrorOf(""), "line 1: the document is empty");
    EXPECT_EQ(ErrorOf("\xEF\xBB\xBF{}"), "line 1: the document begins with a byte-order mark");
    EXPECT_EQ(ErrorOf("[1,\n2,\n]"), "line 3: expected a value, found ']'");
    EXPECT_EQ(ErrorOf("{\"a\": 1,\n\"a\": 2}"), "line 2: the key \"a\" is given twice");
    EXPECT_EQ(ErrorOf("{\"a\" 1}"), "line 1: expected ':', found '1'");
    EXPECT_EQ(ErrorOf("[1 2]"), "line 1: expected ',' or ']', found '2'");
    EXPECT_EQ(ErrorOf("{} {}"), "line 1: text after the end of the document");
    EXPECT_EQ(ErrorOf("// comment\n{}"), "line 1: expected a value, found '/'");
    EXPECT_EQ(ErrorOf("[01]"), "line 1: a number begins with a needless 0");
    EXPECT_EQ(ErrorOf("[1.]"), "line 1: a number needs a digit after its decimal point");
    EXPECT_EQ(ErrorOf("[-]"), "line 1: a number needs a digit after its sign");
    EXPECT_EQ(ErrorOf("[1e]"), "line 1: a number needs a digit in its exponent");
    EXPECT_EQ(ErrorOf("[tru]"), "line 1: expected a value, found 't'");
    EXPECT_EQ(ErrorOf("[\"a\nb\"]"), "line 1: a string runs past the end of its line");
    EXPECT_EQ(ErrorOf("[\"a\tb\"]"), "line 1: a control character in a string");
    EXPECT_EQ(ErrorOf("[\"\\x\"]"), "line 1: unknown escape \\x");
    EXPECT_EQ(ErrorOf("[\"\\u12g4\"]"), "line 1: a \\u escape takes four hex digits, found 'g'");
    EXPECT_EQ(ErrorOf("\n\n[\"\xC3\x28\"]"), "line 3: a string is not valid UTF-8");
    EXPECT_EQ(ErrorOf("[\"\xED\xA0\x80\"]"), "line 1: a string is not valid UTF-8"); // an encoded surrogate
    EXPECT_EQ(ErrorOf("{\"a\": [1,"), "line 1: the document ends where a value was expected");
    EXPECT_EQ(ErrorOf("\"open"), "line 1: the document ends inside a string");
    EXPECT_EQ(ErrorOf("[\x01]"), "line 1: expected a value, found the byte 0x1");
    EXPECT_EQ(ErrorOf(std::string(kJsonMaximumDepth, '[') + std::string(kJsonMaximumDepth, ']')), "(read)");
    EXPECT_EQ(ErrorOf(std::string(kJsonMaximumDepth + 1, '[')),
              "line 1: the document nests deeper than " + std::to_string(kJsonMaximumDepth) + " levels");
}

TEST(JsonDocument, WritesWhatItReadsBackAndKeepsUnpairedSurrogates)
{
    JsonValue::Object inner{{u"k", JsonValue::Integer(-7)}, {u"t", u"x"}};
    JsonValue compact(inner);
    compact.SetCompact(true);
    const JsonValue doc(JsonValue::Object{
        {u"text", std::u16string(u"tab\t\"q\" \\ \x7f \u00e9 \U0001F600 ") + char16_t(0xD800) + u" end" + char16_t(0xDC01)},
        {u"empty", JsonValue::Array{}},
        {u"list", JsonValue::Array{true, JsonValue(), JsonValue::Number{"1.5e3"}}},
        {u"row", compact},
    });
    const std::string text = WriteJson(doc);
    EXPECT_EQ(text, "{\n"
                    "  \"text\": \"tab\\t\\\"q\\\" \\\\ \x7f \xC3\xA9 \xF0\x9F\x98\x80 \\ud800 end\\udc01\",\n"
                    "  \"empty\": [],\n"
                    "  \"list\": [\n"
                    "    true,\n"
                    "    null,\n"
                    "    1.5e3\n"
                    "  ],\n"
                    "  \"row\": {\"k\": -7, \"t\": \"x\"}\n"
                    "}\n");
    EXPECT_EQ(ParseJson(text), doc);
    // Read back, the layout hint is gone but not the value.
    const std::string again = WriteJson(ParseJson(text));
    EXPECT_NE(again, text);
    EXPECT_EQ(ParseJson(again), doc);
}

} // namespace
