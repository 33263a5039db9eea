#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "Fakes.h"
#include "platform/VTextDecoder.h"
#include "platform/VTextFile.h"

namespace {

std::span<const uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

VStringArray Decode(std::string_view text)
{
    return VTextDecoder::DecodeAll(Bytes(text));
}

// Decodes `text` fed in pieces of `piece` bytes.
VStringArray DecodeInPieces(std::string_view text, size_t piece)
{
    VTextDecoder decoder;
    VStringArray lines;
    for (size_t i = 0; i < text.size(); i += piece)
        decoder.Feed(Bytes(text.substr(i, piece)), lines);
    decoder.Finish(lines);
    return lines;
}

TEST(TextDecoder, ByteOrderMarksChooseTheEncoding)
{
    const std::string utf16le("\xFF\xFE" "a\0\xE9\0\r\0\n\0b\0", 12);
    const std::string utf16be("\xFE\xFF" "\0a\0\xE9\0\n\0b", 10);
    for (const std::string& text : {std::string("\xEF\xBB\xBF" "a\xC3\xA9\nb"), utf16le, utf16be, std::string("a\xC3\xA9\r\nb")}) {
        const VStringArray lines = Decode(text);
        EXPECT_EQ(lines, (VStringArray{u"a\u00E9", u"b"}));
    }
    VTextDecoder decoder;
    VStringArray lines;
    decoder.Feed(Bytes(utf16be), lines);
    decoder.Finish(lines);
    EXPECT_EQ(decoder.GetEncoding(), VTextDecoder::Encoding::Utf16Be);
    EXPECT_TRUE(decoder.HadByteOrderMark());
}

TEST(TextDecoder, EachBreakEndsOneLine)
{
    EXPECT_EQ(Decode("a\rb\nc\r\nd\n\re"), (VStringArray{u"a", u"b", u"c", u"d", u"", u"e"}));
    EXPECT_EQ(Decode("a\r\n\r\n"), (VStringArray{u"a", u""}));
    EXPECT_EQ(Decode(""), VStringArray());
    EXPECT_EQ(Decode("\xEF\xBB"), VStringArray{u"\u00EF\u00BB"}); // a cut mark is text, not a mark
    EXPECT_EQ(Decode("x\xFFy\n"), VStringArray{u"x\u00FFy"});
}

// Without a mark, a text that is not valid UTF-8 was written in the
// encoding of the desktops the files come from; ASCII lines before the
// first other byte come out before the text ends.
TEST(TextDecoder, TextThatIsNotUtf8WithoutAMarkIsWindows1252)
{
    const std::string latin = "; keymap\nN\tVK_F1\t\"caf\xE9 \x80 \x93quoted\x94\"\r\nN\tVK_F2\t\"na\xEFve\"\n";
    VTextDecoder decoder;
    VStringArray lines;
    decoder.Feed(Bytes(latin.substr(0, 12)), lines);
    EXPECT_EQ(lines, VStringArray{u"; keymap"});
    decoder.Feed(Bytes(latin.substr(12)), lines);
    decoder.Finish(lines);
    EXPECT_EQ(decoder.GetEncoding(), VTextDecoder::Encoding::Windows1252);
    EXPECT_FALSE(decoder.HadByteOrderMark());
    EXPECT_EQ(lines, (VStringArray{u"; keymap", u"N\tVK_F1\t\"caf\u00E9 \u20AC \u201Cquoted\u201D\"",
                                   u"N\tVK_F2\t\"na\u00EFve\""}));
    for (size_t piece = 1; piece < latin.size(); ++piece)
        EXPECT_EQ(DecodeInPieces(latin, piece), lines) << piece;

    // Valid UTF-8 stays UTF-8, also when it could be read as 1252 too.
    VTextDecoder utf8;
    VStringArray same;
    utf8.Feed(Bytes("caf\xC3\xA9\n\xE2\x82\xAC"), same);
    utf8.Finish(same);
    EXPECT_EQ(utf8.GetEncoding(), VTextDecoder::Encoding::Utf8);
    EXPECT_EQ(same, (VStringArray{u"caf\u00E9", u"\u20AC"}));
    // One bad byte late in the file makes the whole file 1252.
    EXPECT_EQ(Decode("caf\xC3\xA9\nend\xFF"), (VStringArray{u"caf\u00C3\u00A9", u"end\u00FF"}));
    // A text known to be wide without its mark.
    const std::string wide("a\0\r\0b\0", 6);
    EXPECT_EQ(VTextDecoder::DecodeAll(Bytes(wide), VTextDecoder::Encoding::Utf16Le), (VStringArray{u"a", u"b"}));
}

TEST(TextDecoder, BlocksMaySplitBreaksMarksAndCharacters)
{
    const std::string text = "\xEF\xBB\xBF" "\xE2\x82\xAC" "1\r\n" "\xF0\x9F\x98\x80" "2\r" "3";
    const VStringArray whole = Decode(text);
    EXPECT_EQ(whole, (VStringArray{u"\u20AC1", u"\U0001F6002", u"3"}));
    for (size_t piece = 1; piece < text.size(); ++piece)
        EXPECT_EQ(DecodeInPieces(text, piece), whole) << piece;

    std::string utf16("\xFF\xFE", 2);
    for (const char16_t c : std::u16string_view(u"x\r\ny\U0001F600"))
        utf16 += static_cast<char>(c & 0xFF), utf16 += static_cast<char>(c >> 8);
    for (size_t piece = 1; piece < utf16.size(); ++piece)
        EXPECT_EQ(DecodeInPieces(utf16, piece), (VStringArray{u"x", u"y\U0001F600"})) << piece;
}

class TextFile : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir.str() + "/" + name; }
    VUnicodeString UPath(const char* name) const { return VUnicodeString::FromUtf8(Path(name)); }
    std::string Contents(const char* name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    TempDir dir;
};

TEST_F(TextFile, ReadsAcrossItsBlocks)
{
    // A CR LF pair straddles the first block's end, a three-byte
    // character the second's.
    const size_t kBlock = VTextFile::kBlockSize;
    const std::string euro = "\xE2\x82\xAC";
    const std::string text = std::string(kBlock - 1, 'a') + "\r\n" + euro + std::string(kBlock - 5, 'b') + euro + "\nlast";
    ASSERT_EQ(text.substr(2 * kBlock - 1, 3), euro);
    std::ofstream(Path("big.txt"), std::ios::binary) << text;

    VStringArray lines;
    int error = 0;
    ASSERT_TRUE(VTextFile::ReadLines(UPath("big.txt"), lines, error));
    ASSERT_EQ(lines.GetSize(), 3u);
    EXPECT_EQ(lines[0].Length(), VTextFile::kBlockSize - 1);
    EXPECT_EQ(lines[1], VUnicodeString(u"\u20AC") + std::u16string(kBlock - 5, u'b') + u"\u20AC");
    EXPECT_EQ(lines[2], VUnicodeString(u"last"));

    VStringArray untouched{u"kept"};
    EXPECT_FALSE(VTextFile::ReadLines(UPath("absent.txt"), untouched, error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(VTextFile::ReadLines(VUnicodeString::FromUtf8(dir.str()), untouched, error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_EQ(untouched, VStringArray{u"kept"});
}

TEST_F(TextFile, WritesUtf8ThroughARenameKeepingTheMode)
{
    int error = 0;
    ASSERT_TRUE(VTextFile::WriteLines(UPath("out.txt"), VStringArray{u"caf\u00E9", u""}, error));
    EXPECT_EQ(Contents("out.txt"), "caf\xC3\xA9\n\n");
    ::chmod(Path("out.txt").c_str(), 0640);
    ASSERT_TRUE(VTextFile::WriteLines(UPath("out.txt"), VStringArray{u"new"}, error));
    EXPECT_EQ(Contents("out.txt"), "new\n");
    struct stat st {};
    ::stat(Path("out.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A line that cannot be written leaves the old file whole, and no
    // temporary file behind.
    const std::u16string lone(1, u'\xD800');
    EXPECT_FALSE(VTextFile::WriteLines(UPath("out.txt"), VStringArray{u"x", VUnicodeString(lone)}, error));
    EXPECT_EQ(error, EILSEQ);
    EXPECT_EQ(Contents("out.txt"), "new\n");
    EXPECT_FALSE(VTextFile::WriteLines(UPath("no/such/dir.txt"), VStringArray{u"x"}, error));
    EXPECT_EQ(error, ENOENT);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1u);
}

} // namespace
