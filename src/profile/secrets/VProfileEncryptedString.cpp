#include "profile/secrets/VProfileEncryptedString.h"

#include "core/Exceptions.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/reports/IReportMessageParams.h"
#include "profile/secrets/TwoLayerEncryptedString.h"
#include "profile/reports/VReportMessageParams.h"

using EncryptedSz = VProfile2<VEncryptedString, VProfileSz>;

EncryptedSz::VProfile2(const VProfileKey* key, const VUnicodeString& name, const VEncryptedString* defaultValue, int)
    : VProfileSz(name)
{
    if (!ReadCurrent(key)) {
        Current() = defaultValue ? *defaultValue : VEncryptedString();
        m_dirty = true;
    }
    m_saved = Get();
}

void EncryptedSz::Set(const VEncryptedString& text)
{
    if (StoredTextEquals(text, Get()) && text.GetFlags() == GetFlags())
        return;
    Current() = text;
    OnChange();
}

bool EncryptedSz::ReadCurrent(const VProfileKey* key)
{
    VUnicodeString text;
    if (!key || !ReadFromKey(*key, text))
        return false;
    Current().str() = std::move(text.str());
    return true;
}

bool EncryptedSz::IsStoredAndUnchanged(const VProfileKey& key) const
{
    return !m_dirty && StoredTextEquals(Get(), m_saved) && key.ValueExists(m_name);
}

bool EncryptedSz::Save(const VProfileKey* key)
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

void EncryptedSz::Assign(const VProfileData& other)
{
    if (const auto* o = dynamic_cast<const EncryptedSz*>(&other))
        Set(o->Get());
}

bool EncryptedSz::Inherit(const VProfileKey* key)
{
    if (!ReadCurrent(key))
        return false;
    m_saved = Get();
    m_dirty = true;
    return true;
}

void EncryptedSz::Accept()
{
    if (!StoredTextEquals(Get(), m_saved))
        m_dirty = true;
    m_saved = Get();
}

bool EncryptedSz::ImportText(const VUnicodeString& text, ITextConverter* converter, IReportMessageParams* report)
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
    Current().str() = converted.str();
    m_saved = Get();
    m_dirty = false;
    return true;
}

bool EncryptedSz::StorageToVariant(VVariant& out, IReportMessageParams* report) const
{
    return ValueToVariant(out, report);
}

bool EncryptedSz::ValueToVariant(VVariant& out, IReportMessageParams*) const
{
    out = VVariant(static_cast<const VUnicodeString&>(Get()));
    return true;
}

bool EncryptedSz::StorageFromVariant(const VVariant& in, IReportMessageParams* report)
{
    return ValueFromVariant(in, report);
}

bool EncryptedSz::ValueFromVariant(const VVariant& in, IReportMessageParams* report)
{
    VUnicodeString text;
    if (!in.ToString(text))
        return ReportConversionFailed(report);
    VEncryptedString stored(text);
    stored.SetFlags(GetFlags());
    Set(stored);
    return true;
}

VProfileEncryptedString::VProfileEncryptedString(const VProfileKey* key, const VUnicodeString& name,
                                                 const VEncryptedString* defaultValue,
                                                 VEncryptedStringKeyData* keyData, int loadMode)
    : VProfile2(key, name, defaultValue, loadMode), m_keyData(VUnknownPointer<VEncryptedStringKeyData>::Retain(keyData))
{
}

void VProfileEncryptedString::Load(const VProfileKey* key, const VUnicodeString& name,
                                   const VEncryptedString* defaultValue)
{
    m_name = name;
    m_dirty = false;
    if (!ReadCurrent(key)) {
        Current() = defaultValue ? *defaultValue : VEncryptedString();
        m_dirty = true;
    }
    Saved() = Get();
}

bool VProfileEncryptedString::LoadOlder(const VProfileKey* key, const VUnicodeString& olderName,
                                        IReportMessageParams* report)
{
    VUnicodeString older;
    const TwoLayerStringKeys* keys = GetTwoLayerStringKeys();
    if (!key || !keys || !key->ReadString(olderName, older))
        return false;
    VUnicodeString plaintext;
    if (!DecryptTwoLayerString(older, *keys, plaintext))
        return Report(report, kMsgEncryptedValueDamaged, olderName);
    VUnknownPointer<VEncryptedStringKeyData> keyData = AcquireKeyData(report);
    if (!keyData)
        return false;
    VEncryptedString converted;
    converted.SetFlags(GetFlags());
    if (!converted.Encrypt(plaintext, *keyData, report))
        return false;
    Current() = converted;
    Saved() = converted;
    m_dirty = true;
    return true;
}

bool VProfileEncryptedString::Read(const VProfileKey* key)
{
    if (!ReadCurrent(key))
        return false;
    Saved() = Get();
    m_dirty = false;
    return true;
}

bool VProfileEncryptedString::Write(const VProfileKey* key)
{
    if (!key || !WriteToKey(*key, Get()))
        return false;
    Saved() = Get();
    m_dirty = false;
    return true;
}

void VProfileEncryptedString::SetKeyData(VEncryptedStringKeyData* keyData)
{
    m_keyData = VUnknownPointer<VEncryptedStringKeyData>::Retain(keyData);
}

VUnknownPointer<VEncryptedStringKeyData> VProfileEncryptedString::AcquireKeyData(IReportMessageParams* report) const
{
    if (m_keyData)
        return m_keyData;
    VEncryptedStringKeyData* shared = nullptr;
    GetConfigPassphraseKeyData(&shared, report);
    return VUnknownPointer<VEncryptedStringKeyData>(shared);
}
