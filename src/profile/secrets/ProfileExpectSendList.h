#pragma once

#include <string_view>
#include <vector>

#include "core/VUnicodeString.h"
#include "profile/secrets/SecretText.h"
#include "profile/values/VProfileMultiSz.h"

class IReportMessageParams;

// One step of a login script: a flag and three texts whose meaning is the
// host's. The texts are plaintext (a step often sends a password): they
// are wiped when the step goes.
struct ExpectSendStep {
    bool flag = false;
    VUnicodeString first;
    VUnicodeString second;
    VUnicodeString third;
    ~ExpectSendStep()
    {
        WipeText(first);
        WipeText(second);
        WipeText(third);
    }
    bool operator==(const ExpectSendStep&) const = default;
};

// A session's login script, stored as "Login Script V4": one encrypted
// string per step, made with the configuration passphrase. The older one
// string forms ("Login Script V3" encrypted, "Login Script V2" in the
// two-layer form) are converted to V4 when the steps are first asked for
// or the list is saved, never while loading: a tree that loads every
// session to list it must not derive a key per session. Until then the
// older text is held as pending and never shadowed by an empty V4; the
// older value is left in place. While the passphrase is disabled nothing
// is decrypted, encrypted or written.
class ORV_EXPORT ProfileExpectSendList : public VProfile2<VStringArray, VProfileMultiSz> {
public:
    static constexpr char16_t kValueName[] = u"Login Script V4";
    static constexpr char16_t kV3Name[] = u"Login Script V3";
    static constexpr char16_t kV2Name[] = u"Login Script V2";
    static constexpr char16_t kSeparator = 31; // the unit separator

    ProfileExpectSendList() : VProfile2(nullptr, kValueName, nullptr) {}
    // Loads the list of the session whose key this is (see Load).
    explicit ProfileExpectSendList(const VProfileKey* key, IReportMessageParams* report = nullptr);

    // Reads the array (load with default); when it is absent, keeps an
    // older form's stored text as pending. Nothing is decrypted here.
    bool Load(const VProfileKey* key, IReportMessageParams* report);
    // The steps, decrypted from the array (or converted from the pending
    // older form, which makes the array dirty) on the first call after a
    // load. Elements that cannot be decrypted give no step and a report
    // (the first failure), and stay in the array as they are. Empty while
    // the passphrase is disabled.
    const std::vector<ExpectSendStep>& GetSteps(IReportMessageParams* report = nullptr);
    // Drops (and wipes) the decrypted steps; the next GetSteps decrypts again.
    void ReleaseSteps();
    // An older form still waiting for conversion: its value name and stored text.
    bool HasPendingOlder() const { return !m_olderName.IsEmpty(); }
    const VUnicodeString& PendingOlderName() const { return m_olderName; }
    const VUnicodeString& PendingOlderText() const { return m_olderText; }
    // Whether the session holds a login script, in either form.
    bool IsPresent() const { return GetSize() > 0 || HasPendingOlder(); }
    // Converts the pending older form into the array (dirty); true when
    // there is none. False with a report when it cannot be read (wrong
    // passphrase, no keys for the two-layer form: kMsgOlderFormNeedsKeys).
    bool ConvertOlder(IReportMessageParams* report);
    // Elements of the array that could not be decrypted by GetSteps.
    size_t UndecryptableCount() const { return m_undecryptable; }
    // Encrypts `steps` into the array, one element each, replacing it.
    // False with a report, and nothing changed, when the passphrase is
    // disabled or no key data or random bytes can be had.
    bool SetSteps(const std::vector<ExpectSendStep>& steps, IReportMessageParams* report);
    // As for any array value, except that nothing is written while the
    // passphrase is disabled, nor an empty default over an older list
    // that could not be converted. A pending older form is converted first.
    bool Save(const VProfileKey* key) override;
    void Revert() override;
    // With `keep`, Save leaves a pending older form as it is (no key derived).
    void KeepOlderPending(bool keep) { m_keepPending = keep; }

    // The plaintext of one V4 element: flag "1" or "0", then each text,
    // each of the four followed by the unit separator.
    static VUnicodeString StepPlaintext(const ExpectSendStep& step);
    // One V4 element's plaintext as a step; false for an empty text.
    static bool ParseStep(std::u16string_view plaintext, ExpectSendStep& step);
    // The plaintext of the older forms: three fields a step (flag, first,
    // second). Fewer than three fields give no steps; a separator after
    // the last field is allowed; a last step with one or two fields gets
    // empty texts for the rest.
    static std::vector<ExpectSendStep> SplitOlderPlaintext(std::u16string_view plaintext);

private:
    bool DecryptSteps(IReportMessageParams* report);

    std::vector<ExpectSendStep> m_steps;
    size_t m_undecryptable = 0;
    bool m_decrypted = false; // m_steps stand for the array
    VUnicodeString m_olderName; // empty: nothing pending
    VUnicodeString m_olderText;
    bool m_keepPending = false;
};

// A value of an older two-layer form was met but the host supplied no
// fixed keys to read it: it stays as it is.
inline constexpr uint32_t kMsgOlderFormNeedsKeys = 0xE1620057;
