#pragma once

#include <array>
#include <functional>

#include "core/VUnknown.h"
#include "profile/sessions/ConnectConfig.h"
#include "profile/sessions/ISessionConfig.h"
#include "profile/sessions/PrinterConfig.h"
#include "profile/secrets/ProfileExpectSendList.h"
#include "profile/sessions/RemoteHostConfig.h"
#include "profile/sessions/SessionConfigPart.h"
#include "profile/sessions/SessionSavePolicy.h"
#include "profile/sessions/TerminalConfig.h"
#include "profile/sessions/VSerialDeviceConfig.h"
#include "profile/store/StoredValue.h"

// One saved session's settings, loaded at once from its key below
// "Sessions": the protocol choice, the remote host, the terminal, the
// serial line, the printer, the settings common to every session and the
// login script. A setting the key lacks takes its default and is written
// by the next Save; settings outside the schema stay in the key untouched.
// Secrets stay encrypted: loading derives no key (an older login script is
// the exception: it is converted, and written, when first read).
class ORV_EXPORT SessionConfig final : public VUnknown<ISessionConfig>, public VProfileContainer {
public:
    static constexpr char16_t kDescription[] = u"Description";
    static constexpr char16_t kIsSession[] = u"Is Session";
    static constexpr char16_t kDefaultSession[] = u"Default";
    static constexpr char16_t kDefaultLocalShellSession[] = u"Default_LocalShell";
    static constexpr char16_t kDefaultRdpSession[] = u"Default_RDP";

    // Every setting from `key` with its default (a null key: all defaults).
    SessionConfig(const VProfileKey* key, const VUnicodeString& sessionPath);
    static const SessionValueTable& CommonTable();
    // The session new sessions of `protocol` start from: "Default_LocalShell"
    // for "Local Shell", "Default_RDP" for "RDP", "Default" for the rest.
    static VUnicodeString DefaultSessionNameFor(const VUnicodeString& protocol);

    // ISessionConfig
    VUnicodeString GetSessionPath() const override { return m_path; }
    VUnicodeString GetSessionName() const override;
    VUnicodeString GetProtocolName() const override { return m_connect.GetProtocolName(); }
    VUnicodeString GetTransferProtocolName() const override { return m_connect.GetTransferProtocolName(); }
    bool HasTerminalProtocol() const override { return m_connect.HasTerminalProtocol(); }
    bool HasTransferProtocol() const override { return m_connect.HasTransferProtocol(); }
    VUnicodeString GetHostname() const override { return m_remoteHost->GetHostname(); }
    VUnicodeString GetUsername() const override { return m_remoteHost->GetUsername(); }
    VUnicodeString GetDescription() const override { return m_common.GetText(kDescription); }
    VUnicodeString GetConnectionTarget() const override;
    IRemoteHostConfig* GetRemoteHostConfig() override;
    VStringArray GetFirewallNames() const override;
    VProfileData* FindValue(const VUnicodeString& name) override;
    ISessionConfig* Copy() const override { return Clone(); }

    // The same as Copy, typed.
    SessionConfig* Clone() const;
    void SetSessionPath(const VUnicodeString& path) { m_path = path; }
    void SetDescription(const VUnicodeString& text) { m_common.SetText(kDescription, text); }

    // Makes this the default session `name`: every setting that `key` holds
    // is taken over and marked for writing, every other keeps its default;
    // the protocol-specific defaults get their protocol.
    void CreateDefaultKey(const VProfileKey* key, const VUnicodeString& name);

    // A secret setting's plaintext, and a new one (written by Save); older
    // forms are converted first. False with a report when it cannot be.
    bool GetSecret(const VUnicodeString& name, VUnicodeString& plaintext, IReportMessageParams* report);
    bool SetSecret(const VUnicodeString& name, const VUnicodeString& plaintext, IReportMessageParams* report);
    // Secrets still held under their older names, converted when needed.
    size_t PendingOlderSecrets();
    // Whether the secret (or "Login Script V4") holds a value, in its
    // current form or an older one still to convert.
    bool HasSecret(const VUnicodeString& name);
    // The older value a secret (or the login script) still waits to be
    // converted from: its name and stored text. False when none is pending.
    bool GetPendingOlder(const VUnicodeString& name, VUnicodeString& olderName, VUnicodeString& olderText);

    // Whether a load may read a value of this name that no setting holds
    // (case ignored): an older form it converts, such as a secret's older
    // name. Values of other names outside the schema are kept as they are.
    static bool IsOlderValueName(std::u16string_view name);

    // Saves every part under the administrator's policy as it stands now
    // (see SessionSavePolicy): what it refuses is not written and `report`
    // names the switch; true unless a write failed.
    bool Save(const VProfileKey* key) override { return Save(key, nullptr); }
    bool Save(const VProfileKey* key, IReportMessageParams* report);
    bool Save(const VProfileKey* key, const SessionSavePolicy& policy, IReportMessageParams* report);
    // Saves leave secrets under older names pending (written as they are,
    // converted later when needed): no key is derived. For an import, which
    // must not derive a key per session.
    void KeepOlderSecretsPending(bool keep);

    // Children in this order: protocol choice, remote host, terminal,
    // serial line, printer, common settings, login script.
    VProfileData* ChildAt(size_t index) override;

    // Every setting with its schema entry, in schema order (the children's
    // order, each part in its table's order).
    void ForEachSetting(const std::function<void(const SessionValueDef&, VProfileData&)>& visit);
    // The setting of that name (case ignored) with its schema entry; null
    // for a name the schema does not know.
    VProfileData* FindSetting(std::u16string_view name, const SessionValueDef** def = nullptr);

    // Values outside the schema that travel with the configuration: the
    // protocol engines' own (a port, say), set through the connection
    // pages. They are copied with it and written by every Save; what the key
    // holds besides them stays in the key untouched.
    const StoredValue* FindValueOutsideSchema(std::u16string_view name) const;
    void SetValueOutsideSchema(const StoredValue& value);
    const std::vector<StoredValue>& ValuesOutsideSchema() const { return m_outside; }
    // A configuration made to connect once and not to be kept (Quick
    // Connect without saving); the mark lives in memory only.
    void SetTemporary(bool temporary) { m_temporary = temporary; }
    bool IsTemporary() const { return m_temporary; }

    // Every setting, and the values outside the schema, of another
    // configuration.
    void Assign(const VProfileData& other) override;

    ConnectConfig& Connect() { return m_connect; }
    const ConnectConfig& Connect() const { return m_connect; }
    RemoteHostConfig& RemoteHost() { return *m_remoteHost; }
    const RemoteHostConfig& RemoteHost() const { return *m_remoteHost; }
    TerminalConfig& Terminal() { return m_terminal; }
    const TerminalConfig& Terminal() const { return m_terminal; }
    VSerialDeviceConfig& Serial() { return m_serial; }
    const VSerialDeviceConfig& Serial() const { return m_serial; }
    PrinterConfig& Printer() { return m_printer; }
    SessionConfigPart& Common() { return m_common; }
    ProfileExpectSendList& LoginScript() { return m_loginScript; }
    const SessionConfigPart& Common() const { return m_common; }
    const ProfilePath::Folders& GetFolders() const { return m_folders; }

private:
    SessionConfig(const SessionConfig& other);
    ~SessionConfig() override = default;
    std::array<SessionConfigPart*, 6> Parts();

    VUnicodeString m_path;
    ProfilePath::Folders m_folders;
    ConnectConfig m_connect;
    VUnknownPointer<RemoteHostConfig> m_remoteHost;
    TerminalConfig m_terminal;
    VSerialDeviceConfig m_serial;
    PrinterConfig m_printer;
    SessionConfigPart m_common;
    ProfileExpectSendList m_loginScript;
    std::vector<StoredValue> m_outside;
    bool m_temporary = false;
    // Where FindSetting found the last name: a document lists settings in
    // schema order, so the next is most often the one after it.
    size_t m_lastPart = 0;
    size_t m_lastIndex = 0;
};

using SessionConfigPtr = VUnknownPointer<SessionConfig>;
