#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QTextEdit>
#include <QTimer>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "QtFixtures.h"
#include "SecretFakes.h"
#include "commands/ButtonClipboard.h"
#include "commands/CommandDatabaseImpl.h"
#include "commands/qt/CommandManager.h"
#include "commands/qt/CommandToolbar.h"
#include "commands/qt/CommandTree.h"
#include "commands/qt/CommandTreeMenus.h"
#include "entry/ConnectDialog.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/CredentialDatabase.h"
#include "sessiontree/qt/FilterEditBox.h"

namespace {

using Item = ProfileUserButtonMap::Item;
using Texts = std::vector<std::string>;

Item Send(const char16_t* text)
{
    Item item;
    item.Function = kFunctionSend;
    item.SetArgument(text);
    return item;
}

// A host frame with the command sink: it logs what it was asked to send.
class Frame final : public QMainWindow, public ICommandManagerSink {
public:
    Frame()
    {
        setCentralWidget(new QTextEdit(this));
        resize(900, 700);
    }
    void SendCommand(ICommandInfo* info, int target) override
    {
        sent.push_back({ProfileUserButtonMap::GetDisplayText(info->GetItem()).ToUtf8(), target});
    }
    bool EditCommand(ICommandInfo* info, QWidget*) override
    {
        info->SetItem(Send(u"hostname"));
        return true;
    }
    void GetIdentity(IString& out) override { out.Assign(u"frame", 5); }
    bool CanSend(int) override { return sessionsOpen; }
    ICommandManager* GetCommandManager() const override { return pane; }
    void SetCommandManager(ICommandManager* p) override
    {
        pane = p;
        ++panesMade;
    }

    ICommandManager* pane = nullptr;
    int panesMade = 0;
    bool sessionsOpen = true;
    std::vector<std::pair<std::string, int>> sent;
};

class CommandPane : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        CommandDatabaseImpl& db = *GetCommandDatabaseImpl();
        db.CreateFolder(u"", u"Web");
        db.InsertCommand(u"Web", 0, Send(u"uptime"));
        db.InsertCommand(u"", 0, Send(u"top"));
        QApplication::clipboard()->clear();
    }
    CommandManager* Show(Frame& frame, bool show = true)
    {
        bool visible = false;
        ShowCommandManager(show, 0xE901, 3, &frame, visible);
        return dynamic_cast<CommandManager*>(frame.pane);
    }
    static QTreeWidgetItem* At(CommandTree& tree, const QString& path)
    {
        QTreeWidgetItem* at = tree.topLevelItem(0);
        for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            QTreeWidgetItem* found = nullptr;
            for (int i = 0; at && i < at->childCount(); ++i)
                if (at->child(i)->text(0) == name)
                    found = at->child(i);
            at = found;
        }
        return at;
    }
    static Texts MenuTexts(const QMenu& menu)
    {
        Texts texts;
        for (QAction* action : menu.actions()) {
            if (action->isSeparator())
                texts.push_back("-");
            else
                texts.push_back(action->text().toStdString());
            if (QMenu* sub = action->menu())
                for (QAction* inner : sub->actions())
                    texts.push_back("  " + inner->text().toStdString());
        }
        return texts;
    }

    ScopedEnv products{"ORV_INSTALLED_PRODUCTS", "kestrune"};
};

TEST_F(CommandPane, IsMadeOncePerFrameAndOnlyShownOrHidden)
{
    Frame frame;
    frame.show();
    EXPECT_EQ(Show(frame, false), nullptr) << "hiding a pane never made makes nothing";
    EXPECT_EQ(frame.panesMade, 0);
    QMainWindow noSink;
    bool visible = false;
    ShowCommandManager(true, 1, 3, &noSink, visible);
    EXPECT_TRUE(noSink.findChildren<CommandManager*>().isEmpty());

    CommandManager* pane = Show(frame);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->windowTitle(), QStringLiteral("Command Manager"));
    EXPECT_EQ(pane->property("paneId").toUInt(), 0xE901u);
    EXPECT_EQ(frame.dockWidgetArea(pane), Qt::LeftDockWidgetArea);
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(Show(frame), pane);
    EXPECT_EQ(frame.panesMade, 1);

    ShowCommandManager(false, 0xE901, 3, &frame, visible);
    EXPECT_FALSE(visible);
    EXPECT_FALSE(pane->isVisible());
    ShowCommandManager(true, 0xE901, 3, &frame, visible);
    EXPECT_TRUE(visible);

    // The pane: toolbar, the filter box with its cue, the tree.
    EXPECT_EQ(pane->Toolbar()->Commands(),
              (std::vector<unsigned>{kCmdSendCommand, kCmdSendToAll, kCmdSendToSelectedTabGroups,
                                     kCmdSendToVisibleSessions, kCmdNewCommand, kCmdCommandNewFolder, kCmdCommandCut,
                                     kCmdCommandCopy, kCmdCommandPaste, kCmdCommandDelete, kCmdCommandProperties}));
    EXPECT_EQ(pane->Toolbar()->Button(kCmdSendCommand)->text(), QStringLiteral("Send"));
    EXPECT_EQ(pane->Toolbar()->Button(kCmdSendCommand)->toolTip(), QStringLiteral("Send Command"));
    EXPECT_EQ(pane->Filter()->placeholderText(), QStringLiteral("Alt+Y"));
    EXPECT_EQ(Rows(*pane->Tree()->model(), [&](const QModelIndex& i) { return pane->Tree()->isExpanded(i); }),
              (Texts{"Commands", "  Web", "  top"}));
    CredentialDatabase* credentials = nullptr;
    ASSERT_TRUE(GetCredentialDatabase(&credentials));
    EXPECT_GE(credentials->SinkCount(), 1u);
}

TEST_F(CommandPane, KeysSendToTheActiveSessionOrWithShiftToAll)
{
    Frame frame;
    frame.show();
    CommandManager* pane = Show(frame);
    CommandTree& tree = *pane->Tree();
    tree.setCurrentItem(At(tree, QStringLiteral("top")));
    QTest::keyClick(&tree, Qt::Key_Return);
    QTest::keyClick(&tree, Qt::Key_Return, Qt::ShiftModifier);
    ASSERT_EQ(frame.sent.size(), 2u);
    EXPECT_EQ(frame.sent[0], (std::pair<std::string, int>{"top", 0}));
    EXPECT_EQ(frame.sent[1], (std::pair<std::string, int>{"top", 1}));
    EXPECT_TRUE(frame.centralWidget()->hasFocus() || !QApplication::focusWidget()) << "the host's view takes the keys";

    const QRect row = tree.visualItemRect(At(tree, QStringLiteral("top")));
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, Qt::ShiftModifier, row.center());
    ASSERT_EQ(frame.sent.size(), 3u);
    EXPECT_EQ(frame.sent[2].second, 1);

    // No session open: every send is off, on the toolbar and in the menu.
    frame.sessionsOpen = false;
    pane->UpdateCommandState();
    for (unsigned command : {kCmdSendCommand, kCmdSendToAll, kCmdSendToSelectedTabGroups, kCmdSendToVisibleSessions})
        EXPECT_FALSE(pane->Toolbar()->Button(command)->isEnabled());
    tree.setCurrentItem(At(tree, QStringLiteral("top")));
    QTest::keyClick(&tree, Qt::Key_Return);
    EXPECT_EQ(frame.sent.size(), 3u);
}

TEST_F(CommandPane, MenusListTheirEntriesAndRelabelPasteForTheButtonBar)
{
    Frame frame;
    frame.show();
    CommandManager* pane = Show(frame);
    QMenu command;
    BuildCommandTreeMenu(command, true, {}, QStringLiteral("&Paste\tCtrl+V"));
    EXPECT_EQ(MenuTexts(command),
              (Texts{"&Send Command\tEnter", "Send Command to", "  &All Sessions\tShift+Enter",
                     "  Selected Tab &Group(s)", "  &Visible Sessions", "-", "C&ut\tCtrl+X", "&Copy\tCtrl+C",
                     "&Paste\tCtrl+V", "-", "&Delete\tDel", "Rena&me\tF2", "-", "Expand All Folders",
                     "Collapse All Folders", "-", "P&roperties\tAlt+Enter"}));
    QMenu folder;
    BuildCommandTreeMenu(folder, false, {}, QStringLiteral("&Paste\tCtrl+V"));
    EXPECT_EQ(MenuTexts(folder),
              (Texts{"&New Command\tAlt+N", "New F&older\tCtrl+Alt+F", "-", "C&ut\tCtrl+X", "&Copy\tCtrl+C",
                     "&Paste\tCtrl+V", "-", "&Delete\tDel", "Rena&me\tF2", "-", "Expand All Folders",
                     "Collapse All Folders"}));

    // A button copied from the host's bar: the menu offers to paste it.
    ProfileUserButtonMap one(nullptr, u"x");
    one.Insert(0, Send(u"whoami"));
    ASSERT_TRUE(CopyButtonToClipboard(one, kClipboardOriginButtonBar));
    CommandTree& tree = *pane->Tree();
    tree.setCurrentItem(At(tree, QStringLiteral("Web")));
    QString pasteText;
    bool pasteEnabled = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (QAction* action : menu->actions())
            if (action->data().toUInt() == kCmdCommandPaste) {
                pasteText = action->text();
                pasteEnabled = action->isEnabled();
                menu->setActiveAction(action);
            }
        QTest::keyClick(menu, Qt::Key_Return);
    });
    EXPECT_EQ(pane->ExecContextMenu(tree.viewport()->mapToGlobal(QPoint(10, 10))), unsigned{kCmdCommandPaste});
    EXPECT_EQ(pasteText, QStringLiteral("&Paste Button\tCtrl+V"));
    EXPECT_TRUE(pasteEnabled);
    VUnknownPointer<ProfileUserButtonMap> web(GetCommandDatabaseImpl()->LoadCommands(u"Web"));
    ASSERT_EQ(web->GetCount(), 2u);
    EXPECT_EQ(web->GetItem(1).Argument, VUnicodeString(u"whoami"));
}

TEST_F(CommandPane, NewFolderIsNamedInTheTreeAndFilterNarrowsIt)
{
    Frame frame;
    frame.show();
    CommandManager* pane = Show(frame);
    CommandTree& tree = *pane->Tree();
    tree.setCurrentItem(At(tree, QString()));
    pane->RunPaneCommand(kCmdCommandNewFolder);
    auto* editor = tree.findChild<QLineEdit*>();
    ASSERT_TRUE(WaitFor([&] { return (editor = tree.findChild<QLineEdit*>()) && editor->isVisible(); }));
    EXPECT_EQ(editor->text(), QStringLiteral("New Folder"));
    editor->setText(QStringLiteral("Databases"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([] { return GetCommandDatabaseImpl()->FolderExists(u"Databases"); }));
    EXPECT_EQ(At(tree, QStringLiteral("Databases"))->text(0), QStringLiteral("Databases"));

    // Alt+Y goes to the filter; typing narrows the tree after the delay.
    QTest::keyClick(&tree, Qt::Key_Y, Qt::AltModifier);
    EXPECT_TRUE(pane->Filter()->hasFocus());
    QTest::keyClicks(pane->Filter(), QStringLiteral("upt"));
    ASSERT_TRUE(WaitFor([&] { return tree.IsFilterActive(); }));
    EXPECT_EQ(Rows(*tree.model(), [&](const QModelIndex& i) { return tree.isExpanded(i); }),
              (Texts{"Commands", "  Web", "    uptime"}));
    QTest::keyClick(pane->Filter(), Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return !tree.IsFilterActive(); }));
    EXPECT_NE(At(tree, QStringLiteral("top")), nullptr);
}

TEST_F(CommandPane, ADropMovesACommandAndAChangedCredentialIsShownAgain)
{
    Frame frame;
    frame.show();
    CommandManager* pane = Show(frame);
    CommandTree& tree = *pane->Tree();
    tree.setCurrentItem(At(tree, QStringLiteral("top")));
    std::unique_ptr<QMimeData> data(tree.MakeDragData(false));
    ASSERT_NE(data, nullptr);
    const QPoint into = tree.visualItemRect(At(tree, QStringLiteral("Web"))).center();
    QDragEnterEvent enter(into, Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(into), Qt::MoveAction | Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree.viewport(), &drop);
    tree.EndDrag();
    EXPECT_TRUE(drop.isAccepted());
    VUnknownPointer<ProfileUserButtonMap> web(GetCommandDatabaseImpl()->LoadCommands(u"Web"));
    ASSERT_EQ(web->GetCount(), 2u);
    EXPECT_EQ(web->GetItem(1).Argument, VUnicodeString(u"top"));
    EXPECT_EQ(At(tree, QStringLiteral("top")), nullptr);
    EXPECT_NE(At(tree, QStringLiteral("Web/top")), nullptr);

    // A credentials command whose stored line changed shows its new text once
    // the credential database says a credential changed.
    Item credentials;
    credentials.Function = kFunctionCredentials;
    credentials.SetArgument(u"db");
    GetCommandDatabaseImpl()->InsertCommand(u"", 0, credentials);
    pane->RefreshTree();
    ASSERT_NE(At(tree, QStringLiteral("Credentials \"db\": send the user name")), nullptr);
    credentials.Argument2 = u"password";
    GetCommandDatabaseImpl()->ReplaceCommand(u"", 0, credentials);
    PassphraseScope passphrase;
    SetConfigPassphrase(u"test", nullptr);
    CredentialDatabase* database = nullptr;
    ASSERT_TRUE(GetCredentialDatabase(&database));
    ASSERT_TRUE(database->SetCredential(u"db", u"admin", u"pw", nullptr));
    EXPECT_NE(At(tree, QStringLiteral("Credentials \"db\": send the password")), nullptr);
}

} // namespace
