// The exported entry points that show the Connect dialog, the session
// pickers and the docked Session Manager.
#include <QComboBox>
#include <QMainWindow>

#include "dialogs/FirewallComboChoice.h"
#include "dialogs/qt/ConnectDialog.h"
#include "dialogs/qt/ConnectView.h"
#include "dialogs/qt/SessionBrowse.h"
#include "entry/ConnectDialog.h"
#include "entry/LibraryState.h"
#include "platform/MessageBox.h"
#include "platform/Products.h"
#include "platform/SynchLock.h"
#include "platform/qt/QtPlatformServices.h"
#include "platform/qt/QtStrings.h"
#include "platform/qt/VDockingControlBar.h"
#include "profile/sessions/SessionDatabase.h"
#include "sessiontree/qt/SessionIcons.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgSessionManager = 0x6109000C;

// The configuration dialogs get the multi-session picker as their browser.
[[maybe_unused]] const bool g_browserKnown = [] {
    GetLibraryState().sessionBrowser = &ShowConnectDialogMultiSelectBrowseMode;
    GetLibraryState().sessionIconListFactory = &CreateSessionIconImageList;
    // Under a QApplication, reports and the clipboard use it from the
    // host's first start-up call on; a process without one keeps standard
    // error.
    GetLibraryState().installPlatformServices = [] { InstallQtPlatformServicesIfGui(); };
    return true;
}();

VUnicodeString MessageText(uint32_t id)
{
    return NewReport(id)->GetText();
}

int RunModal(ConnectDialog& dialog)
{
    InstallQtPlatformServices();
    const int result = dialog.exec();
    return result == 1 ? 1 : 2;
}

// The Session Manager of a frame: made once, then only shown.
void ShowDockedSessionManager(IConnectDialogSink& sink, unsigned int paneId, bool firstTreeFlag, bool hideTabOption,
                              int applicationNumber, QWidget* parent)
{
    ISessionManager* pane = sink.GetSessionManager();
    if (!pane) {
        SynchLock lock;
        auto* view = new ConnectView(ToQString(MessageText(kMsgSessionManager)), firstTreeFlag, hideTabOption,
                                     applicationNumber, &sink, parent);
        view->setProperty("paneId", paneId);
        if (auto* frame = qobject_cast<QMainWindow*>(parent))
            view->DockInto(frame);
        sink.SetSessionManager(view);
        pane = view;
    } else {
        pane->SetHideTabOption(hideTabOption);
    }
    bool visible = false;
    pane->ShowPane(true, visible);
}

} // namespace

int ShowConnectDialog(const char16_t* title, unsigned int paneId, bool firstTreeFlag, bool hideTabOption, bool dock,
                      bool focusFilter, int applicationNumber, QWidget* parent, VArray<ISessionConfig*>& sessions,
                      std::vector<VUnknownPointer<ISessionConfig>>& otherSessions, int& connectMode)
{
    InstallQtPlatformServices();
    if (dock)
        if (auto* sink = dynamic_cast<IConnectDialogSink*>(parent)) {
            ShowDockedSessionManager(*sink, paneId, firstTreeFlag, hideTabOption, applicationNumber, parent);
            return 2;
        }
    ConnectDialog dialog(title, firstTreeFlag, hideTabOption, false, {}, applicationNumber, parent);
    dialog.SetFocusFilterOnOpen(focusFilter);
    const int result = RunModal(dialog);
    if (result != 1)
        return result;
    if (ISessionConfig* quick = dialog.TakeQuickConnectConfig()) {
        sessions.Add(quick);
        otherSessions.clear();
        connectMode = dialog.TakeConnectMode();
        return result;
    }
    SessionDatabase& database = *GetSessionDatabaseImpl();
    for (const VUnicodeString& path : dialog.OwnSessions())
        if (SessionConfigPtr config = database.LoadSession(path))
            sessions.Add(config.Detach());
    otherSessions.clear();
    for (const VUnicodeString& path : dialog.OtherSessions())
        if (SessionConfigPtr config = database.LoadSession(path))
            otherSessions.emplace_back(config.Detach());
    connectMode = dialog.TakeConnectMode();
    return result;
}

int ShowConnectDialogBrowseMode(const char16_t* title, VUnicodeString& sessionPath, int applicationNumber,
                                QWidget* parent, bool treeOption)
{
    return BrowseOneSession(title, sessionPath, applicationNumber, parent, treeOption, {}, 0);
}

int ShowConnectDialogMultiSelectBrowseMode(const char16_t* title, VStringArray& paths, int applicationNumber,
                                           QWidget* parent)
{
    ConnectDialog dialog(title, false, true, true, {}, applicationNumber, parent);
    const int result = RunModal(dialog);
    if (result == 1)
        for (const VUnicodeString& path : dialog.OwnSessions())
            paths.Add(path);
    return result;
}

void ShowConnectDialogBrowseModeFirewall(VUnicodeString& result, VUnicodeString chosen, int applicationNumber,
                                         QWidget* parent, QComboBox* combo, VStringArray firewallNames,
                                         unsigned int& rememberedIndex, const char16_t* protocol,
                                         unsigned short value)
{
    BrowseFirewall(result, chosen, applicationNumber, parent, combo, firewallNames, rememberedIndex, protocol, value);
}

void ShowConnectView(bool show, QWidget* pane, bool& visible)
{
    if (auto* view = dynamic_cast<ConnectView*>(pane))
        view->ShowPane(show, visible);
}

int GetDockAlignment(const QWidget* bar)
{
    return DockAlignmentOf(bar);
}

int GetDockSibling(const QWidget* bar, int side, const QWidget* other)
{
    return DockSiblingOf(bar, side, other);
}
