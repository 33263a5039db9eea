#pragma once

#include "core/Export.h"

// Shows that a long piece of work runs (loading a large folder, deleting).
// The Qt layer installs the real cursor; without it nothing is shown.
class IWaitCursor {
public:
    virtual ~IWaitCursor() = default;
    virtual void Begin() = 0;
    virtual void End() = 0;
};

ORV_EXPORT IWaitCursor& GetWaitCursor();
// Null restores the default. The caller keeps ownership.
ORV_EXPORT void SetWaitCursor(IWaitCursor* cursor);

// Shows the wait cursor for its scope.
class WaitCursorScope {
public:
    WaitCursorScope() : m_cursor(GetWaitCursor()) { m_cursor.Begin(); }
    ~WaitCursorScope() { m_cursor.End(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;

private:
    IWaitCursor& m_cursor;
};
