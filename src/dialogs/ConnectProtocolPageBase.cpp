#include "dialogs/ConnectProtocolPageBase.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/IHostnameChanged.h"
#include "platform/Products.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/ProfileBackend.h"

namespace {

using F = ProtocolField;

constexpr F kShellFields[] = {F::Hostname, F::Port, F::Username, F::Firewall};
constexpr F kTelnetFields[] = {F::Hostname, F::Port, F::Firewall};
constexpr F kRloginFields[] = {F::Hostname, F::Username, F::Firewall};
constexpr F kSerialFields[] = {F::SerialPort, F::BaudRate,   F::DataBits,   F::Parity,
                               F::StopBits,   F::FlowDtrDsr, F::FlowRtsCts, F::FlowXonXoff};
constexpr F kTapiFields[] = {F::PhoneNumber};
constexpr F kLocalShellFields[] = {F::PreconnectCommand};
constexpr F kRdpFields[] = {F::Hostname, F::Port, F::Username};

struct ProtocolRule {
    const char16_t* name;
    std::span<const F> fields;
    uint16_t port; // 0: the protocol has no port of its own
};

// What each protocol's page edits. Transfer protocols ask for what SSH2 does.
constexpr ProtocolRule kRules[] = {
    {u"SSH2", kShellFields, 22},
    {u"SSH1", kShellFields, 22},
    {u"Telnet", kTelnetFields, 23},
    {u"Telnet/SSL", kTelnetFields, 992},
    {u"RLogin", kRloginFields, 0},
    {u"Serial", kSerialFields, 0},
    {u"TAPI", kTapiFields, 0},
    {u"Raw", kTelnetFields, 23},
    {u"Local Shell", kLocalShellFields, 0},
    {u"RDP", kRdpFields, 3389},
    {u"SFTP", kShellFields, 22},
    {u"FTP", kShellFields, 21},
    {u"FTP/SSL (implicit)", kShellFields, 990},
    {u"FTP/SSL (explicit)", kShellFields, 21},
    {u"HTTP", kShellFields, 80},
    {u"HTTPS", kShellFields, 443},
    {u"HTTPS (S3)", kShellFields, 443},
    {u"SCP", kShellFields, 22},
};

const ProtocolRule* RuleOf(std::u16string_view protocol)
{
    for (const ProtocolRule& rule : kRules)
        if (VUnicodeString::CompareNoCase(rule.name, protocol) == 0)
            return &rule;
    return nullptr;
}

constexpr const char16_t* kParityNames[] = {u"None", u"Odd", u"Even", u"Mark", u"Space"};
constexpr const char16_t* kStopBitNames[] = {u"1", u"1.5", u"2"};
constexpr const char16_t* kDataBitNames[] = {u"5", u"6", u"7", u"8"};
constexpr uint32_t kBaudRates[] = {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
constexpr uint32_t kMinBaudRate = 50;
constexpr uint32_t kMaxBaudRate = 4000000;
constexpr size_t kMaxHostLength = 255;

constexpr char16_t kDataBits[] = u"Data Bits";
constexpr char16_t kParity[] = u"Parity";
constexpr char16_t kStopBits[] = u"Stop Bits";
constexpr char16_t kCtsFlow[] = u"CTS Flow";
constexpr char16_t kDsrFlow[] = u"DSR Flow";
constexpr char16_t kDtrFlowControl[] = u"DTR Flow Control";
constexpr char16_t kRtsFlowControl[] = u"RTS Flow Control";
constexpr char16_t kXonFlow[] = u"XON Flow";
// "DTR Flow Control" and "RTS Flow Control": 1 the line is held on, 2 it
// takes part in the handshake.
constexpr uint32_t kLineOn = 1;
constexpr uint32_t kLineHandshake = 2;

bool IsTerminalSide(int applicationNumber)
{
    return IsTerminalFamilyApplication(applicationNumber);
}

VUnicodeString Trimmed(VUnicodeString text)
{
    return text.Trim();
}

bool HasControl(std::u16string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

// Digits only, within [low, high]; false for anything else.
bool ParseNumber(std::u16string_view text, uint32_t low, uint32_t high, uint32_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t n = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        n = n * 10 + static_cast<uint64_t>(c - u'0');
    }
    if (n < low || n > high)
        return false;
    value = static_cast<uint32_t>(n);
    return true;
}

// Names and addresses: no blanks, no controls, none of the characters that
// separate a host from what surrounds it in a command or a URL.
bool IsHostText(std::u16string_view host)
{
    if (host.size() > kMaxHostLength)
        return false;
    for (char16_t c : host) {
        if (c <= 0x20 || c == 0x7F || c == 0xA0 || c == 0x3000)
            return false;
        if (std::u16string_view(u"/\\@\"'<>|;,?#*!$&()=+`^{}~").find(c) != std::u16string_view::npos)
            return false;
    }
    return true;
}

bool IsPhoneText(std::u16string_view number)
{
    bool digit = false;
    for (char16_t c : number) {
        if (c >= u'0' && c <= u'9')
            digit = true;
        else if (std::u16string_view(u" +-(),*#.").find(c) == std::u16string_view::npos)
            return false;
    }
    return digit;
}

template <size_t N>
int IndexIn(const char16_t* const (&names)[N], std::u16string_view text)
{
    for (size_t i = 0; i < N; ++i)
        if (VUnicodeString::CompareNoCase(names[i], text) == 0)
            return static_cast<int>(i);
    return -1;
}

template <size_t N>
VUnicodeString NameAt(const char16_t* const (&names)[N], uint32_t index, size_t fallback)
{
    return names[index < N ? index : fallback];
}

// The serial lines this machine offers, by their device paths.
VStringArray SerialLines()
{
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM", "rfcomm"})
            if (name.starts_with(prefix) && name.size() > std::string_view(prefix).size())
                found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
        return VUnicodeString::CompareLogical(VUnicodeString::FromUtf8(a), VUnicodeString::FromUtf8(b)) < 0;
    });
    VStringArray lines;
    for (const std::string& path : found)
        lines.Add(VUnicodeString::FromUtf8(path));
    return lines;
}

} // namespace

// --- The protocol settings of a configuration

VUnicodeString GetProtocolFor(const ISessionConfig& config, int applicationNumber)
{
    return IsTerminalSide(applicationNumber) ? config.GetProtocolName() : config.GetTransferProtocolName();
}

void SetProtocolFor(SessionConfig& config, int applicationNumber, const VUnicodeString& protocol)
{
    if (IsTerminalSide(applicationNumber))
        config.Connect().SetProtocolName(protocol);
    else
        config.Connect().SetTransferProtocolName(protocol);
}

bool CanConnectWith(const SessionConfig& config, int applicationNumber)
{
    const VUnicodeString protocol = GetProtocolFor(config, applicationNumber);
    if (!ConnectConfig::IsProtocol(protocol))
        return false;
    if (protocol.EqualsNoCase(kProtocolLocalShell))
        return true;
    if (protocol.EqualsNoCase(u"Serial"))
        return !Trimmed(config.Serial().GetText(VSerialDeviceConfig::kPortName)).IsEmpty();
    return !Trimmed(config.GetHostname()).IsEmpty();
}

VUnicodeString ConnectionNameOf(const SessionConfig& config, int applicationNumber)
{
    const VUnicodeString protocol = GetProtocolFor(config, applicationNumber);
    if (protocol.EqualsNoCase(kProtocolLocalShell)) {
        const ConnectProtocolRow* row = FindProtocolByName(protocol.str());
        return row ? VUnicodeString(row->displayName) : protocol;
    }
    if (protocol.EqualsNoCase(u"Serial")) {
        VUnicodeString line = Trimmed(config.Serial().GetText(VSerialDeviceConfig::kPortName));
        const size_t slash = line.ReverseFind(u'/');
        return VUnicodeString(u"Serial-") + (slash == VUnicodeString::npos ? line : line.Mid(slash + 1)).str();
    }
    return Trimmed(config.GetHostname());
}

void PrepareProtocolData(SessionConfig& config, const VUnicodeString& protocol, bool terminalApplication,
                         bool temporary)
{
    if (terminalApplication)
        config.Connect().SetProtocolName(protocol);
    else
        config.Connect().SetTransferProtocolName(protocol);
    config.SetTemporary(temporary);
}

VUnicodeString PortValueNameOf(std::u16string_view protocol)
{
    const ProtocolRule* rule = RuleOf(protocol);
    return rule && rule->port ? VUnicodeString(rule->name) + u" Port" : VUnicodeString();
}

uint16_t DefaultPortOf(std::u16string_view protocol)
{
    const ProtocolRule* rule = RuleOf(protocol);
    return rule ? rule->port : 0;
}

// --- The page

ConnectProtocolPageBase::ConnectProtocolPageBase(const ConnectProtocolRow& row, ISessionConfig* config,
                                                 int applicationNumber)
    : m_row(row), m_config(SessionConfigPtr::Retain(dynamic_cast<SessionConfig*>(config))),
      m_applicationNumber(applicationNumber)
{
}

std::span<const ProtocolField> ConnectProtocolPageBase::FieldsOf(std::u16string_view protocol)
{
    const ProtocolRule* rule = RuleOf(protocol);
    return rule ? rule->fields : std::span<const ProtocolField>();
}

ProtocolFieldKind ConnectProtocolPageBase::KindOf(ProtocolField field)
{
    switch (field) {
    case F::Firewall: return ProtocolFieldKind::Firewall;
    case F::DataBits:
    case F::Parity:
    case F::StopBits: return ProtocolFieldKind::Choice;
    case F::FlowDtrDsr:
    case F::FlowRtsCts:
    case F::FlowXonXoff: return ProtocolFieldKind::Flag;
    default: return ProtocolFieldKind::Text;
    }
}

VUnicodeString ConnectProtocolPageBase::LabelOf(ProtocolField field)
{
    switch (field) {
    case F::Hostname: return u"&Hostname:";
    case F::Port: return u"Po&rt:";
    case F::Username: return u"&Username:";
    case F::Firewall: return u"&Firewall:";
    case F::PhoneNumber: return u"Phone &number:";
    case F::SerialPort: return u"Po&rt:";
    case F::BaudRate: return u"&Baud rate:";
    case F::DataBits: return u"D&ata bits:";
    case F::Parity: return u"Par&ity:";
    case F::StopBits: return u"&Stop bits:";
    case F::FlowDtrDsr: return u"DTR/DSR";
    case F::FlowRtsCts: return u"RTS/CTS";
    case F::FlowXonXoff: return u"XON/XOFF";
    case F::PreconnectCommand: return u"Pre-connect &command:";
    }
    return {};
}

VStringArray ConnectProtocolPageBase::ChoicesOf(ProtocolField field)
{
    VStringArray choices;
    switch (field) {
    case F::DataBits:
        for (const char16_t* name : kDataBitNames)
            choices.Add(name);
        break;
    case F::Parity:
        for (const char16_t* name : kParityNames)
            choices.Add(name);
        break;
    case F::StopBits:
        for (const char16_t* name : kStopBitNames)
            choices.Add(name);
        break;
    case F::BaudRate:
        for (uint32_t rate : kBaudRates)
            choices.Add(VUnicodeString::FromUnsigned(rate));
        break;
    case F::SerialPort: choices = SerialLines(); break;
    default: break;
    }
    return choices;
}

VUnicodeString ConnectProtocolPageBase::GetText(ProtocolField field) const
{
    const auto it = m_fields.find(field);
    return it == m_fields.end() ? VUnicodeString() : it->second;
}

void ConnectProtocolPageBase::SetText(ProtocolField field, const VUnicodeString& text)
{
    if (IsLocked(field))
        return;
    m_fields[field] = text;
    if (field == F::Hostname || field == F::PhoneNumber || field == F::SerialPort) {
        if (m_config) {
            if (field == F::SerialPort)
                m_config->Serial().SetText(VSerialDeviceConfig::kPortName, Trimmed(text));
            else
                m_config->RemoteHost().SetHostname(Trimmed(text));
        }
        if (m_sink)
            m_sink->OnHostnameChanged();
    }
}

bool ConnectProtocolPageBase::IsLocked(ProtocolField field) const
{
    const auto it = m_locked.find(field);
    return it != m_locked.end() && it->second;
}

// A port the configuration carries, else the one its session keeps in
// its key, else the protocol's own.
VUnicodeString ConnectProtocolPageBase::StoredPort() const
{
    const VUnicodeString name = PortValueNameOf(m_row.name);
    if (const StoredValue* carried = m_config->FindValueOutsideSchema(name.str()))
        return carried->kind == kValueKindDword ? VUnicodeString::FromUnsigned(carried->number) : carried->text;
    std::vector<StoredValue> stored;
    if (!m_config->GetSessionPath().IsEmpty() &&
        GetSessionDatabaseImpl()->GetValuesOutsideSchema(m_config->GetSessionPath(), stored))
        for (const StoredValue& value : stored)
            if (value.name.EqualsNoCase(name.str()))
                return value.kind == kValueKindDword ? VUnicodeString::FromUnsigned(value.number) : value.text;
    return VUnicodeString::FromUnsigned(DefaultPortOf(m_row.name));
}

void ConnectProtocolPageBase::Load()
{
    m_fields.clear();
    m_locked.clear();
    if (!m_config)
        return;
    SessionConfig& config = *m_config;
    VSerialDeviceConfig& serial = config.Serial();
    for (ProtocolField field : Fields()) {
        VUnicodeString& text = m_fields[field];
        switch (field) {
        case F::Hostname:
        case F::PhoneNumber: text = config.GetHostname(); break;
        case F::Port: text = StoredPort(); break;
        case F::Username: text = config.GetUsername(); break;
        case F::Firewall: text = config.RemoteHost().GetFirewallName(); break;
        case F::SerialPort: text = serial.GetText(VSerialDeviceConfig::kPortName); break;
        case F::BaudRate: text = VUnicodeString::FromUnsigned(serial.GetNumber(VSerialDeviceConfig::kBaudRate)); break;
        case F::DataBits: text = VUnicodeString::FromUnsigned(serial.GetNumber(kDataBits)); break;
        case F::Parity: text = NameAt(kParityNames, serial.GetNumber(kParity), 0); break;
        case F::StopBits: text = NameAt(kStopBitNames, serial.GetNumber(kStopBits), 0); break;
        case F::FlowDtrDsr: text = serial.GetBool(kDsrFlow) ? u"1" : u"0"; break;
        case F::FlowRtsCts: text = serial.GetBool(kCtsFlow) ? u"1" : u"0"; break;
        case F::FlowXonXoff: text = serial.GetBool(kXonFlow) ? u"1" : u"0"; break;
        case F::PreconnectCommand: {
            // Decrypted only when there is something to decrypt.
            const auto* stored = dynamic_cast<const VEncryptedString*>(config.FindValue(RemoteHostConfig::kLocalShellCommand));
            const bool empty = stored && static_cast<const VUnicodeString&>(*stored).IsEmpty() &&
                               config.RemoteHost().PendingOlderSecrets() == 0;
            if (!empty && !config.GetSecret(RemoteHostConfig::kLocalShellCommand, text, nullptr)) {
                text = VUnicodeString();
                m_locked[field] = true;
            }
            m_loadedSecret = text;
            break;
        }
        }
    }
}

uint32_t ConnectProtocolPageBase::Check(ProtocolField field, VUnicodeString& insert) const
{
    const VUnicodeString text = Trimmed(GetText(field));
    insert = text;
    uint32_t number = 0;
    switch (field) {
    case F::Hostname:
        if (text.IsEmpty())
            return kMsgHostRequired;
        return IsHostText(text.str()) ? 0 : kMsgHostInvalid;
    case F::Port: return ParseNumber(text.str(), 1, 65535, number) ? 0 : kMsgPortInvalid;
    case F::Username: return HasControl(text.str()) ? kMsgUsernameInvalid : 0;
    case F::PhoneNumber:
        if (text.IsEmpty())
            return kMsgPhoneRequired;
        return IsPhoneText(text.str()) ? 0 : kMsgPhoneInvalid;
    case F::SerialPort: return text.IsEmpty() || HasControl(text.str()) ? kMsgSerialPortRequired : 0;
    case F::BaudRate: return ParseNumber(text.str(), kMinBaudRate, kMaxBaudRate, number) ? 0 : kMsgBaudRateInvalid;
    default: return 0; // choices and check boxes hold only what they offer
    }
}

bool ConnectProtocolPageBase::Write(ProtocolField field)
{
    SessionConfig& config = *m_config;
    VSerialDeviceConfig& serial = config.Serial();
    const VUnicodeString text = Trimmed(GetText(field));
    uint32_t number = 0;
    switch (field) {
    case F::Hostname:
    case F::PhoneNumber: config.RemoteHost().SetHostname(text); break;
    case F::Port:
        if (ParseNumber(text.str(), 1, 65535, number))
            config.SetValueOutsideSchema(StoredValue{PortValueNameOf(m_row.name), kValueKindDword, number, {}, {}, {}});
        break;
    case F::Username: config.RemoteHost().SetUsername(text); break;
    case F::Firewall:
        if (!text.IsEmpty())
            config.RemoteHost().SetFirewallName(text);
        break;
    case F::SerialPort: serial.SetText(VSerialDeviceConfig::kPortName, text); break;
    case F::BaudRate:
        if (ParseNumber(text.str(), kMinBaudRate, kMaxBaudRate, number))
            serial.SetNumber(VSerialDeviceConfig::kBaudRate, number);
        break;
    case F::DataBits:
        if (ParseNumber(text.str(), 5, 8, number))
            serial.SetNumber(kDataBits, number);
        break;
    case F::Parity:
        if (const int index = IndexIn(kParityNames, text.str()); index >= 0)
            serial.SetNumber(kParity, static_cast<uint32_t>(index));
        break;
    case F::StopBits:
        if (const int index = IndexIn(kStopBitNames, text.str()); index >= 0)
            serial.SetNumber(kStopBits, static_cast<uint32_t>(index));
        break;
    case F::FlowDtrDsr:
        serial.SetBool(kDsrFlow, GetFlag(field));
        serial.SetNumber(kDtrFlowControl, GetFlag(field) ? kLineHandshake : kLineOn);
        break;
    case F::FlowRtsCts:
        serial.SetBool(kCtsFlow, GetFlag(field));
        serial.SetNumber(kRtsFlowControl, GetFlag(field) ? kLineHandshake : kLineOn);
        break;
    case F::FlowXonXoff: serial.SetBool(kXonFlow, GetFlag(field)); break;
    case F::PreconnectCommand:
        // The command is a secret; a value that could not be read is kept.
        if (!IsLocked(field) && GetText(field) != m_loadedSecret) {
            if (!config.SetSecret(RemoteHostConfig::kLocalShellCommand, GetText(field), nullptr))
                return false;
            m_loadedSecret = GetText(field);
        }
        break;
    }
    return true;
}

bool ConnectProtocolPageBase::DataExchange(bool save)
{
    if (!save) {
        Load();
        OnFieldsLoaded();
        return true;
    }
    if (!m_config)
        return false;
    for (ProtocolField field : Fields()) {
        VUnicodeString insert;
        if (const uint32_t problem = Check(field, insert)) {
            m_refused = field;
            VReportPtr report = NewReport(problem);
            report->AddParameter(insert);
            m_refusal = report->GetText();
            OnRefused(field, m_refusal);
            return false;
        }
    }
    for (ProtocolField field : Fields())
        if (!Write(field)) {
            m_refused = field;
            m_refusal = NewReport(kMsgSecretUnreadable)->GetText();
            OnRefused(field, m_refusal);
            return false;
        }
    return true;
}

void ConnectProtocolPageBase::SaveValidFields()
{
    if (!m_config)
        return;
    for (ProtocolField field : Fields()) {
        VUnicodeString insert;
        if (Check(field, insert) == 0)
            Write(field);
    }
}
