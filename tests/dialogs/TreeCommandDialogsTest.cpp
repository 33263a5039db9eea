#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QAction>
#include <QTimer>
#include <QtTest/QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CommandIds.h"
#include "DialogSteps.h"
#include "QtFixtures.h"
#include "dialogs/ShortcutNameTexts.h"
#include "dialogs/qt/ConnectDialog.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/ConnectView.h"
#include "dialogs/qt/DuplicatePromptDialog.h"
#include "dialogs/qt/ShortcutNameDialog.h"
#include "platform/qt/QtStrings.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class TreeCommands : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        Folder(u"Servers");
        Session(u"Servers\\web01", u"SSH2", u"SFTP", u"web01.example");
        Session(u"Servers\\console", u"Serial");
        Folder(u"Lab");
        dialog = std::make_unique<ConnectDialog>(u"Connect", false, false, false, ConnectDialog::TreeOptions{}, 3,
                                                 nullptr);
    }
    void TearDown() override
    {
        dialog.reset();
        WidgetTest::TearDown();
    }
    SessionTreeCtrl& Tree() { return *dialog->Tree(); }
    void Select(std::initializer_list<const char16_t*> paths)
    {
        Tree().selectionModel()->clearSelection();
        for (const char16_t* path : paths)
            Tree().selectionModel()->select(Tree().IndexOf(Tree().FindItem(path)), QItemSelectionModel::Select);
    }

    TempDir home;
    ScopedEnv homeVariable{"HOME", home.str().c_str()};
    ScopedEnv configHome{"XDG_CONFIG_HOME", nullptr};
    ScopedEnv executable{"ORV_EXECUTABLE_KESTRUNE", "/bin/true"};
    std::unique_ptr<ConnectDialog> dialog;
};

TEST_F(TreeCommands, TheShortcutDialogNamesOneItemOrSeveral)
{
    ShortcutNameDialog one(u"Servers\\R&D web01", false, 3);
    EXPECT_EQ(one.GetShortcutName(), VUnicodeString(u"R&D web01"));
    EXPECT_EQ(one.NameBox()->text(), QStringLiteral("R&D web01"));
    EXPECT_EQ(one.PathLabel()->text(), QStringLiteral("Servers\\R&&D web01"));
    EXPECT_EQ(one.ExplanationLabel()->text(),
              QStringLiteral("Kestrune will create a shortcut on the\r\nDesktop to the following session or folder:"));
    EXPECT_EQ(one.windowTitle(), QStringLiteral("Shortcut Name"));

    ShortcutNameDialog root(u"", false, 9);
    EXPECT_EQ(root.GetShortcutName(), VUnicodeString(u"Pellowin sessions"));
    EXPECT_EQ(root.PathLabel()->text(), QString());
    EXPECT_EQ(root.ExplanationLabel()->text(),
              QStringLiteral("Pellowin will create a shortcut on the\r\nDesktop to the selected sessions."));

    // The command lines: each argument followed by one blank.
    const ShortcutCommand session = BuildShortcutCommand({u"Servers\\web01"}, {});
    EXPECT_EQ(session.commandLine, VUnicodeString(u"/S \"Servers\\web01\" "));
    EXPECT_FALSE(session.severalItems);
    EXPECT_EQ(session.itemPath, VUnicodeString(u"Servers\\web01"));
    const ShortcutCommand top = BuildShortcutCommand({}, {u""});
    EXPECT_EQ(top.commandLine, VUnicodeString(u"/SESSION_FOLDER \\ "));
    EXPECT_FALSE(top.severalItems); // one item, but the empty path takes the several-items texts
    const ShortcutCommand mixed = BuildShortcutCommand({u"a", u"b"}, {u"F"});
    EXPECT_EQ(mixed.commandLine, VUnicodeString(u"/S \"a\" /S \"b\" /SESSION_FOLDER \"F\" "));
    EXPECT_TRUE(mixed.severalItems);
    EXPECT_TRUE(BuildShortcutCommand({u"a"}, {u"F"}).severalItems);

    // A name of blanks only is refused and the dialog stays, name box focused.
    ShortcutNameDialog blank(u"Servers\\web01", false, 3);
    blank.show();
    blank.NameBox()->setText(QStringLiteral("   "));
    blank.accept();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Shortcut name error.\r\nShortcut name must be non-empty.");
    EXPECT_TRUE(blank.isVisible());
    EXPECT_EQ(blank.result(), 0);
    EXPECT_EQ(blank.focusWidget(), blank.NameBox());
    blank.NameBox()->setText(QStringLiteral("  web  "));
    blank.accept();
    EXPECT_EQ(blank.GetShortcutName(), VUnicodeString(u"web"));
    EXPECT_EQ(blank.result(), QDialog::Accepted);
}

TEST_F(TreeCommands, CreateDesktopShortcutWritesAValidEntryForTheSelection)
{
    // One session: its own name and path.
    Select({u"Servers\\web01"});
    WhenShown<ShortcutNameDialog>([](ShortcutNameDialog& shown) {
        EXPECT_EQ(shown.NameBox()->text(), QStringLiteral("web01"));
        shown.accept();
    });
    dialog->RunDialogCommand(kCmdCreateDesktopShortcut);
    const std::filesystem::path first = home.path() / "Desktop/web01.desktop";
    ASSERT_TRUE(std::filesystem::exists(first)); // the entry's form is the writer's, tested with it
    EXPECT_NE(ReadFile(first).find("\nExec=/bin/true /S \"Servers\\\\\\\\web01\"\n"), std::string::npos)
        << ReadFile(first);

    // Two sessions and a folder: sessions first, the several-items texts.
    Select({u"Lab", u"Servers\\web01", u"Servers\\console"});
    WhenShown<ShortcutNameDialog>([](ShortcutNameDialog& shown) {
        EXPECT_EQ(shown.NameBox()->text(), QStringLiteral("Kestrune sessions"));
        EXPECT_EQ(shown.PathLabel()->text(), QString());
        shown.accept();
    });
    dialog->RunDialogCommand(kCmdCreateDesktopShortcut);
    const std::string several = ReadFile(home.path() / "Desktop/Kestrune sessions.desktop");
    EXPECT_NE(several.find("Exec=/bin/true /S \"Servers\\\\\\\\console\" /S \"Servers\\\\\\\\web01\" "
                           "/SESSION_FOLDER Lab\n"),
              std::string::npos)
        << several;

    // The root alone: a single backslash, and cancelling writes nothing.
    Select({u""});
    WhenShown<ShortcutNameDialog>([](ShortcutNameDialog& shown) { shown.reject(); });
    dialog->RunDialogCommand(kCmdCreateDesktopShortcut);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.path() / "Desktop"),
                            std::filesystem::directory_iterator()),
              2);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(TreeCommands, AShortcutThatCannotBeWrittenSaysSoAndChangesNothing)
{
    std::ofstream(home.path() / "Desktop") << "a file where the desktop should be";
    Select({u"Servers"});
    WhenShown<ShortcutNameDialog>([](ShortcutNameDialog& shown) { shown.accept(); });
    dialog->RunDialogCommand(kCmdCreateDesktopShortcut);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"ERROR: creation of shortcut failed");
    EXPECT_EQ(ReadFile(home.path() / "Desktop"), "a file where the desktop should be");
}

TEST_F(TreeCommands, DuplicateAsksForNameAndHostAndSelectsTheCopy)
{
    Select({u"Servers\\web01"});
    WhenShown<DuplicatePromptDialog>([this](DuplicatePromptDialog& prompt) {
        EXPECT_EQ(prompt.windowTitle(), QStringLiteral("Duplicate Session"));
        EXPECT_EQ(prompt.NameBox()->text(), QStringLiteral("web01"));
        EXPECT_TRUE(prompt.HostBox()->isVisible());
        EXPECT_EQ(prompt.HostBox()->text(), QStringLiteral("web01.example"));
        // An invalid name, then a taken one: the dialog stays.
        prompt.NameBox()->setText(QStringLiteral("a/b"));
        prompt.accept();
        EXPECT_TRUE(prompt.isVisible());
        prompt.NameBox()->setText(QStringLiteral("console"));
        prompt.accept();
        EXPECT_TRUE(prompt.isVisible());
        EXPECT_EQ(box.shown.size(), 2u);
        prompt.NameBox()->setText(QStringLiteral("  web02 "));
        prompt.HostBox()->setText(QStringLiteral("web02.example"));
        prompt.accept();
    });
    QTest::keyClick(&Tree(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, u"'console' is already in use.");
    EXPECT_EQ(Tree().GetSelectedPaths()[0], VUnicodeString(u"Servers\\web02"));
    const SessionConfigPtr copy = Db().LoadSession(u"Servers\\web02");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetHostname(), VUnicodeString(u"web02.example"));
    EXPECT_FALSE(Db().SessionExists(u"Servers\\a/b"));

    // A serial session offers no host name: only the name box.
    Select({u"Servers\\console"});
    WhenShown<DuplicatePromptDialog>([](DuplicatePromptDialog& prompt) {
        EXPECT_FALSE(prompt.HostBox()->isVisible());
        prompt.reject();
    });
    dialog->RunDialogCommand(kCmdDuplicate);
    EXPECT_EQ(Tree().GetSelectedPaths()[0], VUnicodeString(u"Servers\\console"));
}

TEST_F(TreeCommands, ExportAndImportTheSelectionAsXml)
{
    const std::string file = home.str() + "/servers.xml";
    Select({u"Servers"});
    WhenShown<QFileDialog>([file](QFileDialog& chooser) {
        EXPECT_EQ(chooser.acceptMode(), QFileDialog::AcceptSave);
        chooser.selectFile(QString::fromStdString(file));
        QMetaObject::invokeMethod(&chooser, "accept");
    });
    dialog->RunDialogCommand(kCmdExportSessions);
    const std::string xml = ReadFile(file);
    ASSERT_NE(xml.find("<folder name=\"Servers\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<session name=\"web01\">"), std::string::npos);

    // Into Lab: everything is added; again: everything is skipped.
    for (int round = 0; round < 2; ++round) {
        Select({u"Lab"});
        WhenShown<QFileDialog>([file](QFileDialog& chooser) {
            EXPECT_EQ(chooser.acceptMode(), QFileDialog::AcceptOpen);
            chooser.selectFile(QString::fromStdString(file));
            QMetaObject::invokeMethod(&chooser, "accept");
        });
        dialog->RunDialogCommand(kCmdImportSettings);
    }
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].text,
              u"2 session(s) imported into \"Lab\".\r\nLab\\Servers\\console\r\nLab\\Servers\\web01");
    EXPECT_EQ(box.shown[1].text, u"0 session(s) imported into \"Lab\".\r\n2 session(s) already existed and were left "
                                 u"as they were:\r\nLab\\Servers\\console\r\nLab\\Servers\\web01");
    EXPECT_EQ(Db().LoadSession(u"Lab\\Servers\\web01")->GetHostname(), VUnicodeString(u"web01.example"));
    EXPECT_NE(Tree().FindItem(u"Lab\\Servers\\web01"), kNoTreeItem);

    // A broken file imports nothing and says why with its line.
    std::ofstream(home.path() / "broken.xml") << "<orvalis-sessions version=\"1\">\n<session name=\"x\">\n";
    Select({u"Lab"});
    WhenShown<QFileDialog>([this](QFileDialog& chooser) {
        chooser.selectFile(QString::fromStdString(home.str() + "/broken.xml"));
        QMetaObject::invokeMethod(&chooser, "accept");
    });
    dialog->RunDialogCommand(kCmdImportSettings);
    ASSERT_EQ(box.shown.size(), 3u);
    EXPECT_EQ(box.shown[2].text, u"Nothing was imported.\r\n" + VUnicodeString::FromUtf8(home.str()).str() +
                                     u"/broken.xml line 3: no element found");
    EXPECT_FALSE(Db().SessionExists(u"Lab\\x"));
}

TEST_F(TreeCommands, TheSessionManagerPaneRunsTheSameCommands)
{
    QMainWindow frame;
    ConnectView pane(QStringLiteral("Session Manager"), false, false, 3, nullptr, &frame);
    pane.Tree()->SelectItem(pane.Tree()->FindItem(u"Servers\\web01"));
    EXPECT_TRUE(pane.Toolbar()->Button(kCmdCreateDesktopShortcut)->isEnabled());
    WhenShown<DuplicatePromptDialog>([](DuplicatePromptDialog& prompt) {
        prompt.NameBox()->setText(QStringLiteral("web03"));
        prompt.accept();
    });
    pane.RunPaneCommand(kCmdDuplicate);
    EXPECT_TRUE(Db().IsSession(u"Servers\\web03"));
    EXPECT_EQ(pane.Tree()->GetSelectedPaths()[0], VUnicodeString(u"Servers\\web03"));
    // The modal dialog's tree, open at the same time, follows the change.
    EXPECT_TRUE(WaitFor([&] { return Tree().FindItem(u"Servers\\web03") != kNoTreeItem; }));

    WhenShown<ShortcutNameDialog>([](ShortcutNameDialog& shown) {
        shown.NameBox()->setText(QStringLiteral("copy of web"));
        shown.accept();
    });
    pane.RunPaneCommand(kCmdCreateDesktopShortcut);
    EXPECT_TRUE(std::filesystem::exists(home.path() / "Desktop/copy of web.desktop"));
}

} // namespace
