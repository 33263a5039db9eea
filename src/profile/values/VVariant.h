#pragma once

#include <cstdint>
#include <variant>

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

// The automation values that typed settings convert to and from: empty,
// bool, 16- and 32-bit integers, string, string array, or a reference to
// another variant.
class VVariant {
public:
    using Value = std::variant<std::monostate, bool, int16_t, uint16_t, int32_t, uint32_t, VUnicodeString,
                               VStringArray, const VVariant*>;

    VVariant() = default;
    template <class T>
    explicit VVariant(T value) : m_value(std::move(value))
    {
    }

    const Value& Get() const { return m_value; }
    bool IsEmpty() const { return std::holds_alternative<std::monostate>(Resolved().m_value); }
    // The variant a by-reference chain ends at.
    const VVariant& Resolved() const;

    // Conversions in the manner of the automation type coercion: numbers
    // within range, texts holding a number, bools as 0 and 1 (and texts
    // "true"/"false"). False when the value does not convert.
    bool ToBool(bool& out) const;
    bool ToInt16(int16_t& out) const;
    bool ToUInt16(uint16_t& out) const;
    bool ToUInt32(uint32_t& out) const;
    bool ToString(VUnicodeString& out) const;
    bool ToStringArray(VStringArray& out) const;

private:
    bool ToInt64(int64_t& out) const;
    Value m_value;
};
