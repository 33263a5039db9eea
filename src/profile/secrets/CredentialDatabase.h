#pragma once

#include <vector>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

class IReportMessageParams;

// Told when a saved credential was added, changed or removed; the panes
// register so that what they show of a credential stays current.
class ICredentialDatabaseSink {
public:
    virtual ~ICredentialDatabaseSink() = default;
    virtual void OnCredentialDatabaseChanged(const VUnicodeString& name) = 0;
};

// The user's saved credentials: a user name and a password under a name,
// kept in the store below "Credentials", the password only in the "03:"
// encrypted form. Each change is one transaction.
class ORV_EXPORT CredentialDatabase {
public:
    static constexpr char16_t kCredentialsKey[] = u"Credentials";
    static constexpr char16_t kUsernameValue[] = u"Username";
    static constexpr char16_t kPasswordValue[] = u"Password V2";

    // The names, in the store's order.
    VStringArray GetNames() const;
    bool Exists(const VUnicodeString& name) const;
    bool GetUsername(const VUnicodeString& name, VUnicodeString& username) const;
    // Decrypts the password; false with a report when it cannot be read.
    bool GetPassword(const VUnicodeString& name, VUnicodeString& password, IReportMessageParams* report) const;
    // Adds or replaces a credential. A name with a separator is refused.
    bool SetCredential(const VUnicodeString& name, const VUnicodeString& username, const VUnicodeString& password,
                       IReportMessageParams* report);
    bool DeleteCredential(const VUnicodeString& name);

    // Sinks are told of every change made through this object. The caller
    // keeps ownership and unregisters before the sink goes.
    void Register(ICredentialDatabaseSink* sink);
    void Unregister(ICredentialDatabaseSink* sink);
    size_t SinkCount() const { return m_sinks.size(); }

private:
    void Notify(const VUnicodeString& name);

    std::vector<ICredentialDatabaseSink*> m_sinks;
};

// The credential database of the process.
ORV_EXPORT bool GetCredentialDatabase(CredentialDatabase** database);
