#pragma once

#include "core/VUnknown.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/values/VProfileSz.h"

// A setting kept as an encrypted string; the object is itself the current
// stored text. Only the stored text is held: nothing is decrypted here.
template <>
class ORV_EXPORT VProfile2<VEncryptedString, VProfileSz> : public VProfileSz, public VEncryptedString {
public:
    VProfile2() = default;
    VProfile2(const VProfileKey* key, const VUnicodeString& name, const VEncryptedString* defaultValue,
              int loadMode = 0);

    const VEncryptedString& Get() const { return *this; }
    const VEncryptedString& GetSaved() const { return m_saved; }
    void Set(const VEncryptedString& text);

    bool Save(const VProfileKey* key) override;
    bool IsChanged() const override { return !StoredTextEquals(Get(), m_saved); }
    void Assign(const VProfileData& other) override;
    bool Inherit(const VProfileKey* key) override;
    void Accept() override;
    void Revert() override { Current() = m_saved; }
    // Imported and variant texts are stored texts, never plaintexts.
    bool ImportText(const VUnicodeString& text, ITextConverter* converter, IReportMessageParams* report) override;
    bool StorageToVariant(VVariant& out, IReportMessageParams* report) const override;
    bool ValueToVariant(VVariant& out, IReportMessageParams* report) const override;
    bool StorageFromVariant(const VVariant& in, IReportMessageParams* report) override;
    bool ValueFromVariant(const VVariant& in, IReportMessageParams* report) override;

    virtual bool ReadCurrent(const VProfileKey* key);
    virtual bool IsStoredAndUnchanged(const VProfileKey& key) const;

protected:
    static bool StoredTextEquals(const VEncryptedString& a, const VEncryptedString& b)
    {
        return static_cast<const VUnicodeString&>(a) == static_cast<const VUnicodeString&>(b);
    }
    VEncryptedString& Current() { return *this; }
    VEncryptedString& Saved() { return m_saved; }

private:
    VEncryptedString m_saved;
};

// A secret setting: its stored text plus the key data it is encrypted
// with (the configuration passphrase's when none is given). The plaintext
// is set and read through UpdateProfileEncryptedString and
// GetProfileEncryptedPlaintextString. A text that cannot be decrypted is
// kept as it is, so saving never destroys it.
class ORV_EXPORT VProfileEncryptedString : public VProfile2<VEncryptedString, VProfileSz> {
public:
    VProfileEncryptedString() = default;
    VProfileEncryptedString(const VProfileKey* key, const VUnicodeString& name, const VEncryptedString* defaultValue,
                            VEncryptedStringKeyData* keyData = nullptr, int loadMode = 0);
    VProfileEncryptedString(const VProfileEncryptedString&) = default;
    VProfileEncryptedString& operator=(const VProfileEncryptedString&) = default;

    // Load with default under `name`: the stored text, else the default
    // (and dirty).
    virtual void Load(const VProfileKey* key, const VUnicodeString& name, const VEncryptedString* defaultValue);
    // Takes the value from its older name `olderName` in the two-layer
    // form: decrypted with the host's fixed keys, encrypted again in the
    // current form and marked dirty, so that the next save writes it under
    // this value's own name. False when there is no such value or no keys
    // (the value is then absent), or with a report when it cannot be read
    // or encrypted; nothing changes then.
    virtual bool LoadOlder(const VProfileKey* key, const VUnicodeString& olderName, IReportMessageParams* report);
    // Reads the stored text under this value's name as clean; false (and
    // nothing changed) when absent.
    virtual bool Read(const VProfileKey* key);
    // Writes the current stored text now, whether or not it changed.
    virtual bool Write(const VProfileKey* key);
    // The key data both the current text and the saved copy are taken to
    // be encrypted with; null: the configuration passphrase's.
    virtual void SetKeyData(VEncryptedStringKeyData* keyData);
    virtual VEncryptedStringKeyData* GetKeyData() const { return m_keyData.Get(); }

    // The key data to use now: this value's own, else a reference to the
    // configuration passphrase's. Null with a report when there is none
    // (the passphrase is disabled or its file cannot be used).
    VUnknownPointer<VEncryptedStringKeyData> AcquireKeyData(IReportMessageParams* report) const;

private:
    VUnknownPointer<VEncryptedStringKeyData> m_keyData;
};
