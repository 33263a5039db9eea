#include "commands/CommandDatabaseImpl.h"

#include "profile/sessions/ProfileFolderData.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

VUnicodeString CommandDatabaseImpl::FolderKeyPath(const VUnicodeString& folderPath) const
{
    VUnicodeString path = m_rootPath.IsEmpty() ? VUnicodeString(kCommandsKey) : m_rootPath + u"\\" + kCommandsKey;
    std::u16string_view rest = folderPath.str();
    while (!rest.empty()) {
        const size_t slash = rest.find(u'/');
        const std::u16string_view name = rest.substr(0, slash);
        if (!name.empty()) // doubled, leading and trailing slashes name no folder
            path += u"\\", path += name;
        if (slash == std::u16string_view::npos)
            break;
        rest.remove_prefix(slash + 1);
    }
    return path;
}

ProfileUserButtonMap* CommandDatabaseImpl::LoadCommands(const VUnicodeString& folderPath) const
{
    VProfileStore store;
    const VUnicodeString listPath = FolderKeyPath(folderPath) + u"\\" + kCommandListKey;
    if (!store.GetRootKey() || !store.GetRootKey()->KeyExists(listPath))
        return new ProfileUserButtonMap(nullptr, kCommandListName);
    const VProfileKey key(*store.GetRootKey(), listPath, 0);
    return new ProfileUserButtonMap(&key, kCommandListName);
}

bool CommandDatabaseImpl::SaveCommands(const VUnicodeString& folderPath, ProfileUserButtonMap& commands) const
{
    VProfileStore store;
    if (!store.GetRootKey())
        return false;
    const VProfileKey key(*store.GetRootKey(), FolderKeyPath(folderPath) + u"\\" + kCommandListKey, 1);
    if (!key.IsOpen() || !key.WriteUnsigned(kIsCommandListValue, 1))
        return false;
    return commands.Save(&key);
}

bool CommandDatabaseImpl::FolderExists(const VUnicodeString& folderPath) const
{
    const VUnicodeString keyPath = FolderKeyPath(folderPath);
    if (keyPath == FolderKeyPath({}))
        return true;
    VProfileStore store;
    return store.GetRootKey() && store.GetRootKey()->KeyExists(keyPath);
}

VStringArray CommandDatabaseImpl::GetSubfolders(const VUnicodeString& folderPath) const
{
    VProfileStore store;
    // A folder's "__Commands__" key holds values, so the folder data counts
    // it among the sessions, never among the folders.
    const ProfileFolderData data(&store, folderPath, ProfileFolderData::kSortManual, FolderKeyPath({}));
    VStringArray folders;
    data.GetFolderList(folders);
    return folders;
}

bool CommandDatabaseImpl::CreateFolder(const VUnicodeString& parentPath, const VUnicodeString& name,
                                       const VUnicodeString& reference, bool after) const
{
    VProfileStore store;
    if (!store.GetRootKey() || name.IsEmpty())
        return false;
    const VProfileKey key(*store.GetRootKey(), FolderKeyPath(parentPath + u"/" + name.str()), 1);
    if (!key.IsOpen())
        return false;
    ProfileFolderData data(&store, parentPath, ProfileFolderData::kSortManual, FolderKeyPath({}));
    data.AddFolder(name, reference, after);
    return true;
}

CommandDatabaseImpl* GetCommandDatabaseImpl()
{
    static CommandDatabaseImpl database;
    return &database;
}
