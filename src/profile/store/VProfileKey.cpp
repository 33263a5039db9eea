#include "profile/store/VProfileKey.h"

#include "profile/store/ProfileBackend.h"
#include "profile/store/VProfileStore.h"

VProfileKey::VProfileKey(const VProfileKey& parent, const VUnicodeString& name, int create)
    : m_key(parent.OpenKey(name, 0, create))
{
}

VProfileKey::VProfileKey(const VProfileStore& store)
    : m_key(store.GetRootKey() ? store.GetRootKey()->OpenKey(VUnicodeString(), 0, 0) : nullptr)
{
}

VProfileKey::VProfileKey(const VUnicodeString& path)
{
    VProfileStore store;
    if (store.GetRootKey())
        m_key.reset(store.GetRootKey()->OpenKey(path, 0, 0));
}

VProfileKey::VProfileKey(IProfileBackendKey* key) : m_key(key) {}

VProfileKey::~VProfileKey() = default;

bool VProfileKey::ValueExists(const VUnicodeString& name) const
{
    return m_key && m_key->ValueExists(name);
}
bool VProfileKey::ReadStringArray(const VUnicodeString& name, VStringArray& value) const
{
    return m_key && m_key->ReadStringArray(name, value);
}
bool VProfileKey::ReadBinary(const VUnicodeString& name, void* buffer, uint32_t& size) const
{
    return m_key && m_key->ReadBinary(name, buffer, size);
}
bool VProfileKey::ReadString(const VUnicodeString& name, VUnicodeString& value) const
{
    return m_key && m_key->ReadString(name, value);
}
bool VProfileKey::ReadDword(const VUnicodeString& name, uint32_t& value) const
{
    return m_key && m_key->ReadDword(name, value);
}
bool VProfileKey::WriteStringArray(const VUnicodeString& name, const VStringArray& value) const
{
    return m_key && m_key->WriteStringArray(name, value);
}
bool VProfileKey::WriteBinary(const VUnicodeString& name, const void* data, uint32_t size) const
{
    return m_key && m_key->WriteBinary(name, data, size);
}
bool VProfileKey::WriteString(const VUnicodeString& name, const VUnicodeString& value) const
{
    return m_key && m_key->WriteString(name, value);
}
bool VProfileKey::WriteUnsigned(const VUnicodeString& name, uint32_t value) const
{
    return m_key && m_key->WriteUnsigned(name, value);
}
bool VProfileKey::WriteSigned(const VUnicodeString& name, int32_t value) const
{
    return m_key && m_key->WriteSigned(name, value);
}
bool VProfileKey::WriteBool(const VUnicodeString& name, bool value) const
{
    return m_key && m_key->WriteBool(name, value);
}
bool VProfileKey::DeleteKey(const VUnicodeString& path) const
{
    return m_key && m_key->DeleteKey(path);
}
bool VProfileKey::RenameKey(const VUnicodeString& oldPath, const VUnicodeString& newPath) const
{
    return m_key && m_key->RenameKey(oldPath, newPath);
}
bool VProfileKey::KeyExists(const VUnicodeString& path) const
{
    return m_key && m_key->KeyExists(path);
}
uint32_t VProfileKey::GetKeyNumber() const
{
    return m_key ? m_key->GetKeyNumber() : 0;
}
void* VProfileKey::GetKeyHandle() const
{
    return m_key ? m_key->GetKeyHandle() : nullptr;
}
void VProfileKey::SetKeyName(const VUnicodeString& name) const
{
    if (m_key)
        m_key->SetKeyName(name);
}
IProfileBackendKey* VProfileKey::OpenKey(const VUnicodeString& path, int reserved, int create) const
{
    return m_key ? m_key->OpenKey(path, reserved, create) : nullptr;
}
IProfileBackendIterator* VProfileKey::Enumerate(int kind) const
{
    return m_key ? m_key->Enumerate(kind) : nullptr;
}

bool VProfileKey::CanMoveKeys() const
{
    return m_key && m_key->CanMoveKeys();
}
bool VProfileKey::MoveKey(const VUnicodeString& path, const VUnicodeString& newParentPath,
                          const VUnicodeString& newName) const
{
    return m_key && m_key->MoveKey(path, newParentPath, newName);
}
bool VProfileKey::QueryValuesBelow(const VStringArray& names, int depth,
                                   const IProfileBackendKey::FoundValueSink& sink) const
{
    return m_key && m_key->QueryValuesBelow(names, depth, sink);
}

VProfileKeyIterator::VProfileKeyIterator(const VProfileKey& key) : m_iterator(key.Enumerate(0)) {}

VProfileKeyIterator::~VProfileKeyIterator() = default;

bool VProfileKeyIterator::Next(VUnicodeString& name, uint32_t& extra)
{
    return m_iterator && m_iterator->Next(name, extra);
}

bool VProfileKeyIterator::Next(VUnicodeString& name)
{
    return m_iterator && m_iterator->Next(name);
}

bool VProfileKey::GetChildrenMark(VUnicodeString& mark) const
{
    return m_key && m_key->GetChildrenMark(mark);
}
