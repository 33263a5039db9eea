#include "dialogs/DuplicatePromptDialogBase.h"

#include "platform/MessageBox.h"
#include "platform/Products.h"
#include "platform/SessionNameValidator.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/sessions/SessionDatabase.h"

namespace {

constexpr uint32_t kMsgNameInUse = 0xE1090003;

std::u16string Trimmed(std::u16string_view text)
{
    const size_t first = text.find_first_not_of(u" \t\r\n");
    if (first == std::u16string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(u" \t\r\n");
    return std::u16string(text.substr(first, last - first + 1));
}

} // namespace

DuplicatePromptDialogBase::DuplicatePromptDialogBase(ISessionConfig* config)
    : m_config(VUnknownPointer<ISessionConfig>::Retain(config))
{
    m_newName = config->GetSessionName();
    // One remote host part serves both sides; it offers a host name when
    // the side that counts (terminal first, else transfer) connects to one.
    m_remoteHost = VUnknownPointer<IRemoteHostConfig>(config->GetRemoteHostConfig());
    m_offersHostName = m_remoteHost.Get() && SessionDatabase::OffersHostname(*config);
    if (m_offersHostName)
        m_hostName = m_remoteHost->GetHostname();
}

bool DuplicatePromptDialogBase::Confirm(QWidget* parent)
{
    const VUnicodeString path = m_config->GetSessionPath();
    const size_t slash = path.str().rfind(u'\\');
    const VUnicodeString folder = slash == std::u16string::npos ? VUnicodeString() : path.Left(slash + 1);
    m_newName = VUnicodeString(Trimmed(m_newName.str()));
    if (!ValidateSessionName(folder.str(), m_config->GetSessionName().str(), m_newName.str(), true, parent))
        return false;
    const VUnicodeString newPath = folder + m_newName;
    if (GetSessionDatabaseImpl()->SessionExists(newPath)) {
        VReportPtr report = NewReport(kMsgNameInUse);
        report->AddParameter(m_newName);
        GetMessageBox().Show(parent, report->GetText().str(), VGetAppName(), kMbOk | kMbIconExclamation);
        return false;
    }
    if (auto* session = dynamic_cast<SessionConfig*>(m_config.Get()))
        session->SetSessionPath(newPath);
    if (m_offersHostName)
        m_remoteHost->SetHostname(m_hostName);
    return true;
}
