#pragma once

class QWidget;

// A pane that lives in a docking bar of the host's frame.
class IDockWindow {
public:
    virtual ~IDockWindow() = default;
    // The pane's window (its dock).
    virtual QWidget* GetPaneWindow() = 0;
    // Shows or hides the pane; `visible` tells the state it was left in.
    virtual void ShowPane(bool show, bool& visible) = 0;
};
