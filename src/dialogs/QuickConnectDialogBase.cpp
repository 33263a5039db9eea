#include "dialogs/QuickConnectDialogBase.h"

#include <array>

#include "dialogs/ConnectProtocolPageBase.h"
#include "platform/GlobalConfig.h"
#include "platform/HostHooks.h"
#include "platform/MessageFormatter.h"
#include "platform/Products.h"
#include "platform/SessionNameValidator.h"
#include "profile/reports/ReportRouting.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/sessions/SessionDatabase.h"

namespace {

constexpr char16_t kTiledWindowLabel[] = u"Open in a &tiled window";

GlobalConfig* Options()
{
    GlobalConfig* config = nullptr;
    return GetGlobalConfig(&config) ? config : nullptr;
}

// The product whose protocols an application is offered: terminal-family
// hosts the terminal product's, the others the transfer product's.
int ProductOf(int applicationNumber)
{
    return IsTerminalFamilyApplication(applicationNumber) ? kApplicationTerminal
                                                          : GetTransferAppProductID(applicationNumber);
}

const ConnectProtocolRow* FirstRowOf(int applicationNumber)
{
    for (const ConnectProtocolRow& row : GetConnectProtocolTable())
        if (row.applicationNumber == ProductOf(applicationNumber) && ConnectConfig::IsProtocol(row.name))
            return &row;
    return nullptr;
}

} // namespace

VUnknownPointer<ISessionConfig>& QuickConnectDialogBase::Retained()
{
    static VUnknownPointer<ISessionConfig> retained;
    return retained;
}

void QuickConnectDialogBase::ReleaseRetained()
{
    Retained().Reset();
}

QuickConnectDialogBase::QuickConnectDialogBase(const VUnicodeString& targetFolder, int applicationNumber,
                                               bool tabsAvailable)
    : m_targetFolder(targetFolder), m_applicationNumber(applicationNumber), m_tabsAvailable(tabsAvailable)
{
    GlobalConfig* options = Options();
    if (options) {
        m_openInTab = options->openSessionsInTab;
        m_saveSession = options->saveQuickConnectSession;
        m_showOnStartup = options->showQuickConnectOnStartup;
    }
    if (SessionConfigPtr defaults = GetSessionDatabaseImpl()->GetDefaultSession({}))
        m_config = SessionConfigPtr(defaults->Clone());
    else
        m_config = SessionConfigPtr(new SessionConfig(nullptr, SessionConfig::kDefaultSession));

    VUnknownPointer<ISessionConfig>& retained = Retained();
    if (!retained) {
        if (!ConnectConfig::IsProtocol(GetProtocolFor(*m_config, m_applicationNumber)))
            if (const ConnectProtocolRow* first = FirstRowOf(m_applicationNumber))
                SetProtocolFor(*m_config, m_applicationNumber, first->name);
        retained = VUnknownPointer<ISessionConfig>(m_config->Copy());
    }
    if (const auto* last = dynamic_cast<const SessionConfig*>(retained.Get())) {
        m_config->Assign(*last);
        SetProtocolFor(*m_config, m_applicationNumber, GetProtocolFor(*last, m_applicationNumber));
    }
    if (options && options->TabsForced())
        m_openInTab = true;
    m_config->SetTemporary(!m_saveSession);
}

QuickConnectDialogBase::~QuickConnectDialogBase()
{
    if (GlobalConfig* options = Options(); options && options->showQuickConnectOnStartup) {
        options->showConnectDialogOnStartup = false;
        options->Save();
    }
}

void QuickConnectDialogBase::ReleasePage()
{
    if (m_page)
        DestroyProtocolPage(std::exchange(m_page, nullptr));
}

void QuickConnectDialogBase::InitDialog()
{
    m_protocolName = GetProtocolFor(*m_config, m_applicationNumber);
    PrepareProtocolData(*m_config, m_protocolName, IsTerminalFamilyApplication(m_applicationNumber), !m_saveSession);

    const std::span<const ConnectProtocolRow> table = GetConnectProtocolTable();
    int selected = -1;
    int items = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const ConnectProtocolRow& row = table[i];
        if (row.applicationNumber != ProductOf(m_applicationNumber) || !ConnectConfig::IsProtocol(row.name))
            continue;
        AddProtocolItem(row.displayName, static_cast<int>(i));
        if (selected < 0 && m_protocolName.EqualsNoCase(row.name))
            selected = items;
        ++items;
    }
    if (selected < 0 && items > 0) {
        selected = 0;
        m_protocolName = table[static_cast<size_t>(ProtocolItemRow(0))].name;
        SetProtocolFor(*m_config, m_applicationNumber, m_protocolName);
    }
    m_selectedItem = selected;

    ShowBoxes(m_showOnStartup, m_saveSession, m_openInTab);
    EnableDone(false);
    if (!m_tabsAvailable)
        RelabelTabBox(kTiledWindowLabel);
    const GlobalConfig* options = Options();
    ApplyLayout(IsTerminalApplication(), !(options && options->TabsForced()));

    if (selected >= 0) {
        m_page = CreateProtocolPage(table[static_cast<size_t>(ProtocolItemRow(selected))]);
        if (m_page) {
            m_page->SetHostnameSink(this);
            m_page->DataExchange(false);
        }
        SelectProtocolItem(selected);
    }
    ApplyConnectRule();
}

void QuickConnectDialogBase::OnProtocolSelectionChanged(int item)
{
    if (item < 0 || item >= ProtocolItemCount() || item == m_selectedItem)
        return;
    bool startup = false;
    bool tab = false;
    ReadBoxes(startup, m_saveSession, tab);
    m_config->SetTemporary(!m_saveSession);
    const std::span<const ConnectProtocolRow> table = GetConnectProtocolTable();
    const int rowIndex = ProtocolItemRow(item);
    if (rowIndex < 0 || static_cast<size_t>(rowIndex) >= table.size()) {
        SelectProtocolItem(m_selectedItem);
        return;
    }
    m_selectedItem = item;
    if (m_page)
        m_page->SaveValidFields();
    m_protocolName = table[static_cast<size_t>(rowIndex)].name;
    SetProtocolFor(*m_config, m_applicationNumber, m_protocolName);
    PrepareProtocolData(*m_config, m_protocolName, IsTerminalFamilyApplication(m_applicationNumber), !m_saveSession);
    ConnectProtocolPageBase* page = CreateProtocolPage(table[static_cast<size_t>(rowIndex)]);
    if (page) {
        page->SetHostnameSink(this);
        page->DataExchange(false);
    }
    if (m_page)
        DestroyProtocolPage(m_page);
    m_page = page;
    ApplyConnectRule();
}

bool QuickConnectDialogBase::DataExchange(bool save)
{
    if (!save) {
        ShowBoxes(m_showOnStartup, m_saveSession, m_openInTab);
        return !m_page || m_page->DataExchange(false);
    }
    ReadBoxes(m_showOnStartup, m_saveSession, m_openInTab);
    const std::span<const ConnectProtocolRow> table = GetConnectProtocolTable();
    if (m_selectedItem >= 0)
        if (const int row = ProtocolItemRow(m_selectedItem); row >= 0 && static_cast<size_t>(row) < table.size())
            m_protocolName = table[static_cast<size_t>(row)].name;
    if (m_page && !m_page->DataExchange(true))
        return false;
    SetProtocolFor(*m_config, m_applicationNumber, m_protocolName);
    return true;
}

void QuickConnectDialogBase::OnDone()
{
    bool save = false;
    bool tab = false;
    ReadBoxes(m_showOnStartup, save, tab);
    if (GlobalConfig* options = Options()) {
        options->showQuickConnectOnStartup = m_showOnStartup;
        options->Save();
    }
    EndDialog(0);
}

void QuickConnectDialogBase::OnConnect()
{
    if (DataExchange(true))
        EndDialog(1);
}

void QuickConnectDialogBase::OnHelp()
{
    if (const HelpCallback help = GetHostCallbacks().help)
        help(GetDialog(), kHelpContext, 0);
}

void QuickConnectDialogBase::OnHostnameChanged()
{
    ApplyConnectRule();
}

void QuickConnectDialogBase::ApplyConnectRule()
{
    EnableConnectButton(CanConnectWith(*m_config, m_applicationNumber));
}

VUnicodeString QuickConnectDialogBase::MakeSessionName() const
{
    const SessionDatabase& database = *GetSessionDatabaseImpl();
    const VUnicodeString base = ConnectionNameOf(*m_config, m_applicationNumber);
    VUnicodeString name = base;
    for (int64_t n = 1; database.SessionExists(SessionDatabase::JoinSessionPath(m_targetFolder, name)); ++n) {
        const std::array<MessageArg, 2> args{std::u16string_view(base.str()), n};
        name = FormatMessageText(kUniqueNamePattern, args);
    }
    return name;
}

bool QuickConnectDialogBase::ProcessOk(IReportMessageParams* report)
{
    if (GlobalConfig* options = Options()) {
        options->openSessionsInTab = m_openInTab;
        options->saveQuickConnectSession = m_saveSession;
        options->showQuickConnectOnStartup = m_showOnStartup;
        options->Save();
    }
    Retained() = VUnknownPointer<ISessionConfig>(m_config->Copy());
    m_config->SetTemporary(!m_saveSession);
    if (!m_saveSession)
        return true;

    const VUnicodeString name = MakeSessionName();
    if (!ValidateSessionName(m_targetFolder.str(), m_config->GetSessionName().str(), name.str(), true, GetDialog()))
        return false;
    m_config->SetTemporary(false);
    VReportPtr own = report ? VReportPtr() : NewReport();
    IReportMessageParams* failure = report ? report : own.Get();
    if (!GetSessionDatabaseImpl()->SaveNewSession(*m_config, m_targetFolder, name, {}, false, failure)) {
        m_config->SetTemporary(true);
        if (own) {
            failure->SetOwner(GetDialog());
            RouteReport(own.Detach());
        }
        return false;
    }
    m_savedPath = m_config->GetSessionPath();
    return true;
}

ISessionConfig* QuickConnectDialogBase::TakeConfig() const
{
    m_config->AddRef();
    return m_config.Get();
}
