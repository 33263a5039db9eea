#include "profile/values/VVariant.h"

#include <charconv>
#include <limits>

namespace {

template <class T>
bool InRange(int64_t v, T& out)
{
    if (v < std::numeric_limits<T>::min() || v > static_cast<int64_t>(std::numeric_limits<T>::max()))
        return false;
    out = static_cast<T>(v);
    return true;
}

} // namespace

const VVariant& VVariant::Resolved() const
{
    const VVariant* v = this;
    for (int depth = 0; depth < 16; ++depth) {
        const auto* ref = std::get_if<const VVariant*>(&v->m_value);
        if (!ref || !*ref)
            return *v;
        v = *ref;
    }
    return *v;
}

bool VVariant::ToInt64(int64_t& out) const
{
    const Value& value = Resolved().m_value;
    if (std::holds_alternative<std::monostate>(value)) { // automation coerces an empty variant to 0
        out = 0;
        return true;
    }
    if (const auto* b = std::get_if<bool>(&value)) {
        out = *b ? 1 : 0;
        return true;
    }
    if (const auto* v = std::get_if<int16_t>(&value))
        return out = *v, true;
    if (const auto* v = std::get_if<uint16_t>(&value))
        return out = *v, true;
    if (const auto* v = std::get_if<int32_t>(&value))
        return out = *v, true;
    if (const auto* v = std::get_if<uint32_t>(&value))
        return out = *v, true;
    if (const auto* s = std::get_if<VUnicodeString>(&value)) {
        VUnicodeString t(*s);
        t.Trim();
        std::string narrow;
        for (char16_t c : t.str()) {
            if (c > 0x7F)
                return false;
            narrow += static_cast<char>(c);
        }
        const char* first = narrow.data();
        if (!narrow.empty() && narrow[0] == '+')
            ++first;
        const auto [end, ec] = std::from_chars(first, narrow.data() + narrow.size(), out);
        return ec == std::errc() && end == narrow.data() + narrow.size() && first != end;
    }
    return false;
}

bool VVariant::ToBool(bool& out) const
{
    if (const auto* s = std::get_if<VUnicodeString>(&Resolved().m_value)) {
        if (s->EqualsNoCase(u"true") || s->EqualsNoCase(u"false")) {
            out = s->EqualsNoCase(u"true");
            return true;
        }
    }
    int64_t v = 0;
    if (!ToInt64(v))
        return false;
    out = v != 0;
    return true;
}

bool VVariant::ToInt16(int16_t& out) const
{
    int64_t v = 0;
    return ToInt64(v) && InRange(v, out);
}

bool VVariant::ToUInt16(uint16_t& out) const
{
    int64_t v = 0;
    return ToInt64(v) && InRange(v, out);
}

bool VVariant::ToUInt32(uint32_t& out) const
{
    int64_t v = 0;
    return ToInt64(v) && InRange(v, out); // a negative number does not fit, as in automation
}

bool VVariant::ToString(VUnicodeString& out) const
{
    const Value& value = Resolved().m_value;
    if (const auto* s = std::get_if<VUnicodeString>(&value)) {
        out = *s;
        return true;
    }
    if (std::holds_alternative<std::monostate>(value)) {
        out = VUnicodeString();
        return true;
    }
    int64_t v = 0;
    if (std::holds_alternative<bool>(value) || !ToInt64(v))
        return false;
    out = VUnicodeString::FromNumber(v);
    return true;
}

bool VVariant::ToStringArray(VStringArray& out) const
{
    if (const auto* a = std::get_if<VStringArray>(&Resolved().m_value)) {
        out = *a;
        return true;
    }
    return false;
}
