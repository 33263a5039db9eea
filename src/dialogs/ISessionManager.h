#pragma once

class QWidget;

// The docked Session Manager as its host and the entry points see it.
class ISessionManager {
public:
    virtual ~ISessionManager() = default;
    // The pane's window (its dock).
    virtual QWidget* GetPaneWindow() = 0;
    // Shows or hides the pane; `visible` tells the state it was left in.
    virtual void ShowPane(bool show, bool& visible) = 0;
    // Hands the hide-tab-option flag to the pane's tree.
    virtual void SetHideTabOption(bool hide) = 0;
    // The session database changed behind the pane's back (another process).
    virtual void RefreshTree() = 0;
};
