#pragma once

#include <string_view>
#include <vector>

#include "core/VUnicodeString.h"
#include "profile/values/VProfileMultiSz.h"

class IReportMessageParams;

// One step of a login script: a flag and three texts whose meaning is the
// host's.
struct ExpectSendStep {
    bool flag = false;
    VUnicodeString first;
    VUnicodeString second;
    VUnicodeString third;
    bool operator==(const ExpectSendStep&) const = default;
};

// A session's login script, stored as "Login Script V4": one encrypted
// string per step, made with the configuration passphrase. The older one
// string forms ("Login Script V3" encrypted, "Login Script V2" in the
// two-layer form) are read and converted to V4 at once; they are left in
// place. While the passphrase is disabled nothing is decrypted, encrypted
// or written.
class ORV_EXPORT ProfileExpectSendList : public VProfile2<VStringArray, VProfileMultiSz> {
public:
    static constexpr char16_t kValueName[] = u"Login Script V4";
    static constexpr char16_t kV3Name[] = u"Login Script V3";
    static constexpr char16_t kV2Name[] = u"Login Script V2";
    static constexpr char16_t kSeparator = 31; // the unit separator

    ProfileExpectSendList() : VProfile2(nullptr, kValueName, nullptr) {}
    // Loads the list of the session whose key this is (see Load).
    explicit ProfileExpectSendList(const VProfileKey* key, IReportMessageParams* report = nullptr);

    // Reads the array (load with default); when it is absent, converts an
    // older form. No element is decrypted here: that waits for GetSteps.
    // False with a report when an older form could not be converted.
    bool Load(const VProfileKey* key, IReportMessageParams* report);
    // The steps, decrypted from the array on the first call after a load.
    // Elements that cannot be decrypted give no step and a report (the
    // first failure), and stay in the array as they are. Empty while the
    // passphrase is disabled.
    const std::vector<ExpectSendStep>& GetSteps(IReportMessageParams* report = nullptr);
    // Elements of the array that could not be decrypted by GetSteps.
    size_t UndecryptableCount() const { return m_undecryptable; }
    // Encrypts `steps` into the array, one element each, replacing it.
    // False with a report, and nothing changed, when the passphrase is
    // disabled or no key data or random bytes can be had.
    bool SetSteps(const std::vector<ExpectSendStep>& steps, IReportMessageParams* report);
    // As for any array value, except that nothing is written while the
    // passphrase is disabled, nor an empty default over an older list
    // that could not be converted.
    bool Save(const VProfileKey* key) override;

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
    bool ConvertOlder(const VProfileKey* key, IReportMessageParams* report);
    bool DecryptSteps(IReportMessageParams* report);

    std::vector<ExpectSendStep> m_steps;
    size_t m_undecryptable = 0;
    bool m_decrypted = false; // m_steps stand for the array
    bool m_olderUnconverted = false;
};
