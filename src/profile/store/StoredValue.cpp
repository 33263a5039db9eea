#include "profile/store/StoredValue.h"

#include <memory>

#include "profile/store/ProfileBackend.h"
#include "profile/store/VProfileKey.h"

std::vector<StoredValue> ReadStoredValues(const VProfileKey& key)
{
    std::vector<StoredValue> values;
    const std::unique_ptr<IProfileBackendIterator> it(key.Enumerate(kEnumerateValues));
    StoredValue value;
    while (it && it->Next(value.name, value.kind)) {
        bool read = false;
        switch (value.kind) {
        case kValueKindString:
            read = key.ReadString(value.name, value.text);
            break;
        case kValueKindDword:
            read = key.ReadDword(value.name, value.number);
            break;
        case kValueKindMultiString:
            read = key.ReadStringArray(value.name, value.list);
            break;
        case kValueKindBinary: {
            uint32_t size = 0;
            key.ReadBinary(value.name, nullptr, size);
            value.bytes.resize(size);
            read = key.ReadBinary(value.name, value.bytes.data(), size) && size == value.bytes.size();
            break;
        }
        default:
            break;
        }
        if (read)
            values.push_back(value);
        value = StoredValue();
    }
    return values;
}

bool WriteStoredValue(const VProfileKey& key, const StoredValue& value)
{
    switch (value.kind) {
    case kValueKindString:
        return key.WriteString(value.name, value.text);
    case kValueKindDword:
        return key.WriteUnsigned(value.name, value.number);
    case kValueKindMultiString:
        return key.WriteStringArray(value.name, value.list);
    case kValueKindBinary:
        return key.WriteBinary(value.name, value.bytes.data(), static_cast<uint32_t>(value.bytes.size()));
    default:
        return false;
    }
}

bool WriteStoredValues(const VProfileKey& key, const std::vector<StoredValue>& values)
{
    bool ok = true;
    for (const StoredValue& value : values)
        ok = WriteStoredValue(key, value) && ok;
    return ok;
}
