#include "profile/values/VProfileMultiSz.h"

using MultiSz = VProfile2<VStringArray, VProfileMultiSz>;

MultiSz::VProfile2(const VProfileKey* key, const VUnicodeString& name, const VStringArray* defaultValue, int)
    : VProfileMultiSz(name)
{
    Load(key, defaultValue);
}

void MultiSz::Load(const VProfileKey* key, const VStringArray* defaultValue)
{
    m_dirty = false;
    if (!ReadCurrent(key)) {
        Current() = defaultValue ? *defaultValue : VStringArray();
        m_dirty = true;
    }
    m_saved = Get();
}

void MultiSz::Set(const VStringArray& value)
{
    if (value == Get())
        return;
    Current() = value;
    OnChange();
}

bool MultiSz::ReadCurrent(const VProfileKey* key)
{
    VStringArray value;
    if (!key || !key->ReadStringArray(m_name, value))
        return false;
    Current() = std::move(value);
    return true;
}

bool MultiSz::IsStoredAndUnchanged(const VProfileKey& key) const
{
    return !m_dirty && Get() == m_saved && key.ValueExists(m_name);
}

bool MultiSz::Save(const VProfileKey* key)
{
    if (!key)
        return false;
    if (IsStoredAndUnchanged(*key))
        return true;
    if (!key->WriteStringArray(m_name, Get()))
        return false;
    m_dirty = false;
    m_saved = Get();
    return true;
}

void MultiSz::Assign(const VProfileData& other)
{
    if (const auto* o = dynamic_cast<const MultiSz*>(&other))
        Set(o->Get());
}

bool MultiSz::Inherit(const VProfileKey* key)
{
    if (!ReadCurrent(key))
        return false;
    m_saved = Get();
    m_dirty = true;
    return true;
}

void MultiSz::Accept()
{
    if (!(Get() == m_saved))
        m_dirty = true;
    m_saved = Get();
}

bool MultiSz::StorageToVariant(VVariant& out, IReportMessageParams* report) const
{
    return ValueToVariant(out, report);
}

bool MultiSz::ValueToVariant(VVariant& out, IReportMessageParams*) const
{
    out = VVariant(Get());
    return true;
}

bool MultiSz::StorageFromVariant(const VVariant& in, IReportMessageParams* report)
{
    return ValueFromVariant(in, report);
}

bool MultiSz::ValueFromVariant(const VVariant& in, IReportMessageParams* report)
{
    VStringArray value;
    if (!in.ToStringArray(value))
        return ReportConversionFailed(report);
    Set(value);
    return true;
}

bool MultiSz::StorageToWriter(IProfileValueWriter& out, IReportMessageParams* report) const
{
    return ValueToWriter(out, report);
}

bool MultiSz::ValueToWriter(IProfileValueWriter& out, IReportMessageParams* report) const
{
    return out.WriteStringArray(GetName(), Get()) || ReportConversionFailed(report);
}

bool MultiSz::StorageFromReader(IProfileValueReader& in, IReportMessageParams* report)
{
    return ValueFromReader(in, report);
}

bool MultiSz::ValueFromReader(IProfileValueReader& in, IReportMessageParams* report)
{
    VStringArray value;
    if (!in.ReadStringArray(GetName(), value))
        return ReportConversionFailed(report);
    Set(value);
    return true;
}

VUnicodeString VProfileMultiLineString::GetText() const
{
    VUnicodeString text;
    for (size_t i = 0; i < GetSize(); ++i) {
        if (i)
            text += u"\r\n";
        text += (*this)[i];
    }
    return text;
}

void VProfileMultiLineString::SetText(const VUnicodeString& text)
{
    VStringArray lines;
    std::u16string_view rest = text;
    for (;;) {
        const size_t lf = rest.find(u'\n');
        std::u16string_view line = rest.substr(0, lf);
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        lines.Add(VUnicodeString(line));
        if (lf == std::u16string_view::npos)
            break;
        rest.remove_prefix(lf + 1);
    }
    Set(lines);
}

void VProfileMultiLineString::Reload(const VProfileKey* key, const VStringArray* defaultValue)
{
    Load(key, defaultValue);
}
