#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "Fakes.h"
#include "commands/FunctionTable.h"
#include "commands/VMenuToolbarTextRep.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

using Kind = VMenuToolbarItem::Kind;

// Images and scripts are looked up in a set of names instead of on disk.
class MenuFile : public VMenuToolbarTextRep {
public:
    std::set<std::u16string> files;
    std::vector<std::u16string> imagesRead;

protected:
    bool LoadImageFile(const VUnicodeString& path, std::vector<uint8_t>& bytes, VUnicodeString& error) override
    {
        imagesRead.push_back(path.str());
        if (!files.count(path.str())) {
            error = u"No such file or directory";
            return false;
        }
        bytes = {'B', 'M'};
        return true;
    }
    bool FileExists(const VUnicodeString& path, VUnicodeString& error) override
    {
        error = u"No such file or directory";
        return files.count(path.str()) != 0;
    }
};

VStringArray Lines(std::initializer_list<const char16_t*> lines)
{
    VStringArray out;
    for (const char16_t* line : lines)
        out.Add(line);
    return out;
}

bool Parse(MenuFile& file, const VStringArray& lines, IReportMessageParams* report = nullptr)
{
    return file.Parse({lines.begin(), lines.end()}, u"/menus", u"/menus/custom.mnu", report);
}

// Each problem as "line:id".
std::vector<std::string> Problems(const VMenuToolbarTextRep& file)
{
    std::vector<std::string> out;
    for (const auto& p : file.GetProblems()) {
        char text[32];
        std::snprintf(text, sizeof text, "%d:%08X", p.line, p.id);
        out.emplace_back(text);
    }
    return out;
}

TEST(MenuToolbarFile, BuildsMenusToolbarsAcceleratorsAndStrings)
{
    MenuFile file;
    file.files = {u"/menus/copy.bmp", u"/menus/COPY.bmp", u"/menus/run.sh"};
    const VStringArray text = Lines({
        u"// customised menus",
        u"FONT Segoe UI, 9",
        u"MENU \"Main\"",
        u"  POPUPMENU \"&Edit\"",
        u"    MENUITEM \"&Copy\", MENU_COPY, , COPY_TIP, COPY_KEY",
        u"    SEPARATOR",
        u"    MENUITEM Say hi, SEND, hello, , HELLO_KEY",
        u"  END",
        u"  MENUITEM Session, OPEN_SESSION_TAB, Servers/web01",
        u"END",
        u"",
        u"TOOLBAR Main",
        u"  TOOLBARITEM copy.bmp, MENU_COPY, , COPY_TIP",
        u"  TOOLBARITEM COPY.bmp, RUN, run.sh",
        u"  TOOLBARITEM copy.bmp, MENU_PASTE",
        u"END",
        u"ACCELERATOR",
        u"  COPY_KEY, 0x70, VIRTKEY | CTRL",
        u"  HELLO_KEY, x",
        u"END",
        u"STRINGTABLE",
        u"  COPY_TIP, Copy the selection, as text",
        u"END",
    });
    ASSERT_TRUE(Parse(file, text));
    EXPECT_TRUE(file.GetProblems().empty()) << ::testing::PrintToString(Problems(file));
    EXPECT_EQ(file.GetFont(), VUnicodeString(u"Segoe UI"));

    const auto& items = file.GetItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].kind, Kind::Menu);
    EXPECT_EQ(items[0].text, VUnicodeString(u"Main"));
    ASSERT_EQ(items[0].children.size(), 2u);
    const VMenuToolbarItem& edit = items[0].children[0];
    EXPECT_EQ(edit.kind, Kind::Popup);
    EXPECT_EQ(edit.text, VUnicodeString(u"&Edit"));
    ASSERT_EQ(edit.children.size(), 3u);
    const VMenuToolbarItem& copy = edit.children[0];
    EXPECT_EQ(copy.text, VUnicodeString(u"&Copy"));
    EXPECT_EQ(copy.command, GetFunctionNumber(u"MENU_COPY"));
    EXPECT_FALSE(copy.takesArgument);
    EXPECT_EQ(copy.stringText, VUnicodeString(u"Copy the selection, as text"));
    ASSERT_TRUE(copy.accelerator);
    EXPECT_EQ(copy.accelerator->key, 112);
    EXPECT_EQ(copy.accelerator->flags, 11);
    EXPECT_EQ(copy.accelerator->displayText, VUnicodeString(u"Ctrl+F1"));
    EXPECT_EQ(edit.children[1].kind, Kind::Separator);
    const VMenuToolbarItem& hello = edit.children[2];
    EXPECT_EQ(hello.command, kFunctionSend);
    EXPECT_TRUE(hello.takesArgument);
    EXPECT_EQ(hello.argument, VUnicodeString(u"hello"));
    EXPECT_EQ(hello.accelerator->key, u'x');
    EXPECT_EQ(hello.accelerator->flags, 2);
    EXPECT_EQ(hello.accelerator->displayText, VUnicodeString(u"x"));
    EXPECT_EQ(items[0].children[1].command, kMenuCommandOpenSessionTab);
    EXPECT_EQ(items[0].children[1].argument, VUnicodeString(u"Servers/web01"));

    const VMenuToolbarItem& toolbar = items[1];
    EXPECT_EQ(toolbar.kind, Kind::Toolbar);
    ASSERT_EQ(toolbar.children.size(), 3u);
    EXPECT_EQ(toolbar.children[0].image, 0);
    EXPECT_EQ(toolbar.children[0].stringText, VUnicodeString(u"Copy the selection, as text"));
    EXPECT_TRUE(toolbar.children[0].text.IsEmpty());
    EXPECT_EQ(toolbar.children[1].argument, VUnicodeString(u"/menus/run.sh"));
    EXPECT_EQ(toolbar.children[1].image, 1);
    EXPECT_EQ(toolbar.children[2].image, 0); // the same name reuses the image
    ASSERT_EQ(file.GetImages().size(), 2u);
    EXPECT_EQ(file.GetImages()[1].path, VUnicodeString(u"/menus/COPY.bmp"));

    ASSERT_EQ(file.GetAccelerators().size(), 2u);
    EXPECT_EQ(file.GetAccelerators()[0].command, GetFunctionNumber(u"MENU_COPY"));
    EXPECT_EQ(file.GetAccelerators()[1].argument, VUnicodeString(u"hello"));
}

TEST(MenuToolbarFile, AcceleratorKeysAndFlags)
{
    MenuFile file;
    ASSERT_TRUE(Parse(file, Lines({u"ACCELERATOR", u"A, x", u"B, 0xZZ, VIRTKEY", u"C, 0x41, VIRTKEY|ALT|SHIFT",
                                   u"D, 0x7, CTRL", u"E, 0x2E, VIRTKEY|SHIFT|CTRL", u"END", u"MENU M",
                                   u"MENUITEM a, MENU_COPY,,, A", u"MENUITEM b, MENU_COPY,,, B",
                                   u"MENUITEM c, MENU_COPY,,, C", u"MENUITEM d, MENU_COPY,,, D",
                                   u"MENUITEM e, MENU_COPY,,, E", u"END"})));
    const auto& accelerators = file.GetAccelerators();
    ASSERT_EQ(accelerators.size(), 5u);
    EXPECT_EQ(accelerators[0].key, u'x');
    EXPECT_EQ(accelerators[1].key, u'0'); // four characters, but no hexadecimal byte
    EXPECT_EQ(accelerators[1].flags, 3);
    EXPECT_EQ(accelerators[2].key, 0x41);
    EXPECT_EQ(accelerators[2].flags, 2 + 1 + 16 + 4);
    EXPECT_EQ(accelerators[2].displayText, VUnicodeString(u"Alt+Shift+A"));
    EXPECT_EQ(accelerators[3].key, u'0'); // "0x7" is three characters
    EXPECT_EQ(accelerators[3].displayText, VUnicodeString(u"Ctrl+0"));
    EXPECT_EQ(accelerators[4].displayText, VUnicodeString(u"Shift+Ctrl+Del"));
}

TEST(MenuToolbarFile, WarningsNameTheirLineAndReadingGoesOn)
{
    MenuFile file;
    const VStringArray text = Lines({
        u"MENU Main",                              // 1
        u"MENUITEM Lonely",                        // 2 too few fields
        u"MENUITEM Bad, NO_SUCH_COMMAND",          // 3 unknown command
        u"MENUITEM Say, SEND",                     // 4 send without its text
        u"MENUITEM Say, SEND, ",                   // 5 empty text
        u"MENUITEM Copy, MENU_COPY, , NO_TIP, NO_KEY", // 6 string and accelerator missing: kept
        u"something odd",                          // 7
        u"END",                                    // 8
        u"TOOLBAR Tools",                          // 9
        u"TOOLBARITEM , MENU_COPY",                // 10 no image: kept
        u"TOOLBARITEM copy.png, MENU_COPY",        // 11 not a bitmap: kept
        u"TOOLBARITEM gone.BMP, MENU_COPY",        // 12 cannot be loaded: kept
        u"TOOLBARITEM x.bmp, BOGUS",               // 13 unknown command
        u"TOOLBARITEM , RUN, missing.sh",          // 14 no image, script missing: kept
        u"TOOLBARITEM , OPEN_SESSION",             // 15 missing argument
        u"END",                                    // 16
        u"FONT Mono",                              // 17
        u"FONT Sans",                              // 18 replaces
        u"END",                                    // 19 nothing to end
    });
    VReportPtr report = NewReport();
    ASSERT_TRUE(Parse(file, text, report.Get()));
    EXPECT_EQ(Problems(file),
              (std::vector<std::string>{"2:A10A000E", "3:A10A000B", "4:A10A000F", "5:A10A000F", "6:A10A0009",
                                        "6:A10A0008", "7:A10A000A", "10:A10A000D", "11:A10A0012", "12:A10A000C",
                                        "13:A10A000B", "14:A10A000D", "14:A10A000C", "15:A10A000F", "18:A10A0010",
                                        "19:A10A000A"}));
    EXPECT_EQ(file.GetProblems()[2].text, VUnicodeString(u"Line 4: the send string command needs an argument."));
    EXPECT_EQ(file.GetProblems()[1].text, VUnicodeString(u"Line 3: the command \"NO_SUCH_COMMAND\" is not known."));
    EXPECT_EQ(file.GetProblems()[9].text,
              VUnicodeString(u"Line 12: the file \"/menus/gone.BMP\" cannot be loaded. No such file or directory"));
    EXPECT_EQ(file.GetFont(), VUnicodeString(u"Sans"));

    ASSERT_EQ(file.GetItems().size(), 2u);
    ASSERT_EQ(file.GetItems()[0].children.size(), 1u);
    EXPECT_EQ(file.GetItems()[0].children[0].text, VUnicodeString(u"Copy"));
    EXPECT_FALSE(file.GetItems()[0].children[0].accelerator);
    EXPECT_FALSE(file.GetItems()[0].children[0].stringText);
    ASSERT_EQ(file.GetItems()[1].children.size(), 4u);
    for (const VMenuToolbarItem& item : file.GetItems()[1].children)
        EXPECT_EQ(item.image, -1);

    // The report holds every warning in line order, each wrapping the next.
    int count = 0;
    for (IReportMessageParams* r = report.Get(); r; r = r->GetNested(), ++count)
        EXPECT_EQ(r->GetText(), file.GetProblems()[static_cast<size_t>(count)].text);
    EXPECT_EQ(count, 16);
}

TEST(MenuToolbarFile, OpenBlocksAreClosedWithAWarning)
{
    MenuFile file;
    ASSERT_TRUE(Parse(file, Lines({u"MENU Main", u"POPUPMENU File", u"MENUITEM a, MENU_COPY", u"ACCELERATOR",
                                   u"K, x", u"STRINGTABLE", u"S, text"})));
    EXPECT_EQ(Problems(file), (std::vector<std::string>{"1:A10A0011", "2:A10A0011", "4:A10A0011", "6:A10A0011"}));
    ASSERT_EQ(file.GetItems().size(), 1u);
    EXPECT_EQ(file.GetItems()[0].children[0].children.size(), 1u);
    EXPECT_EQ(file.GetStringTable().at(u"S"), VUnicodeString(u"text"));
}

TEST(MenuToolbarFile, NamesDefinedTwiceRejectTheFile)
{
    MenuFile file;
    ASSERT_TRUE(Parse(file, Lines({u"MENU Old", u"END"})));
    VReportPtr report = NewReport();
    EXPECT_FALSE(Parse(file, Lines({u"ACCELERATOR", u"K, x", u"K, y", u"END", u"STRINGTABLE", u"S, a", u"S, b",
                                    u"END", u"MENU New", u"END"}),
                       report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgMenuFileCannotBeUsed);
    EXPECT_EQ(report->GetParameters()[0], VUnicodeString(u"/menus/custom.mnu"));
    EXPECT_EQ(report->GetParameters()[1], VUnicodeString(u"Line 3: the accelerator is already defined.\n"
                                                         u"Line 7: the string is already defined."));
    ASSERT_EQ(file.GetItems().size(), 1u);
    EXPECT_EQ(file.GetItems()[0].text, VUnicodeString(u"Old")); // the earlier file stays
}

TEST(MenuToolbarFile, DeepSubMenusAreIgnoredWithTheirContents)
{
    VStringArray text = Lines({u"MENU M"});
    for (int i = 0; i < 40; ++i)
        text.Add(u"POPUPMENU P");
    text.Add(u"MENUITEM deep, MENU_COPY");
    for (int i = 0; i < 40; ++i)
        text.Add(u"END");
    text.Add(u"MENUITEM after, MENU_PASTE");
    text.Add(u"END");
    MenuFile file;
    ASSERT_TRUE(Parse(file, text));
    EXPECT_EQ(Problems(file), (std::vector<std::string>{"33:A10A000A"}));
    const VMenuToolbarItem* item = &file.GetItems()[0];
    int depth = 0;
    while (!item->children.empty() && item->children[0].kind == Kind::Popup)
        item = &item->children[0], ++depth;
    EXPECT_EQ(depth, VMenuToolbarTextRep::kMaximumDepth - 1);
    EXPECT_TRUE(item->children.empty());
    EXPECT_EQ(file.GetItems()[0].children.back().text, VUnicodeString(u"after"));
}

TEST(MenuToolbarFile, LoadsFromDiskWithImagesBesideTheFile)
{
    TempDir dir;
    std::ofstream(dir.str() + "/copy.bmp", std::ios::binary) << "BM\x01\x02";
    std::string utf16le = "\xFF\xFE";
    for (const char16_t c : std::u16string_view(u"TOOLBAR T\r\nTOOLBARITEM copy.bmp, MENU_COPY\r\nEND")) {
        utf16le += static_cast<char>(c & 0xFF);
        utf16le += static_cast<char>(c >> 8);
    }
    std::ofstream(dir.str() + "/menu.txt", std::ios::binary) << utf16le;
    VMenuToolbarTextRep file;
    VReportPtr report = NewReport(0x123);
    ASSERT_TRUE(file.Load(VUnicodeString::FromUtf8(dir.str() + "/menu.txt"), report.Get()));
    EXPECT_TRUE(report->IsEmpty());
    ASSERT_EQ(file.GetImages().size(), 1u);
    EXPECT_EQ(file.GetImages()[0].bytes, (std::vector<uint8_t>{'B', 'M', 1, 2}));
    EXPECT_EQ(file.GetItems()[0].children[0].image, 0);

    EXPECT_FALSE(file.Load(VUnicodeString::FromUtf8(dir.str() + "/none.txt"), report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgMenuFileCannotBeUsed);
    EXPECT_EQ(file.GetImages().size(), 1u);
}

} // namespace
