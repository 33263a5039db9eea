#pragma once

#include <cstdint>
#include <type_traits>

#include "profile/values/VProfileData.h"
#include "profile/store/VProfileKey.h"
#include "profile/values/VVariant.h"

// 0 off, 1 on, 2 not set.
enum VTriState : uint32_t { kTriStateOff = 0, kTriStateOn = 1, kTriStateNotSet = 2 };

// Parses a signed 32-bit number the way the C library's string-to-long
// reader does: leading blanks and a sign, radix 0 choosing decimal, "0x"
// hexadecimal or leading-zero octal; reading stops at the first character
// that is no digit, and a value out of range is clamped.
ORV_EXPORT int32_t ParseSigned32(std::u16string_view text, int radix);

// The settings kept as a 32-bit number.
class ORV_EXPORT VProfileDword : public VProfileData {
public:
    using VProfileData::VProfileData;
};

template <class T>
class VProfile : public VProfileDword {
    static_assert(std::is_same_v<T, bool> || std::is_same_v<T, short> || std::is_same_v<T, unsigned short> ||
                  std::is_same_v<T, int> || std::is_same_v<T, unsigned int> || std::is_same_v<T, VTriState>);

public:
    VProfile() = default;
    VProfile(const VProfileKey* key, const VUnicodeString& name, const T* defaultValue, int loadMode = 0,
             int radix = 0)
        : VProfileDword(name), m_radix(radix)
    {
        (void)loadMode; // both modes load with the default
        uint32_t stored = 0;
        if (key && key->ReadDword(name, stored)) {
            m_value = FromDword(stored);
        } else {
            m_value = defaultValue ? *defaultValue : T{};
            m_dirty = true;
        }
        m_saved = m_value;
    }

    T Get() const { return m_value; }
    T GetSaved() const { return m_saved; }
    operator T() const { return m_value; } // NOLINT: reads as the value it holds
    void Set(T value)
    {
        if (value == m_value)
            return;
        m_value = value;
        OnChange();
    }
    VProfile& operator=(T value)
    {
        Set(value);
        return *this;
    }
    int GetRadix() const { return m_radix; }

    bool Save(const VProfileKey* key) override
    {
        if (!key)
            return false;
        if (!m_dirty && m_value == m_saved && key->ValueExists(m_name))
            return true;
        if (!Write(*key))
            return false;
        m_dirty = false;
        m_saved = m_value;
        return true;
    }
    bool IsChanged() const override { return m_value != m_saved; }
    void Assign(const VProfileData& other) override
    {
        if (const auto* o = dynamic_cast<const VProfile*>(&other))
            Set(o->m_value);
    }
    bool Inherit(const VProfileKey* key) override
    {
        uint32_t stored = 0;
        if (!key || !key->ReadDword(m_name, stored))
            return false;
        m_value = m_saved = FromDword(stored);
        m_dirty = true;
        return true;
    }
    void Accept() override
    {
        if (m_value != m_saved)
            m_dirty = true;
        m_saved = m_value;
    }
    void Revert() override { m_value = m_saved; }

    bool ImportText(const VUnicodeString& text, ITextConverter*, IReportMessageParams*) override
    {
        m_value = m_saved = FromDword(static_cast<uint32_t>(ParseSigned32(text, m_radix)));
        m_dirty = false;
        return true;
    }
    bool StorageToVariant(VVariant& out, IReportMessageParams*) const override
    {
        out = VVariant(ToDword(m_value));
        return true;
    }
    bool ValueToVariant(VVariant& out, IReportMessageParams*) const override
    {
        if constexpr (std::is_same_v<T, VTriState>)
            out = m_value == kTriStateNotSet ? VVariant() : VVariant(m_value == kTriStateOn);
        else if constexpr (std::is_same_v<T, bool>)
            out = VVariant(m_value);
        else if constexpr (std::is_same_v<T, short>)
            out = VVariant(static_cast<int16_t>(m_value));
        else if constexpr (std::is_same_v<T, unsigned short>)
            out = VVariant(static_cast<uint16_t>(m_value));
        else if constexpr (std::is_same_v<T, int>)
            out = VVariant(static_cast<int32_t>(m_value));
        else
            out = VVariant(static_cast<uint32_t>(m_value));
        return true;
    }
    bool StorageFromVariant(const VVariant& in, IReportMessageParams* report) override
    {
        uint32_t v = 0;
        if (!in.ToUInt32(v))
            return ReportConversionFailed(report);
        Set(FromDword(v));
        return true;
    }
    bool ValueFromVariant(const VVariant& in, IReportMessageParams* report) override
    {
        if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, VTriState>) {
            bool b = false;
            if (!in.ToBool(b))
                return ReportConversionFailed(report);
            Set(static_cast<T>(b));
        } else if constexpr (std::is_same_v<T, short>) {
            int16_t v = 0;
            if (!in.ToInt16(v))
                return ReportConversionFailed(report);
            Set(v);
        } else if constexpr (std::is_same_v<T, unsigned short>) {
            uint16_t v = 0;
            if (!in.ToUInt16(v))
                return ReportConversionFailed(report);
            Set(v);
        } else {
            uint32_t v = 0;
            if (!in.ToUInt32(v))
                return ReportConversionFailed(report);
            Set(static_cast<T>(v));
        }
        return true;
    }

private:
    static T FromDword(uint32_t v)
    {
        if constexpr (std::is_same_v<T, bool>)
            return v != 0;
        else
            return static_cast<T>(v);
    }
    static uint32_t ToDword(T v)
    {
        if constexpr (std::is_signed_v<T>)
            return static_cast<uint32_t>(static_cast<int32_t>(v));
        else
            return static_cast<uint32_t>(v);
    }
    bool Write(const VProfileKey& key) const
    {
        if constexpr (std::is_same_v<T, bool>)
            return key.WriteBool(m_name, m_value);
        else if constexpr (std::is_signed_v<T>)
            return key.WriteSigned(m_name, static_cast<int32_t>(m_value));
        else
            return key.WriteUnsigned(m_name, static_cast<uint32_t>(m_value));
    }

    T m_value{};
    T m_saved{};
    int m_radix = 0;
};
