#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "Fakes.h"
#include "profile/policy/RegFile.h"
#include "profile/policy/VRegistryKey.h"

namespace {

class Policies : public ::testing::Test {
protected:
    void SetUp() override { Use(); }
    void TearDown() override { PolicySource::SetCurrent(nullptr); }
    void Use()
    {
        source = std::make_unique<PolicySource>(machine, user, getuid());
        PolicySource::SetCurrent(source.get());
    }
    void Write(const std::string& path, const std::string& text, mode_t mode = 0644)
    {
        std::ofstream(path) << text;
        chmod(path.c_str(), mode);
    }
    uint32_t Read(const char16_t* name, uint32_t fallback, const char16_t* product = u"Kestrune")
    {
        return ReadPolicyValue(name, product, u"Global", fallback);
    }

    TempDir dir;
    std::string machine = dir.str() + "/machine.reg";
    std::string user = dir.str() + "/user.reg";
    std::unique_ptr<PolicySource> source;
    FakeMessageBox box;
};

TEST_F(Policies, DefaultsWhenNothingIsSet)
{
    EXPECT_EQ(Read(u"Enable Check For Updates", 1), 1u);
    EXPECT_TRUE(ReadPolicyFlag(u"Save Passwords", u"Kestrune", u"", true));
    EXPECT_FALSE(ReadPolicyFlag(u"Disable Passwords", u"Kestrune", u"", false));
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(Policies, PrecedenceFromMachinePolicyDownToTheProductKey)
{
    Write(user, "Windows Registry Editor Version 5.00\n\n"
                "[HKEY_CURRENT_USER\\Software\\Policies\\Orvalis]\n\"Save Passwords\"=dword:00000002\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Policies\\Orvalis]\n\"Save Usernames\"=dword:00000000\n");
    Write(machine, "[HKEY_LOCAL_MACHINE\\Software\\Policies\\Orvalis]\n\"Save Passwords\"=dword:00000001\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis\\Global]\n\"Save Usernames\"=dword:00000003\n"
                   "\"Enable Check For Updates\"=dword:00000004\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis\\Kestrune\\Global]\n\"Enable Check For Updates\"=dword:5\n"
                   "\"Product Only\"=dword:6\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis Technologies\\Kestrune 3.0\\Global]\n\"Older\"=dword:7\n");
    EXPECT_EQ(Read(u"Save Passwords", 9), 1u);           // machine policy over the user's
    EXPECT_EQ(Read(u"Save Usernames", 9), 3u);           // a user file cannot set machine policy
    EXPECT_EQ(Read(u"Enable Check For Updates", 9), 4u); // "Global" over the product key
    EXPECT_EQ(Read(u"PRODUCT ONLY", 9), 6u);
    EXPECT_EQ(Read(u"Older", 9), 7u);
    EXPECT_EQ(Read(u"Older", 9, u"Pellowin"), 9u); // the older key is the terminal product's only
}

TEST_F(Policies, ProductKeyCandidatesAndTheOlderProductName)
{
    Write(machine, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis Technologies\\Tamsic 3.0]\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis Technologies\\Tamsic 3.0\\Global]\n\"Value\"=dword:8\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis\\Morrowfetch\\Global]\n\"Disable Passwords\"=dword:1\n");
    EXPECT_EQ(Read(u"Value", 0, u"Tamsic"), 8u);
    EXPECT_TRUE(ReadPolicyFlag(u"Disable Passwords", u"Pellowin", u"Global", false));
    EXPECT_FALSE(ReadPolicyFlag(u"Save Passwords", u"Morrowfetch", u"Global", false));
}

TEST_F(Policies, UserPoliciesBeatTheCompanyAndProductKeys)
{
    Write(user, "[HKEY_CURRENT_USER\\Software\\Policies\\Orvalis]\n\"Save Passwords\"=dword:2\n");
    Write(machine, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis\\Global]\n\"Save Passwords\"=dword:3\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis\\Kestrune\\Global]\n\"Save Passwords\"=dword:4\n");
    EXPECT_EQ(Read(u"Save Passwords", 9), 2u);
}

// The product key is the first candidate that exists; a key exists when
// only keys below it are named, and an empty subkey reads the key itself.
TEST_F(Policies, ProductKeyWithOnlySubkeysAndEmptySubkey)
{
    Write(machine, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis Technologies\\Pellowin\\Global]\n\"Value\"=dword:8\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis Technologies\\Kestrune 3.0]\n\"Top\"=dword:5\n");
    Write(user, "[HKEY_CURRENT_USER\\SOFTWARE\\Orvalis\\Pellowin\\Global]\n\"Value\"=dword:9\n");
    // The machine-wide older candidate wins over the per-user newer one.
    EXPECT_EQ(Read(u"Value", 0, u"Pellowin"), 8u);
    EXPECT_EQ(ReadPolicyValue(u"Top", u"Kestrune", u"", 0), 5u);
}

TEST_F(Policies, AnUntrustedMachineFileIsIgnoredAndReported)
{
    Write(machine, "[HKEY_LOCAL_MACHINE\\Software\\Policies\\Orvalis]\n\"Save Passwords\"=dword:0\n", 0666);
    EXPECT_EQ(Read(u"Save Passwords", 1), 1u);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"must belong to root"), std::u16string::npos);
    chmod(machine.c_str(), 0644);
    EXPECT_EQ(Read(u"Save Passwords", 1), 0u); // read again once it is fixed
}

TEST_F(Policies, BadLinesAreSkippedWithTheirFileAndLine)
{
    Write(user, "[HKEY_CURRENT_USER\\Software\\Policies\\Orvalis]\n"
                "\"Save Passwords\"=dword:zz\n"
                "\"Save Usernames\"=dword:00000000\n");
    EXPECT_EQ(Read(u"Save Usernames", 1), 0u);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"user.reg"), std::u16string::npos);
    EXPECT_NE(box.shown[0].text.find(u"line 2"), std::u16string::npos);
}

TEST(RegFileParse, ReadsTheExportSyntaxAndNamesEveryProblem)
{
    std::vector<RegFile::Problem> problems;
    const RegFile file = RegFile::Parse("\xEF\xBB\xBFREGEDIT4\r\n; comment\r\n\"Early\"=dword:1\r\n"
                                        "[HKEY_CURRENT_USER\\A]\r\n\"Text\"=\"quoted \\\"word\\\"\"\r\n"
                                        "@=dword:0000000A\r\n\"Bad\"=hex:01,02\r\n\"Long\"=dword:123456789\r\n"
                                        "[unterminated\r\n\"Orphan\"=dword:1\r\n",
                                        &problems);
    const RegFile::Values* a = file.Key(u"hkey_current_user\\a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(*a->at(u"text").text, VUnicodeString(u"quoted \"word\""));
    EXPECT_EQ(*a->at(u"").dword, 10u);
    std::vector<size_t> lines;
    for (const auto& p : problems)
        lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<size_t>{3, 7, 8, 9, 10}));
}

TEST(RegFileParse, ReadsUtf16WithItsMark)
{
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Bü]\r\n\"N\"=dword:2\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    std::vector<RegFile::Problem> problems;
    const RegFile file = RegFile::Parse(bytes, &problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_NE(file.Key(u"HKEY_CURRENT_USER\\BÜ"), nullptr);
    EXPECT_TRUE(file.HasKey(u"HKEY_CURRENT_USER"));
    EXPECT_FALSE(file.HasKey(u"HKEY_CURRENT_USER\\B"));
}

TEST(RegFileParse, ReadsBigEndianUtf16HexNumbersAndContinuedLines)
{
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\X]\r\n"
                                u"\"Four\"=hex(4):2a,01,\\\r\n  00,00\r\n\"Short\"=hex(4):01,02\r\n\"T\"=\"\u00e9\"\r\n";
    std::string bytes = "\xFE\xFF";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c >> 8));
        bytes.push_back(static_cast<char>(c & 0xFF));
    }
    std::vector<RegFile::Problem> problems;
    const RegFile file = RegFile::Parse(bytes, &problems);
    const RegFile::Values* x = file.Key(u"HKEY_CURRENT_USER\\X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(*x->at(u"Four").dword, 0x12Au);
    EXPECT_EQ(*x->at(u"T").text, VUnicodeString(u"\u00e9"));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 5u); // the short number, after the continued line
}

} // namespace
