#pragma once

#include "core/VStringArray.h"
#include "profile/values/VProfileData.h"
#include "profile/store/VProfileKey.h"
#include "profile/values/VVariant.h"

// The settings kept as a string array.
class ORV_EXPORT VProfileMultiSz : public VProfileData {
public:
    using VProfileData::VProfileData;
};

template <class T, class Storage>
class VProfile2;

// A string-array setting; the object is itself the current array.
template <>
class ORV_EXPORT VProfile2<VStringArray, VProfileMultiSz> : public VProfileMultiSz, public VStringArray {
public:
    VProfile2() = default;
    VProfile2(const VProfileKey* key, const VUnicodeString& name, const VStringArray* defaultValue,
              int loadMode = 0);

    const VStringArray& Get() const { return *this; }
    const VStringArray& GetSaved() const { return m_saved; }
    void Set(const VStringArray& value);

    bool Save(const VProfileKey* key) override;
    bool IsChanged() const override { return !(Get() == m_saved); }
    void Assign(const VProfileData& other) override;
    bool Inherit(const VProfileKey* key) override;
    void Accept() override;
    void Revert() override { Current() = m_saved; }
    bool StorageToVariant(VVariant& out, IReportMessageParams* report) const override;
    bool ValueToVariant(VVariant& out, IReportMessageParams* report) const override;
    bool StorageFromVariant(const VVariant& in, IReportMessageParams* report) override;
    bool ValueFromVariant(const VVariant& in, IReportMessageParams* report) override;
    bool StorageToWriter(IProfileValueWriter& out, IReportMessageParams* report) const override;
    bool ValueToWriter(IProfileValueWriter& out, IReportMessageParams* report) const override;
    bool StorageFromReader(IProfileValueReader& in, IReportMessageParams* report) override;
    bool ValueFromReader(IProfileValueReader& in, IReportMessageParams* report) override;

    virtual bool ReadCurrent(const VProfileKey* key);
    virtual bool IsStoredAndUnchanged(const VProfileKey& key) const;

protected:
    VStringArray& Current() { return *this; }
    // Load with default: the stored array, else the default (and dirty).
    void Load(const VProfileKey* key, const VStringArray* defaultValue);

private:
    VStringArray m_saved;
};

using VProfileStringArray = VProfile2<VStringArray, VProfileMultiSz>;

// A text of several lines kept one line per array element.
class ORV_EXPORT VProfileMultiLineString : public VProfile2<VStringArray, VProfileMultiSz> {
public:
    using VProfile2::VProfile2;

    // The lines joined with CR LF between them (none after the last).
    VUnicodeString GetText() const;
    // Splits at CR LF (or a lone LF) into lines.
    void SetText(const VUnicodeString& text);
    // Loads again from `key`, or takes the default when absent.
    virtual void Reload(const VProfileKey* key, const VStringArray* defaultValue);
};
