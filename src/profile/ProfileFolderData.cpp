#include "profile/ProfileFolderData.h"

#include <algorithm>
#include <vector>

#include "core/StableSort.h"
#include "profile/ConfigDatabaseModule.h"
#include "profile/ProfileBackend.h"
#include "profile/ProfileKeyPath.h"
#include "profile/VProfileKey.h"
#include "profile/VProfileStore.h"

namespace {

const bool kNotExpanded = false;

// The position of `name` in `names`: an exact match first, else one that
// differs only in case (keys ignore case, so it names the same item).
size_t IndexOf(const VStringArray& names, const VUnicodeString& name)
{
    for (size_t i = 0; i < names.GetSize(); ++i)
        if (names[i] == name)
            return i;
    for (size_t i = 0; i < names.GetSize(); ++i)
        if (names[i].EqualsNoCase(name))
            return i;
    return VUnicodeString::npos;
}

void RemoveAll(VStringArray& names, const VUnicodeString& name)
{
    for (size_t i = names.GetSize(); i-- > 0;)
        if (names[i].EqualsNoCase(name))
            names.RemoveAt(i);
}

// The child keys that may be listed, split into folders and sessions, each
// sorted by exact comparison.
struct Children {
    std::vector<VUnicodeString> folders;
    std::vector<VUnicodeString> sessions;
};

bool HoldsValues(const VProfileKey& parent, const VUnicodeString& name)
{
    const VProfileKey child(parent, name, 0);
    const std::unique_ptr<IProfileBackendIterator> values(child.Enumerate(kEnumerateValues));
    VUnicodeString value;
    return values && values->Next(value);
}

Children ReadChildren(const VProfileKey& folder)
{
    Children children;
    VProfileKeyIterator it(folder);
    VUnicodeString name;
    uint32_t kind = 0;
    while (it.Next(name, kind)) {
        if (!ProfileFolderData::IsListedName(name))
            continue;
        bool session = kind == kChildKindWithValues;
        if (kind != kChildKindWithValues && kind != kChildKindWithoutValues)
            session = HoldsValues(folder, name);
        (session ? children.sessions : children.folders).push_back(std::move(name));
    }
    std::sort(children.folders.begin(), children.folders.end()); // exact code-unit order
    std::sort(children.sessions.begin(), children.sessions.end());
    return children;
}

// Keeps the stored names that are children, in place, drops the others,
// and appends the children not stored yet in exact order. True on change.
bool ReconcileList(VProfileStringArray& list, const std::vector<VUnicodeString>& children)
{
    std::vector<bool> taken(children.size(), false);
    VStringArray result;
    result.Reserve(children.size());
    for (const VUnicodeString& name : list.Get()) {
        const auto it = std::lower_bound(children.begin(), children.end(), name);
        if (it == children.end() || *it != name)
            continue;
        const size_t at = static_cast<size_t>(it - children.begin());
        if (taken[at])
            continue; // listed twice: the first place stands
        taken[at] = true;
        result.Add(name);
    }
    for (size_t i = 0; i < children.size(); ++i)
        if (!taken[i])
            result.Add(children[i]);
    if (result == list.Get())
        return false;
    list.Set(result);
    return true;
}

} // namespace

ProfileFolderData::ProfileFolderData(VProfileStore* store, const VUnicodeString& folderPath, int sortMode,
                                     const VUnicodeString& baseKey)
    : m_store(store), m_folderList(nullptr, kFolderListName, nullptr), m_sessionList(nullptr, kSessionListName, nullptr),
      m_folderPath(folderPath), m_expanded(nullptr, kExpandedName, &kNotExpanded), m_sortMode(sortMode),
      m_baseKey(baseKey), m_keyPath(FolderKeyPath(baseKey, folderPath))
{
    Load();
}

ProfileFolderData::~ProfileFolderData() = default;

VUnicodeString ProfileFolderData::FolderKeyPath(const VUnicodeString& baseKey, const VUnicodeString& path)
{
    VUnicodeString keyPath = baseKey;
    VUnicodeString normal = path;
    normal.Replace(u"/", u"\\");
    for (std::u16string_view part : SplitKeyPath(normal)) {
        if (!keyPath.IsEmpty())
            keyPath += u'\\';
        keyPath += part;
    }
    return keyPath;
}

bool ProfileFolderData::IsListedName(std::u16string_view name)
{
    if (name.empty() || name.front() == u'.')
        return false;
    return VUnicodeString::FoldCase(name).find(VUnicodeString::FoldCase(kFolderDataKey)) == std::u16string::npos;
}

VStringArray ProfileFolderData::SplitOlderList(std::u16string_view text)
{
    VStringArray names;
    if (!text.empty() && text.back() == u':')
        text.remove_suffix(1);
    if (text.empty())
        return names;
    for (;;) {
        const size_t colon = text.find(u':');
        names.Add(VUnicodeString(text.substr(0, colon)));
        if (colon == std::u16string_view::npos)
            break;
        text.remove_prefix(colon + 1);
    }
    return names;
}

void ProfileFolderData::SortNames(VStringArray& names, int sortMode)
{
    if (sortMode == kSortNoCase)
        StableSort(names.begin(), names.end(), [](const VUnicodeString& a, const VUnicodeString& b) {
            return VUnicodeString::CompareNoCase(a, b) < 0;
        });
    else if (sortMode == kSortNatural)
        StableSort(names.begin(), names.end(), [](const VUnicodeString& a, const VUnicodeString& b) {
            return VUnicodeString::CompareLogical(a, b) < 0;
        });
}

void ProfileFolderData::Load()
{
    const VProfileKey* root = m_store ? m_store->GetRootKey() : nullptr;
    if (!root || !root->IsOpen()) {
        m_ownKey = std::make_unique<VProfileKey>(static_cast<IProfileBackendKey*>(nullptr));
        return;
    }
    m_bridgeRoot.reset(root->OpenKey(VUnicodeString(), 0, 0));
    m_bridge.reset(ConfigDatabaseModule::Instance().CreateBridge(m_bridgeRoot.get(), m_baseKey, m_folderPath));
    if (m_bridge) {
        m_ownKey = std::make_unique<VProfileKey>(static_cast<IProfileBackendKey*>(nullptr));
        return;
    }
    m_bridgeRoot.reset();

    m_ownKey = std::make_unique<VProfileKey>(*root, m_keyPath + u"\\" + kFolderDataKey, 0);
    bool converted = false;
    LoadList(m_sessionList, kSessionListName, kOlderSessionListName, converted);
    LoadList(m_folderList, kFolderListName, kOlderFolderListName, converted);
    m_expanded = VProfile<bool>(m_ownKey.get(), kExpandedName, &kNotExpanded);
    const bool reconciled = Reconcile();
    if (converted || reconciled) {
        SaveOwn();
        m_repaired = true;
    }
}

void ProfileFolderData::LoadList(VProfileStringArray& list, const char16_t* name, const char16_t* olderName,
                                 bool& converted)
{
    VStringArray older;
    if (!m_ownKey->ValueExists(name)) {
        VUnicodeString text;
        if (m_ownKey->ReadString(olderName, text)) {
            older = SplitOlderList(text);
            converted = true;
        }
    }
    list = VProfileStringArray(m_ownKey.get(), name, &older);
}

bool ProfileFolderData::Reconcile()
{
    const VProfileKey folder(*m_store->GetRootKey(), m_keyPath, 0);
    const Children children = folder.IsOpen() ? ReadChildren(folder) : Children{};
    const bool folders = ReconcileList(m_folderList, children.folders);
    const bool sessions = ReconcileList(m_sessionList, children.sessions);
    return folders || sessions;
}

void ProfileFolderData::GetFolderList(VStringArray& out) const
{
    if (m_bridge)
        m_bridge->GetFolderList(out);
    else
        out = m_folderList.Get();
    SortNames(out, m_sortMode);
}

void ProfileFolderData::GetSessionList(VStringArray& out) const
{
    if (m_bridge)
        m_bridge->GetSessionList(out);
    else
        out = m_sessionList.Get();
    SortNames(out, m_sortMode);
}

bool ProfileFolderData::IsExpanded() const
{
    return m_bridge ? m_bridge->GetExpanded() : m_expanded.Get();
}

void ProfileFolderData::SetExpanded(bool expanded)
{
    if (m_bridge) {
        m_bridge->SetExpanded(expanded);
        return;
    }
    m_expanded.Set(expanded);
    SaveOwn();
}

void ProfileFolderData::Insert(VProfileStringArray& list, const VUnicodeString& name, const VUnicodeString& reference,
                               bool after)
{
    if (m_bridge) {
        if (m_sortMode == kSortManual && !reference.IsEmpty())
            m_bridge->MoveItem(name, reference, after);
        return;
    }
    VStringArray names = list.Get();
    RemoveAll(names, name);
    size_t at = names.GetSize();
    if (m_sortMode == kSortManual && !reference.IsEmpty()) {
        if (name.EqualsNoCase(reference)) {
            // The reference was the name itself, just taken out: the front,
            // or the second place with `after`.
            at = std::min<size_t>(after ? 1 : 0, names.GetSize());
        } else if (const size_t found = IndexOf(names, reference); found != VUnicodeString::npos) {
            at = found + (after ? 1 : 0);
        }
    }
    names.InsertAt(at, name);
    list.Set(names);
    SaveOwn();
}

void ProfileFolderData::Move(VProfileStringArray& list, const VUnicodeString& name, const VUnicodeString& reference,
                             bool after)
{
    if (m_bridge) {
        if (!reference.IsEmpty())
            m_bridge->MoveItem(name, reference, after);
        return;
    }
    VStringArray names = list.Get();
    RemoveAll(names, name);
    if (const size_t found = IndexOf(names, reference); !reference.IsEmpty() && found != VUnicodeString::npos)
        names.InsertAt(found + (after ? 1 : 0), name);
    list.Set(names);
    SaveOwn();
}

void ProfileFolderData::Remove(VProfileStringArray& list, const VUnicodeString& name)
{
    if (m_bridge)
        return;
    VStringArray names = list.Get();
    RemoveAll(names, name);
    list.Set(names);
    SaveOwn();
}

void ProfileFolderData::Rename(VProfileStringArray& list, const VUnicodeString& oldName, const VUnicodeString& newName)
{
    if (m_bridge)
        return;
    VStringArray names = list.Get();
    const size_t at = IndexOf(names, oldName);
    if (at == VUnicodeString::npos) {
        RemoveAll(names, newName);
        names.Add(newName);
    } else {
        names[at] = newName;
        for (size_t i = names.GetSize(); i-- > 0;)
            if (i != at && names[i].EqualsNoCase(newName))
                names.RemoveAt(i);
    }
    list.Set(names);
    SaveOwn();
}

void ProfileFolderData::AddFolder(const VUnicodeString& name, const VUnicodeString& reference, bool after)
{
    Insert(m_folderList, name, reference, after);
}

void ProfileFolderData::AddSession(const VUnicodeString& name, const VUnicodeString& reference, bool after)
{
    Insert(m_sessionList, name, reference, after);
}

void ProfileFolderData::MoveFolder(const VUnicodeString& name, const VUnicodeString& reference, bool after)
{
    Move(m_folderList, name, reference, after);
}

void ProfileFolderData::MoveSession(const VUnicodeString& name, const VUnicodeString& reference, bool after)
{
    Move(m_sessionList, name, reference, after);
}

void ProfileFolderData::RemoveFolder(const VUnicodeString& name)
{
    Remove(m_folderList, name);
}

void ProfileFolderData::RemoveSession(const VUnicodeString& name)
{
    Remove(m_sessionList, name);
}

void ProfileFolderData::RenameFolder(const VUnicodeString& oldName, const VUnicodeString& newName)
{
    Rename(m_folderList, oldName, newName);
}

void ProfileFolderData::RenameSession(const VUnicodeString& oldName, const VUnicodeString& newName)
{
    Rename(m_sessionList, oldName, newName);
}

bool ProfileFolderData::Save(const VProfileKey* key)
{
    if (!key)
        return false;
    OnBeforeSave(key);
    if (!m_recordedName.IsEmpty())
        key->SetKeyName(m_recordedName);
    bool ok = true;
    for (size_t i = 0; VProfileData* child = ChildAt(i); ++i)
        if (child->GetFlag())
            ok = child->Save(key) && ok;
    OnAfterSave(key);
    return ok;
}

bool ProfileFolderData::SaveOwn()
{
    if (m_bridge || !m_store || !m_store->GetRootKey())
        return false;
    if (!m_ownKey->IsOpen()) {
        const VProfileKey& root = *m_store->GetRootKey();
        if (!root.KeyExists(m_keyPath))
            return false; // no folder, no order to keep
        m_ownKey = std::make_unique<VProfileKey>(root, m_keyPath + u"\\" + kFolderDataKey, 1);
    }
    return Save(m_ownKey.get());
}

VProfileData* ProfileFolderData::ChildAt(size_t index)
{
    switch (index) {
    case 0:
        return &m_folderList;
    case 1:
        return &m_sessionList;
    case 2:
        return &m_expanded;
    default:
        return nullptr;
    }
}

VProfileData* ProfileFolderData::FindChild(const VUnicodeString& name)
{
    for (size_t i = 0; VProfileData* child = ChildAt(i); ++i)
        if (child->GetName() == name)
            return child;
    return nullptr;
}
