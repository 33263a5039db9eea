#pragma once

#include "platform/IDockWindow.h"
#include "profile/secrets/CredentialDatabase.h"

// The docked Session Manager as its host and the entry points see it. It
// is told of changes to the saved credentials.
class ISessionManager : public IDockWindow, public ICredentialDatabaseSink {
public:
    // Hands the hide-tab-option flag to the pane's tree.
    virtual void SetHideTabOption(bool hide) = 0;
    // The session database changed behind the pane's back (another process).
    virtual void RefreshTree() = 0;
};
