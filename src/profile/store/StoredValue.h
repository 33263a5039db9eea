#pragma once

#include <cstdint>
#include <vector>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

class VProfileKey;

// One value of a key exactly as the store keeps it, whatever its name and
// whether or not a schema knows it: what copying a key carries over, and
// how values outside the session schema are read and written.
struct ORV_EXPORT StoredValue {
    VUnicodeString name;
    uint32_t kind = 0; // kValueKindString, kValueKindDword, kValueKindMultiString or kValueKindBinary
    uint32_t number = 0;
    VUnicodeString text;
    VStringArray list;
    std::vector<uint8_t> bytes;

    bool operator==(const StoredValue&) const = default;
};

// Every value of `key` that reads back in full, in the store's order.
ORV_EXPORT std::vector<StoredValue> ReadStoredValues(const VProfileKey& key);
// False when the kind is none of the four or the write failed.
ORV_EXPORT bool WriteStoredValue(const VProfileKey& key, const StoredValue& value);
// Writes them all, going on past a failure; false when any failed.
ORV_EXPORT bool WriteStoredValues(const VProfileKey& key, const std::vector<StoredValue>& values);
