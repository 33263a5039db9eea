#include "SampleDatabase.h"

#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

SqliteProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

struct Sample {
    const char16_t* path;
    const char16_t* protocol;
    const char16_t* transfer;
    const char16_t* host;
    const char16_t* description;
    bool promptForHostname; // saved without a host name: asked when it connects
};

constexpr const char16_t* kFolders[] = {u"Production", u"Production\\Web", u"Production\\Databases", u"Lab",
                                        u"Lab\\Network", u"Remote Desktops"};

constexpr Sample kSessions[] = {
    {u"Production\\Web\\web01", u"SSH2", u"SFTP", u"web01.example.net", u"Front web server, first of two"},
    {u"Production\\Web\\web02", u"SSH2", u"SFTP", u"web02.example.net", u"Front web server, second of two"},
    {u"Production\\Web\\static files", u"None", u"SFTP", u"static.example.net", u"Uploads for the CDN"},
    {u"Production\\Databases\\db-primary", u"SSH2", u"None", u"db1.example.net", u"Primary database host"},
    {u"Production\\Databases\\db-replica", u"SSH2", u"None", u"db2.example.net", u"Read replica"},
    {u"Lab\\Network\\core-switch", u"Telnet", u"None", u"10.0.0.2", u"Lab switch on the old firmware"},
    {u"Lab\\Network\\console", u"Serial", u"None", u"", u"Console cable on the rack"},
    {u"Lab\\build box", u"SSH2", u"SCP", u"build.lab", u"Nightly builds"},
    {u"Lab\\ftp mirror", u"None", u"FTP", u"mirror.lab", u"Unencrypted mirror, lab only"},
    {u"Remote Desktops\\office pc", u"RDP", u"None", u"office-pc.example.net", u"Reception's desktop"},
    {u"local shell", u"Local Shell", u"None", u"", u"A shell on this machine"},
    {u"jump host", u"SSH2", u"None", u"jump.example.net", u"Gateway to the production network"},
    {u"Lab\\ask for host", u"SSH2", u"None", u"", u"Asks for its host name each time it connects", true},
};

} // namespace

bool SeedSampleDatabase(const std::string& path)
{
    SqliteProfileFactory factory(path);
    if (!factory.IsOpen())
        return false;
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);
    SessionDatabase& database = *GetSessionDatabaseImpl();
    bool ok = true;
    for (const char16_t* folder : kFolders) {
        VUnicodeString parent;
        VUnicodeString leaf;
        SessionDatabase::SplitSessionPath(folder, parent, leaf);
        ok = database.CreateFolder(parent, leaf, {}, false, nullptr) && ok;
    }
    for (const Sample& sample : kSessions) {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(sample.path), 1);
        if (!key.IsOpen()) {
            ok = false;
            continue;
        }
        key.WriteString(u"Protocol Name", sample.protocol);
        key.WriteString(u"Transfer Protocol Name", sample.transfer);
        key.WriteString(u"Hostname", sample.host);
        key.WriteStringArray(u"Description", VStringArray{VUnicodeString(sample.description)});
        if (sample.promptForHostname)
            key.WriteUnsigned(u"Prompt For Hostname", 1);
    }
    database.DropCachedListings();
    ok = SeedSampleCommands() && ok;
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
    return ok;
}
