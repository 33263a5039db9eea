#include "profile/values/VProfileSz.h"

#include "profile/reports/IReportMessageParams.h"
#include "profile/reports/VReportMessageParams.h"

VProfile2<VUnicodeString, VProfileSz>::VProfile2(const VProfileKey* key, const VUnicodeString& name,
                                                 const VUnicodeString* defaultValue, int)
    : VProfileSz(name)
{
    if (!ReadCurrent(key)) {
        Current() = defaultValue ? *defaultValue : VUnicodeString();
        m_dirty = true;
    }
    m_saved = Get();
}

void VProfile2<VUnicodeString, VProfileSz>::Set(const VUnicodeString& text)
{
    if (text == Get())
        return;
    Current() = text;
    OnChange();
}

bool VProfile2<VUnicodeString, VProfileSz>::ReadCurrent(const VProfileKey* key)
{
    VUnicodeString text;
    if (!key || !ReadFromKey(*key, text))
        return false;
    Current() = std::move(text);
    return true;
}

bool VProfile2<VUnicodeString, VProfileSz>::IsStoredAndUnchanged(const VProfileKey& key) const
{
    return !m_dirty && Get() == m_saved && key.ValueExists(m_name);
}

bool VProfile2<VUnicodeString, VProfileSz>::Save(const VProfileKey* key)
{
    if (!key)
        return false;
    if (IsStoredAndUnchanged(*key))
        return true;
    if (!WriteToKey(*key, Get()))
        return false;
    m_dirty = false;
    m_saved = Get();
    return true;
}

void VProfile2<VUnicodeString, VProfileSz>::Assign(const VProfileData& other)
{
    if (const auto* o = dynamic_cast<const VProfile2*>(&other))
        Set(o->Get());
}

bool VProfile2<VUnicodeString, VProfileSz>::Inherit(const VProfileKey* key)
{
    if (!ReadCurrent(key))
        return false;
    m_saved = Get();
    m_dirty = true;
    return true;
}

void VProfile2<VUnicodeString, VProfileSz>::Accept()
{
    if (Get() != m_saved)
        m_dirty = true;
    m_saved = Get();
}

bool VProfile2<VUnicodeString, VProfileSz>::ImportText(const VUnicodeString& text, ITextConverter* converter,
                                                       IReportMessageParams* report)
{
    VUnicodeString converted = text;
    if (converter) {
        VReportPtr own = NewReport();
        IReportMessageParams* sink = report ? report : own.Get();
        if (!converter->Convert(text, converted, sink)) {
            if (sink->GetMessageId() != kMsgConverterNoConversion)
                return false;
            converted = text;
            sink->SetMessageId(0);
        }
    }
    Current() = converted;
    m_saved = converted;
    m_dirty = false;
    return true;
}

bool VProfile2<VUnicodeString, VProfileSz>::StorageToVariant(VVariant& out, IReportMessageParams* report) const
{
    return ValueToVariant(out, report);
}

bool VProfile2<VUnicodeString, VProfileSz>::ValueToVariant(VVariant& out, IReportMessageParams*) const
{
    out = VVariant(Get());
    return true;
}

bool VProfile2<VUnicodeString, VProfileSz>::StorageFromVariant(const VVariant& in, IReportMessageParams* report)
{
    return ValueFromVariant(in, report);
}

bool VProfile2<VUnicodeString, VProfileSz>::ValueFromVariant(const VVariant& in, IReportMessageParams* report)
{
    VUnicodeString text;
    if (!in.ToString(text))
        return ReportConversionFailed(report);
    Set(text);
    return true;
}
