#pragma once

// Told when the session database changed through a tree, so that every
// other view of it can refresh.
class ISessionDatabaseChanged {
public:
    virtual ~ISessionDatabaseChanged() = default;
    // Sessions or folders were added, removed, renamed or moved.
    // `changed` is 1 for a change of content; `reserved` is 0.
    virtual void OnSessionDatabaseChanged(int changed, int reserved) = 0;
    // The way the database is shown changed (arrangement, display toggles).
    virtual void OnSessionDatabaseViewChanged() = 0;
};
