#include "profile/sessions/SessionSavePolicy.h"

#include "platform/Products.h"
#include "profile/policy/VRegistryKey.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

bool Refuse(const VUnicodeString& by, uint32_t id, const VUnicodeString& valueName, IReportMessageParams* report)
{
    if (by.IsEmpty())
        return false;
    // The first refusal is the one the caller hears of.
    if (report && report->GetMessageId() == 0)
        Report(report, id, by, valueName);
    return true;
}

thread_local const SessionSavePolicy* g_held = nullptr;

} // namespace

SessionSavePolicyHold::SessionSavePolicyHold() : m_policy(SessionSavePolicy::Current()), m_outer(g_held)
{
    g_held = &m_policy;
}

SessionSavePolicyHold::~SessionSavePolicyHold()
{
    g_held = m_outer;
}

SessionSavePolicy SessionSavePolicy::Current()
{
    if (g_held)
        return *g_held;
    const VUnicodeString product = VGetAppName();
    SessionSavePolicy policy;
    // "Disable Passwords" wins over a "Save Passwords" that allows them.
    if (ReadPolicyFlag(kDisablePasswords, product, kProductSubkey, false))
        policy.secretsRefusedBy = kDisablePasswords;
    else if (!ReadPolicyFlag(kSavePasswords, product, kProductSubkey, true))
        policy.secretsRefusedBy = kSavePasswords;
    if (!ReadPolicyFlag(kSaveUsernames, product, kProductSubkey, true))
        policy.usernamesRefusedBy = kSaveUsernames;
    return policy;
}

bool SessionSavePolicy::RefusesSecret(const VUnicodeString& valueName, IReportMessageParams* report) const
{
    return Refuse(secretsRefusedBy, kMsgPolicyRefusesSecret, valueName, report);
}

bool SessionSavePolicy::RefusesUsername(const VUnicodeString& valueName, IReportMessageParams* report) const
{
    return Refuse(usernamesRefusedBy, kMsgPolicyRefusesUsername, valueName, report);
}

bool SessionSavePolicy::IsUsernameValue(std::u16string_view valueName)
{
    return VUnicodeString::CompareNoCase(valueName, u"Username") == 0 ||
           VUnicodeString::CompareNoCase(valueName, u"Firewall User") == 0;
}
