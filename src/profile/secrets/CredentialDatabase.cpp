#include "profile/secrets/CredentialDatabase.h"

#include <algorithm>

#include "profile/secrets/EncryptedStringServices.h"
#include "profile/secrets/VProfileEncryptedString.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

bool IsUsableName(const VUnicodeString& name)
{
    return !name.IsEmpty() && name.Find(u'\\') == VUnicodeString::npos && name.Find(u'/') == VUnicodeString::npos;
}

VUnicodeString KeyPathOf(const VUnicodeString& name)
{
    return VUnicodeString(CredentialDatabase::kCredentialsKey) + u"\\" + name.str();
}

} // namespace

VStringArray CredentialDatabase::GetNames() const
{
    VStringArray names;
    const VProfileStore store;
    if (!store.GetRootKey() || !store.GetRootKey()->KeyExists(kCredentialsKey))
        return names;
    const VProfileKey key(*store.GetRootKey(), kCredentialsKey, 0);
    VProfileKeyIterator it(key);
    VUnicodeString name;
    while (it.Next(name))
        names.Add(name);
    return names;
}

bool CredentialDatabase::Exists(const VUnicodeString& name) const
{
    const VProfileStore store;
    return IsUsableName(name) && store.GetRootKey() && store.GetRootKey()->KeyExists(KeyPathOf(name));
}

bool CredentialDatabase::GetUsername(const VUnicodeString& name, VUnicodeString& username) const
{
    if (!Exists(name))
        return false;
    const VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), KeyPathOf(name), 0);
    username = VUnicodeString();
    key.ReadString(kUsernameValue, username);
    return true;
}

bool CredentialDatabase::GetPassword(const VUnicodeString& name, VUnicodeString& password,
                                     IReportMessageParams* report) const
{
    if (!Exists(name))
        return false;
    const VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), KeyPathOf(name), 0);
    const VProfileEncryptedString value(&key, kPasswordValue, nullptr);
    return GetProfileEncryptedPlaintextString(value, password, report);
}

bool CredentialDatabase::SetCredential(const VUnicodeString& name, const VUnicodeString& username,
                                       const VUnicodeString& password, IReportMessageParams* report)
{
    if (!IsUsableName(name))
        return false;
    {
        VProfileStore store;
        if (!store.GetRootKey())
            return false;
        const VProfileKey key(*store.GetRootKey(), KeyPathOf(name), 1);
        VProfileEncryptedString value(&key, kPasswordValue, nullptr);
        // The secret is encrypted before anything is written.
        if (!key.IsOpen() || !UpdateProfileEncryptedString(value, password, report))
            return false;
        if (!key.WriteString(kUsernameValue, username) || !value.Save(&key))
            return false;
    }
    Notify(name);
    return true;
}

bool CredentialDatabase::DeleteCredential(const VUnicodeString& name)
{
    if (!Exists(name))
        return false;
    {
        VProfileStore store;
        if (!store.GetRootKey()->DeleteKey(KeyPathOf(name)))
            return false;
    }
    Notify(name);
    return true;
}

void CredentialDatabase::Register(ICredentialDatabaseSink* sink)
{
    if (sink && std::find(m_sinks.begin(), m_sinks.end(), sink) == m_sinks.end())
        m_sinks.push_back(sink);
}

void CredentialDatabase::Unregister(ICredentialDatabaseSink* sink)
{
    m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), sink), m_sinks.end());
}

void CredentialDatabase::Notify(const VUnicodeString& name)
{
    // A sink may unregister while it is told.
    const std::vector<ICredentialDatabaseSink*> sinks = m_sinks;
    for (ICredentialDatabaseSink* sink : sinks)
        if (std::find(m_sinks.begin(), m_sinks.end(), sink) != m_sinks.end())
            sink->OnCredentialDatabaseChanged(name);
}

bool GetCredentialDatabase(CredentialDatabase** database)
{
    static CredentialDatabase instance;
    if (!database)
        return false;
    *database = &instance;
    return true;
}
