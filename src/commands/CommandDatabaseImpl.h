#pragma once

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
    // when the key cannot be made.
    bool CreateFolder(const VUnicodeString& parentPath, const VUnicodeString& name,
                      const VUnicodeString& reference = {}, bool after = false) const;

private:
    VUnicodeString m_rootPath;
};

// The command database of the process, its commands kept below the store's root.
ORV_EXPORT CommandDatabaseImpl* GetCommandDatabaseImpl();
