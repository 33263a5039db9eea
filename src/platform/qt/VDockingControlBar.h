#pragma once

#include <QDockWidget>
#include <QRect>

class QMainWindow;

// Where a docked pane sits, written when its place settles and read when it
// is shown again.
struct DockPlacement {
    bool docked = false;
    int side = 0;    // 0 left, 1 right, 2 top, 3 bottom
    int sibling = 0; // relation to the other pane of its row (GetDockSibling)
    QRect rect;      // in the frame's coordinates when docked, on the screen when floating
    bool valid = false;
};

// The bar that holds one pane. Every docking step (docking, floating,
// tabbing, showing, hiding) counts as an operation; when the last of a
// batch of them ends the bar posts itself one placement capture, so a
// drag through several steps writes the pane's placement once. Tabbed
// and floating bars are the frame's own tabified and floating docks.
class VDockingControlBar : public QDockWidget {
    Q_OBJECT
public:
    explicit VDockingControlBar(const QString& title, QWidget* parent = nullptr);
    ~VDockingControlBar() override;

    // Counts an operation for its scope.
    class Operation {
    public:
        explicit Operation(VDockingControlBar& bar) : m_bar(bar) { m_bar.BeginOperation(); }
        ~Operation() { m_bar.EndOperation(); }
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        VDockingControlBar& m_bar;
    };
    void BeginOperation();
    void EndOperation();

    // The bar's name, trimmed.
    QString BarName() const { return windowTitle().trimmed(); }
    int CaptureCount() const { return m_captures; }
    bool IsCapturePending() const { return m_capturePending; }
    void SetSuppressCapture(bool suppress) { m_suppressCapture = suppress; }
    void SetPlacementTracking(bool track) { m_tracking = track; }
    const DockPlacement& Placement() const { return m_placement; }
    QMainWindow* Frame() const;
    // Docks the bar into `frame` at its remembered place, or on the left
    // at 250 by 450 pixels when it has none.
    void DockInto(QMainWindow* frame);
    // The pane's show operation; a call made while one runs is ignored.
    // Showing docks a bar that sits in no dock area, shows it (bringing
    // its tab forward) and gives `focus` the keyboard; hiding hides a
    // visible bar. `visible` tells the state the bar was left in.
    void RunShow(bool show, bool& visible, QWidget* focus);

protected:
    // The pane keeps the record; the bar works it out.
    virtual void StorePlacement(const DockPlacement& placement);
    // About to hide: the pane may note its state.
    virtual void RecordStateBeforeHide() {}

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CapturePlacement();
    DockPlacement WorkOutPlacement() const;

    int m_depth = 0;
    bool m_showing = false;
    bool m_capturePending = false;
    bool m_suppressCapture = false;
    bool m_tracking = false;
    int m_captures = 0;
    DockPlacement m_placement;
};

// The side a bar is docked on: 0 left, 1 right, 2 top, 3 bottom; 0 for a
// window that is no docking bar.
int DockAlignmentOf(const QWidget* bar);
// How `bar` lies against `other`: 0 none, 1 further toward `side`, 2 same
// row and to the left, 3 same row and to the right.
int DockSiblingOf(const QWidget* bar, int side, const QWidget* other);

// A new pane's bar in the host's frame: it keeps the pane control id the
// host gave (property "paneId") and is docked at its place.
void CreatePaneBar(VDockingControlBar& bar, unsigned paneId, QWidget* frame);

// A pane's inside: its toolbar at its own height on top, the filter box as
// tall as its font plus 8 pixels, the tree in the rest.
class PaneStack final : public QWidget {
public:
    explicit PaneStack(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetParts(QWidget* toolbar, QWidget* filter, QWidget* tree);
    void LayOut();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_toolbar = nullptr;
    QWidget* m_filter = nullptr;
    QWidget* m_tree = nullptr;
};
