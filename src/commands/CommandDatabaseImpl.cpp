#include "commands/CommandDatabaseImpl.h"

#include <array>

#include "core/VUnknown.h"
#include "platform/MessageFormatter.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/store/StoredValue.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr char16_t kUniqueNamePattern[] = u"%1 (%2!d!)";

// The folder path with its empty levels dropped: "/A//B/" is "A/B".
VUnicodeString NormalPath(const VUnicodeString& path)
{
    VUnicodeString normal;
    std::u16string_view rest = path.str();
    while (!rest.empty()) {
        const size_t slash = rest.find(u'/');
        const std::u16string_view name = rest.substr(0, slash);
        if (!name.empty()) {
            if (!normal.IsEmpty())
                normal += u'/';
            normal += name;
        }
        if (slash == std::u16string_view::npos)
            break;
        rest.remove_prefix(slash + 1);
    }
    return normal;
}

// A folder's name is one key name: no separators, not empty, and none of
// the names the folder keeps for itself.
bool IsUsableName(const VUnicodeString& name)
{
    return !name.IsEmpty() && name.Find(u'/') == VUnicodeString::npos && name.Find(u'\\') == VUnicodeString::npos &&
           ProfileFolderData::IsListedName(name.str()) &&
           !name.EqualsNoCase(CommandDatabaseImpl::kCommandListKey);
}

// Copies the key at `from` with every value and subkey to `to` (made).
bool CopyKeyTree(const VProfileKey& root, const VUnicodeString& from, const VUnicodeString& to)
{
    const VProfileKey source(root, from, 0);
    if (!source.IsOpen())
        return false;
    VStringArray children;
    {
        VProfileKeyIterator it(source);
        VUnicodeString name;
        while (it.Next(name))
            children.Add(name);
    }
    const VProfileKey target(root, to, 1);
    if (!target.IsOpen() || !WriteStoredValues(target, ReadStoredValues(source)))
        return false;
    for (const VUnicodeString& child : children)
        if (!CopyKeyTree(root, from + u"\\" + child.str(), to + u"\\" + child.str()))
            return false;
    return true;
}

} // namespace

void CommandDatabaseImpl::SplitFolderPath(const VUnicodeString& path, VUnicodeString& parent, VUnicodeString& name)
{
    const VUnicodeString normal = NormalPath(path);
    const size_t slash = normal.ReverseFind(u'/');
    if (slash == VUnicodeString::npos) {
        parent = VUnicodeString();
        name = normal;
    } else {
        parent = normal.Left(slash);
        name = normal.Mid(slash + 1);
    }
}

VUnicodeString CommandDatabaseImpl::JoinFolderPath(const VUnicodeString& parent, const VUnicodeString& name)
{
    const VUnicodeString normal = NormalPath(parent);
    return normal.IsEmpty() ? name : normal + u"/" + name.str();
}

bool CommandDatabaseImpl::IsBelow(const VUnicodeString& path, const VUnicodeString& folder)
{
    const VUnicodeString p = NormalPath(path);
    const VUnicodeString f = NormalPath(folder);
    if (f.IsEmpty())
        return !p.IsEmpty();
    return p.Length() > f.Length() && p.At(f.Length()) == u'/' &&
           VUnicodeString::CompareNoCase(std::u16string_view(p).substr(0, f.Length()), f) == 0;
}

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
    if (!store.GetRootKey() || !IsUsableName(name))
        return false;
    const VProfileKey key(*store.GetRootKey(), FolderKeyPath(parentPath + u"/" + name.str()), 1);
    if (!key.IsOpen())
        return false;
    ProfileFolderData data(&store, parentPath, ProfileFolderData::kSortManual, FolderKeyPath({}));
    data.AddFolder(name, reference, after);
    return true;
}

bool CommandDatabaseImpl::CreateFolderWithCommands(const VUnicodeString& parentPath, const VUnicodeString& name,
                                                   const std::vector<ProfileUserButtonMap::Item>& commands) const
{
    VProfileStore store; // the outermost store: one transaction for all of it
    if (!store.GetRootKey() || !IsUsableName(name) || !FolderExists(parentPath) ||
        store.GetRootKey()->KeyExists(FolderKeyPath(JoinFolderPath(parentPath, name))))
        return false;
    if (!CreateFolder(parentPath, name))
        return false;
    const VUnicodeString path = JoinFolderPath(parentPath, name);
    VUnknownPointer<ProfileUserButtonMap> list(LoadCommands(path));
    for (const ProfileUserButtonMap::Item& item : commands)
        list->Insert(list->GetCount(), item);
    return commands.empty() || SaveCommands(path, *list);
}

VUnicodeString CommandDatabaseImpl::MakeUniqueFolderName(const VUnicodeString& parentPath,
                                                         const VUnicodeString& baseName) const
{
    VProfileStore store;
    VUnicodeString name = baseName;
    if (!store.GetRootKey())
        return name;
    for (int64_t n = 1; store.GetRootKey()->KeyExists(FolderKeyPath(JoinFolderPath(parentPath, name))); ++n) {
        const std::array<MessageArg, 2> args{std::u16string_view(baseName), n};
        name = VUnicodeString(FormatMessageText(kUniqueNamePattern, args));
    }
    return name;
}

bool CommandDatabaseImpl::DeleteFolder(const VUnicodeString& folderPath) const
{
    VUnicodeString parent;
    VUnicodeString name;
    SplitFolderPath(folderPath, parent, name);
    VProfileStore store;
    if (name.IsEmpty() || !store.GetRootKey() || !store.GetRootKey()->KeyExists(FolderKeyPath(folderPath)))
        return false;
    ProfileFolderData parentData(&store, parent, ProfileFolderData::kSortManual, FolderKeyPath({}));
    if (!store.GetRootKey()->DeleteKey(FolderKeyPath(folderPath)))
        return false;
    parentData.RemoveFolder(name);
    return true;
}

bool CommandDatabaseImpl::RenameFolder(const VUnicodeString& folderPath, const VUnicodeString& newName,
                                       bool* taken) const
{
    if (taken)
        *taken = false;
    VUnicodeString parent;
    VUnicodeString name;
    SplitFolderPath(folderPath, parent, name);
    VProfileStore store;
    if (name.IsEmpty() || !IsUsableName(newName) || !store.GetRootKey())
        return false;
    const VProfileKey& root = *store.GetRootKey();
    const VUnicodeString from = FolderKeyPath(folderPath);
    const VUnicodeString to = FolderKeyPath(JoinFolderPath(parent, newName));
    if (!root.KeyExists(from))
        return false;
    if (name == newName)
        return true;
    const bool caseOnly = name.EqualsNoCase(newName);
    if (!caseOnly && root.KeyExists(to)) {
        if (taken)
            *taken = true;
        return false;
    }
    ProfileFolderData parentData(&store, parent, ProfileFolderData::kSortManual, FolderKeyPath({}));
    bool done = false;
    if (caseOnly) {
        // Through a name no folder has, so that a store that compares without
        // case still sees a change of name.
        const VUnicodeString between = FolderKeyPath(JoinFolderPath(parent, u"__" + newName.str() + u"__"));
        if (root.RenameKey(from, between)) {
            done = root.RenameKey(between, to);
            if (!done)
                root.RenameKey(between, from);
        }
    } else {
        done = root.RenameKey(from, to);
    }
    if (!done)
        return false;
    parentData.RenameFolder(name, newName);
    return true;
}

bool CommandDatabaseImpl::CopyFolder(const VUnicodeString& source, const VUnicodeString& targetParent,
                                     VUnicodeString& newName, const VUnicodeString& reference, bool after) const
{
    VUnicodeString parent;
    VUnicodeString name;
    SplitFolderPath(source, parent, name);
    VProfileStore store;
    if (name.IsEmpty() || !store.GetRootKey() || !FolderExists(source) || !FolderExists(targetParent) ||
        VUnicodeString::CompareNoCase(NormalPath(source), NormalPath(targetParent)) == 0 ||
        IsBelow(targetParent, source))
        return false;
    newName = MakeUniqueFolderName(targetParent, name);
    ProfileFolderData targetData(&store, targetParent, ProfileFolderData::kSortManual, FolderKeyPath({}));
    if (!CopyKeyTree(*store.GetRootKey(), FolderKeyPath(source), FolderKeyPath(JoinFolderPath(targetParent, newName))))
        return false;
    targetData.AddFolder(newName, reference, after);
    return true;
}

bool CommandDatabaseImpl::MoveFolder(const VUnicodeString& source, const VUnicodeString& targetParent,
                                     VUnicodeString& newName, const VUnicodeString& reference, bool after) const
{
    VUnicodeString parent;
    VUnicodeString name;
    SplitFolderPath(source, parent, name);
    VProfileStore store;
    if (name.IsEmpty() || !store.GetRootKey() || !FolderExists(source) || !FolderExists(targetParent) ||
        VUnicodeString::CompareNoCase(NormalPath(source), NormalPath(targetParent)) == 0 ||
        IsBelow(targetParent, source))
        return false;
    if (VUnicodeString::CompareNoCase(parent, NormalPath(targetParent)) == 0) {
        newName = name; // already there: only its place may change
        if (!reference.IsEmpty() && !reference.EqualsNoCase(name)) {
            ProfileFolderData data(&store, parent, ProfileFolderData::kSortManual, FolderKeyPath({}));
            data.MoveFolder(name, reference, after);
        }
        return true;
    }
    newName = MakeUniqueFolderName(targetParent, name);
    ProfileFolderData oldData(&store, parent, ProfileFolderData::kSortManual, FolderKeyPath({}));
    ProfileFolderData targetData(&store, targetParent, ProfileFolderData::kSortManual, FolderKeyPath({}));
    if (!store.GetRootKey()->RenameKey(FolderKeyPath(source), FolderKeyPath(JoinFolderPath(targetParent, newName))))
        return false;
    oldData.RemoveFolder(name);
    targetData.AddFolder(newName, reference, after);
    return true;
}

bool CommandDatabaseImpl::InsertCommand(const VUnicodeString& folderPath, size_t position,
                                        const ProfileUserButtonMap::Item& item) const
{
    VProfileStore store;
    if (!FolderExists(folderPath))
        return false;
    VUnknownPointer<ProfileUserButtonMap> list(LoadCommands(folderPath));
    list->Insert(position, item);
    return SaveCommands(folderPath, *list);
}

bool CommandDatabaseImpl::ReplaceCommand(const VUnicodeString& folderPath, size_t position,
                                         const ProfileUserButtonMap::Item& item) const
{
    VProfileStore store;
    VUnknownPointer<ProfileUserButtonMap> list(LoadCommands(folderPath));
    if (position >= list->GetCount())
        return false;
    list->Replace(position, item);
    return SaveCommands(folderPath, *list);
}

bool CommandDatabaseImpl::RemoveCommand(const VUnicodeString& folderPath, size_t position) const
{
    VProfileStore store;
    VUnknownPointer<ProfileUserButtonMap> list(LoadCommands(folderPath));
    if (position >= list->GetCount())
        return false;
    list->Remove(position);
    return SaveCommands(folderPath, *list);
}

bool CommandDatabaseImpl::CopyCommand(const VUnicodeString& fromFolder, size_t from, const VUnicodeString& toFolder,
                                      size_t to, size_t* placedAt) const
{
    return MoveOrCopyCommand(fromFolder, from, toFolder, to, false, placedAt);
}

bool CommandDatabaseImpl::MoveCommand(const VUnicodeString& fromFolder, size_t from, const VUnicodeString& toFolder,
                                      size_t to, size_t* placedAt) const
{
    return MoveOrCopyCommand(fromFolder, from, toFolder, to, true, placedAt);
}

bool CommandDatabaseImpl::MoveOrCopyCommand(const VUnicodeString& fromFolder, size_t from,
                                            const VUnicodeString& toFolder, size_t to, bool move,
                                            size_t* placedAt) const
{
    VProfileStore store;
    if (!store.GetRootKey() || !FolderExists(toFolder))
        return false;
    VUnknownPointer<ProfileUserButtonMap> source(LoadCommands(fromFolder));
    if (from >= source->GetCount())
        return false;
    const ProfileUserButtonMap::Item item = source->GetItem(from);
    size_t at = 0;
    if (VUnicodeString::CompareNoCase(NormalPath(fromFolder), NormalPath(toFolder)) == 0) {
        at = std::min(to, source->GetCount());
        if (move) {
            source->Remove(from);
            if (at > from)
                --at;
        }
        source->Insert(at, item);
        if (!SaveCommands(fromFolder, *source))
            return false;
    } else {
        VUnknownPointer<ProfileUserButtonMap> target(LoadCommands(toFolder));
        at = std::min(to, target->GetCount());
        target->Insert(at, item);
        if (!SaveCommands(toFolder, *target))
            return false;
        if (move) {
            source->Remove(from);
            if (!SaveCommands(fromFolder, *source))
                return false;
        }
    }
    if (placedAt)
        *placedAt = at;
    return true;
}

CommandDatabaseImpl* GetCommandDatabaseImpl()
{
    static CommandDatabaseImpl database;
    return &database;
}
