// The hostname prompt's exported entry points.
#include "entry/ConnectDialog.h"
#include "entry/qt/HostnamePromptDialog.h"
#include "platform/qt/QtPlatformServices.h"
#include "profile/sessions/ConnectConfig.h"

int LaunchHostnamePromptDialog(IString* result, const char16_t* initialHostname, QWidget* parent)
{
    InstallQtPlatformServices();
    HostnamePromptDialog dialog(VUnicodeString(), initialHostname ? initialHostname : u"", parent);
    const int answer = dialog.Run();
    if (answer != 1)
        return answer;
    if (result)
        result->Assign(dialog.Hostname().c_str(), 0);
    return 1;
}

bool UpdateHostnameForConfig(ConnectConfig* record, const char16_t* sessionLabel)
{
    if (!record)
        return true;
    int32_t prompt = 0;
    const bool ask = (!record->QueryHostnamePrompt(prompt) && prompt == 1) || record->UsesAlternativeHostname();
    if (!ask)
        return true;
    InstallQtPlatformServices();
    HostnamePromptDialog dialog(sessionLabel ? sessionLabel : u"", record->GetHostname(), nullptr);
    if (dialog.Run() == 2)
        return false;
    const VUnicodeString hostname = dialog.Hostname();
    // Asked again: the record may have changed its mind while the user typed.
    if (record->UsesAlternativeHostname())
        record->SetAlternativeHostname(hostname.c_str());
    else
        record->SetHostname(hostname.c_str());
    return true;
}
