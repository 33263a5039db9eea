#pragma once

#include <memory>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "profile/store/IProfileFolderDataBridge.h"
#include "profile/values/VProfileData.h"
#include "profile/values/VProfileDword.h"
#include "profile/values/VProfileMultiSz.h"

class VProfileKey;
class VProfileStore;

// One folder's order of subfolders and sessions and its expanded state,
// kept in the folder's subkey "__FolderData__" (or by the configuration-
// database module when it offers a bridge). Made for one operation: it
// loads at construction, brings the stored lists in line with the folder's
// child keys, and saves at once after every change of order.
//
// A child key that holds values is a session; one that holds none is a
// folder. Names beginning with a full stop and names containing
// "__FolderData__" are never listed.
class ORV_EXPORT ProfileFolderData : public VProfileContainer {
public:
    enum SortMode : int { kSortNoCase = 0, kSortNatural = 1, kSortManual = 2 };

    static constexpr char16_t kSessionsKey[] = u"Sessions";
    static constexpr char16_t kFolderDataKey[] = u"__FolderData__";
    static constexpr char16_t kFolderListName[] = u"Folder List V2";
    static constexpr char16_t kSessionListName[] = u"Session List V2";
    static constexpr char16_t kOlderFolderListName[] = u"Folder List";
    static constexpr char16_t kOlderSessionListName[] = u"Session List";
    static constexpr char16_t kExpandedName[] = u"Is Expanded";
    // The back end's mark of the folder's children when the lists were last
    // found to match them (empty: look again).
    static constexpr char16_t kChildrenMarkName[] = u"Listed Children Mark";

    // The folder at `folderPath` (names separated by backslashes or
    // slashes; "" is the top) of the tree kept below `baseKey` of the
    // store's root. The session tree passes its sort mode; other trees of
    // the same layout (command folders) pass their base key and mode 2.
    ProfileFolderData(VProfileStore* store, const VUnicodeString& folderPath, int sortMode,
                      const VUnicodeString& baseKey = kSessionsKey);
    ~ProfileFolderData() override;
    ProfileFolderData(const ProfileFolderData&) = delete;
    ProfileFolderData& operator=(const ProfileFolderData&) = delete;

    // The names in the order of the sort mode (stored order in mode 2).
    void GetFolderList(VStringArray& out) const;
    void GetSessionList(VStringArray& out) const;

    bool IsExpanded() const;
    // The changes below are saved at once; each is false when a write
    // failed, and the operation that made it should then be abandoned.
    bool SetExpanded(bool expanded);

    // Put a new name into the manual order: next to `reference` (after it
    // with `after`) in mode 2, else at the end.
    bool AddFolder(const VUnicodeString& name, const VUnicodeString& reference = {}, bool after = false);
    bool AddSession(const VUnicodeString& name, const VUnicodeString& reference = {}, bool after = false);
    // Move a listed name next to `reference`; when the reference is not
    // listed the name leaves the order until the next load appends it.
    bool MoveFolder(const VUnicodeString& name, const VUnicodeString& reference, bool after);
    bool MoveSession(const VUnicodeString& name, const VUnicodeString& reference, bool after);
    bool RemoveFolder(const VUnicodeString& name);
    bool RemoveSession(const VUnicodeString& name);
    // A renamed item keeps its place under its new name.
    bool RenameFolder(const VUnicodeString& oldName, const VUnicodeString& newName);
    bool RenameSession(const VUnicodeString& oldName, const VUnicodeString& newName);

    // Saves the children whose flag is set, passing the recorded name (if
    // any) to the key first.
    bool Save(const VProfileKey* key) override;
    // Writes to the folder's own "__FolderData__" key (made when the folder
    // exists). False with a bridge, or when nothing could be written.
    bool SaveOwn();

    // Children in this order: folder list, session list, expanded flag.
    VProfileData* ChildAt(size_t index) override;
    // The child whose value name is exactly `name`, or null.
    VProfileData* FindChild(const VUnicodeString& name);

    // The name handed to the back-end key when saving (empty: none).
    const VUnicodeString& GetRecordedName() const { return m_recordedName; }
    void SetRecordedName(const VUnicodeString& name) { m_recordedName = name; }

    int GetSortMode() const { return m_sortMode; }
    const VUnicodeString& GetFolderPath() const { return m_folderPath; }
    bool HasBridge() const { return m_bridge != nullptr; }
    // True when the load changed the stored lists (older form converted or
    // child keys reconciled) and saved them.
    bool WasRepaired() const { return m_repaired; }
    // True once a write of the lists (or of their mark) failed, at the load
    // or at a change: the operation should be abandoned, and every later
    // change is refused.
    bool WriteFailed() const { return m_writeFailed; }

    // The key path below the root of the folder `path` of the tree under
    // `baseKey`: slashes become backslashes, empty levels are dropped.
    static VUnicodeString FolderKeyPath(const VUnicodeString& baseKey, const VUnicodeString& path);
    // Whether a child key of this name may appear in the lists.
    static bool IsListedName(std::u16string_view name);
    // The older one-string list: one trailing colon dropped, split at colons.
    static VStringArray SplitOlderList(std::u16string_view text);
    // Sorts for the getters: mode 0 without case, mode 1 natural order,
    // mode 2 (or any other) leaves the order alone. Stable, and safe for
    // comparisons that are no strict weak ordering.
    static void SortNames(VStringArray& names, int sortMode);

private:
    void Load();
    void LoadList(VProfileStringArray& list, const char16_t* name, const char16_t* olderName, bool& converted);
    // Both lists against the child keys; true when either changed.
    bool Reconcile(const VProfileKey& folder);
    // Saves a change of the lists or the expanded flag, and the mark of the
    // children when they still match; true when there was nothing to save.
    bool Persist();
    bool SaveMark(bool listsMatch);
    VUnicodeString ListedMark(const VUnicodeString& childrenMark) const;
    bool Insert(VProfileStringArray& list, const VUnicodeString& name, const VUnicodeString& reference, bool after);
    bool Move(VProfileStringArray& list, const VUnicodeString& name, const VUnicodeString& reference, bool after);
    bool Remove(VProfileStringArray& list, const VUnicodeString& name);
    bool Rename(VProfileStringArray& list, const VUnicodeString& oldName, const VUnicodeString& newName);

    VProfileStore* m_store;
    std::unique_ptr<VProfileKey> m_ownKey;
    std::unique_ptr<IProfileBackendKey> m_bridgeRoot; // outlives the bridge
    std::unique_ptr<IProfileFolderDataBridge> m_bridge;
    VProfileStringArray m_folderList;
    VProfileStringArray m_sessionList;
    VUnicodeString m_folderPath;
    VProfile<bool> m_expanded;
    int m_sortMode;
    VUnicodeString m_recordedName;
    VUnicodeString m_baseKey;
    VUnicodeString m_keyPath;
    bool m_repaired = false;
    bool m_marked = false; // the back end marks the folder's children
    bool m_writeFailed = false;
};
