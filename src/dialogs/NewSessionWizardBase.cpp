#include "dialogs/NewSessionWizardBase.h"

#include "dialogs/ConnectProtocolPageBase.h"
#include "platform/GlobalConfig.h"
#include "platform/Products.h"
#include "platform/ProtocolTable.h"

NewSessionWizardBase::NewSessionWizardBase(ISessionConfig* config, int applicationNumber)
    : m_config(SessionConfigPtr::Retain(dynamic_cast<SessionConfig*>(config))), m_applicationNumber(applicationNumber)
{
    if (!m_config)
        m_config = SessionConfigPtr(new SessionConfig(nullptr, {}));
}

void NewSessionWizardBase::InitPages(INewSessionWizardPage* single, INewSessionWizardPage* terminal,
                                     INewSessionWizardPage* transfer, INewSessionWizardPage* finish)
{
    m_pages[0] = single;
    m_pages[1] = terminal;
    m_pages[2] = transfer;
    m_pages[3] = finish;
}

std::vector<int> NewSessionWizardBase::ProtocolPageIDs(std::u16string_view protocol)
{
    const std::span<const ConnectProtocolRow> table = GetConnectProtocolTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (VUnicodeString::CompareNoCase(table[i].name, protocol) == 0 &&
            !ConnectProtocolPageBase::FieldsOf(table[i].name).empty())
            return {kFirstProtocolPageID + static_cast<int>(i)};
    return {};
}

bool NewSessionWizardBase::UsesBothFamilies() const
{
    return IsTerminalFamilyApplication(m_applicationNumber) && IsPellowinInstalled();
}

int NewSessionWizardBase::GetPageAfterProtocol(const VUnicodeString& protocol)
{
    const ConnectProtocolRow* row = FindProtocolByName(protocol.str());
    const bool terminal = row && row->applicationNumber == kApplicationTerminal && ConnectConfig::IsProtocol(protocol);
    return terminal && UsesBothFamilies() ? GetTransferPageID() : GetFinishPageID();
}

int NewSessionWizardBase::GetNextProtocolResourceID(const VUnicodeString& protocol)
{
    const std::vector<int> pages = ProtocolPageIDs(protocol.str());
    return pages.empty() ? GetPageAfterProtocol(protocol) : pages.front();
}

void NewSessionWizardBase::SetUseWizard(bool use)
{
    GlobalConfig* options = nullptr;
    if (GetGlobalConfig(&options)) {
        options->useNewSessionWizard = use;
        options->Save();
    }
}

bool NewSessionWizardBase::GetUseWizard()
{
    GlobalConfig* options = nullptr;
    return GetGlobalConfig(&options) && options->useNewSessionWizard;
}
