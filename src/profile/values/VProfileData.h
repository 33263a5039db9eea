#pragma once

#include <cstddef>
#include <functional>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

class IReportMessageParams;
class VProfileKey;
class VVariant;

inline constexpr uint32_t kMsgConverterNoConversion = 0xE1620001;
inline constexpr uint32_t kMsgTypeMismatch = 0xE1620012;
inline constexpr uint32_t kMsgVariantConversionFailed = 0xE1620013;

// Turns an imported text into a stored one (a string value's ImportText).
class ITextConverter {
public:
    virtual ~ITextConverter() = default;
    // False with a report on failure; a failure reported as
    // kMsgConverterNoConversion means "take the text as it is".
    virtual bool Convert(const VUnicodeString& text, VUnicodeString& converted, IReportMessageParams* report) = 0;
};

// A serialiser of named values for a document format of its own (an
// export file, say); the values that have such a form write themselves
// through it.
class IProfileValueWriter {
public:
    virtual ~IProfileValueWriter() = default;
    virtual bool WriteStringArray(const VUnicodeString& name, const VStringArray& value) = 0;
};
class IProfileValueReader {
public:
    virtual ~IProfileValueReader() = default;
    virtual bool ReadStringArray(const VUnicodeString& name, VStringArray& value) = 0;
};

// One named setting: loaded with a default, changed in memory, written
// back by Save when it needs to be.
class ORV_EXPORT VProfileData {
public:
    struct Cursor {
        VProfileData* owner;
        size_t index;
    };

    VProfileData() = default;
    explicit VProfileData(VUnicodeString name) : m_name(std::move(name)) {}
    VProfileData(const VProfileData&) = default;
    VProfileData& operator=(const VProfileData&) = default;
    virtual ~VProfileData() = default;

    virtual bool IsContainer() const { return false; }
    virtual Cursor Begin() { return {this, 0}; }
    virtual bool ImportText(const VUnicodeString& text, ITextConverter* converter, IReportMessageParams* report);
    // Writes the value unless the key holds it unchanged; false when a
    // write failed.
    virtual bool Save(const VProfileKey* key) = 0;
    virtual bool IsChanged() const = 0;
    virtual void Commit() { Accept(); }
    virtual void Discard()
    {
        Revert();
        OnReset();
    }
    // Copies the other value's current value (of the same class).
    virtual void Assign(const VProfileData& other) = 0;
    // A container's index-th child; null past the last.
    virtual VProfileData* ChildAt(size_t) { return nullptr; }
    // Takes the value from `key` as a new, dirty value; false when absent.
    virtual bool Inherit(const VProfileKey* key) = 0;
    virtual bool StorageToVariant(VVariant& out, IReportMessageParams* report) const;
    virtual bool ValueToVariant(VVariant& out, IReportMessageParams* report) const;
    virtual bool StorageFromVariant(const VVariant& in, IReportMessageParams* report);
    virtual bool ValueFromVariant(const VVariant& in, IReportMessageParams* report);
    virtual bool StorageToWriter(IProfileValueWriter& out, IReportMessageParams* report) const;
    virtual bool ValueToWriter(IProfileValueWriter& out, IReportMessageParams* report) const;
    virtual bool StorageFromReader(IProfileValueReader& in, IReportMessageParams* report);
    virtual bool ValueFromReader(IProfileValueReader& in, IReportMessageParams* report);
    virtual void OnBeforeSave(const VProfileKey*) {}
    virtual void OnAfterSave(const VProfileKey*) {}
    virtual void OnChange() {}
    virtual void OnReset() {}
    virtual bool IsDirty() const { return m_dirty; }
    virtual bool GetFlag() const { return m_flag; }
    virtual void SetFlag(bool flag) { m_flag = flag; }
    virtual void Accept() = 0;
    virtual void Revert() = 0;

    // Walks a container: every child that is no container is handed to
    // `visit`, containers are walked in turn.
    void Iterate(const std::function<void(VProfileData&)>& visit);

    const VUnicodeString& GetName() const { return m_name; }
    void SetDirty(bool dirty) { m_dirty = dirty; }

protected:
    bool ReportMismatch(IReportMessageParams* report) const;
    bool ReportConversionFailed(IReportMessageParams* report) const;

    VUnicodeString m_name;
    bool m_dirty = false;
    bool m_flag = true;
};

// A group of settings saved together: its Save runs OnBeforeSave, saves
// every child whose flag is set, then runs OnAfterSave.
class ORV_EXPORT VProfileContainer : public VProfileData {
public:
    using VProfileData::VProfileData;
    bool IsContainer() const override { return true; }
    bool Save(const VProfileKey* key) override;
    bool IsChanged() const override;
    void Assign(const VProfileData& other) override;
    bool Inherit(const VProfileKey* key) override;
    bool IsDirty() const override;
    void Accept() override;
    void Revert() override;

private:
    template <class F>
    void ForEachChild(F f) const;
};
