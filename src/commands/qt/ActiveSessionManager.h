#pragma once

#include "commands/IActiveSessionManager.h"
#include "platform/qt/VDockingControlBar.h"

class ActiveSessionTree;
class FilterEditBox;
class QMenu;

// The Active Sessions pane: the host's open sessions and editors, grouped,
// with a filter box, docked in the host's frame. What the user picks from
// its menus goes to the host through its sink.
class ActiveSessionManager final : public VDockingControlBar, public IActiveSessionManager {
    Q_OBJECT
public:
    // The key the filter box's cue names.
    static constexpr char16_t kFilterCue[] = u"Alt+U";

    // `sink` may be null: actions then do nothing.
    ActiveSessionManager(IActiveSessionManagerSink* sink, int applicationNumber, QWidget* frame);
    ~ActiveSessionManager() override;

    ActiveSessionTree* Tree() const { return m_tree; }
    FilterEditBox* Filter() const { return m_filter; }
    int ApplicationNumber() const { return m_applicationNumber; }

    void RunPaneCommand(unsigned command);
    // Fills `menu` with the entries the selection calls for, enabled by the
    // host's test; false when there is no menu (nothing selected).
    bool BuildContextMenu(QMenu& menu) const;
    // Shows that menu at `globalPos` and runs the command chosen; returns
    // it, or 0.
    unsigned ExecContextMenu(const QPoint& globalPos);

    // IActiveSessionManager
    QWidget* GetPaneWindow() override { return this; }
    void ShowPane(bool show, bool& visible) override;
    void OnActiveSessionEvent(int event, int group, const char16_t* name, int image, ActiveSessionId id) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QWidget* FocusTarget() const override;

private:
    int m_applicationNumber;
    FilterEditBox* m_filter = nullptr;
    ActiveSessionTree* m_tree = nullptr;
};
