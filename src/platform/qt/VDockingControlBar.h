#pragma once

#include <QDockWidget>
#include <QPointer>
#include <QRect>
#include <QStringList>

class QMainWindow;
struct PanePlacementRecord;

// Where a docked pane sits, worked out when its place settles and used to
// put it back when it is shown again.
struct DockPlacement {
    bool valid = false;
    bool docked = false;   // in the frame's layout; else floating
    int side = 0;          // 0 left, 1 right, 2 top, 3 bottom
    int sibling = 0;       // against the other pane of its side (GetDockSibling)
    QRect rect;            // docked: in the frame's coordinates
    QRect floatingRect;    // the last floating geometry, on the screen
    QStringList tabGroup;  // the names of the panes it shares a tab group with
    bool visible = true;

    PanePlacementRecord ToRecord() const;
    static DockPlacement FromRecord(const PanePlacementRecord& record);
};

// The bar that holds one pane in the host's frame. Every docking step the
// frame's dock framework runs (docking, floating, tabbing, a change of
// area, showing and hiding, a drag of the bar or of the frame's splitters)
// counts as an operation: an event filter on the bar, its floating window
// and the frame raises the operation depth before each and lowers it after,
// a whole drag counting as one. When the depth returns to 0 the bar posts
// itself one placement capture, so a drag through several steps writes the
// pane's placement once, after the last.
//
// The placement is kept in the global configuration under the bar's
// object name, which the host's pane control id gives (SetPaneId), so the
// pane comes back where it was in this run and the next, and a host's own
// QMainWindow::saveState finds the bar by name too. The frame's dock
// framework offers no auto-hide mode, so a bar is never auto-hidden.
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

    // Names the bar after the host's pane control id and reads its stored
    // placement.
    void SetPaneId(unsigned paneId);
    static QString PaneName(unsigned paneId);

    // The bar's name, trimmed.
    QString BarName() const { return windowTitle().trimmed(); }
    int CaptureCount() const { return m_captures; }
    int OperationDepth() const { return m_depth; }
    bool IsCapturePending() const { return m_capturePending; }
    bool IsAutoHide() const { return false; }
    void SetSuppressCapture(bool suppress) { m_suppressCapture = suppress; }
    void SetPlacementTracking(bool track) { m_tracking = track; }
    const DockPlacement& Placement() const { return m_placement; }
    // Reads the placement stored under the bar's name; false when none is.
    bool LoadPlacement();
    QMainWindow* Frame() const;
    // Docks the bar into `frame` at its remembered place (a tab group whose
    // other member is there, a floating rectangle, or a side and size), or
    // on the left at 250 by 450 pixels when it has none.
    void DockInto(QMainWindow* frame);
    // The pane's show operation: with `show` the bar is docked if it is not
    // yet, shown (its tab brought forward in a tab group) and its contents
    // activated; without, a shown bar is hidden. `visible` tells the state
    // the bar was left in within its frame, also while the frame itself is
    // not shown. A call made while one runs is ignored.
    void ShowBar(bool show, bool& visible);
    // Shown in the frame's layout (or as a floating window), whether or
    // not the frame is on the screen yet.
    bool IsShownInFrame() const;

protected:
    // Keeps the record; the default writes it to the global configuration.
    virtual void StorePlacement(const DockPlacement& placement);
    // About to hide: the pane may note its state. The default captures the
    // placement as it is before the bar goes.
    virtual void RecordStateBeforeHide();
    // The widget that takes the focus when the bar is activated.
    virtual QWidget* FocusTarget() const;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void CapturePlacement();
    DockPlacement WorkOutPlacement() const;
    // Counts `event`'s handling, and what it sets off at once, as one operation.
    void OperationAroundEvent();
    void WatchWindows();
    void TrackPlacement();

    int m_depth = 0;
    bool m_capturePending = false;
    bool m_suppressCapture = false;
    bool m_tracking = false;
    bool m_dragging = false;     // a drag of the bar holds one operation open
    bool m_frameDragging = false; // so does a drag of the frame's splitters
    bool m_showing = false;
    bool m_restoring = false;
    int m_captures = 0;
    DockPlacement m_placement;
    QPointer<QWidget> m_watchedWindow; // the floating window or the frame
    QPointer<QWidget> m_watchedFrame;
};

// The side a bar is docked on: 0 left, 1 right, 2 top, 3 bottom; 0 for a
// window that is no docking bar.
int DockAlignmentOf(const QWidget* bar);
// How `bar` lies against `other`: 0 none, 1 further toward `side`, 2 same
// row and to the left, 3 same row and to the right.
int DockSiblingOf(const QWidget* bar, int side, const QWidget* other);
