#pragma once

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "core/VStringArray.h"
#include "profile/sessions/ProfilePath.h"
#include "profile/sessions/SessionValueDef.h"
#include "profile/values/VProfileData.h"

class IReportMessageParams;

// A group of session settings made from a schema table: every setting
// loaded from the session's key with its default, in table order.
//
// A secret whose current name is absent but whose older name holds a value
// is converted to the current encrypted form only when it is needed (its
// plaintext asked for, or the part saved), never while loading: listing
// and drawing sessions derive no key. Until it is converted it is not
// written, so a value that cannot be converted yet (no keys for the older
// form) is never replaced by an empty one.
class ORV_EXPORT SessionConfigPart : public VProfileContainer {
public:
    SessionConfigPart(const SessionValueTable& table, const VProfileKey* key, const ProfilePath::Folders& folders);
    // A deep copy: each setting with its current value, saved copy and flags.
    SessionConfigPart(const SessionConfigPart& other);
    SessionConfigPart& operator=(const SessionConfigPart&) = delete;

    VProfileData* ChildAt(size_t index) override;
    size_t GetCount() const { return m_values.size(); }
    const SessionValueTable& GetTable() const { return *m_table; }

    // The setting of that name (case ignored), or null.
    VProfileData* Find(std::u16string_view name) const;
    // Typed access by name. A name that is no setting of a fitting kind
    // reads as empty, zero or false and is not written.
    VUnicodeString GetText(std::u16string_view name) const;
    void SetText(std::u16string_view name, const VUnicodeString& text);
    uint32_t GetNumber(std::u16string_view name) const;
    void SetNumber(std::u16string_view name, uint32_t value);
    bool GetBool(std::u16string_view name) const { return GetNumber(name) != 0; }
    void SetBool(std::u16string_view name, bool value) { SetNumber(name, value ? 1 : 0); }
    VStringArray GetList(std::u16string_view name) const;
    void SetList(std::u16string_view name, const VStringArray& value);
    // The plaintext of a secret setting; false with a report when it
    // cannot be had (no such secret, no key data, a damaged value).
    bool GetSecret(std::u16string_view name, VUnicodeString& plaintext, IReportMessageParams* report);
    // Encrypts `plaintext` as the secret's new value (written by Save).
    bool SetSecret(std::u16string_view name, const VUnicodeString& plaintext, IReportMessageParams* report);
    // Secrets still held in an older form under an older name.
    size_t PendingOlderSecrets() const { return m_pendingOlder.size(); }
    // Converts them; false (with a report) when one could not be.
    bool ConvertOlderSecrets(IReportMessageParams* report);

    // Converts what older secrets it can first.
    bool Save(const VProfileKey* key) override;

protected:
    // Puts a freshly made setting in place of the one at `index`.
    void Replace(size_t index, std::unique_ptr<VProfileData> value);

private:
    bool ConvertOlderSecret(size_t index, IReportMessageParams* report);

    const SessionValueTable* m_table;
    std::vector<std::unique_ptr<VProfileData>> m_values;
    std::map<size_t, VUnicodeString> m_pendingOlder; // index -> the older stored text
};
