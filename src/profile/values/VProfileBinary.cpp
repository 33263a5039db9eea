#include "profile/values/VProfileBinary.h"

namespace {

// The Western code page's characters 0x80-0x9F (the rest matches Latin-1).
constexpr char16_t kWestern80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr size_t kNarrowRecord = 64;
constexpr size_t kNarrowFields = 28; // the numbers and bytes before the face name

} // namespace

bool VLogFont::FromNarrowRecord(const uint8_t* data, size_t size, VLogFont& out)
{
    if (size < kNarrowRecord)
        return false;
    VLogFont font;
    std::memcpy(static_cast<void*>(&font), data, kNarrowFields);
    for (size_t i = 0; i < 32; ++i) {
        const uint8_t c = data[kNarrowFields + i];
        font.faceName[i] = (c >= 0x80 && c < 0xA0) ? kWestern80[c - 0x80] : static_cast<char16_t>(c);
    }
    std::memcpy(&font.extra, data + kNarrowFields + 32, 4);
    out = font;
    return true;
}

VProfileLogFont::VProfileLogFont(const VProfileKey* key, const VUnicodeString& name, const VLogFont* defaultValue,
                                 int)
{
    m_name = name;
    Load(key, defaultValue); // here, so that the older form is looked at too
}

bool VProfileLogFont::ReadCurrent(const VProfileKey* key)
{
    if (VProfile2::ReadCurrent(key))
        return true;
    const size_t cut = m_name.Find(u" v2");
    // The older record stands in only for a missing one, not for one of
    // the wrong size.
    if (!key || cut == VUnicodeString::npos || key->ValueExists(m_name))
        return false;
    uint8_t record[kNarrowRecord];
    uint32_t size = sizeof record;
    VLogFont font;
    if (!key->ReadBinary(m_name.Left(cut), record, size) || !VLogFont::FromNarrowRecord(record, size, font))
        return false;
    Current() = font;
    return true;
}
