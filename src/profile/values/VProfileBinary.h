#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/WindowPlacement.h"
#include "profile/values/VProfileData.h"
#include "profile/store/VProfileKey.h"

// The settings kept as a binary block: fixed-size records.
class ORV_EXPORT VProfileBinary : public VProfileData {
public:
    using VProfileData::VProfileData;
};

// The colour dialog's sixteen custom colours (64 bytes).
struct CustomColors {
    std::array<uint32_t, 16> colors{};
    bool operator==(const CustomColors&) const = default;
};
static_assert(sizeof(CustomColors) == 64);

// Printer page margins: eight 32-bit fields (32 bytes).
struct VMarginData {
    std::array<int32_t, 8> fields{};
    bool operator==(const VMarginData&) const = default;
};
static_assert(sizeof(VMarginData) == 32);

// A font description: the wide form of the platform's (92 bytes) and one
// number kept beside it; 96 bytes stored.
struct VLogFont {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::array<char16_t, 32> faceName{};
    uint32_t extra = 0;
    bool operator==(const VLogFont&) const = default;

    // Reads the older 64-byte form: the same fields with a face name of 32
    // single-byte characters in the Western code page. False when short.
    static bool FromNarrowRecord(const uint8_t* data, size_t size, VLogFont& out);
};
static_assert(sizeof(VLogFont) == 96 && std::is_trivially_copyable_v<VLogFont>);

template <class T, class Storage>
class VProfile2;

// A record setting; the object is itself the current record.
template <class T>
class VProfile2<T, VProfileBinary> : public VProfileBinary, public T {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    VProfile2() = default;
    VProfile2(const VProfileKey* key, const VUnicodeString& name, const T* defaultValue, int loadMode = 0)
        : VProfileBinary(name)
    {
        (void)loadMode;
        Load(key, defaultValue);
    }

    const T& Get() const { return *this; }
    const T& GetSaved() const { return m_saved; }
    void Set(const T& value)
    {
        if (value == Get())
            return;
        Current() = value;
        OnChange();
    }

    bool Save(const VProfileKey* key) override
    {
        if (!key)
            return false;
        if (IsStoredAndUnchanged(*key))
            return true;
        if (!key->WriteBinary(m_name, static_cast<const T*>(this), sizeof(T)))
            return false;
        m_dirty = false;
        m_saved = Get();
        return true;
    }
    bool IsChanged() const override { return !(Get() == m_saved); }
    void Assign(const VProfileData& other) override
    {
        if (const auto* o = dynamic_cast<const VProfile2*>(&other))
            Set(o->Get());
    }
    bool Inherit(const VProfileKey* key) override
    {
        if (!ReadCurrent(key))
            return false;
        m_saved = Get();
        m_dirty = true;
        return true;
    }
    void Accept() override
    {
        if (!(Get() == m_saved))
            m_dirty = true;
        m_saved = Get();
    }
    void Revert() override { Current() = m_saved; }

    // A stored block of another size leaves the value as it was.
    virtual bool ReadCurrent(const VProfileKey* key)
    {
        if (!key)
            return false;
        T record{};
        uint32_t size = sizeof(T);
        if (!key->ReadBinary(m_name, &record, size) || size != sizeof(T))
            return false;
        Current() = record;
        return true;
    }
    virtual bool IsStoredAndUnchanged(const VProfileKey& key) const
    {
        return !m_dirty && Get() == m_saved && key.ValueExists(m_name);
    }

protected:
    T& Current() { return *this; }
    // Load with default: the stored record, else the default (and dirty).
    void Load(const VProfileKey* key, const T* defaultValue)
    {
        m_dirty = false;
        if (!ReadCurrent(key)) {
            Current() = defaultValue ? *defaultValue : T{};
            m_dirty = true;
        }
        m_saved = Get();
    }

private:
    T m_saved{};
};

using VProfileCustomColors = VProfile2<CustomColors, VProfileBinary>;
using VProfileMarginData = VProfile2<VMarginData, VProfileBinary>;

class ORV_EXPORT VProfileWindowPlacement : public VProfile2<VWindowPlacement, VProfileBinary> {
public:
    using VProfile2::VProfile2;
};

// A font, read under its " v2" name, else in the older 64-byte form under
// the name without " v2"; always written in the 96-byte form.
class ORV_EXPORT VProfileLogFont : public VProfile2<VLogFont, VProfileBinary> {
public:
    VProfileLogFont() = default;
    VProfileLogFont(const VProfileKey* key, const VUnicodeString& name, const VLogFont* defaultValue,
                    int loadMode = 0);
    bool ReadCurrent(const VProfileKey* key) override;
};
