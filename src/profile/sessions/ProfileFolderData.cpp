#include "profile/sessions/ProfileFolderData.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/StableSort.h"
#include "profile/store/ConfigDatabaseModule.h"
#include "profile/store/ProfileBackend.h"
#include "profile/store/ProfileKeyPath.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

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

// The child keys that may be listed, split into folders and sessions, in
// the back end's order.
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
    children.sessions.reserve(64);
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
    return children;
}

// Keeps the stored names that are children, in place, drops the others
// (and second mentions), and appends the children not stored yet in exact
// code-unit order. True on change (only told, not made, without `apply`).
bool ReconcileList(VProfileStringArray& list, std::vector<VUnicodeString>& children, bool apply = true)
{
    // An open-addressing table of child indexes: folders of thousands of
    // sessions are listed often, and a node per name costs more than the
    // look-ups.
    size_t slots = 16;
    while (slots < children.size() * 2)
        slots *= 2;
    std::vector<uint32_t> table(slots, 0); // child index + 1; 0 is free
    const std::hash<std::u16string_view> hash;
    for (size_t i = 0; i < children.size(); ++i) {
        size_t at = hash(children[i].str()) & (slots - 1);
        while (table[at] != 0)
            at = (at + 1) & (slots - 1);
        table[at] = static_cast<uint32_t>(i + 1);
    }
    const auto find = [&](std::u16string_view name) -> size_t {
        for (size_t at = hash(name) & (slots - 1); table[at] != 0; at = (at + 1) & (slots - 1))
            if (children[table[at] - 1].str() == name)
                return table[at] - 1;
        return children.size();
    };
    std::vector<bool> taken(children.size(), false);
    const VStringArray& stored = list.Get();
    std::vector<size_t> kept;
    kept.reserve(stored.GetSize());
    for (size_t i = 0; i < stored.GetSize(); ++i) {
        const size_t child = find(stored[i].str());
        if (child == children.size() || taken[child])
            continue;
        taken[child] = true;
        kept.push_back(i);
    }
    std::vector<size_t> added;
    for (size_t i = 0; i < children.size(); ++i)
        if (!taken[i])
            added.push_back(i);
    if (added.empty() && kept.size() == stored.GetSize())
        return false;
    if (!apply)
        return true;
    std::sort(added.begin(), added.end(), [&children](size_t a, size_t b) { return children[a] < children[b]; });
    VStringArray result;
    result.Reserve(kept.size() + added.size());
    for (size_t i : kept)
        result.Add(stored[i]);
    for (size_t i : added)
        result.Add(std::move(children[i]));
    list.Set(result);
    return true;
}

// The simple case folding of every code point, as code points: ordering
// these exactly is ordering the names without regard to case.
std::u32string FoldedCodePoints(const VUnicodeString& name)
{
    const std::u16string folded = VUnicodeString::FoldCase(name);
    std::u32string out;
    out.reserve(folded.size());
    for (size_t i = 0; i < folded.size(); ++i) {
        const char16_t c = folded[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < folded.size() && folded[i + 1] >= 0xDC00 && folded[i + 1] <= 0xDFFF) {
            out += static_cast<char32_t>(0x10000 + ((c - 0xD800) << 10) + (folded[i + 1] - 0xDC00));
            ++i;
        } else {
            out += static_cast<char32_t>(c);
        }
    }
    return out;
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
    // Compared ASCII letters only: no other character folds to a letter of
    // "__folderdata__" (only the Kelvin sign and the long s fold to ASCII).
    constexpr std::u16string_view kHidden = u"__folderdata__";
    for (size_t i = 0; i + kHidden.size() <= name.size(); ++i) {
        size_t j = 0;
        for (; j < kHidden.size(); ++j) {
            char16_t c = name[i + j];
            if (c >= u'A' && c <= u'Z')
                c = static_cast<char16_t>(c + 32);
            if (c != kHidden[j])
                break;
        }
        if (j == kHidden.size())
            return false;
    }
    return true;
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
    if (sortMode == kSortNoCase) {
        // Lists kept in this order already (the common case) are only read.
        bool inOrder = true;
        for (size_t i = 1; inOrder && i < names.GetSize(); ++i)
            inOrder = VUnicodeString::CompareNoCase(names[i - 1], names[i]) <= 0;
        if (inOrder)
            return;
        // Each name folded once rather than at every comparison.
        struct Keyed {
            std::u32string key;
            size_t index = 0;
        };
        std::vector<Keyed> keyed(names.GetSize());
        for (size_t i = 0; i < keyed.size(); ++i)
            keyed[i] = {FoldedCodePoints(names[i]), i};
        StableSort(keyed.data(), keyed.data() + keyed.size(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
        VStringArray sorted;
        sorted.Reserve(keyed.size());
        for (const Keyed& k : keyed)
            sorted.Add(std::move(names[k.index]));
        names = std::move(sorted);
    } else if (sortMode == kSortNatural) {
        StableSort(names.begin(), names.end(), [](const VUnicodeString& a, const VUnicodeString& b) {
            return VUnicodeString::CompareLogical(a, b) < 0;
        });
    }
}

void ProfileFolderData::Load()
{
    const VProfileKey* root = m_store ? m_store->GetRootKey() : nullptr;
    if (!root || !root->IsOpen()) {
        m_ownKey = std::make_unique<VProfileKey>(static_cast<IProfileBackendKey*>(nullptr));
        return;
    }
    // The module keeps session folders only: other trees (the command
    // folders) stay in the store.
    if (m_baseKey.EqualsNoCase(kSessionsKey)) {
        m_bridgeRoot.reset(root->OpenKey(VUnicodeString(), 0, 0));
        m_bridge.reset(ConfigDatabaseModule::Instance().CreateBridge(m_bridgeRoot.get(), m_folderPath));
    }
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

    // Lists saved as matching the children while the back end's mark of
    // them stays the same need no walk over the children.
    const VProfileKey folder(*root, m_keyPath, 0);
    VUnicodeString mark;
    m_marked = folder.IsOpen() && folder.GetChildrenMark(mark);
    if (m_marked && !converted) {
        VUnicodeString stored;
        if (m_ownKey->ReadString(kChildrenMarkName, stored) && stored == ListedMark(mark))
            return;
    }
    const bool reconciled = Reconcile(folder);
    bool saved = true;
    // A user who may only read gets the repair in memory: the store would
    // refuse it with a report on every listing.
    const bool readOnly = IsProfileStoreReadOnly();
    if ((converted || reconciled) && !readOnly) {
        saved = SaveOwn();
        m_repaired = true;
    }
    if (m_marked && saved && !readOnly) {
        if (!m_ownKey->IsOpen() || !m_ownKey->ValueExists(kFolderListName))
            saved = SaveOwn(); // the key holds values before the mark is read
        saved = saved && SaveMark(true);
    }
    // A listing goes on with the lists in hand; a change made with them
    // fails (see WriteFailed).
    m_writeFailed = !saved;
}

bool ProfileFolderData::SaveMark(bool listsMatch)
{
    if (!m_marked || !m_ownKey->IsOpen())
        return true;
    VUnicodeString mark;
    if (listsMatch) {
        const VProfileKey folder(*m_store->GetRootKey(), m_keyPath, 0);
        if (!folder.IsOpen() || !folder.GetChildrenMark(mark))
            mark = VUnicodeString();
        else
            mark = ListedMark(mark);
    }
    return m_ownKey->WriteString(kChildrenMarkName, mark);
}

// The children's mark with a digest of both lists: lists written by anyone
// else than this class no longer match it.
VUnicodeString ProfileFolderData::ListedMark(const VUnicodeString& childrenMark) const
{
    uint64_t digest = 14695981039346656037ull;
    const auto add = [&digest](std::u16string_view text) {
        for (const char16_t c : text)
            digest = (digest ^ c) * 1099511628211ull;
        digest = (digest ^ 0xFFFF) * 1099511628211ull; // no name holds this unit: a separator
    };
    for (const VUnicodeString& name : m_folderList.Get())
        add(name.str());
    add(u"/");
    for (const VUnicodeString& name : m_sessionList.Get())
        add(name.str());
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(digest));
    return childrenMark + u"/" + VUnicodeString::FromUtf8(hex).str();
}

bool ProfileFolderData::Persist()
{
    if (m_bridge)
        return true;
    if (m_writeFailed)
        return false;
    if (!m_store || !m_store->GetRootKey())
        return false;
    if (!m_ownKey->IsOpen() && !m_store->GetRootKey()->KeyExists(m_keyPath))
        return true; // no folder, no order to keep
    if (!SaveOwn()) {
        m_writeFailed = true;
        return false;
    }
    // The mark says the lists match only when a look at the children
    // confirms it: a name left out of the order comes back at the next load.
    bool match = false;
    if (m_marked) {
        const VProfileKey folder(*m_store->GetRootKey(), m_keyPath, 0);
        Children children = folder.IsOpen() ? ReadChildren(folder) : Children{};
        match = !ReconcileList(m_folderList, children.folders, false) &&
                !ReconcileList(m_sessionList, children.sessions, false);
    }
    m_writeFailed = !SaveMark(match);
    return !m_writeFailed;
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

bool ProfileFolderData::Reconcile(const VProfileKey& folder)
{
    Children children = folder.IsOpen() ? ReadChildren(folder) : Children{};
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

bool ProfileFolderData::SetExpanded(bool expanded)
{
    if (m_bridge) {
        m_bridge->SetExpanded(expanded);
        return true;
    }
    m_expanded.Set(expanded);
    return Persist();
}

bool ProfileFolderData::Insert(VProfileStringArray& list, const VUnicodeString& name, const VUnicodeString& reference,
                               bool after)
{
    if (m_bridge) {
        if (m_sortMode == kSortManual && !reference.IsEmpty())
            m_bridge->MoveItem(name, reference, after);
        return true;
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
    return Persist();
}

bool ProfileFolderData::Move(VProfileStringArray& list, const VUnicodeString& name, const VUnicodeString& reference,
                             bool after)
{
    if (m_bridge) {
        if (!reference.IsEmpty())
            m_bridge->MoveItem(name, reference, after);
        return true;
    }
    VStringArray names = list.Get();
    RemoveAll(names, name);
    if (const size_t found = IndexOf(names, reference); !reference.IsEmpty() && found != VUnicodeString::npos)
        names.InsertAt(found + (after ? 1 : 0), name);
    list.Set(names);
    return Persist();
}

bool ProfileFolderData::Remove(VProfileStringArray& list, const VUnicodeString& name)
{
    if (m_bridge)
        return true;
    VStringArray names = list.Get();
    RemoveAll(names, name);
    list.Set(names);
    return Persist();
}

bool ProfileFolderData::Rename(VProfileStringArray& list, const VUnicodeString& oldName, const VUnicodeString& newName)
{
    if (m_bridge)
        return true;
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
    return Persist();
}

bool ProfileFolderData::AddFolder(const VUnicodeString& name, const VUnicodeString& reference, bool after)
{
    return Insert(m_folderList, name, reference, after);
}

bool ProfileFolderData::AddSession(const VUnicodeString& name, const VUnicodeString& reference, bool after)
{
    return Insert(m_sessionList, name, reference, after);
}

bool ProfileFolderData::MoveFolder(const VUnicodeString& name, const VUnicodeString& reference, bool after)
{
    return Move(m_folderList, name, reference, after);
}

bool ProfileFolderData::MoveSession(const VUnicodeString& name, const VUnicodeString& reference, bool after)
{
    return Move(m_sessionList, name, reference, after);
}

bool ProfileFolderData::RemoveFolder(const VUnicodeString& name)
{
    return Remove(m_folderList, name);
}

bool ProfileFolderData::RemoveSession(const VUnicodeString& name)
{
    return Remove(m_sessionList, name);
}

bool ProfileFolderData::RenameFolder(const VUnicodeString& oldName, const VUnicodeString& newName)
{
    return Rename(m_folderList, oldName, newName);
}

bool ProfileFolderData::RenameSession(const VUnicodeString& oldName, const VUnicodeString& newName)
{
    return Rename(m_sessionList, oldName, newName);
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
