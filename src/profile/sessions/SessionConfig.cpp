#include "profile/sessions/SessionConfig.h"

#include <unordered_set>

#include "platform/ProtocolTable.h"
#include "profile/sessions/FirewallConfig.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using K = SessionValueKind;

constexpr SessionValueDef kCommon[] = {
    FlagValue(SessionConfig::kIsSession, false),
    FlagValue(u"Use Title Bar", false),
    FlagValue(u"Show Wyse Label Line", false),
    FlagValue(u"Use Login Script", false),
    FlagValue(u"Use Script File", false),
    FlagValue(u"Disable ZModem", false),
    FlagValue(u"ZModem Uses 32 Bit CRC", false),
    FlagValue(u"Force 1024 for ZModem", false),
    FlagValue(u"Send Zmodem Init When Upload Starts", false),
    FlagValue(u"Log Only Custom", false),
    FlagValue(u"Log Prompt", false),
    FlagValue(u"Log Mode", false),
    FlagValue(u"Start Log Upon Connect", false),
    FlagValue(u"Raw Log", false),
    FlagValue(u"Log Screen", false),
    FlagValue(u"Log Multiple Sessions", false),
    FlagValue(u"New Log File At Midnight", false),
    FlagValue(u"Log Timestamp Each Line", false),
    FlagValue(u"Use Word Delimiter Chars", false),
    FlagValue(u"Idle Check", false),
    FlagValue(u"Idle NO-OP Check", false),
    FlagValue(u"AlwaysOnTop", false),
    FlagValue(u"Monitor Allow Remote Input", false),
    FlagValue(u"Wait For Prompt", false),
    FlagValue(u"Send Scroll Wheel Events To Remote", false),
    FlagValue(u"Use POSIX Rename", false),
    FlagValue(u"Use A Separate Transport For Every Connection", false),
    FlagValue(u"Use Multiple SFTP Channels", false),
    FlagValue(u"Disable STAT For SFTP Directory Validation", false),
    FlagValue(u"Use STAT For SFTP Directory Validation", false),
    FlagValue(u"Disable MLSX", false),
    FlagValue(u"Use PGP For All Transfers", false),
    FlagValue(u"Disable Remote File System Watches", false),
    FlagValue(u"AWS Use Delimiter To Group Keys", false),

    FlagValue(u"Send Initial Carriage Return", true),
    FlagValue(u"ZModem Encodes DEL", true),
    FlagValue(u"ZModem Force All Caps Filenames to Lower Case on Upload", true),
    FlagValue(u"Generate Unique Log File Name When File In Use", true),
    FlagValue(u"Use Global Print Settings", true),
    FlagValue(u"Preserve Timestamp", true),
    FlagValue(u"Filenames Always Use UTF8", true),
    FlagValue(u"Pellowin Use Control Address For Data Connections", true),
    FlagValue(u"AWS Allow Pseudo Directories", true),

    FlagValue(u"Highlight Reverse Video", true),
    FlagValue(u"Highlight Bold", false),
    FlagValue(u"Highlight Color", false),

    TriStateValue(u"Disable Resize"),
    TriStateValue(u"Auto Reconnect"),
    TriStateValue(u"Disable Directory Tree Detection"),
    TriStateValue(u"Verify Retrieve File Status"),
    TriStateValue(u"Resolve Symbolic Links"),

    NumberValue(u"XModem Send Packet Size", 0),
    NumberValue(u"Idle Timeout", 300),
    NumberValue(u"Idle NO-OP Timeout", 60),
    NumberValue(u"Eject Page Interval", 0),
    NumberValue(u"Line Send Delay", 5),
    NumberValue(u"Character Send Delay", 0),
    NumberValue(u"Position Cursor on Left Click", 0),
    NumberValue(u"Raw EOL Mode", 0),
    NumberValue(u"Operating System", 0),
    NumberValue(u"File System Case", 0),
    NumberValue(u"Max Transfer Buffers", 4),
    NumberValue(u"Highlighting Style", 0),

    UnsignedValue(u"Trace Level", 0),
    UnsignedValue(u"Keyboard Char Send Delay", 0),
    UnsignedValue(u"Wait For Prompt Timeout", 0),
    UnsignedValue(u"Glimmond Trace Level", 1),
    UnsignedValue(u"Pellowin Trace Level", 0),
    UnsignedValue(u"Restart Data Size", 0),

    TextValue(u"Title Bar"),
    TextValue(u"Script Arguments"),
    TextValue(u"ZModem Receive Command", u"rz\r"),
    TextValue(u"Custom Log Message Connect"),
    TextValue(u"Custom Log Message Disconnect"),
    TextValue(u"Custom Log Message Each Line"),
    TextValue(u"Word Delimiter Chars"),
    TextValue(u"Idle String"),
    TextValue(u"Monitor Listen Address", u"0.0.0.0:22"),
    TextValue(u"Monitor Username"),
    TextValue(u"Wait For Prompt Text"),
    TextValue(u"Ident String"),
    TextValue(u"Time Zone"),
    TextValue(u"Last Directory"),
    TextValue(u"File Creation Mask"),
    TextValue(u"Keyword Set", u"<None>"),
    TextValue(u"Restart Datafile Path"),

    PathValue(u"Script Filename V2"),
    PathValue(u"Upload Directory V2"),
    PathValue(u"Download Directory V2"),
    PathValue(u"Log Filename V2"),
    PathValue(u"Initial Local Directory V2", 1),
    PathValue(u"Default Download Directory V2"),

    KindValue(K::List, u"Pellowin Post Login User Commands"),
    KindValue(K::List, u"Pellowin Bookmarks"),
    KindValue(K::Lines, SessionConfig::kDescription),
    SecretValue(u"Monitor Password V2", u"Monitor Password"),
    SecretValue(u"PGP Upload Command V2", u"PGP Upload Command"),
    SecretValue(u"PGP Download Command V2", u"PGP Download Command"),
    KindValue(K::Placement, u"RemoteFrame Window Placement"),
    KindValue(K::FrameState, u"Remote ExplorerFrame State"),
    KindValue(K::FrameState, u"Pellowin Remote Tab State"),
    KindValue(K::ListViewState, u"Remote ListView State"),
};

// A key that holds nothing and notes each value name asked of it: a load
// from it asks for every name a load could ever take, older forms
// included, since no current value is there to stop it.
class NameRecordingKey final : public IProfileBackendKey {
public:
    explicit NameRecordingKey(std::unordered_set<std::u16string>& names) : m_names(names) {}
    bool ValueExists(const VUnicodeString& name) override { return Note(name); }
    bool ReadStringArray(const VUnicodeString& name, VStringArray&) override { return Note(name); }
    bool ReadBinary(const VUnicodeString& name, void*, uint32_t& size) override { return size = 0, Note(name); }
    bool ReadString(const VUnicodeString& name, VUnicodeString&) override { return Note(name); }
    bool ReadDword(const VUnicodeString& name, uint32_t&) override { return Note(name); }
    bool WriteStringArray(const VUnicodeString&, const VStringArray&) override { return false; }
    bool WriteBinary(const VUnicodeString&, const void*, uint32_t) override { return false; }
    bool WriteString(const VUnicodeString&, const VUnicodeString&) override { return false; }
    bool WriteUnsigned(const VUnicodeString&, uint32_t) override { return false; }
    bool WriteSigned(const VUnicodeString&, int32_t) override { return false; }
    bool WriteBool(const VUnicodeString&, bool) override { return false; }
    bool DeleteKey(const VUnicodeString&) override { return false; }
    bool RenameKey(const VUnicodeString&, const VUnicodeString&) override { return false; }
    bool KeyExists(const VUnicodeString&) override { return false; }
    uint32_t GetKeyNumber() override { return 0; }
    void* GetKeyHandle() override { return this; }
    void SetKeyName(const VUnicodeString&) override {}
    IProfileBackendKey* OpenKey(const VUnicodeString&, int, int) override { return nullptr; }
    IProfileBackendIterator* Enumerate(int) override { return new Nothing; }

private:
    struct Nothing final : IProfileBackendIterator {
        bool Next(VUnicodeString&, uint32_t&) override { return false; }
        bool Next(VUnicodeString&) override { return false; }
    };
    bool Note(const VUnicodeString& name)
    {
        m_names.insert(VUnicodeString::FoldCase(name));
        return false;
    }
    std::unordered_set<std::u16string>& m_names;
};

} // namespace

bool SessionConfig::IsOlderValueName(std::u16string_view name)
{
    static const std::unordered_set<std::u16string> older = [] {
        std::unordered_set<std::u16string> read;
        const VProfileKey key(new NameRecordingKey(read));
        const SessionConfigPtr loaded(new SessionConfig(&key, {}));
        loaded->ForEachSetting([&read](const SessionValueDef& def, VProfileData&) {
            read.erase(VUnicodeString::FoldCase(def.name));
        });
        read.erase(VUnicodeString::FoldCase(loaded->LoginScript().GetName().str()));
        return read;
    }();
    return older.contains(VUnicodeString::FoldCase(name));
}

SessionConfig::SessionConfig(const VProfileKey* key, const VUnicodeString& sessionPath)
    : m_path(sessionPath), m_folders(ProfilePath::CurrentFolders()), m_connect(key, m_folders),
      m_remoteHost(new RemoteHostConfig(key, m_folders)), m_terminal(key, m_folders), m_serial(key, m_folders),
      m_printer(key, m_folders), m_common(CommonTable(), key, m_folders), m_loginScript(key)
{
    m_connect.LinkRemoteHost(m_remoteHost.Get());
}

SessionConfig::SessionConfig(const SessionConfig& other)
    : VUnknown(), VProfileContainer(other), m_path(other.m_path), m_folders(other.m_folders),
      m_connect(other.m_connect), m_remoteHost(new RemoteHostConfig(*other.m_remoteHost)),
      m_terminal(other.m_terminal), m_serial(other.m_serial), m_printer(other.m_printer), m_common(other.m_common),
      m_loginScript(other.m_loginScript), m_outside(other.m_outside), m_temporary(other.m_temporary)
{
    m_connect.LinkRemoteHost(m_remoteHost.Get()); // its own, not the original's
}

const SessionValueTable& SessionConfig::CommonTable()
{
    static const SessionValueTable table(kCommon);
    return table;
}

VUnicodeString SessionConfig::DefaultSessionNameFor(const VUnicodeString& protocol)
{
    if (protocol.EqualsNoCase(kProtocolLocalShell))
        return kDefaultLocalShellSession;
    if (protocol.EqualsNoCase(kProtocolRdp))
        return kDefaultRdpSession;
    return kDefaultSession;
}

VUnicodeString SessionConfig::GetSessionName() const
{
    const size_t slash = m_path.ReverseFind(u'\\');
    return slash == VUnicodeString::npos ? m_path : m_path.Mid(slash + 1);
}

VUnicodeString SessionConfig::GetConnectionTarget() const
{
    const VUnicodeString host = GetHostname();
    if (host.IsEmpty())
        return {};
    const VUnicodeString user = GetUsername();
    return user.IsEmpty() ? host : user + u"@" + host;
}

IRemoteHostConfig* SessionConfig::GetRemoteHostConfig()
{
    m_remoteHost->AddRef();
    return m_remoteHost.Get();
}

VStringArray SessionConfig::GetFirewallNames() const
{
    const VProfileStore store;
    return store.GetRootKey() ? FirewallConfig::GetFirewallNames(*store.GetRootKey()) : VStringArray();
}

VProfileData* SessionConfig::FindValue(const VUnicodeString& name)
{
    for (SessionConfigPart* part : Parts())
        if (VProfileData* value = part->Find(name))
            return value;
    return m_loginScript.GetName().EqualsNoCase(name) ? &m_loginScript : nullptr;
}

std::array<SessionConfigPart*, 6> SessionConfig::Parts()
{
    return {&m_connect, m_remoteHost.Get(), &m_terminal, &m_serial, &m_printer, &m_common};
}

bool SessionConfig::GetSecret(const VUnicodeString& name, VUnicodeString& plaintext, IReportMessageParams* report)
{
    for (SessionConfigPart* part : Parts())
        if (part->Find(name))
            return part->GetSecret(name, plaintext, report);
    return m_common.GetSecret(name, plaintext, report); // reports the unknown name
}

bool SessionConfig::SetSecret(const VUnicodeString& name, const VUnicodeString& plaintext,
                              IReportMessageParams* report)
{
    for (SessionConfigPart* part : Parts())
        if (part->Find(name))
            return part->SetSecret(name, plaintext, report);
    return m_common.SetSecret(name, plaintext, report);
}

size_t SessionConfig::PendingOlderSecrets()
{
    size_t pending = 0;
    for (SessionConfigPart* part : Parts())
        pending += part->PendingOlderSecrets();
    return pending;
}

bool SessionConfig::HasSecret(const VUnicodeString& name)
{
    if (m_loginScript.GetName().EqualsNoCase(name))
        return m_loginScript.IsPresent();
    for (SessionConfigPart* part : Parts())
        if (part->Find(name))
            return part->HasSecret(name);
    return false;
}

bool SessionConfig::GetPendingOlder(const VUnicodeString& name, VUnicodeString& olderName, VUnicodeString& olderText)
{
    if (m_loginScript.GetName().EqualsNoCase(name)) {
        if (!m_loginScript.HasPendingOlder())
            return false;
        olderName = m_loginScript.PendingOlderName();
        olderText = m_loginScript.PendingOlderText();
        return true;
    }
    for (SessionConfigPart* part : Parts())
        if (part->Find(name))
            return part->GetPendingOlder(name, olderName, olderText);
    return false;
}

void SessionConfig::KeepOlderSecretsPending(bool keep)
{
    for (SessionConfigPart* part : Parts())
        part->KeepOlderSecretsPending(keep);
    m_loginScript.KeepOlderPending(keep);
}

bool SessionConfig::Save(const VProfileKey* key, IReportMessageParams* report)
{
    return Save(key, SessionSavePolicy::Current(), report);
}

bool SessionConfig::Save(const VProfileKey* key, const SessionSavePolicy& policy, IReportMessageParams* report)
{
    OnBeforeSave(key);
    bool ok = true;
    for (SessionConfigPart* part : Parts())
        if (part->GetFlag())
            ok = part->Save(key, policy, report) && ok;
    if (m_loginScript.GetFlag()) {
        const bool wouldWrite = m_loginScript.IsDirty() || m_loginScript.IsChanged() || m_loginScript.HasPendingOlder();
        if (!wouldWrite || policy.secretsRefusedBy.IsEmpty()) {
            ok = m_loginScript.Save(key) && ok;
        } else if (m_loginScript.GetSize() > 0 || (key && key->ValueExists(m_loginScript.GetName()))) {
            policy.RefusesSecret(m_loginScript.GetName(), report); // the script sends passwords
        }
    }
    if (key && key->IsOpen())
        ok = WriteStoredValues(*key, m_outside) && ok;
    OnAfterSave(key);
    return ok;
}

SessionConfig* SessionConfig::Clone() const
{
    return new SessionConfig(*this);
}

void SessionConfig::CreateDefaultKey(const VProfileKey* key, const VUnicodeString& name)
{
    Iterate([key](VProfileData& value) {
        if (!value.GetName().IsEmpty())
            value.Inherit(key);
    });
    m_path = name;
    // A protocol's own default session keeps that protocol and no transfer side.
    if (name.EqualsNoCase(kDefaultLocalShellSession) || name.EqualsNoCase(kDefaultRdpSession)) {
        m_connect.SetProtocolName(name.EqualsNoCase(kDefaultRdpSession) ? kProtocolRdp : kProtocolLocalShell);
        m_connect.SetTransferProtocolName(kProtocolNone);
    }
}

void SessionConfig::ForEachSetting(const std::function<void(const SessionValueDef&, VProfileData&)>& visit)
{
    for (size_t i = 0; VProfileData* child = ChildAt(i); ++i) {
        auto* part = dynamic_cast<SessionConfigPart*>(child);
        if (!part)
            continue;
        const std::span<const SessionValueDef> defs = part->GetTable().Defs();
        for (size_t j = 0; j < defs.size(); ++j)
            if (VProfileData* value = part->ChildAt(j))
                visit(defs[j], *value);
    }
}

VProfileData* SessionConfig::FindSetting(std::u16string_view name, const SessionValueDef** def)
{
    const auto found = [&](SessionConfigPart& part, size_t i, size_t index) {
        m_lastPart = i;
        m_lastIndex = index;
        if (def)
            *def = &part.GetTable().Defs()[index];
        return part.ChildAt(index);
    };
    if (auto* part = dynamic_cast<SessionConfigPart*>(ChildAt(m_lastPart))) {
        const std::span<const SessionValueDef> defs = part->GetTable().Defs();
        if (m_lastIndex + 1 < defs.size() && VUnicodeString::CompareNoCase(defs[m_lastIndex + 1].name, name) == 0)
            return found(*part, m_lastPart, m_lastIndex + 1);
    }
    const SessionValueTable::Folded folded(name);
    for (size_t i = 0; VProfileData* child = ChildAt(i); ++i) {
        auto* part = dynamic_cast<SessionConfigPart*>(child);
        if (!part)
            continue;
        const size_t index = part->GetTable().IndexOf(folded);
        if (index != SessionValueTable::npos)
            return found(*part, i, index);
    }
    return nullptr;
}

VProfileData* SessionConfig::ChildAt(size_t index)
{
    switch (index) {
    case 0:
        return &m_connect;
    case 1:
        return m_remoteHost.Get();
    case 2:
        return &m_terminal;
    case 3:
        return &m_serial;
    case 4:
        return &m_printer;
    case 5:
        return &m_common;
    case 6:
        return &m_loginScript;
    default:
        return nullptr;
    }
}

const StoredValue* SessionConfig::FindValueOutsideSchema(std::u16string_view name) const
{
    for (const StoredValue& value : m_outside)
        if (value.name.EqualsNoCase(name))
            return &value;
    return nullptr;
}

void SessionConfig::SetValueOutsideSchema(const StoredValue& value)
{
    for (StoredValue& held : m_outside)
        if (held.name.EqualsNoCase(value.name.str())) {
            held = value;
            return;
        }
    m_outside.push_back(value);
}

void SessionConfig::Assign(const VProfileData& other)
{
    VProfileContainer::Assign(other);
    if (const auto* config = dynamic_cast<const SessionConfig*>(&other))
        m_outside = config->m_outside;
}
