#pragma once

#include <optional>

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"
#include "sessiontree/ISessionDatabaseChanged.h"

class ISessionConfig;
class QWidget;

// The dialog or pane that owns a session tree.
class ISessionTreeOwner : public ISessionDatabaseChanged {
public:
    // 1, 3 and 7 terminal-product hosts; 9 the transfer-product host; 6
    // and 8 other hosts.
    virtual int GetHostKind() const = 0;
    // The host's two display queries: every session drawn alike; the
    // alternate icon set.
    virtual bool UseGenericSessionIcons() const { return false; }
    virtual bool UseAlternateIcons() const { return false; }
    // Which database the tree shows: a paste or drop is taken only from a
    // tree that shows the same one.
    virtual VUnicodeString GetDatabaseIdentity() const = 0;
    // Where message boxes are shown.
    virtual QWidget* GetMessageParent() const { return nullptr; }
    // The user asked to open the selected sessions (Enter, double click).
    virtual void OnConnectRequested(const VStringArray& paths) { (void)paths; }
    // The duplicate prompt for a copy of `config`: the copy's name, and its
    // host name when the session offers one. False: cancelled.
    virtual bool PromptDuplicate(ISessionConfig& config, VUnicodeString& newName,
                                 std::optional<VUnicodeString>& newHost)
    {
        (void)config, (void)newName, (void)newHost;
        return false;
    }
    // New Session through the wizard: whether the host switched it on, and
    // running it for `folderPath`; true with the saved session's path.
    virtual bool UseNewSessionWizard() const { return false; }
    virtual bool RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath)
    {
        (void)folderPath;
        (void)createdPath;
        return false;
    }
    // A command of the tree's keys, offered to the owner first. True when
    // the owner took it (whether or not it was enabled); false lets the
    // tree run it itself.
    virtual bool HandleTreeCommand(unsigned command)
    {
        (void)command;
        return false;
    }
    // The label edit, drag or paste that held back a refresh has ended.
    virtual void OnTreeIdle() {}
};
