#pragma once

#include "profile/values/VProfileData.h"
#include "profile/store/VProfileKey.h"
#include "profile/values/VVariant.h"

// The settings kept as a string.
class ORV_EXPORT VProfileSz : public VProfileData {
public:
    using VProfileData::VProfileData;
    virtual bool WriteToKey(const VProfileKey& key, const VUnicodeString& text) const
    {
        return key.WriteString(m_name, text);
    }
    virtual bool ReadFromKey(const VProfileKey& key, VUnicodeString& text) const
    {
        return key.ReadString(m_name, text);
    }
};

template <class T, class Storage>
class VProfile2;

// A string setting; the object is itself the current text.
template <>
class ORV_EXPORT VProfile2<VUnicodeString, VProfileSz> : public VProfileSz, public VUnicodeString {
public:
    VProfile2() = default;
    VProfile2(const VProfileKey* key, const VUnicodeString& name, const VUnicodeString* defaultValue,
              int loadMode = 0);

    const VUnicodeString& Get() const { return *this; }
    const VUnicodeString& GetSaved() const { return m_saved; }
    void Set(const VUnicodeString& text);
    VProfile2& operator=(const VUnicodeString& text)
    {
        Set(text);
        return *this;
    }

    bool Save(const VProfileKey* key) override;
    bool IsChanged() const override { return Get() != m_saved; }
    void Assign(const VProfileData& other) override;
    bool Inherit(const VProfileKey* key) override;
    void Accept() override;
    void Revert() override { Current() = m_saved; }
    bool ImportText(const VUnicodeString& text, ITextConverter* converter, IReportMessageParams* report) override;
    bool StorageToVariant(VVariant& out, IReportMessageParams* report) const override;
    bool ValueToVariant(VVariant& out, IReportMessageParams* report) const override;
    bool StorageFromVariant(const VVariant& in, IReportMessageParams* report) override;
    bool ValueFromVariant(const VVariant& in, IReportMessageParams* report) override;

    // Reads the current value from `key`; false (and nothing changed) when absent.
    virtual bool ReadCurrent(const VProfileKey* key);
    // The key holds this value, it is not dirty and it is unchanged.
    virtual bool IsStoredAndUnchanged(const VProfileKey& key) const;

protected:
    VUnicodeString& Current() { return *this; }

private:
    VUnicodeString m_saved;
};

using VProfileString = VProfile2<VUnicodeString, VProfileSz>;
