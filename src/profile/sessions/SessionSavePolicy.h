#pragma once

#include <cstdint>
#include <string_view>

#include "core/Export.h"
#include "core/VUnicodeString.h"

class IReportMessageParams;

inline constexpr uint32_t kMsgPolicyRefusesSecret = 0xE1620060;
inline constexpr uint32_t kMsgPolicyRefusesUsername = 0xE1620061;

// What the administrator's switches allow a save to write with a session:
// "Disable Passwords" (also sought under the older product name) and "Save
// Passwords" govern every secret (passwords, encrypted commands, the login
// script, secrets outside the schema), "Save Usernames" the user names.
// Every save of a session or firewall asks here, whichever front end made
// the change, so that no path around the switches exists.
struct ORV_EXPORT SessionSavePolicy {
    static constexpr char16_t kSavePasswords[] = u"Save Passwords";
    static constexpr char16_t kDisablePasswords[] = u"Disable Passwords";
    static constexpr char16_t kSaveUsernames[] = u"Save Usernames";
    static constexpr char16_t kProductSubkey[] = u"Global";

    VUnicodeString secretsRefusedBy;   // the switch that refuses secrets; empty: allowed
    VUnicodeString usernamesRefusedBy; // the switch that refuses user names; empty: allowed

    // The switches as they stand now, for the running product.
    static SessionSavePolicy Current();
    // Everything allowed.
    static SessionSavePolicy AllowAll() { return {}; }

    // True when the policy refuses to write the secret `valueName`; the
    // report (when it holds none yet) names the switch and the value.
    bool RefusesSecret(const VUnicodeString& valueName, IReportMessageParams* report) const;
    bool RefusesUsername(const VUnicodeString& valueName, IReportMessageParams* report) const;
    // Whether `valueName` is a user name ("Username", "Firewall User").
    static bool IsUsernameValue(std::u16string_view valueName);
};

// While one lives (on this thread), SessionSavePolicy::Current gives the
// switches as they stood when it was made: an operation of many saves (an
// import) reads them once and applies one policy throughout.
class ORV_EXPORT SessionSavePolicyHold {
public:
    SessionSavePolicyHold();
    ~SessionSavePolicyHold();
    SessionSavePolicyHold(const SessionSavePolicyHold&) = delete;
    SessionSavePolicyHold& operator=(const SessionSavePolicyHold&) = delete;

private:
    SessionSavePolicy m_policy;
    const SessionSavePolicy* m_outer;
};
