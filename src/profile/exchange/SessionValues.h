#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"
#include "profile/sessions/SessionValueDef.h"
#include "profile/store/StoredValue.h"

class SessionConfig;
class VProfileData;

// The kinds of value a session holds, as they are shown, set, exported
// and imported.
enum class ValueKind { Flag, Number, TriState, Text, Path, List, Lines, Secret, Binary };

const char* KindName(ValueKind kind);
std::optional<ValueKind> KindFromName(std::string_view name);

// One value of a session, whatever its storage.
struct ExchangeValue {
    ValueKind kind = ValueKind::Text;
    int64_t number = 0;         // flag (0 or 1), number, tri-state (0, 1, 2 not set)
    VUnicodeString text;        // text, path, secret (its stored text)
    VStringArray list;          // list, lines
    std::vector<uint8_t> bytes; // binary

    bool operator==(const ExchangeValue&) const = default;
};

// Why a value cannot be taken.
struct ValueError {
    std::string reason;
};

// Every value a session's configuration keeps, with its schema entry, in
// schema order: the settings of the tables, then the login script (a list
// of encrypted steps, shown as stored).
void ForEachConfigValue(SessionConfig& config, const std::function<void(const SessionValueDef&, VProfileData&)>& visit);
// One of them by name (case ignored); null when the configuration keeps
// no value of that name.
VProfileData* FindConfigValue(SessionConfig& config, std::u16string_view name, const SessionValueDef*& def);

// The kind a setting of the schema shows as: records as binary, the
// states kept as strings as text, encrypted strings as secret.
ValueKind KindOfSetting(const SessionValueDef& def, const VProfileData& setting);
ExchangeValue ValueOfSetting(const SessionValueDef& def, const VProfileData& value);
// Gives the setting `value`, which must be of its kind; ValueError when
// it does not fit (a number out of range, a record of another size).
void SetSetting(const SessionValueDef& def, VProfileData& setting, const ExchangeValue& value);

// Values outside the schema show as their storage kind: string as text,
// number, string array as list, binary.
ExchangeValue ValueOfStored(const StoredValue& stored);
// The stored form of a value outside the schema; ValueError for a number
// that does not fit 32 bits unsigned.
StoredValue StoredOf(const VUnicodeString& name, const ExchangeValue& value);

// The one-line text form: numbers in decimal, binaries in lower-case hex,
// texts with backslash escapes (\\ \n \r \t), the elements of lists and
// lines joined with \n.
std::u16string FormatValue(const ExchangeValue& value);
// The reverse for a value of `kind`; ValueError when the text is no value
// of that kind.
ExchangeValue ParseValue(ValueKind kind, std::u16string_view text);

std::string HexOf(const std::vector<uint8_t>& bytes);
// False on an odd count or a character that is no hex digit.
bool BytesOfHex(std::u16string_view hex, std::vector<uint8_t>& bytes);
