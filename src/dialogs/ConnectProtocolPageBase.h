#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"
#include "platform/ProtocolTable.h"
#include "profile/sessions/SessionConfig.h"

class IHostnameChanged;

// What a connection page edits. Each protocol's page shows a few of them,
// in the order of its field list.
enum class ProtocolField : uint8_t {
    Hostname,
    Port,
    Username,
    Firewall,
    PhoneNumber,
    SerialPort,
    BaudRate,
    DataBits,
    Parity,
    StopBits,
    FlowDtrDsr,
    FlowRtsCts,
    FlowXonXoff,
    PreconnectCommand,
};

// How a field is edited: free text (some with suggestions), one of fixed
// choices, a check box, or the firewall combo box.
enum class ProtocolFieldKind : uint8_t { Text, Choice, Flag, Firewall };

// Message ids of the page refusals.
inline constexpr uint32_t kMsgHostRequired = 0xE1090160;
inline constexpr uint32_t kMsgHostInvalid = 0xE1090161;
inline constexpr uint32_t kMsgPortInvalid = 0xE1090162;
inline constexpr uint32_t kMsgSerialPortRequired = 0xE1090163;
inline constexpr uint32_t kMsgBaudRateInvalid = 0xE1090164;
inline constexpr uint32_t kMsgPhoneRequired = 0xE1090165;
inline constexpr uint32_t kMsgPhoneInvalid = 0xE1090166;
inline constexpr uint32_t kMsgUsernameInvalid = 0xE1090167;
inline constexpr uint32_t kMsgSecretUnreadable = 0xE1090168;

// The protocol settings of a configuration as one application sees them:
// terminal-family applications (1, 3, 7) use its terminal protocol, the
// others its transfer protocol.
VUnicodeString GetProtocolFor(const ISessionConfig& config, int applicationNumber);
void SetProtocolFor(SessionConfig& config, int applicationNumber, const VUnicodeString& protocol);
// Whether there is something to connect to: a host for the network
// protocols, a line for Serial, a number for TAPI; a local shell always
// can.
bool CanConnectWith(const SessionConfig& config, int applicationNumber);
// The name a saved session of these settings is given: the host, "Serial-"
// and the line's device name, or the protocol's own name where there is
// no host.
VUnicodeString ConnectionNameOf(const SessionConfig& config, int applicationNumber);
// Readies the configuration for a page of `protocol`: the protocol on the
// application's side and the temporary mark.
void PrepareProtocolData(SessionConfig& config, const VUnicodeString& protocol, bool terminalApplication,
                         bool temporary);
// The value outside the schema that keeps a protocol's port, and the port
// used when it holds none; empty and 0 for protocols without a port.
VUnicodeString PortValueNameOf(std::u16string_view protocol);
uint16_t DefaultPortOf(std::u16string_view protocol);

// The rules of one protocol's connection page: which fields it shows,
// what it reads from and writes to the configuration, and what it
// refuses. The window that shows it binds a control to each field.
class ConnectProtocolPageBase {
public:
    ConnectProtocolPageBase(const ConnectProtocolRow& row, ISessionConfig* config, int applicationNumber);
    virtual ~ConnectProtocolPageBase() = default;
    ConnectProtocolPageBase(const ConnectProtocolPageBase&) = delete;
    ConnectProtocolPageBase& operator=(const ConnectProtocolPageBase&) = delete;

    const ConnectProtocolRow& Row() const { return m_row; }
    SessionConfig* Config() const { return m_config.Get(); }
    int GetApplicationNumber() const { return m_applicationNumber; }

    // The fields of a protocol's page in page order.
    static std::span<const ProtocolField> FieldsOf(std::u16string_view protocol);
    std::span<const ProtocolField> Fields() const { return FieldsOf(m_row.name); }
    static ProtocolFieldKind KindOf(ProtocolField field);
    static VUnicodeString LabelOf(ProtocolField field);
    // The fixed choices of a Choice field; the suggestions of a text field
    // (serial lines found on this machine, usual speeds).
    static VStringArray ChoicesOf(ProtocolField field);

    // Told when the host, line or number changes.
    void SetHostnameSink(IHostnameChanged* sink) { m_sink = sink; }
    IHostnameChanged* GetHostnameSink() const { return m_sink; }

    VUnicodeString GetText(ProtocolField field) const;
    // The host, line and number reach the configuration at once, so that
    // whether it can connect is always current; the rest waits for the
    // data exchange.
    void SetText(ProtocolField field, const VUnicodeString& text);
    bool GetFlag(ProtocolField field) const { return GetText(field) == u"1"; }
    void SetFlag(ProtocolField field, bool on) { SetText(field, on ? u"1" : u"0"); }
    // A field the page could not read (a secret without its passphrase):
    // shown empty and never written.
    bool IsLocked(ProtocolField field) const;

    // Load: reads the configuration into the fields. Save: checks every
    // field and writes them; false at the first refused field, with the
    // field and the reason kept and handed to OnRefused.
    bool DataExchange(bool save);
    // Writes what can be written and passes over what would be refused
    // (the page is being left for another protocol).
    void SaveValidFields();
    // The check of one field: 0 when it is accepted, else the message id,
    // with the text it names in `insert`.
    uint32_t Check(ProtocolField field, VUnicodeString& insert) const;
    ProtocolField RefusedField() const { return m_refused; }
    const VUnicodeString& Refusal() const { return m_refusal; }

protected:
    // The fields were read from the configuration: show them.
    virtual void OnFieldsLoaded() {}
    // A save was refused: tell the user and put the focus on the field.
    virtual void OnRefused(ProtocolField field, const VUnicodeString& why)
    {
        (void)field;
        (void)why;
    }

private:
    void Load();
    // False only when a secret could not be encrypted.
    bool Write(ProtocolField field);
    VUnicodeString StoredPort() const;

    const ConnectProtocolRow& m_row;
    SessionConfigPtr m_config;
    int m_applicationNumber;
    IHostnameChanged* m_sink = nullptr;
    std::map<ProtocolField, VUnicodeString> m_fields;
    std::map<ProtocolField, bool> m_locked;
    VUnicodeString m_loadedSecret; // written back only when it was changed
    ProtocolField m_refused = ProtocolField::Hostname;
    VUnicodeString m_refusal;
};
