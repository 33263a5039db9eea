#include "entry/HookModuleLoader.h"

#include "entry/EntryPointLoader.h"
#include "profile/reports/VReportMessageParams.h"

std::u16string JoinModulePath(std::u16string_view directory, std::u16string_view fileName)
{
    std::u16string path(directory);
    const bool dirSlash = !path.empty() && path.back() == u'/';
    const bool fileSlash = !fileName.empty() && fileName.front() == u'/';
    if (dirSlash && fileSlash)
        path.pop_back();
    else if (!dirSlash && !fileSlash)
        path += u'/';
    path += fileName;
    return path;
}

void HookModuleLoader::Load(const char16_t* directory, const char16_t* fileName)
{
    if (m_loaded)
        return;
    m_loaded = true; // first, so that a failed load is never tried again
    const std::u16string path = JoinModulePath(directory ? directory : u"", fileName ? fileName : u"");
    const EntryPointRow rows[] = {
        {m_slots.launchKeygenWizard, "LaunchKeygenWizard", true, false},
        {m_slots.launchConvertKeyWizard, "LaunchConvertKeyWizard", true, false},
        {m_slots.exportPublicKey, "LaunchExportPublicKeyFromCertificateWizard", true, false},
        {m_slots.manageAgentKeys, "LaunchManageAgentKeys", true, false},
        {m_slots.preloadKeysIntoAgent, "PreloadKeysIntoAgent", true, false},
        {m_slots.createSocksForwardingSocket, "CreateSocksForwardingSocket", true, false},
        {nullptr, nullptr, false, false},
    };
    EntryPointOutcome outcome;
    const bool ok = LoadModuleEntryPoints(path, rows, outcome);
    VReportPtr discarded = NewReport();
    ReportEntryPointOutcome(path, rows, ok, outcome, discarded.Get());
}
