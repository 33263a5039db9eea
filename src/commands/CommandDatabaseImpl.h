#pragma once

#include <vector>

#include "commands/ProfileUserButtonMap.h"
#include "core/Export.h"

// Where the Command Manager's commands are stored: a tree of command
// folders below the key "Commands". A folder's own commands are the list
// "Default" in its subkey "__Commands__"; its subfolders are its other
// subkeys.
class ORV_EXPORT CommandDatabaseImpl {
public:
    static constexpr char16_t kCommandsKey[] = u"Commands";
    static constexpr char16_t kCommandListKey[] = u"__Commands__";
    static constexpr char16_t kCommandListName[] = u"Default";
    static constexpr char16_t kIsCommandListValue[] = u"Is Command List";

    // `rootPath`: the key below the store's root that holds "Commands"
    // (empty: the store's root itself).
    explicit CommandDatabaseImpl(VUnicodeString rootPath = {}) : m_rootPath(std::move(rootPath)) {}

    // The key path, below the store's root, of the folder at `folderPath`
    // (folder names separated by "/"; empty for the top folder).
    VUnicodeString FolderKeyPath(const VUnicodeString& folderPath) const;

    // The commands of a folder: an empty list when it has none. The caller
    // releases the map.
    ProfileUserButtonMap* LoadCommands(const VUnicodeString& folderPath) const;
    // Marks the folder's list key as a command list, then saves the list
    // into it. False when the key cannot be made or a write failed.
    bool SaveCommands(const VUnicodeString& folderPath, ProfileUserButtonMap& commands) const;

    // Whether the folder at `folderPath` is kept (the top folder always is).
    bool FolderExists(const VUnicodeString& folderPath) const;
    // The subfolders of a folder in the user's own order, which is kept by
    // the folder data of the folder (subfolders made elsewhere are appended).
    VStringArray GetSubfolders(const VUnicodeString& folderPath) const;
    // Makes the subfolder `name` of `parentPath` and puts it into the order
    // next to `reference` (after it with `after`), or at the end. False
    // when the key cannot be made or the name has a separator.
    bool CreateFolder(const VUnicodeString& parentPath, const VUnicodeString& name,
                      const VUnicodeString& reference = {}, bool after = false) const;
    // Makes the folder and stores `commands` as its list, in one transaction.
    bool CreateFolderWithCommands(const VUnicodeString& parentPath, const VUnicodeString& name,
                                  const std::vector<ProfileUserButtonMap::Item>& commands) const;

    // The first free name of a new folder in `parentPath`: `baseName`, then
    // "%1 (%2!d!)" with 1, 2, 3 ... A name is free when no folder key has it.
    VUnicodeString MakeUniqueFolderName(const VUnicodeString& parentPath, const VUnicodeString& baseName) const;

    // Each of the following is one transaction: on failure the store is as
    // it was. A name with a separator or a name already in use (`taken`) is
    // refused.
    bool DeleteFolder(const VUnicodeString& folderPath) const;
    bool RenameFolder(const VUnicodeString& folderPath, const VUnicodeString& newName, bool* taken = nullptr) const;
    // Copies or moves the folder with everything below it into
    // `targetParent`, under a free name made from its own, and puts it into
    // the order next to `reference` (after it with `after`), or at the end;
    // `newName` is the name it got. A folder never goes into itself or below
    // itself; moved within its own parent it only changes its place.
    bool CopyFolder(const VUnicodeString& source, const VUnicodeString& targetParent, VUnicodeString& newName,
                    const VUnicodeString& reference = {}, bool after = false) const;
    bool MoveFolder(const VUnicodeString& source, const VUnicodeString& targetParent, VUnicodeString& newName,
                    const VUnicodeString& reference = {}, bool after = false) const;

    // One command of a list. `position` past the end appends.
    bool InsertCommand(const VUnicodeString& folderPath, size_t position, const ProfileUserButtonMap::Item& item) const;
    bool ReplaceCommand(const VUnicodeString& folderPath, size_t position, const ProfileUserButtonMap::Item& item) const;
    bool RemoveCommand(const VUnicodeString& folderPath, size_t position) const;
    // Copies or moves the command at `from` of `fromFolder` to stand before
    // `to` of `toFolder` (positions as the lists are before the change; past
    // the end appends). `placedAt` is where it ended up.
    bool CopyCommand(const VUnicodeString& fromFolder, size_t from, const VUnicodeString& toFolder, size_t to,
                     size_t* placedAt = nullptr) const;
    bool MoveCommand(const VUnicodeString& fromFolder, size_t from, const VUnicodeString& toFolder, size_t to,
                     size_t* placedAt = nullptr) const;

    // The parent path and the last name of a folder path.
    static void SplitFolderPath(const VUnicodeString& path, VUnicodeString& parent, VUnicodeString& name);
    static VUnicodeString JoinFolderPath(const VUnicodeString& parent, const VUnicodeString& name);
    // Whether `path` lies strictly below `folder` (paths compared as the
    // store compares key names, without regard to case).
    static bool IsBelow(const VUnicodeString& path, const VUnicodeString& folder);

private:
    bool MoveOrCopyCommand(const VUnicodeString& fromFolder, size_t from, const VUnicodeString& toFolder, size_t to,
                           bool move, size_t* placedAt) const;

    VUnicodeString m_rootPath;
};

// The command database of the process, its commands kept below the store's root.
ORV_EXPORT CommandDatabaseImpl* GetCommandDatabaseImpl();
