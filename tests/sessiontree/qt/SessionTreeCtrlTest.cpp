#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "platform/HostHooks.h"
#include "profile/sessions/IRemoteHostConfig.h"
#include "core/VUnknown.h"
#include "platform/KeyState.h"
#include "QtFixtures.h"
#include "platform/qt/QtPlatformServices.h"
#include "platform/qt/QtStrings.h"
#include "sessiontree/qt/FilterEditBox.h"
#include "sessiontree/qt/FindSessionDialog.h"
#include "sessiontree/qt/SessionIcons.h"
#include "sessiontree/qt/SessionTreeCtrl.h"
#include "sessiontree/qt/SessionTreeModel.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using Lines = std::vector<std::string>;

std::string GetItemPathOfSelection(const SessionTreeCtrl& tree)
{
    const VStringArray paths = tree.GetSelectedPaths();
    return paths.IsEmpty() ? std::string() : paths[0].ToUtf8();
}

// The owner of one or more trees of the same database: a change made
// through one refreshes the others, as the dialog and the pane do.
class Owner final : public ISessionTreeOwner {
public:
    int GetHostKind() const override { return 3; }
    VUnicodeString GetDatabaseIdentity() const override { return identity; }
    void OnSessionDatabaseChanged(int, int) override
    {
        ++changes;
        for (SessionTreeCtrl* tree : others)
            tree->Fill(VDockTreeBase::kFillDropCache);
    }
    void OnSessionDatabaseViewChanged() override {}
    void OnConnectRequested(const VStringArray& paths) override
    {
        for (const VUnicodeString& path : paths)
            connected.push_back(path.ToUtf8());
    }
    VUnicodeString identity = u"db";
    std::vector<SessionTreeCtrl*> others;
    std::vector<std::string> connected;
    int changes = 0;
};

// No modifier held, whatever the last test's keys left behind.
class NoKeysHeld final : public IKeyState {
public:
    NoKeysHeld() : m_previous(GetKeyState()) { SetKeyState(this); }
    ~NoKeysHeld() override { SetKeyState(&m_previous); }
    unsigned HeldModifiers() const override { return 0; }

private:
    IKeyState& m_previous;
};

class TreeWidgetTest : public WidgetTest {
protected:
    NoKeysHeld keys;
    std::unique_ptr<SessionTreeCtrl> MakeTree(Owner& owner)
    {
        auto tree = std::make_unique<SessionTreeCtrl>(&owner);
        tree->resize(300, 400);
        tree->show();
        tree->Initialize();
        return tree;
    }
    static Lines Shown(const SessionTreeCtrl& tree)
    {
        return Rows(*tree.model(), [&](const QModelIndex& index) { return tree.isExpanded(index); });
    }
    static QPoint RowCentre(SessionTreeCtrl& tree, const std::u16string& path)
    {
        const TreeItem item = tree.FindItem(VUnicodeString(path));
        tree.scrollTo(tree.IndexOf(item));
        return tree.visualRect(tree.IndexOf(item)).center();
    }
    Owner owner;
};

TEST_F(TreeWidgetTest, FillsLazilyWithIconsAndTooltipsFromTheDatabase)
{
    Folder(u"Servers");
    Session(u"Servers\\web01", u"SSH2", u"None", u"web01.example", u"Front web server");
    Session(u"Servers\\files", u"SSH2", u"SFTP");
    Session(u"desk", u"RDP");
    auto tree = MakeTree(owner);
    // The folder's sessions are read only when it is first opened.
    EXPECT_EQ(Shown(*tree), (Lines{"Sessions", "  Servers", "  desk"}));
    const QModelIndex servers = tree->IndexOf(tree->FindItem(u"Servers"));
    EXPECT_EQ(tree->model()->rowCount(servers), 0);
    tree->expand(servers); // as a click on its arrow does
    EXPECT_EQ(tree->model()->rowCount(servers), 2);
    EXPECT_EQ(Shown(*tree), (Lines{"Sessions", "  Servers", "    files", "    web01", "  desk"}));

    const TreeItem web = tree->FindItem(u"Servers\\web01");
    EXPECT_EQ(tree->IndexOf(web).data(Qt::ToolTipRole).toString(), QStringLiteral("Front web server"));
    EXPECT_FALSE(tree->IndexOf(tree->FindItem(u"Servers")).data(Qt::ToolTipRole).isValid());
    // The image a row draws with is the one the logic picks for it.
    const auto image = [&](const std::u16string& path) {
        const QIcon icon = qvariant_cast<QIcon>(tree->IndexOf(tree->FindItem(VUnicodeString(path))).data(Qt::DecorationRole));
        return icon.pixmap(16, 16).toImage();
    };
    EXPECT_EQ(image(u"Servers\\web01"), SessionIcons::Image(SessionTreeBase::kImageTerminalSecure).pixmap(16, 16).toImage());
    EXPECT_EQ(image(u"Servers\\files"), SessionIcons::Image(SessionTreeBase::kImagePairSecure).pixmap(16, 16).toImage());
    EXPECT_EQ(image(u"desk"), SessionIcons::Image(SessionTreeBase::kImageRemoteDesktop).pixmap(16, 16).toImage());
    // The two sets differ, and every slot has a picture.
    for (int i = 0; i < SessionIcons::kCount; ++i)
        EXPECT_FALSE(SessionIcons::Image(i).isNull()) << i;
    EXPECT_NE(SessionIcons::Image(9).pixmap(16, 16).toImage(), SessionIcons::Image(21).pixmap(16, 16).toImage());
}

TEST_F(TreeWidgetTest, ABigFolderComputesIconsOnlyForTheRowsDrawn)
{
    Folder(u"Big");
    {
        VProfileStore store;
        for (int i = 0; i < 10000; ++i) {
            VProfileKey key(*store.GetRootKey(),
                            SessionDatabase::KeyPathFromSessionPath(VUnicodeString::FromUtf8("Big\\host" + std::to_string(i))), 1);
            key.WriteString(u"Protocol Name", u"SSH2");
        }
    }
    Db().DropCachedListings();
    auto tree = MakeTree(owner);
    tree->ExpandItem(tree->FindItem(u"Big"), true);
    const QModelIndex big = tree->IndexOf(tree->FindItem(u"Big"));
    ASSERT_EQ(tree->model()->rowCount(big), 10000);
    tree->grab(); // draws what is visible
    auto& model = static_cast<SessionTreeModel&>(*tree->model());
    int computed = 0;
    for (const auto& child : model.NodeOf(big)->children)
        computed += child->image >= 0;
    EXPECT_GT(computed, 0);
    EXPECT_LT(computed, 100);
    // Walking siblings of a big folder stays cheap: every row is reached.
    int walked = 0;
    for (TreeItem item = tree->GetChildItem(tree->ItemOf(big)); item; item = tree->GetNextSiblingItem(item))
        ++walked;
    EXPECT_EQ(walked, 10000);
}

TEST_F(TreeWidgetTest, TypingInTheFilterBoxNarrowsTheTreeOnceAfterTheDelay)
{
    Folder(u"prod");
    Folder(u"test");
    Session(u"prod\\web01");
    Session(u"prod\\db01");
    Session(u"test\\web02");
    QWidget window;
    auto tree = MakeTree(owner);
    FilterEditBox box(&window);
    tree->setParent(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(&box);
    layout->addWidget(tree.get());
    box.SetTree(tree.get());
    box.ShowCue();
    EXPECT_EQ(box.placeholderText(), QStringLiteral("Filter by folder/session name <Alt+I>"));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("prod/web"));
    EXPECT_TRUE(tree->IsFilterPending());
    ASSERT_TRUE(WaitFor([&] { return tree->IsFilterActive(); }));
    EXPECT_EQ(Shown(*tree), (Lines{"Sessions", "  prod", "    web01"}));
    EXPECT_EQ(GetItemPathOfSelection(*tree), "prod\\web01");

    // Down and Enter go to the tree: the selected session is asked for.
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(owner.connected, (std::vector<std::string>{"prod\\web01"}));
    // Escape clears the text and, after the delay, the filter; again moves
    // to the tree.
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.text().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return !tree->IsFilterActive(); }));
    EXPECT_EQ(Shown(*tree), (Lines{"Sessions", "  prod", "  test"}));
    EXPECT_TRUE(box.hasFocus());
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(tree->hasFocus());
    tree->setParent(nullptr); // the fixture deletes it
}

TEST_F(TreeWidgetTest, DragsASessionIntoAFolderOfAnotherTreeOfTheSameDatabase)
{
    Folder(u"A");
    Folder(u"B");
    Session(u"A\\s1");
    Owner ownerB;
    auto treeA = MakeTree(owner);
    auto treeB = MakeTree(ownerB);
    owner.others = {treeB.get()};
    ownerB.others = {treeA.get()};
    ASSERT_TRUE(treeA->FindItem(u"A\\s1"));
    treeA->SelectItem(treeA->FindItem(u"A\\s1"));
    std::unique_ptr<QMimeData> data(treeA->MakeDragData(false));
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("FolderTree2")));

    const QPoint onB = RowCentre(*treeB, u"B");
    QDragEnterEvent enter(onB, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(treeB->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(onB, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(treeB->viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_EQ(move.dropAction(), Qt::MoveAction);
    QDropEvent drop(QPointF(onB), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(treeB->viewport(), &drop);
    treeA->EndDrag();
    EXPECT_TRUE(drop.isAccepted());

    // The database moved it first; both trees show it there.
    EXPECT_TRUE(Db().IsSession(u"B\\s1"));
    EXPECT_FALSE(Db().SessionExists(u"A\\s1"));
    EXPECT_TRUE(treeB->FindItem(u"B\\s1"));
    EXPECT_FALSE(treeA->FindItem(u"A\\s1"));
    EXPECT_TRUE(treeA->FindItem(u"B\\s1"));

    // A tree of another database refuses the same drag, silently.
    Owner stranger;
    stranger.identity = u"another";
    auto treeC = MakeTree(stranger);
    treeA->SelectItem(treeA->FindItem(u"B\\s1"));
    data.reset(treeA->MakeDragData(false));
    const QPoint onC = RowCentre(*treeC, u"A");
    QDragMoveEvent refused(onC, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(treeC->viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    treeA->EndDrag();
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(TreeWidgetTest, ARightDragFromAnotherTreeAsksMoveOrCopyHere)
{
    Folder(u"A");
    Folder(u"B");
    Session(u"A\\s1");
    Owner ownerB;
    auto treeA = MakeTree(owner);
    auto treeB = MakeTree(ownerB);
    owner.others = {treeB.get()};
    treeA->SelectItem(treeA->FindItem(u"A\\s1"));
    std::unique_ptr<QMimeData> data(treeA->MakeDragData(true));
    const QPoint onB = RowCentre(*treeB, u"B");
    QDragEnterEvent enter(onB, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(treeB->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QStringList offered;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                offered << action->text();
        menu->setActiveAction(menu->actions().at(1)); // "&Copy here"
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QDropEvent drop(QPointF(onB), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(treeB->viewport(), &drop);
    treeA->EndDrag();
    EXPECT_EQ(offered, (QStringList{"&Move here", "&Copy here", "Cancel"}));
    EXPECT_TRUE(Db().IsSession(u"A\\s1"));
    EXPECT_TRUE(Db().IsSession(u"B\\s1"));
}

TEST_F(TreeWidgetTest, KeysOfTheTreeTableEditThroughTheDatabase)
{
    Folder(u"F");
    Session(u"F\\alpha");
    auto tree = MakeTree(owner);
    tree->SelectItem(tree->FindItem(u"F\\alpha"));
    tree->setFocus();

    // Ctrl+C: the record goes to the system clipboard under its MIME type.
    QTest::keyClick(tree.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* held = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(held);
    EXPECT_TRUE(held->hasFormat(QStringLiteral("FolderTree2")));
    EXPECT_TRUE(tree->CanPaste());
    // Ctrl+V onto the session copies it beside it.
    QTest::keyClick(tree.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Db().MakeUniqueSessionName(u"F", u"alpha"), VUnicodeString(u"alpha (2)"));

    // F2 opens the label editor; the new name goes to the database.
    tree->SelectItem(tree->FindItem(u"F\\alpha"));
    QTest::keyClick(tree.get(), Qt::Key_F2);
    auto* editor = tree->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), QStringLiteral("alpha"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("beta..."));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Db().IsSession(u"F\\beta"); }));
    EXPECT_FALSE(Db().SessionExists(u"F\\alpha"));
    EXPECT_TRUE(tree->FindItem(u"F\\beta"));

    // Ctrl+Alt+F makes a folder and names it; Escape keeps the proposed name.
    tree->SelectItem(tree->FindItem(u"F"));
    QTest::keyClick(tree.get(), Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
    editor = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (editor = tree->findChild<QLineEdit*>()) && editor->isVisible(); }));
    QTest::keyClick(editor, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return Db().IsFolder(u"F\\New Folder"); }));

    // Alt+A turns the arrangement on to the next one.
    QTest::keyClick(tree.get(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(tree->GetSortMode(), 1);

    // Other commands of the table are the owner's.
    std::vector<unsigned> asked;
    QObject::connect(tree.get(), &SessionTreeCtrl::commandRequested, [&](unsigned c) { asked.push_back(c); });
    QTest::keyClick(tree.get(), Qt::Key_G, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(tree.get(), Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(asked, (std::vector<unsigned>{kCmdConnectInNewTabGroup, kCmdFocusFilter}));
}

std::vector<int> g_propertyFlags;
int SetSharedHost(ISessionConfig* config, int flags, bool, bool, bool& changed, int, bool, QWidget*)
{
    g_propertyFlags.push_back(flags);
    VUnknownPointer<IRemoteHostConfig> host(config->GetRemoteHostConfig());
    host->SetHostname(u"shared.example");
    changed = true;
    return 1;
}

TEST_F(TreeWidgetTest, PropertiesOfSeveralSessionsWriteOnlyWhatChanged)
{
    Session(u"one", u"SSH2", u"None", u"one.example", u"first");
    Session(u"two", u"Telnet", u"None", u"two.example", u"second");
    auto tree = MakeTree(owner);
    EXPECT_FALSE(tree->CanEditProperties()); // the host gave no dialog
    GetHostCallbacks().sessionProperties = &SetSharedHost;
    g_propertyFlags.clear();
    tree->selectionModel()->select(tree->IndexOf(tree->FindItem(u"one")), QItemSelectionModel::Select);
    tree->selectionModel()->select(tree->IndexOf(tree->FindItem(u"two")), QItemSelectionModel::Select);
    tree->selectionModel()->select(tree->IndexOf(tree->GetRootItem()), QItemSelectionModel::Deselect);
    box.answer = kIdOk;
    EXPECT_TRUE(tree->RunTreeCommand(kCmdProperties));
    GetHostCallbacks().sessionProperties = nullptr;
    ASSERT_EQ(box.shown.size(), 1u); // the notice that only changes apply
    EXPECT_EQ(g_propertyFlags, (std::vector<int>{kPropertiesMultipleSessions}));
    const SessionConfigPtr one = Db().LoadSession(u"one");
    const SessionConfigPtr two = Db().LoadSession(u"two");
    EXPECT_EQ(one->GetHostname(), VUnicodeString(u"shared.example"));
    EXPECT_EQ(two->GetHostname(), VUnicodeString(u"shared.example"));
    EXPECT_EQ(one->GetDescription(), VUnicodeString(u"first"));
    EXPECT_EQ(two->GetProtocolName(), VUnicodeString(u"Telnet"));
}

TEST_F(TreeWidgetTest, FindDialogHasItsControlsAndSearchesWhatItWasGiven)
{
    Session(u"alpha", u"SSH2", u"None", u"gateway.example");
    Session(u"beta", u"SSH2", u"None", u"other.example");
    auto tree = MakeTree(owner);
    QStringList labels;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<FindSessionDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        labels << dialog->windowTitle();
        for (QLabel* label : dialog->findChildren<QLabel*>())
            labels << label->text();
        for (QGroupBox* group : dialog->findChildren<QGroupBox*>())
            labels << group->title();
        for (QCheckBox* check : dialog->findChildren<QCheckBox*>())
            labels << check->text();
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            labels << button->text();
        dialog->TextBox()->setText(QStringLiteral("GATEWAY"));
        dialog->HostNameBox()->setChecked(true);
        dialog->accept();
    });
    QTest::keyClick(tree.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(labels, (QStringList{"Find Session", "Fi&nd what:", "Look at", "&Session name", "&Hostname",
                                   "&Description", "Folde&r name", "Match &case", "OK", "Cancel"}));
    EXPECT_EQ(GetItemPathOfSelection(*tree), "alpha");
}

TEST_F(TreeWidgetTest, QtMessageBoxKeepsTheStateOfItsCheckBox)
{
    QtMessageBox qtBox;
    bool option = false;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(shown);
        text = shown->text();
        shown->checkBox()->setChecked(true);
        shown->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(qtBox.ShowWithOption(nullptr, u"Line one\r\nline two", u"Caption", kMbYesNo | kMbIconQuestion,
                                   u"Do not ask again", option),
              kIdNo);
    EXPECT_TRUE(option);
    EXPECT_EQ(text, QStringLiteral("Line one\nline two"));
}

} // namespace
