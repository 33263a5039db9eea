#pragma once

#include "commands/ICommandInfo.h"
#include "core/IString.h"
#include "platform/IDockWindow.h"

// The docked Command Manager as its host and the entry point see it.
class ICommandManager : public IDockWindow {
public:
    // The commands changed behind the pane's back: read them again.
    virtual void RefreshTree() = 0;
};

// What a host frame offers the Command Manager. The library finds it on the
// frame window by run-time type; everything is inline, so the host compiles
// its own copy and nothing needs linking. The first four are the pane's
// calls, in this order.
class ICommandManagerSink {
public:
    // Where a command is sent.
    enum Target : int { kActiveSession = 0, kAllSessions = 1, kSelectedTabGroups = 2, kVisibleSessions = 3 };

    virtual ~ICommandManagerSink() = default;

    // Send the command to the sessions of `target`. The pane holds a
    // reference on `info` for the call.
    virtual void SendCommand(ICommandInfo* info, int target) = 0;
    // The host's command-properties dialog on the item of `info`, which it
    // changes there (SetItem); true means OK, and the pane stores the change.
    virtual bool EditCommand(ICommandInfo* info, QWidget* parent) = 0;
    // A text that names this host instance; a tree record is pasted only
    // where the identity is the same.
    virtual void GetIdentity(IString& identity) = 0;
    // Whether `target` can be sent to now (whether any session is open).
    virtual bool CanSend(int target) = 0;

    // The frame's Command Manager, or null before it was made; the library
    // hands over the pane it made with SetCommandManager.
    virtual ICommandManager* GetCommandManager() const = 0;
    virtual void SetCommandManager(ICommandManager* pane) = 0;
};
