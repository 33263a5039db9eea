#include "profile/exchange/SessionValues.h"

#include <cstring>
#include <limits>

#include "core/HexDigit.h"
#include "profile/secrets/VProfileEncryptedString.h"
#include "profile/sessions/ProfilePath.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/store/ProfileBackend.h"
#include "profile/values/VProfileBinary.h"
#include "profile/values/VProfileDword.h"
#include "profile/values/VProfileMultiSz.h"
#include "profile/values/VProfileSz.h"

namespace {

constexpr const char* kKindNames[] = {"flag", "number", "tristate", "text", "path",
                                      "list", "lines", "secret", "binary"};

template <class T>
const T& As(const VProfileData& value)
{
    return dynamic_cast<const T&>(value);
}
template <class T>
T& As(VProfileData& value)
{
    return dynamic_cast<T&>(value);
}

template <class Record>
std::vector<uint8_t> BytesOfRecord(const VProfileData& value)
{
    const Record& record = As<VProfile2<Record, VProfileBinary>>(value).Get();
    std::vector<uint8_t> bytes(sizeof(Record));
    std::memcpy(bytes.data(), &record, sizeof(Record));
    return bytes;
}

template <class Record>
void SetRecord(VProfileData& value, const std::vector<uint8_t>& bytes)
{
    if (bytes.size() != sizeof(Record))
        throw ValueError{"the record takes " + std::to_string(sizeof(Record)) + " bytes, not " +
                         std::to_string(bytes.size())};
    Record record;
    std::memcpy(&record, bytes.data(), sizeof(Record));
    As<VProfile2<Record, VProfileBinary>>(value).Set(record);
}

void CheckRange(int64_t number, int64_t minimum, int64_t maximum)
{
    if (number < minimum || number > maximum)
        throw ValueError{"the number must lie from " + std::to_string(minimum) + " to " + std::to_string(maximum)};
}

bool EqualsNoCase(std::u16string_view text, std::u16string_view word)
{
    return VUnicodeString::CompareNoCase(text, word) == 0;
}

std::u16string Escape(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
        case u'\\': out += u"\\\\"; break;
        case u'\n': out += u"\\n"; break;
        case u'\r': out += u"\\r"; break;
        case u'\t': out += u"\\t"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::u16string Unescape(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            throw ValueError{"a backslash ends the text (write \\\\ for a backslash)"};
        switch (text[i]) {
        case u'\\': out += u'\\'; break;
        case u'n': out += u'\n'; break;
        case u'r': out += u'\r'; break;
        case u't': out += u'\t'; break;
        default:
            throw ValueError{"unknown escape \\" + std::string(1, text[i] < 0x80 ? static_cast<char>(text[i]) : '?') +
                             " (the escapes are \\\\ \\n \\r \\t)"};
        }
    }
    return out;
}

int64_t ParseInteger(std::u16string_view text)
{
    if (text.empty())
        throw ValueError{"no number given"};
    size_t i = 0;
    const bool negative = text[0] == u'-';
    if (negative || text[0] == u'+')
        ++i;
    if (i == text.size())
        throw ValueError{"no digits in the number"};
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            throw ValueError{"a number takes decimal digits only"};
        value = value * 10 + (text[i] - u'0');
        if (value > (int64_t{1} << 40))
            throw ValueError{"the number is too large"};
    }
    return negative ? -value : value;
}

// The login script belongs to no table; this is how it is shown and exchanged.
constexpr SessionValueDef kLoginScript = KindValue(SessionValueKind::List, ProfileExpectSendList::kValueName);

} // namespace

void ForEachConfigValue(SessionConfig& config, const std::function<void(const SessionValueDef&, VProfileData&)>& visit)
{
    config.ForEachSetting(visit);
    visit(kLoginScript, config.LoginScript());
}

VProfileData* FindConfigValue(SessionConfig& config, std::u16string_view name, const SessionValueDef*& def)
{
    def = nullptr;
    if (VProfileData* setting = config.FindSetting(name, &def))
        return setting;
    if (VUnicodeString::CompareNoCase(name, kLoginScript.name) != 0)
        return nullptr;
    def = &kLoginScript;
    return &config.LoginScript();
}

const char* KindName(ValueKind kind)
{
    return kKindNames[static_cast<size_t>(kind)];
}

std::optional<ValueKind> KindFromName(std::string_view name)
{
    for (size_t i = 0; i < std::size(kKindNames); ++i)
        if (name == kKindNames[i])
            return static_cast<ValueKind>(i);
    return std::nullopt;
}

ValueKind KindOfSetting(const SessionValueDef& def, const VProfileData& setting)
{
    // A secret is known by its class, whichever entry of the schema made it.
    if (dynamic_cast<const VProfileEncryptedString*>(&setting))
        return ValueKind::Secret;
    switch (def.kind) {
    case SessionValueKind::Flag: return ValueKind::Flag;
    case SessionValueKind::Number:
    case SessionValueKind::Unsigned: return ValueKind::Number;
    case SessionValueKind::TriState: return ValueKind::TriState;
    case SessionValueKind::Path: return ValueKind::Path;
    case SessionValueKind::List: return ValueKind::List;
    case SessionValueKind::Lines: return ValueKind::Lines;
    case SessionValueKind::Font:
    case SessionValueKind::Placement:
    case SessionValueKind::Margins:
    case SessionValueKind::Colors: return ValueKind::Binary;
    case SessionValueKind::Text:
    case SessionValueKind::FrameState:
    case SessionValueKind::ListViewState: return ValueKind::Text;
    case SessionValueKind::Secret: return ValueKind::Secret;
    default: throw ValueError{"the setting is of a kind that cannot be exchanged"};
    }
}

ExchangeValue ValueOfSetting(const SessionValueDef& def, const VProfileData& value)
{
    ExchangeValue out;
    out.kind = KindOfSetting(def, value);
    if (out.kind == ValueKind::Secret) {
        out.text = As<VProfileEncryptedString>(value).Get();
        return out;
    }
    switch (def.kind) {
    case SessionValueKind::Flag: out.number = As<VProfile<bool>>(value).Get() ? 1 : 0; break;
    case SessionValueKind::Number: out.number = As<VProfile<int>>(value).Get(); break;
    case SessionValueKind::Unsigned: out.number = As<VProfile<unsigned int>>(value).Get(); break;
    case SessionValueKind::TriState: out.number = As<VProfile<VTriState>>(value).Get(); break;
    case SessionValueKind::Text:
    case SessionValueKind::Path:
    case SessionValueKind::FrameState:
    case SessionValueKind::ListViewState: out.text = As<VProfileString>(value).Get(); break;
    case SessionValueKind::List:
    case SessionValueKind::Lines: out.list = As<VProfileStringArray>(value).Get(); break;
    case SessionValueKind::Font: out.bytes = BytesOfRecord<VLogFont>(value); break;
    case SessionValueKind::Placement: out.bytes = BytesOfRecord<VWindowPlacement>(value); break;
    case SessionValueKind::Margins: out.bytes = BytesOfRecord<VMarginData>(value); break;
    case SessionValueKind::Colors: out.bytes = BytesOfRecord<CustomColors>(value); break;
    default: break; // refused by KindOfSetting
    }
    return out;
}

void SetSetting(const SessionValueDef& def, VProfileData& setting, const ExchangeValue& value)
{
    const ValueKind kind = KindOfSetting(def, setting);
    if (value.kind != kind)
        throw ValueError{std::string("the setting is of kind ") + KindName(kind) + ", not " + KindName(value.kind)};
    if (kind == ValueKind::Secret) {
        As<VProfileEncryptedString>(setting).Set(VEncryptedString(value.text));
        return;
    }
    switch (def.kind) {
    case SessionValueKind::Flag:
        CheckRange(value.number, 0, 1);
        As<VProfile<bool>>(setting).Set(value.number != 0);
        break;
    case SessionValueKind::Number:
        CheckRange(value.number, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
        As<VProfile<int>>(setting).Set(static_cast<int>(value.number));
        break;
    case SessionValueKind::Unsigned:
        CheckRange(value.number, 0, std::numeric_limits<uint32_t>::max());
        As<VProfile<unsigned int>>(setting).Set(static_cast<unsigned int>(value.number));
        break;
    case SessionValueKind::TriState:
        CheckRange(value.number, 0, 2);
        As<VProfile<VTriState>>(setting).Set(static_cast<VTriState>(value.number));
        break;
    case SessionValueKind::Text:
    case SessionValueKind::Path:
    case SessionValueKind::FrameState:
    case SessionValueKind::ListViewState: As<VProfileString>(setting).Set(value.text); break;
    case SessionValueKind::List:
    case SessionValueKind::Lines: As<VProfileStringArray>(setting).Set(value.list); break;
    case SessionValueKind::Font: SetRecord<VLogFont>(setting, value.bytes); break;
    case SessionValueKind::Placement: SetRecord<VWindowPlacement>(setting, value.bytes); break;
    case SessionValueKind::Margins: SetRecord<VMarginData>(setting, value.bytes); break;
    case SessionValueKind::Colors: SetRecord<CustomColors>(setting, value.bytes); break;
    default: break; // refused by KindOfSetting
    }
}

ExchangeValue ValueOfStored(const StoredValue& stored)
{
    ExchangeValue out;
    switch (stored.kind) {
    case kValueKindDword:
        out.kind = ValueKind::Number;
        out.number = stored.number;
        break;
    case kValueKindMultiString:
        out.kind = ValueKind::List;
        out.list = stored.list;
        break;
    case kValueKindBinary:
        out.kind = ValueKind::Binary;
        out.bytes = stored.bytes;
        break;
    default:
        out.kind = ValueKind::Text;
        out.text = stored.text;
        break;
    }
    return out;
}

StoredValue StoredOf(const VUnicodeString& name, const ExchangeValue& value)
{
    StoredValue stored;
    stored.name = name;
    switch (value.kind) {
    case ValueKind::Flag:
    case ValueKind::Number:
    case ValueKind::TriState:
        CheckRange(value.number, 0, std::numeric_limits<uint32_t>::max());
        stored.kind = kValueKindDword;
        stored.number = static_cast<uint32_t>(value.number);
        break;
    case ValueKind::Text:
    case ValueKind::Path:
    case ValueKind::Secret:
        stored.kind = kValueKindString;
        stored.text = value.text;
        break;
    case ValueKind::List:
    case ValueKind::Lines:
        stored.kind = kValueKindMultiString;
        stored.list = value.list;
        break;
    case ValueKind::Binary:
        stored.kind = kValueKindBinary;
        stored.bytes = value.bytes;
        break;
    }
    return stored;
}

std::string HexOf(const std::vector<uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

bool BytesOfHex(std::u16string_view hex, std::vector<uint8_t>& bytes)
{
    if (hex.size() % 2 != 0)
        return false;
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigitValue(hex[i]);
        const int low = HexDigitValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

std::u16string FormatValue(const ExchangeValue& value)
{
    switch (value.kind) {
    case ValueKind::Flag:
    case ValueKind::Number:
    case ValueKind::TriState: return VUnicodeString::FromNumber(value.number).str();
    case ValueKind::Text:
    case ValueKind::Path:
    case ValueKind::Secret: return Escape(value.text.str());
    case ValueKind::List:
    case ValueKind::Lines: {
        std::u16string joined;
        for (size_t i = 0; i < value.list.GetSize(); ++i) {
            if (i > 0)
                joined += u'\n';
            joined += value.list[i].str();
        }
        return Escape(joined);
    }
    case ValueKind::Binary: {
        const std::string hex = HexOf(value.bytes);
        return std::u16string(hex.begin(), hex.end());
    }
    }
    return {};
}

ExchangeValue ParseValue(ValueKind kind, std::u16string_view text)
{
    ExchangeValue value;
    value.kind = kind;
    switch (kind) {
    case ValueKind::Flag:
        if (text == u"1" || EqualsNoCase(text, u"true") || EqualsNoCase(text, u"yes") || EqualsNoCase(text, u"on"))
            value.number = 1;
        else if (text == u"0" || EqualsNoCase(text, u"false") || EqualsNoCase(text, u"no") ||
                 EqualsNoCase(text, u"off"))
            value.number = 0;
        else
            throw ValueError{"a flag is 1 or 0 (true, false, yes, no, on, off)"};
        break;
    case ValueKind::Number: value.number = ParseInteger(text); break;
    case ValueKind::TriState:
        value.number = ParseInteger(text);
        if (value.number < 0 || value.number > 2)
            throw ValueError{"a tri-state is 0 (off), 1 (on) or 2 (not set)"};
        break;
    case ValueKind::Text:
    case ValueKind::Path:
    case ValueKind::Secret: value.text = Unescape(text); break;
    case ValueKind::List:
    case ValueKind::Lines: {
        const std::u16string joined = Unescape(text);
        if (joined.empty())
            break;
        size_t from = 0;
        for (size_t at; (at = joined.find(u'\n', from)) != std::u16string::npos; from = at + 1)
            value.list.Add(VUnicodeString(joined.substr(from, at - from)));
        value.list.Add(VUnicodeString(joined.substr(from)));
        break;
    }
    case ValueKind::Binary:
        if (!BytesOfHex(text, value.bytes))
            throw ValueError{"a binary value is written as pairs of hex digits"};
        break;
    }
    return value;
}
