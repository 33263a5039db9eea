#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "platform/MessageTable.h"

namespace {

TEST(MessageTable, ParsesIdsTextsAndEscapes)
{
    std::string error;
    const auto table = MessageTable::Parse("# comment\r\n\n0x61090013\tNew Folder\r\n"
                                           "0xe1090004  Failed:\\r\\n%1 \\\\ \\t.\n0x61090035\n",
                                           &error);
    ASSERT_TRUE(table) << error;
    std::u16string text;
    ASSERT_TRUE(table->Find(0x61090013, 0, text));
    EXPECT_EQ(text, u"New Folder");
    ASSERT_TRUE(table->Find(0xE1090004, kLanguageEnglish, text));
    EXPECT_EQ(text, u"Failed:\r\n%1 \\ \t.");
    ASSERT_TRUE(table->Find(0x61090035, 0, text));
    EXPECT_EQ(text, u"");
    EXPECT_FALSE(table->Find(0x12345678, 0, text));
    EXPECT_FALSE(table->Find(0x61090013, 0x0407, text)); // the table holds English only
}

TEST(MessageTable, RejectsMalformedLinesWithTheirNumber)
{
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"0x6109001\tshort id", "line 1:"},
        {"ok\n", "line 1:"},
        {"0x61090013 a\n0x61090013 b", "line 2: the message id is defined twice"},
        {"0x61090013 bad \\q", "unknown escape"},
        {"0x61090013 ends \\", "backslash ends"},
        {"0x61090013x", "blanks"},
        {"0x61090013 \xC3", "UTF-8"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(MessageTable::Parse(c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << " gave " << error;
    }
}

// Every message id the code raises must have a text in the library's table.
TEST(MessageTable, EveryIdUsedInTheCodeHasAText)
{
    const MessageTable& table = MessageTable::Library();
    ASSERT_GT(table.Size(), 60u);
    const std::regex id(R"(0x([6AaEe]1[0-9A-Fa-f]{6})(?![0-9A-Fa-f]))");
    std::set<std::string> missing;
    size_t seen = 0;
    for (const char* folder : {"src", "apps"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(ORV_SOURCE_DIR) /
                                                                               folder)) {
            const auto ext = entry.path().extension();
            if (ext != ".cpp" && ext != ".h")
                continue;
            std::ifstream in(entry.path());
            std::stringstream content;
            content << in.rdbuf();
            const std::string text = content.str();
            for (std::sregex_iterator it(text.begin(), text.end(), id), end; it != end; ++it) {
                ++seen;
                const uint32_t value = static_cast<uint32_t>(std::stoul((*it)[1].str(), nullptr, 16));
                if (!table.Contains(value))
                    missing.insert(entry.path().filename().string() + ": " + (*it)[0].str());
            }
        }
    }
    EXPECT_GT(seen, 5u); // the scan itself found the ids
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
}

TEST(MessageTable, QuotedTextsStandAsWritten)
{
    std::u16string text;
    const MessageTable& table = MessageTable::Library();
    ASSERT_TRUE(table.Find(0x61090007, 0, text));
    EXPECT_EQ(text, u"Filter by folder/session name <%1>");
    ASSERT_TRUE(table.Find(0x61090008, 0, text));
    EXPECT_EQ(text, u"Shortcut name error.\r\nShortcut name must be non-empty.");
    ASSERT_TRUE(table.Find(0xE1090004, 0, text));
    EXPECT_EQ(text, u"Failed to create folder:\r\n%1");
}

} // namespace
