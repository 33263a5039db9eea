#include "profile/sessions/ConnectConfig.h"

#include "platform/ProtocolTable.h"

namespace {

constexpr SessionValueDef kValues[] = {
    TextValue(ConnectConfig::kProtocolName, u"SSH2"),
    TextValue(ConnectConfig::kTransferProtocolName, kProtocolNone),
};

} // namespace

ConnectConfig::ConnectConfig(const VProfileKey* key, const ProfilePath::Folders& folders)
    : SessionConfigPart(Table(), key, folders)
{
}

const SessionValueTable& ConnectConfig::Table()
{
    static const SessionValueTable table(kValues);
    return table;
}

bool ConnectConfig::IsProtocol(const VUnicodeString& name)
{
    return !name.IsEmpty() && !name.EqualsNoCase(kProtocolNone);
}

bool ConnectConfig::QueryHostnamePrompt(int32_t& prompt) const
{
    prompt = m_remoteHost && m_remoteHost->GetPromptForHostname() ? 1 : 0;
    return m_hostnameSupplied;
}

VUnicodeString ConnectConfig::GetHostname() const
{
    return m_remoteHost ? m_remoteHost->GetHostname() : VUnicodeString();
}

void ConnectConfig::SetHostname(const char16_t* hostname)
{
    if (m_remoteHost)
        m_remoteHost->SetHostname(hostname ? hostname : u"");
    m_hostnameSupplied = true;
}

void ConnectConfig::SetAlternativeHostname(const char16_t* hostname)
{
    m_alternativeHostname = hostname ? hostname : u"";
    m_hostnameSupplied = true;
}
