#include <gtest/gtest.h>

#include <vector>

#include "sessiontree/TreeClipboardRecord.h"

namespace {

TEST(TreeClipboardRecord, OneCopiedFolderByteForByte)
{
    TreeClipboardRecord record;
    record.sourceIdentity = u"db";
    record.paths.Add(u"A");
    record.hasFolders = true;
    const std::vector<uint8_t> expected = {
        0x00, 0x02,                               // version
        0x00, 0x00, 0x00, 0x02, 'd',  'b',        // identity
        0x00, 0x00, 0x01, 0x00,                   // cut, sessions, folders, spare
        0x00, 0x00, 0x00, 0x01,                   // one path
        0x00, 0x00, 0x00, 0x01, 0x41,             // "A"
        0x00, 0x00, 0x00, 0x00,                   // no entries
    };
    EXPECT_EQ(record.Serialize(), expected);
}

TEST(TreeClipboardRecord, RoundTripsEveryField)
{
    TreeClipboardRecord record;
    record.sourceIdentity = u"/home/ä/config.db";
    record.paths.Add(u"Servers\\Linux\\web01");
    record.paths.Add(u"Büro");
    record.entries.push_back({u"x", u"y", 0xDEADBEEF});
    record.isCut = true;
    record.hasSessions = true;
    record.hasFolders = true;
    const auto back = TreeClipboardRecord::Parse(record.Serialize());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->sourceIdentity, record.sourceIdentity);
    ASSERT_EQ(back->paths.GetSize(), 2u);
    EXPECT_EQ(back->paths[0], record.paths[0]);
    EXPECT_EQ(back->paths[1], record.paths[1]);
    ASSERT_EQ(back->entries.size(), 1u);
    EXPECT_EQ(back->entries[0].value, 0xDEADBEEFu);
    EXPECT_TRUE(back->isCut && back->hasSessions && back->hasFolders);
    EXPECT_FALSE(back->spare);
}

TEST(TreeClipboardRecord, ARecordThatIsNotWholeIsIgnored)
{
    TreeClipboardRecord record;
    record.sourceIdentity = u"db";
    record.paths.Add(u"Folder\\Session");
    record.entries.push_back({u"k", u"v", 1});
    const std::vector<uint8_t> bytes = record.Serialize();
    for (size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(TreeClipboardRecord::Parse(std::span(bytes.data(), length)).has_value()) << length;

    std::vector<uint8_t> otherVersion = bytes;
    otherVersion[1] = 3;
    EXPECT_FALSE(TreeClipboardRecord::Parse(otherVersion).has_value());

    // A path count far beyond the bytes that follow must not be believed.
    std::vector<uint8_t> hugeCount = bytes;
    hugeCount[12] = 0x7F;
    EXPECT_FALSE(TreeClipboardRecord::Parse(hugeCount).has_value());

    std::vector<uint8_t> badUtf8 = bytes;
    badUtf8[6] = 0xFF;
    EXPECT_FALSE(TreeClipboardRecord::Parse(badUtf8).has_value());
}

} // namespace
