#pragma once

#include "core/Export.h"
#include "core/VUnknown.h"

// The host's lock, shared with its own toolbar work.
class ISynchObject : public IVUnknown {
public:
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

protected:
    ~ISynchObject() = default;
};

// Scoped guard over a synchronisation object: holds a reference for its
// whole life, and the lock from Lock() until it ends. With no object it
// does nothing.
class SynchLock {
public:
    // `lockNow` false lets the caller decide later.
    explicit SynchLock(ISynchObject* object, bool lockNow = true);
    // The library's own object (the one the host gave at initialisation).
    explicit SynchLock(bool lockNow = true);
    SynchLock(const SynchLock&) = delete;
    SynchLock& operator=(const SynchLock&) = delete;
    ~SynchLock();

    void Lock();
    bool IsLocked() const { return m_locked; }

private:
    ISynchObject* m_object;
    bool m_locked = false;
};

// The object the library holds one reference on. Replacing takes the new
// reference before the old one is released, so replacing an object with
// itself is safe.
void ReplaceLibrarySynchObject(ISynchObject* object);
ISynchObject* GetLibrarySynchObject();
