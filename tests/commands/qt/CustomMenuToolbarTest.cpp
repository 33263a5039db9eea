// Menus, toolbars and shortcuts built for a host window from a menu file,
// and the keymap's key codes of Qt's key events.
#include <gtest/gtest.h>

#include <fstream>

#include <QAction>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTextEdit>
#include <QtTest/QTest>

#include "Fakes.h"
#include "QtFixtures.h"
#include "commands/FunctionTable.h"
#include "commands/Keymap.h"
#include "commands/KeyNames.h"
#include "commands/qt/KeyEventCode.h"
#include "commands/qt/VCustomMenuToolbar.h"
#include "commands/qt/VCustomToolbar.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

struct Sink final : IMenuCommandSink {
    void RunMenuCommand(int function, const VUnicodeString& argument) override
    {
        runs.emplace_back(function, argument.ToUtf8());
    }
    std::vector<std::pair<int, std::string>> runs;
};

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

QStringList Texts(const QMenu& menu)
{
    QStringList texts;
    for (QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("-")
                                        : action->menu() ? action->menu()->title() + QStringLiteral(" >")
                                                         : action->text());
    return texts;
}

QMenu* MenuOf(const QMenuBar& bar, const QString& title)
{
    for (QAction* action : bar.actions())
        if (action->menu() && action->menu()->title() == title)
            return action->menu();
    return nullptr;
}

class CustomMenuTest : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(QColor(255, 0, 255)); // the transparent colour...
        for (int i = 2; i < 14; ++i)
            picture.setPixel(i, i, qRgb(0, 0, 160)); // ...around a line
        ASSERT_TRUE(picture.save(QString::fromStdString(dir.str() + "/copy.bmp"), "BMP"));
        Write(dir.str() + "/notes.bmp", "these are notes, not a picture\n");
        Write(dir.str() + "/backup.sh", "#!/bin/sh\n");
    }
    TempDir dir;
};

TEST_F(CustomMenuTest, AFileWithEveryItemKindBuildsTheMenusToolbarsAndShortcuts)
{
    const std::string path = dir.str() + "/custom.mnu";
    Write(path, "// a user's menus\n"                                  // 1
                "ACCELERATOR\n"                                        // 2
                "  COPY, 0x43, VIRTKEY|CTRL\n"                         // 3
                "  HELLO, 0x70, VIRTKEY|CTRL|SHIFT\n"                  // 4
                "  PASTE, v, ALT\n"                                    // 5
                "END\n"                                                // 6
                "STRINGTABLE\n"                                        // 7
                "  COPYTIP, Copy the selection\n"                      // 8
                "END\n"                                                // 9
                "FONT Sans\n"                                          // 10
                "MENU Main\n"                                          // 11
                "  POPUPMENU &Edit\n"                                  // 12
                "    MENUITEM &Copy, MENU_COPY, , COPYTIP, COPY\n"     // 13
                "    MENUITEM &Paste, MENU_PASTE, , , PASTE\n"         // 14
                "    SEPARATOR\n"                                      // 15
                "    POPUPMENU &Sessions\n"                            // 16
                "      MENUITEM &Web, OPEN_SESSION, Servers\\web01\n"  // 17
                "      MENUITEM Web in a &tab, OPEN_SESSION_TAB, Servers\\web01\n" // 18
                "    END\n"                                            // 19
                "  END\n"                                              // 20
                "  POPUPMENU &Tools\n"                                 // 21
                "    MENUITEM Say &hello, SEND, hello\\r, , HELLO\n"   // 22
                "    MENUITEM &Backup, RUN, backup.sh\n"               // 23
                "  END\n"                                              // 24
                "END\n"                                                // 25
                "TOOLBAR Buttons\n"                                    // 26
                "  TOOLBARITEM copy.bmp, MENU_COPY, , COPYTIP, COPY\n" // 27
                "  SEPARATOR\n"                                        // 28
                "  TOOLBARITEM copy.bmp, SEND, ls -l\\r\n"             // 29
                "END\n");                                              // 30
    QMainWindow frame;
    auto* terminal = new QWidget(&frame); // takes keys as a terminal view does, without editing shortcuts
    terminal->setFocusPolicy(Qt::StrongFocus);
    frame.setCentralWidget(terminal);
    frame.menuBar()->addMenu(QStringLiteral("Host menu")); // replaced
    Sink sink;
    VCustomMenuToolbar custom(frame, &sink);
    VReportPtr report = NewReport();
    ASSERT_TRUE(custom.Load(VUnicodeString::FromUtf8(path), report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0u) << report->GetText().ToUtf8();

    // The menu tree.
    QMenuBar* bar = frame.menuBar();
    ASSERT_EQ(bar, custom.MenuBar());
    EXPECT_EQ(bar->font().family(), QStringLiteral("Sans"));
    QStringList top;
    for (QAction* action : bar->actions())
        top << action->text();
    EXPECT_EQ(top, (QStringList{QStringLiteral("&Edit"), QStringLiteral("&Tools")}));
    QMenu* edit = MenuOf(*bar, QStringLiteral("&Edit"));
    ASSERT_TRUE(edit);
    EXPECT_EQ(Texts(*edit), (QStringList{QStringLiteral("&Copy\tCtrl+C"), QStringLiteral("&Paste\tAlt+v"),
                                         QStringLiteral("-"), QStringLiteral("&Sessions >")}));
    EXPECT_EQ(edit->actions()[0]->statusTip(), QStringLiteral("Copy the selection"));
    QMenu* sessions = edit->actions()[3]->menu();
    EXPECT_EQ(Texts(*sessions), (QStringList{QStringLiteral("&Web"), QStringLiteral("Web in a &tab")}));
    QMenu* tools = MenuOf(*bar, QStringLiteral("&Tools"));
    ASSERT_TRUE(tools);
    EXPECT_EQ(Texts(*tools),
              (QStringList{QStringLiteral("Say &hello\tCtrl+Shift+F1"), QStringLiteral("&Backup")}));

    // Items hand their command and argument to the host.
    sessions->actions()[1]->trigger();
    tools->actions()[0]->trigger();
    tools->actions()[1]->trigger();
    ASSERT_EQ(sink.runs.size(), 3u);
    EXPECT_EQ(sink.runs[0], std::make_pair(kMenuCommandOpenSessionTab, std::string("Servers\\web01")));
    EXPECT_EQ(sink.runs[1], std::make_pair(kFunctionSend, std::string("hello\\r")));
    EXPECT_EQ(sink.runs[2], std::make_pair(kFunctionRun, std::string("backup.sh")));

    // The toolbar: two buttons and a separator, the picture decoded.
    const std::vector<VCustomToolbar*> toolbars = custom.Toolbars();
    ASSERT_EQ(toolbars.size(), 1u);
    VCustomToolbar& toolbar = *toolbars[0];
    ASSERT_EQ(toolbar.actions().size(), 3);
    QAction* copy = toolbar.actions()[0];
    EXPECT_TRUE(toolbar.actions()[1]->isSeparator());
    EXPECT_EQ(copy->toolTip(), QStringLiteral("Copy the selection (Ctrl+C)"));
    const QImage drawn = copy->icon().pixmap(QSize(16, 16)).toImage();
    EXPECT_EQ(drawn.width(), toolbar.GetImageSet());
    EXPECT_EQ(qAlpha(drawn.pixel(0, drawn.height() - 1)), 0); // magenta went transparent
    EXPECT_GT(qAlpha(drawn.pixel(drawn.width() / 2, drawn.height() / 2)), 0);
    toolbar.actions()[2]->trigger();
    EXPECT_EQ(sink.runs.back(), std::make_pair(kFunctionSend, std::string("ls -l\\r")));
    // A screen scaled by two takes the 32-pixel set.
    toolbar.UpdateImageSet(2.0);
    EXPECT_EQ(copy->icon().pixmap(QSize(16, 16), 2.0).width(), 32);

    // One shortcut for each key, pressed through the event loop.
    EXPECT_EQ(custom.Shortcuts().size(), 3u);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    terminal->setFocus();
    sink.runs.clear();
    QTest::keyClick(frame.centralWidget(), Qt::Key_F1, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(frame.centralWidget(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(frame.centralWidget(), Qt::Key_V, Qt::AltModifier);
    ASSERT_EQ(sink.runs.size(), 3u);
    EXPECT_EQ(sink.runs[0], std::make_pair(kFunctionSend, std::string("hello\\r")));
    EXPECT_EQ(sink.runs[1].first, GetFunctionNumber(u"MENU_COPY"));
    EXPECT_EQ(sink.runs[2].first, GetFunctionNumber(u"MENU_PASTE"));

    // Another file replaces what this one built; one that cannot be used
    // leaves it.
    Write(path, "TOOLBAR Other\n  TOOLBARITEM copy.bmp, MENU_PASTE\nEND\n");
    ASSERT_TRUE(custom.Load(VUnicodeString::FromUtf8(path), report.Get()));
    ASSERT_EQ(custom.Toolbars().size(), 1u);
    EXPECT_EQ(custom.Toolbars()[0]->windowTitle(), QStringLiteral("Other"));
    EXPECT_TRUE(custom.Shortcuts().empty());
    Write(path, "ACCELERATOR\n  A, x\n  A, y\nEND\n");
    EXPECT_FALSE(custom.Load(VUnicodeString::FromUtf8(path), report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0xE10A0002u);
    EXPECT_EQ(custom.Toolbars()[0]->windowTitle(), QStringLiteral("Other"));
}

TEST_F(CustomMenuTest, AnImageThatIsNoPictureWarnsWithItsLineAndTheReason)
{
    const std::string path = dir.str() + "/custom.mnu";
    Write(path, "TOOLBAR Buttons\n"
                "  TOOLBARITEM copy.bmp, MENU_COPY\n"
                "  TOOLBARITEM notes.bmp, MENU_PASTE\n"
                "  TOOLBARITEM gone.bmp, MENU_PASTE\n"
                "END\n");
    QMainWindow frame;
    Sink sink;
    VCustomMenuToolbar custom(frame, &sink);
    VReportPtr report = NewReport();
    ASSERT_TRUE(custom.Load(VUnicodeString::FromUtf8(path), report.Get()));
    const auto& problems = custom.File().GetProblems();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].id, 0xA10A000Cu);
    EXPECT_EQ(problems[0].line, 3);
    const std::string text = problems[0].text.ToUtf8();
    EXPECT_NE(text.find("Line 3: the file \"" + dir.str() + "/notes.bmp\" cannot be loaded."), std::string::npos)
        << text;
    EXPECT_NE(text.find("Unsupported image format"), std::string::npos) << text;
    EXPECT_EQ(problems[1].line, 4);
    EXPECT_NE(problems[1].text.ToUtf8().find("No such file or directory"), std::string::npos);
    EXPECT_EQ(report->GetMessageId(), 0xA10A000Cu);
    // The buttons are still there; only the undecodable ones lack a picture.
    const std::vector<VCustomToolbar*> toolbars = custom.Toolbars();
    ASSERT_EQ(toolbars.size(), 1u);
    ASSERT_EQ(toolbars[0]->actions().size(), 3);
    EXPECT_FALSE(toolbars[0]->actions()[0]->icon().isNull());
    EXPECT_TRUE(toolbars[0]->actions()[1]->icon().isNull());
}

TEST(KeymapKeyCodes, QtKeyEventsGiveTheKeymapsCodes)
{
    const auto code = [](int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        return KeymapKeyCode(event);
    };
    EXPECT_EQ(code(Qt::Key_F1), 0x70u);
    EXPECT_EQ(code(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier), 0x41u | kKeyControl | kKeyShift);
    EXPECT_EQ(code(Qt::Key_7, Qt::AltModifier), 0x37u | kKeyAlt);
    // The cursor block is the extended key of its pair; the keypad's is not.
    EXPECT_EQ(code(Qt::Key_Left), 0x25u | kKeyExtended);
    EXPECT_EQ(code(Qt::Key_Left, Qt::KeypadModifier), 0x25u);
    EXPECT_EQ(code(Qt::Key_PageUp), 0x21u | kKeyExtended);
    EXPECT_EQ(code(Qt::Key_Delete, Qt::ShiftModifier), 0x2Eu | kKeyExtended | kKeyShift);
    EXPECT_EQ(code(Qt::Key_5, Qt::KeypadModifier), 0x65u);
    EXPECT_EQ(code(Qt::Key_Enter, Qt::KeypadModifier), 0x0Du | kKeyExtended);
    EXPECT_EQ(code(Qt::Key_Return), 0x0Du);
    EXPECT_EQ(code(Qt::Key_Slash, Qt::KeypadModifier), 0x6Fu | kKeyExtended);
    EXPECT_EQ(code(Qt::Key_Backtab, Qt::ShiftModifier), 0x09u | kKeyShift);
    // Keys named by their character, and the toolkit's own codes.
    EXPECT_EQ(code(Qt::Key_Aacute), 0x800000C1u);
    EXPECT_EQ(code(Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier), 0x80000040u | kKeyControl | kKeyShift);
    EXPECT_EQ(code(Qt::Key_ydiaeresis), 0xFFu);
    EXPECT_EQ(code(Qt::Key_AltGr), 0x01001103u);
    EXPECT_EQ(code(Qt::Key_MediaPlay), 0x01000080u);
    EXPECT_EQ(code(Qt::Key_unknown), 0u);
    // Each code has its name in the keymap's tables.
    for (uint32_t c : {code(Qt::Key_F1), code(Qt::Key_Aacute), code(Qt::Key_AltGr), code(Qt::Key_Insert)})
        EXPECT_FALSE(KeyCodeToName(c & ~kKeyModifierMask).StartsWith(u"0x")) << std::hex << c;

    // A keymap finds the binding of the key the user pressed.
    Keymap keymap;
    keymap.SetDefaultBindings();
    EXPECT_EQ(keymap.GetFunction(code(Qt::Key_F1)), GetFunctionNumber(u"VT_PF1"));
    EXPECT_EQ(keymap.GetFunction(code(Qt::Key_Tab, Qt::ControlModifier)), GetFunctionNumber(u"MENU_TAB_NEXT"));
    EXPECT_EQ(keymap.GetFunction(code(Qt::Key_PageUp)), GetFunctionNumber(u"SB_PAGE_UP"));

    // A menu file's accelerator as a key sequence.
    EXPECT_EQ(AcceleratorKeySequence(11, 0x70), QKeySequence(Qt::ControlModifier | Qt::Key_F1));
    EXPECT_EQ(AcceleratorKeySequence(2 | 16, 'x'), QKeySequence(Qt::AltModifier | Qt::Key_X));
    EXPECT_TRUE(AcceleratorKeySequence(3, 0xE7).isEmpty()); // a virtual key without an equivalent
}

} // namespace
