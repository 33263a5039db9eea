// The Active Sessions pane with real widgets on the offscreen platform, made
// through the exported entry point in a frame that implements the sink.
#include <gtest/gtest.h>

#include <random>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTextEdit>
#include <QTimer>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "QtFixtures.h"
#include "commands/qt/ActiveSessionManager.h"
#include "commands/qt/ActiveSessionTree.h"
#include "entry/ConnectDialog.h"
#include "platform/qt/IconStatusArray.h"
#include "platform/qt/QtStrings.h"
#include "sessiontree/qt/FilterEditBox.h"

namespace {

using Texts = std::vector<std::string>;

class Frame final : public QMainWindow, public IActiveSessionManagerSink {
public:
    Frame()
    {
        setCentralWidget(new QTextEdit(this));
        resize(900, 700);
    }
    void ActivateSession(ActiveSessionId id) override { activated.push_back(id); }
    void RunSessionAction(ActiveSessionId id, int action) override { actions.emplace_back(id, action); }
    bool IsSessionActionEnabled(ActiveSessionId, int action) override { return action != disabledAction; }
    IActiveSessionManager* GetActiveSessionManager() const override { return pane; }
    void SetActiveSessionManager(IActiveSessionManager* p) override
    {
        pane = p;
        ++panesMade;
    }

    IActiveSessionManager* pane = nullptr;
    int panesMade = 0;
    int disabledAction = -1;
    std::vector<ActiveSessionId> activated;
    std::vector<std::pair<ActiveSessionId, int>> actions;
};

class ActivePane : public WidgetTest {
protected:
    ActiveSessionManager* Show(Frame& frame, bool show = true)
    {
        bool visible = false;
        ShowActiveSessionManager(show, 0xE902, 3, &frame, visible);
        return dynamic_cast<ActiveSessionManager*>(frame.pane);
    }
    // Two sessions and an editor.
    ActiveSessionManager* Populated(Frame& frame)
    {
        ActiveSessionManager* pane = Show(frame);
        pane->OnActiveSessionEvent(1, 0, u"web01", kStatusConnected, 10);
        pane->OnActiveSessionEvent(1, 0, u"db01", kStatusConnecting, 11);
        pane->OnActiveSessionEvent(1, 1, u"notes.txt", kStatusEditor, 30);
        return pane;
    }
    static Texts Rows(const QTreeWidget& tree)
    {
        Texts rows;
        for (int g = 0; g < tree.topLevelItemCount(); ++g) {
            const QTreeWidgetItem* group = tree.topLevelItem(g);
            rows.push_back(group->text(0).toStdString());
            for (int i = 0; i < group->childCount(); ++i)
                rows.push_back("  " + group->child(i)->text(0).toStdString());
        }
        return rows;
    }
    static Texts MenuTexts(const QMenu& menu)
    {
        Texts texts;
        for (QAction* action : menu.actions())
            texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        return texts;
    }
    // Chooses the entry for `command` in the menu that opens next.
    static void ChooseNextMenuEntry(unsigned command, QString* menuName = nullptr, QPoint* menuPos = nullptr)
    {
        QTimer::singleShot(0, [=] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            if (menuName)
                *menuName = menu->objectName();
            if (menuPos)
                *menuPos = menu->pos();
            for (QAction* action : menu->actions())
                if (action->data().toUInt() == command)
                    menu->setActiveAction(action);
            QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
        });
    }
};

// Showing and hiding are the docked panes' shared path, tested with the
// Command Manager; here what is this pane's own and its sink's wiring.
TEST_F(ActivePane, IsMadeOncePerFrameThroughItsSink)
{
    Frame frame;
    frame.show();
    ActiveSessionManager* pane = Show(frame);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->windowTitle(), QStringLiteral("Active Sessions"));
    EXPECT_EQ(pane->property("paneId").toUInt(), 0xE902u);
    EXPECT_EQ(pane->objectName(), QStringLiteral("pane59650")); // its place is kept under this name
    EXPECT_EQ(pane->ApplicationNumber(), 3);
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->Filter()->placeholderText(), QStringLiteral("Filter by name <Alt+U>"));
    EXPECT_EQ(Show(frame), pane);
    EXPECT_EQ(frame.panesMade, 1);
    EXPECT_EQ(frame.findChildren<ActiveSessionManager*>().size(), 1);
}

TEST_F(ActivePane, HostEventsShowWithTheirStatusImages)
{
    const QList<QIcon>& images = GetIconStatusArray();
    ASSERT_EQ(images.size(), kStatusImageCount);
    for (const QIcon& icon : images) {
        // Drawn from the shipped files: something opaque in the middle.
        const QImage picture = icon.pixmap(16, 16).toImage();
        ASSERT_FALSE(picture.isNull());
        EXPECT_GT(qAlpha(picture.pixel(8, 8)), 0);
    }

    Frame frame;
    frame.show();
    ActiveSessionManager* pane = Populated(frame);
    ActiveSessionTree& tree = *pane->Tree();
    EXPECT_EQ(Rows(tree), (Texts{"Active", "  web01", "  db01", "Editors", "  notes.txt"}));
    QTreeWidgetItem* web = tree.WidgetItem({1, 0, 10});
    ASSERT_TRUE(web);
    EXPECT_EQ(web->icon(0).pixmap(16).toImage(), StatusIcon(kStatusConnected).pixmap(16).toImage());

    pane->OnActiveSessionEvent(4, 0, nullptr, kStatusDisconnected, 10);
    EXPECT_EQ(web->icon(0).pixmap(16).toImage(), StatusIcon(kStatusDisconnected).pixmap(16).toImage());
    pane->OnActiveSessionEvent(4, 0, nullptr, 99, 10);
    EXPECT_TRUE(web->icon(0).isNull()) << "an image number outside the array shows none";
    pane->OnActiveSessionEvent(4, 1, nullptr, kStatusConnected, 30);
    EXPECT_EQ(tree.WidgetItem({1, 1, 30})->icon(0).pixmap(16).toImage(),
              StatusIcon(kStatusEditor).pixmap(16).toImage());

    pane->OnActiveSessionEvent(3, 0, u"web01 (2)", 0, 10);
    pane->OnActiveSessionEvent(2, 1, nullptr, 0, 30);
    pane->OnActiveSessionEvent(3, 5, u"elsewhere", kStatusActivity, 77);
    EXPECT_EQ(Rows(tree), (Texts{"Active", "  web01 (2)", "  db01", "", "  elsewhere"}));
    pane->OnActiveSessionEvent(5, 0, nullptr, 0, 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}

TEST_F(ActivePane, MenusOfferTheirEntriesAndSendActionsToTheHost)
{
    Frame frame;
    frame.show();
    ActiveSessionManager* pane = Populated(frame);
    ActiveSessionTree& tree = *pane->Tree();

    tree.setCurrentItem(tree.WidgetItem({1, 0, 11}));
    QMenu session;
    ASSERT_TRUE(pane->BuildContextMenu(session));
    EXPECT_EQ(MenuTexts(session), (Texts{"Rena&me", "Rese&t Name", "&Reconnect", "&Disconnect", "&Close\tDel", "-",
                                         "Loc&k Session...", "-", "Clo&ne Session", "-", "Session &Options...",
                                         "Sa&ve Session..."}));
    tree.setCurrentItem(tree.WidgetItem({1, 1, 30}));
    QMenu editor;
    ASSERT_TRUE(pane->BuildContextMenu(editor));
    EXPECT_EQ(MenuTexts(editor), (Texts{"&Save", "Save &As", "-", "Rena&me", "&Close\tDel", "-", "Loc&k"}));
    tree.setCurrentItem(tree.WidgetItem({2, 0, 0}));
    QMenu group;
    ASSERT_TRUE(pane->BuildContextMenu(group));
    EXPECT_EQ(MenuTexts(group), (Texts{"Expand All Folders", "Collapse All Folders"}));
    tree.clearSelection();
    QMenu none;
    EXPECT_FALSE(pane->BuildContextMenu(none));

    // A right click on db01, then Disconnect.
    const QPoint db = tree.visualItemRect(tree.WidgetItem({1, 0, 11})).center();
    QString menuName;
    ChooseNextMenuEntry(kCmdActiveSessionDisconnect, &menuName);
    QContextMenuEvent click(QContextMenuEvent::Mouse, db, tree.viewport()->mapToGlobal(db));
    QApplication::sendEvent(tree.viewport(), &click);
    EXPECT_EQ(menuName, QStringLiteral("sessionMenu"));
    ASSERT_EQ(frame.actions.size(), 1u);
    EXPECT_EQ(frame.actions[0], (std::pair<ActiveSessionId, int>{11, 3}));

    // The host's enable test turns an entry off; it cannot be chosen.
    frame.disabledAction = 3;
    ChooseNextMenuEntry(kCmdActiveSessionDisconnect);
    EXPECT_EQ(pane->ExecContextMenu(tree.viewport()->mapToGlobal(db)), 0u);
    EXPECT_EQ(frame.actions.size(), 1u);

    // From the keyboard: the Menu key opens the editor's menu below its text.
    tree.setCurrentItem(tree.WidgetItem({1, 1, 30}));
    QPoint menuPos;
    ChooseNextMenuEntry(kCmdEditorSaveAs, &menuName, &menuPos);
    QTest::keyClick(&tree, Qt::Key_Menu);
    EXPECT_EQ(menuName, QStringLiteral("editorMenu"));
    EXPECT_EQ(menuPos, tree.KeyboardMenuPoint());
    ASSERT_EQ(frame.actions.size(), 2u);
    EXPECT_EQ(frame.actions[1], (std::pair<ActiveSessionId, int>{30, 11}));

    // Collapse All from a group's menu.
    tree.setCurrentItem(tree.WidgetItem({2, 1, 1}));
    ChooseNextMenuEntry(kCmdCollapseAllFolders);
    QTest::keyClick(&tree, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_FALSE(tree.topLevelItem(0)->isExpanded());
    EXPECT_FALSE(tree.topLevelItem(1)->isExpanded());
    EXPECT_EQ(frame.actions.size(), 2u);
}

TEST_F(ActivePane, KeysAndDoubleClicksActivateAndClose)
{
    Frame frame;
    frame.show();
    ActiveSessionManager* pane = Populated(frame);
    ActiveSessionTree& tree = *pane->Tree();

    const QPoint web = tree.visualItemRect(tree.WidgetItem({1, 0, 10})).center();
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, Qt::NoModifier, web);
    EXPECT_TRUE(frame.activated.empty()) << "activation waits for the event loop";
    EXPECT_TRUE(WaitFor([&] { return !frame.activated.empty(); }));
    EXPECT_EQ(frame.activated, std::vector<ActiveSessionId>{10});

    // Closed by the host before the posted activation ran: nothing.
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, Qt::NoModifier, web);
    pane->OnActiveSessionEvent(2, 0, nullptr, 0, 10);
    Settle();
    EXPECT_EQ(frame.activated.size(), 1u);

    tree.setCurrentItem(tree.WidgetItem({1, 0, 11}));
    QTest::keyClick(&tree, Qt::Key_Return);
    EXPECT_EQ(frame.activated, (std::vector<ActiveSessionId>{10, 11}));
    QTest::keyClick(&tree, Qt::Key_Delete);
    ASSERT_EQ(frame.actions.size(), 1u);
    EXPECT_EQ(frame.actions[0], (std::pair<ActiveSessionId, int>{11, 4}));
    // Delete on a group closes nothing.
    tree.setCurrentItem(tree.WidgetItem({2, 0, 0}));
    QTest::keyClick(&tree, Qt::Key_Delete);
    EXPECT_EQ(frame.actions.size(), 1u);
}

TEST_F(ActivePane, FilterBoxNarrowsByNameAfterTheDelay)
{
    Frame frame;
    frame.show();
    ActiveSessionManager* pane = Populated(frame);
    ActiveSessionTree& tree = *pane->Tree();
    FilterEditBox& box = *pane->Filter();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_U, Qt::AltModifier);
    EXPECT_TRUE(box.hasFocus());
    QTest::keyClicks(&box, QStringLiteral("db"));
    EXPECT_EQ(tree.topLevelItemCount(), 2) << "typing only arms the timer";
    ASSERT_TRUE(WaitFor([&] { return tree.topLevelItemCount() == 1; }));
    EXPECT_EQ(Rows(tree), (Texts{"Active", "  db01"}));
    EXPECT_EQ(tree.currentItem(), tree.WidgetItem({1, 0, 11}));

    // Enter in the box activates what the filter left selected.
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(frame.activated, std::vector<ActiveSessionId>{11});

    // A rename out of the filter removes the row; Escape brings all back.
    pane->OnActiveSessionEvent(3, 0, u"mail", 0, 11);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    QTest::keyClick(&box, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return tree.topLevelItemCount() == 2; }));
    EXPECT_EQ(Rows(tree), (Texts{"Active", "  web01", "  mail", "Editors", "  notes.txt"}));
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(tree.hasFocus());
}

// Whatever the host sends, the widget's rows are what the tree's rules say
// is shown, and the images follow.
TEST_F(ActivePane, RandomHostEventsKeepTheWidgetInStepWithTheRules)
{
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const char16_t* names[] = {u"web01", u"db01", u"notes", u"", u"WEB", nullptr};
    const char* filters[] = {"", "web", "ed", "act/", "1"};

    Frame frame;
    frame.show();
    ActiveSessionManager* pane = Show(frame);
    ActiveSessionTree& tree = *pane->Tree();
    for (int step = 0; step < 1500; ++step) {
        SCOPED_TRACE(::testing::Message() << "step " << step);
        const int what = pick(30);
        if (what == 0) {
            tree.ApplyFilter(VUnicodeString::FromUtf8(filters[pick(5)]));
        } else if (what == 1 && tree.topLevelItemCount() > 0) {
            tree.setCurrentItem(tree.topLevelItem(pick(tree.topLevelItemCount())));
            QTest::keyClick(&tree, Qt::Key_Delete); // a group: nothing
        } else {
            pane->OnActiveSessionEvent(pick(7), pick(4) - 1, names[pick(6)], pick(10) - 1,
                                       static_cast<ActiveSessionId>(pick(5)));
        }
        Texts expected;
        std::vector<int> images;
        for (const ActiveSessionTreeBase::Group& group : tree.Groups()) {
            if (!group.shown)
                continue;
            expected.push_back(ToQString(group.label).toStdString());
            for (const ActiveSessionTreeBase::Entry& entry : group.entries)
                if (entry.shown) {
                    expected.push_back("  " + ToQString(entry.name).toStdString());
                    images.push_back(entry.image);
                }
        }
        ASSERT_EQ(Rows(tree), expected);
        size_t at = 0;
        for (int g = 0; g < tree.topLevelItemCount(); ++g)
            for (int i = 0; i < tree.topLevelItem(g)->childCount(); ++i, ++at) {
                const QIcon icon = tree.topLevelItem(g)->child(i)->icon(0);
                if (images[at] >= 0 && images[at] < kStatusImageCount)
                    ASSERT_EQ(icon.cacheKey(), GetIconStatusArray()[images[at]].cacheKey());
                else
                    ASSERT_TRUE(icon.isNull());
            }
    }
    EXPECT_TRUE(frame.actions.empty());
}

} // namespace
