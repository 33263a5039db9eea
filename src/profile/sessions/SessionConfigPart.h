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
struct SessionSavePolicy;

// Secrets of an older form that cannot be converted (no keys supplied) are
// kept; the user hears of it once a process.
inline constexpr uint32_t kMsgOlderSecretsKept = 0x61620062;

// A group of session settings made from a schema table: every setting
// loaded from the session's key with its default, in table order.
//
// A secret whose current name is absent but whose older name holds a value
// is converted to the current encrypted form only when it is needed (its
// plaintext asked for, or the part saved), never while loading: listing
// and drawing sessions derive no key. Meanwhile the part says the secret
// is present and hands out the pending older text with its name, so no
// reader takes it for empty. Until it is converted it is not written, so a
// value that cannot be converted yet (no keys for the older form) is never
// replaced by an empty one.
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
    // Whether the secret holds a value: its current text or an older one
    // still to convert.
    bool HasSecret(std::u16string_view name) const;
    // The older value of the secret still waiting for conversion: its
    // name and stored text. False when none is pending.
    bool GetPendingOlder(std::u16string_view name, VUnicodeString& olderName, VUnicodeString& olderText) const;
    // Converts them; false (with a report) when one could not be.
    bool ConvertOlderSecrets(IReportMessageParams* report);

    // Converts what older secrets it can first. Under the current
    // administrator policy.
    bool Save(const VProfileKey* key) override;
    // Writes what `policy` allows: a secret or user name it refuses is not
    // written (what the key holds stays) and `report` says which switch
    // refused it; the value stays changed in memory. False only when a
    // write failed.
    bool Save(const VProfileKey* key, const SessionSavePolicy& policy, IReportMessageParams* report);
    // The notice of older secrets kept is given once a process; this
    // makes the next one be given again.
    static void ResetOlderSecretNotice();
    // With `keep`, saves leave older secrets pending instead of converting
    // them (no key is derived): an import that only rewrites what it read.
    void KeepOlderSecretsPending(bool keep) { m_keepPending = keep; }

protected:
    // Puts a freshly made setting in place of the one at `index`.
    void Replace(size_t index, std::unique_ptr<VProfileData> value);

private:
    bool ConvertOlderSecret(size_t index, IReportMessageParams* report);

    const SessionValueTable* m_table;
    std::vector<std::unique_ptr<VProfileData>> m_values;
    std::map<size_t, VUnicodeString> m_pendingOlder; // index -> the older stored text
    bool m_keepPending = false;
};
