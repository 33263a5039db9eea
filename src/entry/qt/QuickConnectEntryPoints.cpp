// The exported entry point that shows Quick Connect.
#include "dialogs/qt/QuickConnectDialog.h"
#include "entry/ConnectDialog.h"
#include "platform/GlobalConfig.h"
#include "platform/qt/QtPlatformServices.h"
#include "sessiontree/ISessionDatabaseChanged.h"

int ShowQuickConnectDialog(ISessionConfig** session, const VUnicodeString& targetFolder, int applicationNumber,
                           QWidget* parent, bool tabsAvailable)
{
    InstallQtPlatformServices();
    QuickConnectDialog dialog(targetFolder, applicationNumber, parent, tabsAvailable);
    const int result = dialog.DoModal();
    if (result != 1)
        return result;
    if (session)
        *session = dialog.TakeConfig();
    GlobalConfig* options = nullptr;
    if (auto* sink = dynamic_cast<ISessionDatabaseChanged*>(parent))
        if (GetGlobalConfig(&options) && options->saveQuickConnectSession)
            sink->OnSessionDatabaseChanged(1, 0);
    return result;
}
