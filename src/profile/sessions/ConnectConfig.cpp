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
