#pragma once

#include <vector>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnknown.h"
#include "profile/sessions/ISessionConfig.h"

class ISessionManager;

// What a host frame offers the Connect dialog and the Session Manager. The
// library finds it on the frame window by run-time type, so everything is
// inline: the host compiles its own copy and nothing needs linking.
class ORV_EXPORT IConnectDialogSink {
public:
    // How a connect request opens its sessions (Connect mode of the dialog).
    enum Opening : int { kOpenCurrent = 0, kOpenInTab = 1, kOpenNewWindow = 2, kOpenNewTabGroup = 3 };

    virtual ~IConnectDialogSink() = default;

    // The frame's Session Manager, or null before it was made; the library
    // hands over the pane it made with SetSessionManager.
    virtual ISessionManager* GetSessionManager() const = 0;
    virtual void SetSessionManager(ISessionManager* pane) = 0;
    // True when the host opens sessions in tabs rather than tiled windows.
    virtual bool OpensSessionsInTabs() const = 0;
    // True when the host can open a new tab group.
    virtual bool AcceptsTabGroups() const { return true; }
    // Open these sessions: in the host's own product, in the suite's other
    // product, or both; `opening` is one of Opening.
    virtual void ConnectSessions(const VStringArray& paths, const std::vector<VUnknownPointer<ISessionConfig>>& sessions,
                                 bool ownProduct, bool otherProduct, int opening) = 0;
    // The pane's Quick Connect and its close button.
    virtual void OnQuickConnect() {}
    virtual void OnSessionManagerClosed() {}
    // Passed on from the trees: the database, or the way it is shown, changed.
    virtual void OnSessionDatabaseChanged(int changed, int reserved)
    {
        (void)changed;
        (void)reserved;
    }
    virtual void OnSessionDatabaseViewChanged() {}
};
