#include "platform/SynchLock.h"

#include <utility>

namespace {
ISynchObject* g_object = nullptr;
}

SynchLock::SynchLock(ISynchObject* object, bool lockNow) : m_object(object)
{
    if (m_object)
        m_object->AddRef();
    if (lockNow)
        Lock();
}

SynchLock::SynchLock(bool lockNow) : SynchLock(g_object, lockNow) {}

SynchLock::~SynchLock()
{
    if (m_locked)
        m_object->Unlock();
    if (m_object)
        m_object->Release();
}

void SynchLock::Lock()
{
    if (m_object && !m_locked) {
        m_object->Lock();
        m_locked = true;
    }
}

void ReplaceLibrarySynchObject(ISynchObject* object)
{
    if (object)
        object->AddRef();
    if (ISynchObject* old = std::exchange(g_object, nullptr))
        old->Release();
    g_object = object;
}

ISynchObject* GetLibrarySynchObject()
{
    return g_object;
}
