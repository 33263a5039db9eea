#pragma once

#include <cstdint>
#include <memory>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

#include "profile/store/ProfileBackend.h"

class VProfileStore;

// A handle on one key of the store. Every operation forwards to the back
// end; on a handle whose key could not be opened each fails (false, 0,
// null) without touching anything.
class ORV_EXPORT VProfileKey {
public:
    // Opens `name` (several levels with backslashes) below `parent`; with
    // `create` 1 it is made if missing.
    VProfileKey(const VProfileKey& parent, const VUnicodeString& name, int create);
    // The root key of `store`.
    explicit VProfileKey(const VProfileStore& store);
    // `path` below the root, not created, through a store of its own that
    // ends at once: the key outlives it.
    explicit VProfileKey(const VUnicodeString& path);
    // Adopts a back-end key (may be null).
    explicit VProfileKey(IProfileBackendKey* key);
    virtual ~VProfileKey();
    VProfileKey(const VProfileKey&) = delete;
    VProfileKey& operator=(const VProfileKey&) = delete;

    bool IsOpen() const { return m_key != nullptr; }

    bool ValueExists(const VUnicodeString& name) const;
    bool ReadStringArray(const VUnicodeString& name, VStringArray& value) const;
    bool ReadBinary(const VUnicodeString& name, void* buffer, uint32_t& size) const;
    bool ReadString(const VUnicodeString& name, VUnicodeString& value) const;
    bool ReadDword(const VUnicodeString& name, uint32_t& value) const;
    bool WriteStringArray(const VUnicodeString& name, const VStringArray& value) const;
    bool WriteBinary(const VUnicodeString& name, const void* data, uint32_t size) const;
    bool WriteString(const VUnicodeString& name, const VUnicodeString& value) const;
    bool WriteUnsigned(const VUnicodeString& name, uint32_t value) const;
    bool WriteSigned(const VUnicodeString& name, int32_t value) const;
    bool WriteBool(const VUnicodeString& name, bool value) const;
    bool DeleteKey(const VUnicodeString& path) const;
    bool RenameKey(const VUnicodeString& oldPath, const VUnicodeString& newPath) const;
    bool KeyExists(const VUnicodeString& path) const;
    uint32_t GetKeyNumber() const;
    void* GetKeyHandle() const;
    void SetKeyName(const VUnicodeString& name) const;
    IProfileBackendKey* OpenKey(const VUnicodeString& path, int reserved, int create) const;
    IProfileBackendIterator* Enumerate(int kind) const;
    // The back end's optional operations (ProfileBackend.h).
    bool CanMoveKeys() const;
    bool MoveKey(const VUnicodeString& path, const VUnicodeString& newParentPath, const VUnicodeString& newName) const;
    bool QueryValuesBelow(const VStringArray& names, int depth, const IProfileBackendKey::FoundValueSink& sink) const;
    bool GetChildrenMark(VUnicodeString& mark) const;

private:
    std::unique_ptr<IProfileBackendKey> m_key;
};

// Walks the names of a key's subkeys.
class ORV_EXPORT VProfileKeyIterator {
public:
    explicit VProfileKeyIterator(const VProfileKey& key);
    virtual ~VProfileKeyIterator();
    virtual bool Next(VUnicodeString& name, uint32_t& extra);
    virtual bool Next(VUnicodeString& name);

private:
    std::unique_ptr<IProfileBackendIterator> m_iterator;
};
