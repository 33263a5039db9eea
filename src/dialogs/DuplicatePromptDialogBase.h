#pragma once

#include "core/VUnicodeString.h"
#include "core/VUnknown.h"
#include "profile/sessions/IRemoteHostConfig.h"
#include "profile/sessions/ISessionConfig.h"

class QWidget;

// The rules of the duplicate prompt, without its window: the copy's name
// and, when the session's remote host part offers one, its host name. On a
// valid confirmation the configuration takes the new path, name and host.
class DuplicatePromptDialogBase {
public:
    // Takes a reference on `config`.
    explicit DuplicatePromptDialogBase(ISessionConfig* config);
    virtual ~DuplicatePromptDialogBase() = default;
    DuplicatePromptDialogBase(const DuplicatePromptDialogBase&) = delete;
    DuplicatePromptDialogBase& operator=(const DuplicatePromptDialogBase&) = delete;

    const VUnicodeString& GetNewName() const { return m_newName; }
    const VUnicodeString& GetHostName() const { return m_hostName; }
    bool OffersHostName() const { return m_offersHostName; }
    ISessionConfig* GetConfig() const { return m_config.Get(); }

    // The window enables and disables itself.
    virtual void EnableDialog() = 0;
    virtual void DisableDialog() = 0;

protected:
    // The OK button: trims the name and validates it in the session's
    // folder (an invalid or taken name is reported to the user, under
    // `parent`). True when the dialog may close; the configuration then
    // carries the new path and name, and the host name when offered.
    bool Confirm(QWidget* parent);

    VUnicodeString m_newName;
    VUnicodeString m_hostName;
    bool m_offersHostName = true;

private:
    VUnknownPointer<ISessionConfig> m_config;
    VUnknownPointer<IRemoteHostConfig> m_remoteHost;
};
