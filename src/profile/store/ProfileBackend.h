#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

// The operations a configuration-store back end offers. Names are case
// preserving and compare without regard to case; paths are relative and
// hold several levels separated by backslashes. Bool results are true on
// success.

// What Enumerate walks.
inline constexpr int kEnumerateSubkeys = 0;
inline constexpr int kEnumerateValues = 1;

// The `extra` of Next(name, extra) over subkeys: whether the child holds
// values of its own. A back end that cannot tell cheaply says unknown, and
// the caller opens the child to look.
inline constexpr uint32_t kChildKindUnknown = 4;
inline constexpr uint32_t kChildKindWithValues = 5;
inline constexpr uint32_t kChildKindWithoutValues = 6;

// The `extra` of Next(name, extra) over values: the storage kind, with the
// registry's type numbers.
inline constexpr uint32_t kValueKindString = 1;
inline constexpr uint32_t kValueKindBinary = 3;
inline constexpr uint32_t kValueKindDword = 4;
inline constexpr uint32_t kValueKindMultiString = 7;

class IProfileBackendIterator {
public:
    virtual ~IProfileBackendIterator() = default;
    virtual bool Next(VUnicodeString& name, uint32_t& extra) = 0;
    virtual bool Next(VUnicodeString& name) = 0;
};

class IProfileBackendKey {
public:
    virtual ~IProfileBackendKey() = default;
    virtual bool ValueExists(const VUnicodeString& name) = 0;
    virtual bool ReadStringArray(const VUnicodeString& name, VStringArray& value) = 0;
    // `size` is the buffer's capacity on entry and the stored size on
    // return; false (with the stored size) when the buffer is too small.
    virtual bool ReadBinary(const VUnicodeString& name, void* buffer, uint32_t& size) = 0;
    virtual bool ReadString(const VUnicodeString& name, VUnicodeString& value) = 0;
    // False when absent (or not a number); `value` is then untouched.
    virtual bool ReadDword(const VUnicodeString& name, uint32_t& value) = 0;
    virtual bool WriteStringArray(const VUnicodeString& name, const VStringArray& value) = 0;
    virtual bool WriteBinary(const VUnicodeString& name, const void* data, uint32_t size) = 0;
    virtual bool WriteString(const VUnicodeString& name, const VUnicodeString& value) = 0;
    virtual bool WriteUnsigned(const VUnicodeString& name, uint32_t value) = 0;
    virtual bool WriteSigned(const VUnicodeString& name, int32_t value) = 0;
    virtual bool WriteBool(const VUnicodeString& name, bool value) = 0;
    // Removes the subkey and everything below it.
    virtual bool DeleteKey(const VUnicodeString& path) = 0;
    // Moves the subkey at `oldPath` to `newPath` (both below this key); fails
    // when the target exists, unless only the case of the name changes.
    virtual bool RenameKey(const VUnicodeString& oldPath, const VUnicodeString& newPath) = 0;
    virtual bool KeyExists(const VUnicodeString& path) = 0;
    // A number that identifies the key within its store.
    virtual uint32_t GetKeyNumber() = 0;
    // Non-null while the key is usable.
    virtual void* GetKeyHandle() = 0;
    virtual void SetKeyName(const VUnicodeString& name) = 0;
    // Null when the key is missing and `create` is 0, or cannot be made.
    virtual IProfileBackendKey* OpenKey(const VUnicodeString& path, int reserved, int create) = 0;
    // kEnumerateSubkeys: the subkeys, in the back end's order, with their
    // child kind; kEnumerateValues: the value names with their storage kind
    // (copying a key needs them all, including values no schema knows).
    virtual IProfileBackendIterator* Enumerate(int kind) = 0;

    // Optional operations: a back end offers them when it can do the work
    // in place; callers fall back on the operations above otherwise.

    // Whether MoveKey is offered.
    virtual bool CanMoveKeys() { return false; }
    // Moves the subkey at `path` (with everything below it) under the
    // existing key `newParentPath` as `newName`, in one step. Fails when the
    // target name is taken or the new parent lies below the key moved.
    virtual bool MoveKey(const VUnicodeString& path, const VUnicodeString& newParentPath, const VUnicodeString& newName)
    {
        (void)path, (void)newParentPath, (void)newName;
        return false;
    }
    // Reads the values `names` of every key below this one, `depth` levels
    // down (1: the children only), in one query: for each key that holds one
    // of them, `sink` gets the key's path relative to this one, the value's
    // name as asked, and its stored form. False when not offered.
    struct FoundValue {
        std::u16string_view path;
        std::u16string_view name;
        uint32_t kind;
        uint32_t number;          // kValueKindDword
        // kValueKindString: the text; kValueKindMultiString: the elements
        // joined with a carriage return and a line feed between them.
        std::u16string_view text;
    };
    using FoundValueSink = std::function<void(const FoundValue&)>;
    virtual bool QueryValuesBelow(const VStringArray& names, int depth, const FoundValueSink& sink)
    {
        (void)names, (void)depth, (void)sink;
        return false;
    }
    // A mark of this key's children that changes whenever one is added,
    // removed, renamed, moved in or out, or first holds values, and that no
    // other key ever shows: lists kept of the children need no second look
    // while it stays. False when not offered.
    virtual bool GetChildrenMark(VUnicodeString& mark)
    {
        (void)mark;
        return false;
    }
};

// One store is one transaction of the back end: it starts reading (other
// readers and a writer go on meanwhile), becomes a writer at its first
// write, and ends when the store is destroyed, committed unless abandoned.
class IProfileBackendStore {
public:
    virtual ~IProfileBackendStore() = default;
    virtual IProfileBackendKey* OpenRootKey(int selector) = 0;
    // Everything this store changed is undone when it ends. With stores
    // nested in one process, the outermost transaction is rolled back.
    virtual void Abandon() = 0;
};

// The host's factory of back-end stores. A store lives for one operation;
// the factory lives as long as the host uses the library.
class VProfileStoreFactory {
public:
    virtual ~VProfileStoreFactory() = default;
    virtual IProfileBackendStore* CreateStore() = 0;
    // True when the user may read the database but not change it: the
    // windows then offer no editing command.
    virtual bool IsReadOnly() const { return false; }
    // True when another process committed a change since the last call
    // (the first call only starts watching). Never waits; the windows ask
    // it on a timer. `folders` gets the changed folders' paths when the
    // back end knows them, else stays empty (anything may have changed).
    virtual bool TakeOutsideChanges(VStringArray& folders)
    {
        (void)folders;
        return false;
    }
};
