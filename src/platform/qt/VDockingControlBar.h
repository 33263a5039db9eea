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
    // The pane's show operation: with `show` the bar is docked if it is not
    // yet, shown (its tab brought forward in a tab group) and its contents
    // activated; without, a shown bar is hidden. `visible` tells the state
    // the bar was left in. A call made while one runs is ignored.
    void ShowBar(bool show, bool& visible);

protected:
    // The pane keeps the record; the bar works it out.
    virtual void StorePlacement(const DockPlacement& placement);
    // About to hide: the pane may note its state.
    virtual void RecordStateBeforeHide() {}
    // The widget that takes the focus when the bar is activated.
    virtual QWidget* FocusTarget() const { return nullptr; }

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
