#include "dialogs/qt/ConnectProtocolPage.h"

#include <algorithm>
#include <array>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "platform/MessageBox.h"
#include "platform/Products.h"
#include "platform/qt/QtStrings.h"

namespace {

constexpr size_t kMaxRows = 32;

const char* ObjectNameOf(ProtocolField field)
{
    switch (field) {
    case ProtocolField::Hostname: return "hostname";
    case ProtocolField::Port: return "port";
    case ProtocolField::Username: return "username";
    case ProtocolField::Firewall: return "firewall";
    case ProtocolField::PhoneNumber: return "phoneNumber";
    case ProtocolField::SerialPort: return "serialPort";
    case ProtocolField::BaudRate: return "baudRate";
    case ProtocolField::DataBits: return "dataBits";
    case ProtocolField::Parity: return "parity";
    case ProtocolField::StopBits: return "stopBits";
    case ProtocolField::FlowDtrDsr: return "flowDtrDsr";
    case ProtocolField::FlowRtsCts: return "flowRtsCts";
    case ProtocolField::FlowXonXoff: return "flowXonXoff";
    case ProtocolField::PreconnectCommand: return "preconnectCommand";
    }
    return "";
}

// Fields the user may type into freely even where suggestions are offered.
bool IsSuggested(ProtocolField field)
{
    return field == ProtocolField::SerialPort || field == ProtocolField::BaudRate;
}

template <size_t Index>
ConnectProtocolPage* CreatePage(QWidget* owner, ISessionConfig* config, int applicationNumber)
{
    return new ConnectProtocolPage(GetConnectProtocolTable()[Index], owner, config, applicationNumber);
}

template <size_t... Index>
constexpr std::array<ConnectProtocolPageFactory, sizeof...(Index)> Factories(std::index_sequence<Index...>)
{
    return {&CreatePage<Index>...};
}

// Loading the windows gives the protocol table its pages.
[[maybe_unused]] const bool g_registered = [] {
    ConnectProtocolPage::RegisterFactories();
    return true;
}();

} // namespace

void ConnectProtocolPage::RegisterFactories()
{
    static constexpr auto kFactories = Factories(std::make_index_sequence<kMaxRows>());
    const std::span<const ConnectProtocolRow> table = GetConnectProtocolTable();
    for (size_t i = 0; i < table.size() && i < kFactories.size(); ++i)
        SetConnectProtocolPageFactory(i, ConnectConfig::IsProtocol(table[i].name) ? kFactories[i] : nullptr);
}

int ConnectProtocolPage::MaxRows()
{
    size_t rows = 0;
    for (const ConnectProtocolRow& row : GetConnectProtocolTable()) {
        size_t count = 0;
        bool flags = false;
        for (ProtocolField field : FieldsOf(row.name)) {
            if (KindOf(field) != ProtocolFieldKind::Flag)
                ++count;
            else
                flags = true;
        }
        rows = std::max(rows, count + (flags ? 1 : 0));
    }
    return static_cast<int>(rows);
}

ConnectProtocolPage::ConnectProtocolPage(const ConnectProtocolRow& row, QWidget* owner, ISessionConfig* config,
                                         int applicationNumber)
    : QWidget(owner), ConnectProtocolPageBase(row, config, applicationNumber)
{
    setObjectName(QStringLiteral("protocolPage"));
    setProperty("protocol", ToQString(row.name));
    Build();
}

ConnectProtocolPage::~ConnectProtocolPage() = default;

void ConnectProtocolPage::Build()
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(1, 1);
    int line = 0;
    QHBoxLayout* flags = nullptr;
    for (ProtocolField field : Fields()) {
        const QString label = ToQString(LabelOf(field));
        QWidget* control = nullptr;
        switch (KindOf(field)) {
        case ProtocolFieldKind::Flag: {
            auto* box = new QCheckBox(label, this);
            connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
                if (!m_loading)
                    SetFlag(field, on);
            });
            if (!flags) {
                flags = new QHBoxLayout;
                grid->addWidget(new QLabel(tr("Flow control:"), this), line, 0);
                grid->addLayout(flags, line++, 1);
            }
            flags->addWidget(box);
            control = box;
            break;
        }
        case ProtocolFieldKind::Firewall: {
            auto* combo = new QComboBox(this);
            m_firewall = std::make_unique<ComboFirewallHelper>(GetApplicationNumber(), Config(), true);
            connect(combo, &QComboBox::activated, this, &ConnectProtocolPage::OnFirewallChosen);
            control = combo;
            break;
        }
        case ProtocolFieldKind::Choice: {
            auto* combo = new QComboBox(this);
            for (const VUnicodeString& choice : ChoicesOf(field))
                combo->addItem(ToQString(choice));
            connect(combo, &QComboBox::currentTextChanged, this, [this, field](const QString& text) {
                if (!m_loading)
                    SetText(field, ToVString(text));
            });
            control = combo;
            break;
        }
        case ProtocolFieldKind::Text:
            if (IsSuggested(field)) {
                auto* combo = new QComboBox(this);
                combo->setEditable(true);
                combo->setInsertPolicy(QComboBox::NoInsert);
                for (const VUnicodeString& choice : ChoicesOf(field))
                    combo->addItem(ToQString(choice));
                connect(combo, &QComboBox::editTextChanged, this, [this, field](const QString& text) {
                    if (!m_loading)
                        SetText(field, ToVString(text));
                });
                control = combo;
            } else {
                auto* edit = new QLineEdit(this);
                connect(edit, &QLineEdit::textEdited, this,
                        [this, field](const QString& text) { SetText(field, ToVString(text)); });
                control = edit;
            }
            break;
        }
        control->setObjectName(QLatin1String(ObjectNameOf(field)));
        m_controls[field] = control;
        if (KindOf(field) != ProtocolFieldKind::Flag) {
            auto* caption = new QLabel(label, this);
            caption->setBuddy(control);
            grid->addWidget(caption, line, 0);
            grid->addWidget(control, line++, 1);
        }
    }
    grid->setRowStretch(line, 1);
}

QWidget* ConnectProtocolPage::FieldControl(ProtocolField field) const
{
    const auto it = m_controls.find(field);
    return it == m_controls.end() ? nullptr : it->second;
}

void ConnectProtocolPage::OnFieldsLoaded()
{
    m_loading = true;
    for (const auto& [field, control] : m_controls) {
        const QString text = ToQString(GetText(field));
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->setText(text);
        } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
            box->setChecked(GetFlag(field));
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            if (field == ProtocolField::Firewall) {
                m_firewall->SetCurrentFirewall(GetText(field));
                m_firewall->PopulateFirewall(combo);
            } else if (combo->isEditable()) {
                combo->setEditText(text);
            } else {
                combo->setCurrentIndex(std::max(0, combo->findText(text, Qt::MatchFixedString)));
                SetText(field, ToVString(combo->currentText()));
            }
        }
        control->setEnabled(!IsLocked(field));
    }
    m_loading = false;
}

void ConnectProtocolPage::OnFirewallChosen(int index)
{
    auto* combo = qobject_cast<QComboBox*>(FieldControl(ProtocolField::Firewall));
    if (!combo || !m_firewall)
        return;
    m_firewall->UpdateFirewall(ToVString(combo->itemText(index)), kFirewallSessionProtocol, 0, this);
    SetText(ProtocolField::Firewall, m_firewall->GetCurrentFirewall());
}

void ConnectProtocolPage::OnRefused(ProtocolField field, const VUnicodeString& why)
{
    GetMessageBox().Show(window(), why.str(), VGetAppName().str(), kMbOk | kMbIconExclamation);
    if (QWidget* control = FieldControl(field)) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->selectAll();
    }
}
