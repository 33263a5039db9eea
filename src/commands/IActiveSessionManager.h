#pragma once

#include <cstdint>

#include "platform/IDockWindow.h"

// The host's identifier of an open session or editor window.
using ActiveSessionId = uint64_t;

// The docked Active Sessions pane as the host and the entry point see it.
class IActiveSessionManager : public IDockWindow {
public:
    enum Event : int { kAdded = 1, kRemoved = 2, kRenamed = 3, kStateChanged = 4, kReset = 5 };

    // The host's one notification: a session or editor of `group` appeared,
    // went away, was renamed, changed state, or everything starts afresh.
    // `name` may be null; unknown events are ignored.
    virtual void OnActiveSessionEvent(int event, int group, const char16_t* name, int image, ActiveSessionId id) = 0;
};

// What a host frame offers the Active Sessions pane. The library finds it on
// the frame window by run-time type; everything is inline, so the host
// compiles its own copy and nothing needs linking.
class IActiveSessionManagerSink {
public:
    // The action numbers the pane passes for its context-menu commands.
    enum Action : int {
        kRename = 0,
        kResetName = 1,
        kReconnect = 2,
        kDisconnect = 3,
        kClose = 4,
        kLockSession = 5,
        kCloneSession = 7,
        kSessionOptions = 8,
        kSaveSession = 9,
        kEditorSave = 10,
        kEditorSaveAs = 11,
        kEditorLock = 12,
    };

    virtual ~IActiveSessionManagerSink() = default;

    // Bring the session or editor forward.
    virtual void ActivateSession(ActiveSessionId id) = 0;
    virtual void RunSessionAction(ActiveSessionId id, int action) = 0;
    // Whether `action` can run on it now (the pane asks before a menu opens).
    virtual bool IsSessionActionEnabled(ActiveSessionId id, int action) = 0;

    // The frame's Active Sessions pane, or null before it was made; the
    // library hands over the pane it made with SetActiveSessionManager.
    virtual IActiveSessionManager* GetActiveSessionManager() const = 0;
    virtual void SetActiveSessionManager(IActiveSessionManager* pane) = 0;
};
