// The docking bars: one placement capture per drag, driven through the
// event loop as a user's drag is; placements kept in the global
// configuration and found again; the pane's show operation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QTextEdit>
#include <QtTest/QTest>

#include "QtFixtures.h"
#include "dialogs/qt/ConnectView.h"
#include "entry/ConnectDialog.h"
#include "platform/qt/VDockingControlBar.h"
#include "profile/values/ProfileGlobalConfigStorage.h"

namespace {

class Bar final : public VDockingControlBar {
public:
    Bar(const QString& name, QWidget* parent) : VDockingControlBar(name, parent)
    {
        setWidget(new QTextEdit(this));
        setObjectName(name);
    }
    int stored = 0;
    DockPlacement last;

protected:
    void StorePlacement(const DockPlacement& placement) override
    {
        ++stored;
        last = placement;
        VDockingControlBar::StorePlacement(placement);
    }
};

class Frame final : public QMainWindow {
public:
    Frame()
    {
        setCentralWidget(new QTextEdit(this));
        setAnimated(false); // the drop lands at once
        resize(900, 700);
    }
};

class DockingTest : public WidgetTest {
protected:
    // Runs the event loop long enough for posted work to settle.
    static void Turns(int milliseconds = 60) { QTest::qWait(milliseconds); }
};

// Drags `bar` by its title onto the middle of `target`, one mouse move an
// event-loop turn, as a window system delivers them.
void Drag(QDockWidget& bar, QWidget& target, int* capturesDuring, const VDockingControlBar& counted)
{
    const QPoint title(bar.width() / 2, 8);
    QTest::mousePress(&bar, Qt::LeftButton, {}, title);
    const int atStart = counted.CaptureCount();
    for (int step = 1; step <= 8; ++step) {
        QTest::mouseMove(&bar, title + QPoint(step * 40, step * 5));
        QTest::qWait(20);
    }
    const QPoint drop = target.mapToGlobal(QPoint(target.width() / 2, target.height() / 2));
    for (int step = 0; step < 3; ++step) {
        QTest::mouseMove(&bar, bar.mapFromGlobal(drop));
        QTest::qWait(30);
    }
    *capturesDuring = counted.CaptureCount() - atStart;
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, bar.mapFromGlobal(drop));
}

TEST_F(DockingTest, ADragThroughSeveralStepsCapturesOnceAfterTheLast)
{
    Frame frame;
    Bar pane(QStringLiteral("pane"), &frame);
    Bar other(QStringLiteral("other"), &frame);
    frame.addDockWidget(Qt::LeftDockWidgetArea, &pane);
    frame.addDockWidget(Qt::RightDockWidgetArea, &other);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    Turns();
    const int captures = pane.CaptureCount();
    const int stored = pane.stored;

    int capturesDuring = -1;
    Drag(pane, other, &capturesDuring, pane);
    EXPECT_EQ(capturesDuring, 0); // undocked and hovering, across many turns: nothing yet
    EXPECT_TRUE(WaitFor([&] { return pane.CaptureCount() > captures; }));
    Turns(150);
    EXPECT_EQ(pane.CaptureCount(), captures + 1);
    EXPECT_EQ(pane.stored, stored + 1);
    EXPECT_EQ(pane.OperationDepth(), 0);
    // It landed in a tab group with the other pane, on the right.
    EXPECT_FALSE(pane.isFloating());
    EXPECT_TRUE(pane.last.docked);
    EXPECT_EQ(pane.last.side, 1);
    EXPECT_EQ(pane.last.tabGroup, QStringList{QStringLiteral("other")});
    // Moved into a tab group and shown, it took the focus.
    EXPECT_TRUE(WaitFor([&] { return frame.focusWidget() == pane.widget(); }));

    // Steps the frame takes in one turn also capture once.
    const int before = pane.CaptureCount();
    frame.addDockWidget(Qt::BottomDockWidgetArea, &pane);
    pane.hide();
    pane.show();
    Turns(150);
    EXPECT_EQ(pane.CaptureCount(), before + 1);
    EXPECT_EQ(pane.Placement().side, 3);
    EXPECT_TRUE(pane.Placement().tabGroup.isEmpty());
}

TEST_F(DockingTest, APlacementIsStoredAndFoundAgainInANewFrame)
{
    ProfileGlobalConfigStorage storage;
    SetGlobalConfigStorage(&storage);
    {
        Frame frame;
        Bar pane(QStringLiteral("Session Manager"), &frame);
        pane.SetPaneId(4711);
        EXPECT_EQ(pane.objectName(), QStringLiteral("pane4711"));
        EXPECT_FALSE(pane.Placement().valid);
        pane.DockInto(&frame);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        Turns();
        EXPECT_EQ(frame.dockWidgetArea(&pane), Qt::LeftDockWidgetArea);
        EXPECT_EQ(pane.width(), 250); // no remembered size yet
        frame.addDockWidget(Qt::RightDockWidgetArea, &pane);
        frame.resizeDocks({&pane}, {320}, Qt::Horizontal);
        Turns(150);
        EXPECT_EQ(pane.last.side, 1);
        EXPECT_EQ(pane.last.rect.width(), 320);
    }
    // The next run reads the options from the store.
    *config = GlobalConfig();
    SetGlobalConfigStorage(&storage);
    const PanePlacementRecord& record = config->panePlacements[u"pane4711"];
    EXPECT_EQ(record.state, PanePlacementRecord::kDocked);
    EXPECT_EQ(record.side, 1);
    EXPECT_EQ(record.width, 320);
    {
        Frame frame;
        Bar pane(QStringLiteral("Session Manager"), &frame);
        pane.SetPaneId(4711);
        pane.DockInto(&frame); // before the frame is shown
        bool visible = false;
        pane.ShowBar(true, visible);
        EXPECT_TRUE(visible); // shown in its frame, though the frame is not yet
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        Turns();
        EXPECT_EQ(frame.dockWidgetArea(&pane), Qt::RightDockWidgetArea);
        EXPECT_EQ(pane.width(), 320);

        // Floating: the rectangle on the screen comes back.
        pane.setFloating(true);
        pane.setGeometry(QRect(140, 120, 300, 380));
        Turns(150);
        EXPECT_FALSE(pane.last.docked);
        // Hidden by its close button: the place is kept with the state.
        pane.ShowBar(false, visible);
        EXPECT_FALSE(visible);
        Turns(150);
        EXPECT_FALSE(config->panePlacements[u"pane4711"].visible);
    }
    *config = GlobalConfig();
    SetGlobalConfigStorage(&storage);
    {
        Frame frame;
        Bar pane(QStringLiteral("Session Manager"), &frame);
        pane.SetPaneId(4711);
        frame.show();
        pane.DockInto(&frame);
        Turns();
        EXPECT_TRUE(pane.isFloating());
        EXPECT_EQ(pane.geometry(), QRect(140, 120, 300, 380));
    }
    SetGlobalConfigStorage(nullptr);
}

// The show operation brings a pane's tab forward in its tab group, hides
// only a pane that is shown, and a call made while one runs is ignored.
TEST_F(DockingTest, ShowingAPaneBringsItsTabForward)
{
    Frame frame;
    Bar pane(QStringLiteral("pane"), &frame);
    Bar other(QStringLiteral("other"), &frame);
    frame.addDockWidget(Qt::LeftDockWidgetArea, &pane);
    frame.tabifyDockWidget(&pane, &other); // the other one in front
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    Turns();
    other.raise();
    Turns();
    EXPECT_TRUE(pane.visibleRegion().isEmpty());
    bool visible = false;
    pane.ShowBar(true, visible);
    Turns();
    EXPECT_TRUE(visible);
    EXPECT_FALSE(pane.visibleRegion().isEmpty());
    EXPECT_EQ(frame.focusWidget(), pane.widget());

    pane.ShowBar(false, visible);
    EXPECT_FALSE(visible);
    visible = true;
    pane.ShowBar(false, visible); // already hidden: nothing to do
    EXPECT_FALSE(visible);
    EXPECT_FALSE(pane.IsAutoHide()); // the dock framework has no auto-hide mode
}

TEST_F(DockingTest, TheHostsOwnSaveStateFindsTheBarByItsPaneName)
{
    QByteArray state;
    {
        Frame frame;
        Bar pane(QStringLiteral("Session Manager"), &frame);
        pane.SetPaneId(12);
        frame.addDockWidget(Qt::BottomDockWidgetArea, &pane);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        state = frame.saveState();
    }
    Frame frame;
    Bar pane(QStringLiteral("Session Manager"), &frame);
    pane.SetPaneId(12);
    frame.addDockWidget(Qt::LeftDockWidgetArea, &pane);
    EXPECT_TRUE(frame.restoreState(state));
    EXPECT_EQ(frame.dockWidgetArea(&pane), Qt::BottomDockWidgetArea);
}

TEST_F(DockingTest, DockSidesAndSiblings)
{
    QMainWindow frame;
    frame.setCentralWidget(new QTextEdit(&frame));
    frame.resize(1000, 800);
    frame.setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    frame.setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
    Bar left(QStringLiteral("left"), &frame);
    Bar right(QStringLiteral("right"), &frame);
    Bar bottomA(QStringLiteral("bottomA"), &frame);
    Bar bottomB(QStringLiteral("bottomB"), &frame);
    frame.addDockWidget(Qt::LeftDockWidgetArea, &left);
    frame.addDockWidget(Qt::RightDockWidgetArea, &right);
    frame.addDockWidget(Qt::BottomDockWidgetArea, &bottomA);
    frame.splitDockWidget(&bottomA, &bottomB, Qt::Horizontal);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    Settle();
    EXPECT_EQ(GetDockAlignment(&left), 0);
    EXPECT_EQ(GetDockAlignment(&right), 1);
    EXPECT_EQ(GetDockAlignment(&bottomA), 3);
    EXPECT_EQ(GetDockAlignment(frame.centralWidget()), 0); // not a bar
    // One row: by their left edges, whatever side is given.
    EXPECT_EQ(GetDockSibling(&bottomA, 0, &bottomB), 2);
    EXPECT_EQ(GetDockSibling(&bottomB, 1, &bottomA), 3);
    // Left of the other bar on the left side; further right on the right.
    EXPECT_EQ(GetDockSibling(&left, 0, &bottomA), 1);
    EXPECT_EQ(GetDockSibling(&right, 1, &bottomA), 1);
    EXPECT_EQ(GetDockSibling(&bottomA, 3, &left), 1);
    EXPECT_EQ(GetDockSibling(&left, 2, &bottomA), 0);
    // A tabbed bar takes the side of its group.
    Bar tabbed(QStringLiteral("tabbed"), &frame);
    frame.tabifyDockWidget(&bottomB, &tabbed);
    Settle();
    EXPECT_EQ(GetDockAlignment(&tabbed), 3);
    // A hidden bar is no sibling.
    right.hide();
    EXPECT_EQ(GetDockSibling(&left, 0, &right), 0);
    EXPECT_EQ(GetDockSibling(nullptr, 0, &left), 0);
}

} // namespace
