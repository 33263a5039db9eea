#include "profile/sessions/SessionDatabase.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>

#include "platform/MessageFormatter.h"
#include "platform/PlatformError.h"
#include "platform/SessionNameValidator.h"
#include "profile/store/ProfileBackend.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/store/ProfileKeyPath.h"
#include "profile/store/StoredValue.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgNameInUse = 0xE1090003;          // '%1' is already in use.
constexpr uint32_t kMsgCreateFolderFailed = 0xE1090004; // Failed to create folder:\r\n%1
constexpr uint32_t kMsgRenameFolderFailed = 0xE1090005; // Failed to rename folder:\r\n%1
constexpr uint32_t kMsgFolderIntoItself = 0xE109001A;   // Cannot copy a folder into itself
constexpr uint32_t kMsgParentIntoChild = 0x6109001B;    // Cannot copy or move a parent folder into a child

constexpr int kManual = ProfileFolderData::kSortManual;

enum class ItemKind { None, Folder, Session };

// A failure the system's own text describes.
bool FailWith(IReportMessageParams* report, uint32_t code)
{
    SetPlatformLastError(code);
    if (report)
        report->SetMessageId(code);
    return false;
}

bool FailTaken(IReportMessageParams* report, const VUnicodeString& name)
{
    SetPlatformLastError(kErrorAlreadyExists, u"The name is already in use.");
    return Report(report, kMsgNameInUse, name);
}

// A folder failure with its own message, the system text as insert.
bool FailFolder(IReportMessageParams* report, uint32_t id, uint32_t code)
{
    SetPlatformLastError(code);
    return Report(report, id, VUnicodeString(SystemErrorText(code)));
}

VUnicodeString KeyPath(const VUnicodeString& normalPath)
{
    return normalPath.IsEmpty() ? VUnicodeString(SessionDatabase::kSessionsKey)
                                : VUnicodeString(SessionDatabase::kSessionsKey) + u"\\" + normalPath.str();
}

bool HoldsValues(const VProfileKey& key)
{
    const std::unique_ptr<IProfileBackendIterator> values(key.Enumerate(kEnumerateValues));
    VUnicodeString name;
    return values && values->Next(name);
}

ItemKind KindOf(const VProfileKey& root, const VUnicodeString& normalPath)
{
    if (normalPath.IsEmpty())
        return ItemKind::Folder; // the top, even before anything is kept in it
    const VProfileKey key(root, KeyPath(normalPath), 0);
    if (!key.IsOpen())
        return ItemKind::None;
    return HoldsValues(key) ? ItemKind::Session : ItemKind::Folder;
}

// Whether `path` lies strictly below `folder`.
bool IsBelow(const VUnicodeString& path, const VUnicodeString& folder)
{
    if (folder.IsEmpty())
        return !path.IsEmpty();
    return path.Length() > folder.Length() && path.At(folder.Length()) == u'\\' &&
           VUnicodeString::CompareNoCase(std::u16string_view(path).substr(0, folder.Length()), folder) == 0;
}

VUnicodeString UniqueName(const VProfileKey& root, const VUnicodeString& folder, const VUnicodeString& baseName)
{
    VUnicodeString name = baseName;
    for (int64_t n = 1; root.KeyExists(KeyPath(SessionDatabase::JoinSessionPath(folder, name))); ++n) {
        const std::array<MessageArg, 2> args{std::u16string_view(baseName), n};
        name = VUnicodeString(FormatMessageText(SessionDatabase::kUniqueNamePattern, args));
    }
    return name;
}

// Saves `config` into `target` so that the key ends as the source key's
// stored values plus the settings the source lacks: the configuration
// first, then every stored value of the source (values outside the schema
// included) over it. A stored value that the configuration writes as well
// is written only once more, not the whole key twice.
bool SaveWithSourceValues(SessionConfig& config, const VProfileKey& source, const VProfileKey& target)
{
    std::vector<std::u16string> rewritten;
    config.Iterate([&rewritten](VProfileData& value) {
        if (value.IsDirty() || value.IsChanged())
            rewritten.push_back(VUnicodeString::FoldCase(value.GetName()));
    });
    const std::vector<StoredValue> stored = ReadStoredValues(source);
    bool ok = WriteStoredValues(target, stored);
    ok = config.Save(&target) && ok;
    std::sort(rewritten.begin(), rewritten.end());
    for (const StoredValue& value : stored)
        if (std::binary_search(rewritten.begin(), rewritten.end(), VUnicodeString::FoldCase(value.name)))
            ok = WriteStoredValue(target, value) && ok;
    return ok;
}

// One editing operation in one store: unless it says it is done, what it
// wrote is rolled back when it ends (a failure half-way leaves nothing).
class SessionDatabaseOperation {
public:
    explicit SessionDatabaseOperation(IReportMessageParams* report) : m_report(report) {}
    ~SessionDatabaseOperation()
    {
        if (!m_done)
            m_store.Abandon();
    }
    SessionDatabaseOperation(const SessionDatabaseOperation&) = delete;
    SessionDatabaseOperation& operator=(const SessionDatabaseOperation&) = delete;
    bool Done(bool ok)
    {
        m_done = ok;
        return ok;
    }

    bool IsOpen() const { return m_store.GetRootKey() && m_store.GetRootKey()->IsOpen(); }
    const VProfileKey& Root() const { return *m_store.GetRootKey(); }
    VProfileStore& Store() { return m_store; }
    IReportMessageParams* ReportTo() const { return m_report; }

    bool CopyInto(const VUnicodeString& source, ItemKind kind, ProfileFolderData& targetData,
                  const VUnicodeString& target, bool makeUnique, const VUnicodeString& reference, bool after,
                  VUnicodeString& copyPath, FirewallChanges& moved);
    bool CopySession(const VUnicodeString& source, ProfileFolderData& targetData, const VUnicodeString& target,
                     bool makeUnique, const VUnicodeString& reference, bool after, VUnicodeString& copyPath,
                     FirewallChanges& moved);
    bool CopyFolder(const VUnicodeString& source, ProfileFolderData& targetData, const VUnicodeString& target,
                    bool makeUnique, const VUnicodeString& reference, bool after, VUnicodeString& copyPath,
                    FirewallChanges& moved);
    bool Delete(const VUnicodeString& path, ItemKind kind);
    SessionConfigPtr DefaultSession(const VUnicodeString& protocol);
    bool SaveNew(SessionConfig& config, const VUnicodeString& folder, const VUnicodeString& name,
                 const VUnicodeString& reference, bool after, const VProfileKey* startFrom);

    bool Move(const VUnicodeString& source, ItemKind kind, const VUnicodeString& target,
              const VUnicodeString& reference, bool after, VUnicodeString& newPath, FirewallChanges& moved);

private:
    bool ListMovedSessions(const VUnicodeString& from, const VUnicodeString& to, FirewallChanges& moved);

    VProfileStore m_store;
    IReportMessageParams* m_report;
    bool m_done = false;
};

bool OpenFailed(IReportMessageParams* report)
{
    return FailWith(report, EIO);
}

// Where a new session goes: the store open, the folder there and the name
// free in it. `normal` gets the folder's own path.
bool CheckNewSessionPlace(const SessionDatabaseOperation& op, const VUnicodeString& folder, const VUnicodeString& name,
                          VUnicodeString& normal, IReportMessageParams* report)
{
    if (!op.IsOpen())
        return OpenFailed(report);
    normal = SessionDatabase::NormalizeSessionPath(folder);
    if (KindOf(op.Root(), normal) != ItemKind::Folder)
        return FailWith(report, ENOENT);
    if (op.Root().KeyExists(KeyPath(SessionDatabase::JoinSessionPath(normal, name))))
        return FailTaken(report, name);
    return true;
}

} // namespace

bool SessionDatabaseOperation::CopyInto(const VUnicodeString& source, ItemKind kind, ProfileFolderData& targetData,
                                        const VUnicodeString& target, bool makeUnique, const VUnicodeString& reference,
                                        bool after, VUnicodeString& copyPath, FirewallChanges& moved)
{
    return kind == ItemKind::Folder
               ? CopyFolder(source, targetData, target, makeUnique, reference, after, copyPath, moved)
               : CopySession(source, targetData, target, makeUnique, reference, after, copyPath, moved);
}

bool SessionDatabaseOperation::CopySession(const VUnicodeString& source, ProfileFolderData& targetData,
                                           const VUnicodeString& target, bool makeUnique,
                                           const VUnicodeString& reference, bool after, VUnicodeString& copyPath,
                                           FirewallChanges& moved)
{
    VUnicodeString parent;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(source, parent, leaf);
    const VProfileKey sourceKey(Root(), KeyPath(source), 0);
    if (!sourceKey.IsOpen())
        return FailWith(m_report, ENOENT);
    const SessionConfigPtr loaded(new SessionConfig(&sourceKey, source));
    const SessionConfigPtr copy(loaded->Clone());

    VUnicodeString name = leaf;
    if (makeUnique && Root().KeyExists(KeyPath(SessionDatabase::JoinSessionPath(target, name))))
        name = UniqueName(Root(), target, leaf);
    const VUnicodeString newPath = SessionDatabase::JoinSessionPath(target, name);
    const VProfileKey newKey(Root(), KeyPath(newPath), 1);
    if (!newKey.IsOpen())
        return FailWith(m_report, EIO);
    copy->SetSessionPath(newPath);
    if (!SaveWithSourceValues(*copy, sourceKey, newKey))
        return FailWith(m_report, EIO);
    if (!targetData.AddSession(name, reference, after))
        return FailWith(m_report, EIO);
    moved.push_back({source, newPath});
    copyPath = newPath;
    return true;
}

bool SessionDatabaseOperation::CopyFolder(const VUnicodeString& source, ProfileFolderData& targetData,
                                          const VUnicodeString& target, bool makeUnique,
                                          const VUnicodeString& reference, bool after, VUnicodeString& copyPath,
                                          FirewallChanges& moved)
{
    VUnicodeString parent;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(source, parent, leaf);
    VUnicodeString name = leaf;
    if (makeUnique && Root().KeyExists(KeyPath(SessionDatabase::JoinSessionPath(target, name))))
        name = UniqueName(Root(), target, leaf);
    const VUnicodeString newPath = SessionDatabase::JoinSessionPath(target, name);
    if (!VProfileKey(Root(), KeyPath(newPath), 1).IsOpen())
        return FailFolder(m_report, kMsgCreateFolderFailed, EIO);
    if (!targetData.AddFolder(name, reference, after))
        return FailFolder(m_report, kMsgCreateFolderFailed, EIO);

    // The source's order, read after the new folder exists: a folder copied
    // into itself lists its own copy, which is then left out.
    VStringArray folders;
    VStringArray sessions;
    bool expanded = false;
    if (VUnicodeString::CompareNoCase(source, target) == 0) {
        targetData.GetFolderList(folders);
        targetData.GetSessionList(sessions);
        expanded = targetData.IsExpanded();
    } else {
        const ProfileFolderData sourceData(&m_store, source, kManual);
        if (sourceData.WriteFailed())
            return FailWith(m_report, EIO);
        sourceData.GetFolderList(folders);
        sourceData.GetSessionList(sessions);
        expanded = sourceData.IsExpanded();
    }
    ProfileFolderData newData(&m_store, newPath, kManual);
    if (!newData.SetExpanded(expanded))
        return FailFolder(m_report, kMsgCreateFolderFailed, EIO);
    for (const VUnicodeString& folder : folders) {
        const VUnicodeString path = SessionDatabase::JoinSessionPath(source, folder);
        if (VUnicodeString::CompareNoCase(path, newPath) == 0)
            continue;
        VUnicodeString copied;
        if (!CopyFolder(path, newData, newPath, makeUnique, {}, true, copied, moved))
            return false;
    }
    for (const VUnicodeString& session : sessions) {
        VUnicodeString copied;
        if (!CopySession(SessionDatabase::JoinSessionPath(source, session), newData, newPath, makeUnique, {}, true,
                         copied, moved))
            return false;
    }
    copyPath = newPath;
    return true;
}

bool SessionDatabaseOperation::Delete(const VUnicodeString& path, ItemKind kind)
{
    VUnicodeString parent;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(path, parent, leaf);
    ProfileFolderData parentData(&m_store, parent, kManual);
    if (!Root().DeleteKey(KeyPath(path)))
        return FailWith(m_report, EIO);
    const bool listed = kind == ItemKind::Folder ? parentData.RemoveFolder(leaf) : parentData.RemoveSession(leaf);
    return listed || FailWith(m_report, EIO);
}

// A move where the store moves keys in place: one step however many
// sessions the folder holds, with the same names, order and reports as a
// copy followed by a delete.
bool SessionDatabaseOperation::Move(const VUnicodeString& source, ItemKind kind, const VUnicodeString& target,
                                    const VUnicodeString& reference, bool after, VUnicodeString& newPath,
                                    FirewallChanges& moved)
{
    if (!Root().CanMoveKeys()) {
        {
            ProfileFolderData targetData(&m_store, target, kManual);
            if (!CopyInto(source, kind, targetData, target, true, reference, after, newPath, moved))
                return false;
        }
        return Delete(source, kind);
    }
    VUnicodeString parent;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(source, parent, leaf);
    VUnicodeString name = leaf;
    if (Root().KeyExists(KeyPath(SessionDatabase::JoinSessionPath(target, name))))
        name = UniqueName(Root(), target, leaf);
    const VUnicodeString to = SessionDatabase::JoinSessionPath(target, name);
    const bool sameFolder = VUnicodeString::CompareNoCase(parent, target) == 0;
    ProfileFolderData targetData(&m_store, target, kManual);
    std::unique_ptr<ProfileFolderData> parentData;
    if (!sameFolder)
        parentData = std::make_unique<ProfileFolderData>(&m_store, parent, kManual);
    if (!Root().MoveKey(KeyPath(source), KeyPath(target), name))
        return FailWith(m_report, EIO);
    ProfileFolderData& from = sameFolder ? targetData : *parentData;
    if (kind == ItemKind::Folder) {
        if (!from.RemoveFolder(leaf) || !targetData.AddFolder(name, reference, after) ||
            !ListMovedSessions(source, to, moved))
            return FailWith(m_report, EIO);
    } else {
        if (!from.RemoveSession(leaf) || !targetData.AddSession(name, reference, after))
            return FailWith(m_report, EIO);
        moved.push_back({source, to});
    }
    newPath = to;
    return true;
}

// The sessions of a moved folder in the order a copy takes them: each
// subfolder's first, then the folder's own, in stored order.
bool SessionDatabaseOperation::ListMovedSessions(const VUnicodeString& from, const VUnicodeString& to,
                                                 FirewallChanges& moved)
{
    VStringArray folders;
    VStringArray sessions;
    {
        const ProfileFolderData data(&m_store, to, kManual);
        if (data.WriteFailed())
            return false;
        data.GetFolderList(folders);
        data.GetSessionList(sessions);
    }
    for (const VUnicodeString& folder : folders)
        if (!ListMovedSessions(SessionDatabase::JoinSessionPath(from, folder),
                               SessionDatabase::JoinSessionPath(to, folder), moved))
            return false;
    for (const VUnicodeString& session : sessions)
        moved.push_back({SessionDatabase::JoinSessionPath(from, session), SessionDatabase::JoinSessionPath(to, session)});
    return true;
}

bool SessionDatabaseOperation::SaveNew(SessionConfig& config, const VUnicodeString& folder,
                                       const VUnicodeString& name, const VUnicodeString& reference, bool after,
                                       const VProfileKey* startFrom)
{
    const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, name);
    ProfileFolderData folderData(&m_store, folder, kManual);
    const VProfileKey key(Root(), KeyPath(path), 1);
    if (!key.IsOpen())
        return FailWith(m_report, EIO);
    // Values only the starting session knows come along; the settings
    // themselves are written over them.
    bool ok = !startFrom || WriteStoredValues(key, ReadStoredValues(*startFrom));
    config.SetSessionPath(path);
    config.Common().SetBool(SessionConfig::kIsSession, true);
    ok = config.Save(&key, m_report) && ok;
    ok = ok && folderData.AddSession(name, reference, after);
    return ok || FailWith(m_report, EIO);
}

SessionConfigPtr SessionDatabaseOperation::DefaultSession(const VUnicodeString& protocol)
{
    const VUnicodeString name = SessionConfig::DefaultSessionNameFor(protocol);
    const VProfileKey key(Root(), KeyPath(name), 0);
    if (key.IsOpen() && HoldsValues(key))
        return SessionConfigPtr(new SessionConfig(&key, name));

    SessionConfigPtr made(new SessionConfig(nullptr, name));
    if (!name.EqualsNoCase(SessionConfig::kDefaultSession)) {
        // A protocol's own default starts as a copy of "Default".
        DefaultSession({}); // made first when missing
        const VProfileKey baseKey(Root(), KeyPath(SessionConfig::kDefaultSession), 0);
        made->CreateDefaultKey(baseKey.IsOpen() ? &baseKey : nullptr, name);
        if (!SaveNew(*made, {}, name, {}, false, baseKey.IsOpen() ? &baseKey : nullptr))
            return {};
        return made;
    }
    if (!SaveNew(*made, {}, name, {}, false, nullptr))
        return {};
    return made;
}

// SessionDatabase ------------------------------------------------------------

VUnicodeString SessionDatabase::NormalizeSessionPath(const VUnicodeString& path)
{
    VUnicodeString slashes = path;
    slashes.Replace(u"/", u"\\");
    VUnicodeString normal;
    for (std::u16string_view part : SplitKeyPath(slashes)) {
        if (!normal.IsEmpty())
            normal += u'\\';
        normal += part;
    }
    return normal;
}

VUnicodeString SessionDatabase::KeyPathFromSessionPath(const VUnicodeString& path)
{
    return KeyPath(NormalizeSessionPath(path));
}

void SessionDatabase::SplitSessionPath(const VUnicodeString& path, VUnicodeString& parent, VUnicodeString& leaf)
{
    VUnicodeString slashes = path; // a caller's forward slashes count as backslashes
    slashes.Replace(u"/", u"\\");
    const size_t slash = slashes.ReverseFind(u'\\');
    if (slash == VUnicodeString::npos) {
        parent = VUnicodeString();
        leaf = std::move(slashes);
    } else {
        parent = slashes.Left(slash);
        leaf = slashes.Mid(slash + 1);
    }
}

VUnicodeString SessionDatabase::JoinSessionPath(const VUnicodeString& folder, const VUnicodeString& leaf)
{
    return folder.IsEmpty() ? leaf : folder + u"\\" + leaf.str();
}

bool SessionDatabase::SessionExists(const VUnicodeString& path) const
{
    const VProfileStore store;
    return store.GetRootKey() && store.GetRootKey()->KeyExists(KeyPathFromSessionPath(path));
}

bool SessionDatabase::IsFolder(const VUnicodeString& path) const
{
    const VProfileStore store;
    return store.GetRootKey() && KindOf(*store.GetRootKey(), NormalizeSessionPath(path)) == ItemKind::Folder;
}

bool SessionDatabase::IsSession(const VUnicodeString& path) const
{
    const VProfileStore store;
    return store.GetRootKey() && KindOf(*store.GetRootKey(), NormalizeSessionPath(path)) == ItemKind::Session;
}

const SessionDatabase::Listing& SessionDatabase::ListingOf(const VUnicodeString& folder, int sortMode)
{
    const VUnicodeString normal = NormalizeSessionPath(folder);
    auto key = std::make_pair(VUnicodeString::FoldCase(normal), sortMode);
    const auto found = m_listings.find(key);
    if (found != m_listings.end())
        return found->second;
    Listing listing;
    {
        VProfileStore store;
        const ProfileFolderData data(&store, normal, sortMode);
        data.GetFolderList(listing.folders);
        data.GetSessionList(listing.sessions);
    }
    return m_listings.emplace(std::move(key), std::move(listing)).first->second;
}

void SessionDatabase::GetFolderList(const VUnicodeString& folder, int sortMode, VStringArray& out)
{
    out = ListingOf(folder, sortMode).folders;
}

void SessionDatabase::GetSessionList(const VUnicodeString& folder, int sortMode, VStringArray& out)
{
    out = ListingOf(folder, sortMode).sessions;
}

void SessionDatabase::DropCachedListings()
{
    m_listings.clear();
    m_findTexts.clear();
}

bool SessionDatabase::GetFindTexts(const VUnicodeString& path, VUnicodeString& hostName, VUnicodeString& description)
{
    // A walk asks for every session: a path already in its normal form is
    // split in place, with no copy made.
    const std::u16string_view given = path.str();
    const bool normalAlready = !given.empty() && given.front() != u'\\' && given.back() != u'\\' &&
                               given.find(u'/') == std::u16string_view::npos &&
                               given.find(u"\\\\") == std::u16string_view::npos;
    VUnicodeString normalized;
    const VUnicodeString& normal = normalAlready ? path : (normalized = NormalizeSessionPath(path));
    const std::u16string_view whole = normal.str();
    const size_t slash = whole.rfind(u'\\');
    const std::u16string_view folderName = slash == std::u16string_view::npos ? std::u16string_view() : whole.substr(0, slash);
    const std::u16string_view leaf = slash == std::u16string_view::npos ? whole : whole.substr(slash + 1);
    auto cached = m_findTexts.find(folderName);
    if (cached == m_findTexts.end()) {
        const VUnicodeString folder(folderName);
        std::optional<FolderFindTexts> texts(std::in_place);
        texts->reserve(128);
        const VProfileStore store;
        if (store.GetRootKey()) {
            VStringArray names;
            names.Add(RemoteHostConfig::kHostname);
            names.Add(SessionConfig::kDescription);
            const VProfileKey key(*store.GetRootKey(), KeyPath(folder), 0);
            const bool queried = key.IsOpen() && key.QueryValuesBelow(names, 1, [&](const auto& found) {
                FindTexts& entry = (*texts)[std::u16string(found.path)];
                if (found.kind == kValueKindString && found.name == names[0].str())
                    entry.hostName = VUnicodeString(found.text);
                else if (found.kind == kValueKindMultiString && found.name == names[1].str())
                    entry.description = VUnicodeString(found.text);
            });
            if (!queried && key.IsOpen())
                texts.reset();
        }
        cached = m_findTexts.emplace(folder.str(), std::move(texts)).first;
    }
    if (!cached->second) { // a store without queries: the session is loaded
        const SessionConfigPtr config = LoadSession(normal);
        if (!config)
            return false;
        hostName = config->GetHostname();
        description = config->GetDescription();
        return true;
    }
    const auto found = cached->second->find(leaf);
    hostName = found == cached->second->end() ? VUnicodeString() : found->second.hostName;
    description = found == cached->second->end() ? VUnicodeString() : found->second.description;
    return true;
}

bool SessionDatabase::IsFolderExpanded(const VUnicodeString& folder) const
{
    VProfileStore store;
    return ProfileFolderData(&store, NormalizeSessionPath(folder), kManual).IsExpanded();
}

void SessionDatabase::SetFolderExpanded(const VUnicodeString& folder, bool expanded)
{
    VProfileStore store;
    ProfileFolderData(&store, NormalizeSessionPath(folder), kManual).SetExpanded(expanded);
}

SessionConfigPtr SessionDatabase::LoadSession(const VUnicodeString& path) const
{
    const VUnicodeString normal = NormalizeSessionPath(path);
    const VProfileStore store;
    if (normal.IsEmpty() || !store.GetRootKey())
        return {};
    const VProfileKey key(*store.GetRootKey(), KeyPath(normal), 0);
    if (!key.IsOpen() || !HoldsValues(key))
        return {};
    return SessionConfigPtr(new SessionConfig(&key, normal));
}

bool SessionDatabase::IsOfKind(const ISessionConfig& config, int kindCode)
{
    switch (kindCode) {
    case kKindTerminalHost:
    case kKindHost8:
        return config.HasTransferProtocol() && !config.HasTerminalProtocol();
    case kKindOtherHost:
    case kKindTransferHost:
        return config.HasTerminalProtocol() && !config.HasTransferProtocol();
    default:
        return false;
    }
}

bool SessionDatabase::IsSessionOfKind(const VUnicodeString& path, int kindCode) const
{
    const SessionConfigPtr config = LoadSession(path);
    return config && IsOfKind(*config, kindCode);
}

VUnicodeString SessionDatabase::MakeUniqueSessionName(const VUnicodeString& folder,
                                                      const VUnicodeString& baseName) const
{
    const VProfileStore store;
    if (!store.GetRootKey())
        return baseName;
    return UniqueName(*store.GetRootKey(), NormalizeSessionPath(folder), baseName);
}

SessionConfigPtr SessionDatabase::GetDefaultSession(const VUnicodeString& protocol, IReportMessageParams* report)
{
    SessionDatabaseOperation op(report);
    if (!op.IsOpen()) {
        OpenFailed(report);
        return {};
    }
    SessionConfigPtr config = op.DefaultSession(protocol);
    op.Done(static_cast<bool>(config));
    DropCachedListings();
    return config;
}

bool SessionDatabase::CreateFolder(const VUnicodeString& parent, const VUnicodeString& name,
                                   const VUnicodeString& reference, bool after, IReportMessageParams* report)
{
    if (const uint32_t problem = SessionNameProblem(name))
        return Report(report, problem, name);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    if (!op.IsOpen())
        return FailFolder(report, kMsgCreateFolderFailed, EIO);
    const VUnicodeString folder = NormalizeSessionPath(parent);
    if (KindOf(op.Root(), folder) != ItemKind::Folder)
        return FailFolder(report, kMsgCreateFolderFailed, ENOENT);
    const VUnicodeString path = JoinSessionPath(folder, name);
    if (op.Root().KeyExists(KeyPath(path)))
        return FailTaken(report, name);
    ProfileFolderData parentData(&op.Store(), folder, kManual);
    if (!VProfileKey(op.Root(), KeyPath(path), 1).IsOpen())
        return FailFolder(report, kMsgCreateFolderFailed, EIO);
    if (!parentData.AddFolder(name, reference, after))
        return FailFolder(report, kMsgCreateFolderFailed, EIO);
    return op.Done(true);
}

bool SessionDatabase::CreateSession(const VUnicodeString& folder, const VUnicodeString& name,
                                    const VUnicodeString& protocol, const VUnicodeString& reference, bool after,
                                    VUnicodeString* path, IReportMessageParams* report)
{
    if (const uint32_t problem = SessionNameProblem(name))
        return Report(report, problem, name);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    VUnicodeString normal;
    if (!CheckNewSessionPlace(op, folder, name, normal, report))
        return false;
    const VUnicodeString newPath = JoinSessionPath(normal, name);
    const SessionConfigPtr base = op.DefaultSession(protocol);
    if (!base)
        return false;
    const SessionConfigPtr config(base->Clone());
    if (!protocol.IsEmpty())
        config->Connect().SetProtocolName(protocol);
    const VProfileKey baseKey(op.Root(), KeyPath(base->GetSessionPath()), 0);
    if (!op.SaveNew(*config, normal, name, reference, after, &baseKey))
        return false;
    if (path)
        *path = newPath;
    return op.Done(true);
}

bool SessionDatabase::SaveNewSession(SessionConfig& config, const VUnicodeString& folder, const VUnicodeString& name,
                                     const VUnicodeString& reference, bool after, IReportMessageParams* report)
{
    if (const uint32_t problem = SessionNameProblem(name))
        return Report(report, problem, name);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    VUnicodeString normal;
    if (!CheckNewSessionPlace(op, folder, name, normal, report))
        return false;
    return op.Done(op.SaveNew(config, normal, name, reference, after, nullptr));
}

bool SessionDatabase::DuplicateSession(const VUnicodeString& path, const VUnicodeString& newName,
                                       const VUnicodeString* newHost, const VUnicodeString& reference, bool after,
                                       VUnicodeString* newPath, IReportMessageParams* report)
{
    const VProfileStore transaction;
    const VUnicodeString source = NormalizeSessionPath(path);
    const SessionConfigPtr original = IsSession(source) ? LoadSession(source) : SessionConfigPtr();
    if (!original)
        return FailWith(report, ENOENT);
    VUnicodeString folder;
    VUnicodeString leaf;
    SplitSessionPath(source, folder, leaf);
    SessionConfigPtr copy(original->Clone());
    if (newHost)
        copy->RemoteHost().SetHostname(*newHost);
    if (!SaveNewSession(*copy, folder, newName, reference, after, report))
        return false;
    const VUnicodeString made = JoinSessionPath(folder, newName);
    std::vector<StoredValue> others;
    if (GetValuesOutsideSchema(source, others) && !others.empty() && !WriteValuesOutsideSchema(made, others, report))
        return false;
    if (newPath)
        *newPath = made;
    return true;
}

bool SessionDatabase::OffersHostname(const ISessionConfig& config)
{
    const VUnicodeString protocol =
        config.HasTerminalProtocol() ? config.GetProtocolName() : config.GetTransferProtocolName();
    if (protocol.IsEmpty())
        return false;
    for (const char16_t* none : {u"None", u"Serial", u"TAPI", u"Local Shell"})
        if (protocol.EqualsNoCase(none))
            return false;
    return true;
}

bool SessionDatabase::SaveNewSessionValues(const VUnicodeString& folder, const VUnicodeString& name,
                                           const std::vector<StoredValue>& values, IReportMessageParams* report)
{
    if (const uint32_t problem = SessionNameProblem(name))
        return Report(report, problem, name);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    VUnicodeString normal;
    if (!CheckNewSessionPlace(op, folder, name, normal, report))
        return false;
    const VUnicodeString path = JoinSessionPath(normal, name);
    ProfileFolderData folderData(&op.Store(), normal, kManual);
    const VProfileKey key(op.Root(), KeyPath(path), 1);
    if (!key.IsOpen())
        return FailWith(report, EIO);
    // A key without values would be a folder.
    bool ok = values.empty() ? key.WriteBool(SessionConfig::kIsSession, true) : WriteStoredValues(key, values);
    ok = ok && folderData.AddSession(name, {}, false);
    return op.Done(ok || FailWith(report, EIO));
}

bool SessionDatabase::SaveSession(SessionConfig& config, IReportMessageParams* report)
{
    m_findTexts.clear();
    SessionDatabaseOperation op(report);
    if (!op.IsOpen())
        return OpenFailed(report);
    const VUnicodeString path = NormalizeSessionPath(config.GetSessionPath());
    if (path.IsEmpty() || KindOf(op.Root(), path) != ItemKind::Session)
        return FailWith(report, ENOENT);
    const VProfileKey key(op.Root(), KeyPath(path), 0);
    return op.Done(config.Save(&key, report) || FailWith(report, EIO));
}

bool SessionDatabase::GetValuesOutsideSchema(const VUnicodeString& path, std::vector<StoredValue>& values) const
{
    values.clear();
    const VUnicodeString normal = NormalizeSessionPath(path);
    const VProfileStore store;
    if (normal.IsEmpty() || !store.GetRootKey())
        return false;
    const VProfileKey key(*store.GetRootKey(), KeyPath(normal), 0);
    if (!key.IsOpen() || !HoldsValues(key))
        return false;
    const SessionConfigPtr schema(new SessionConfig(nullptr, normal));
    for (StoredValue& value : ReadStoredValues(key))
        if (!schema->FindValue(value.name))
            values.push_back(std::move(value));
    return true;
}

bool SessionDatabase::WriteValuesOutsideSchema(const VUnicodeString& path, const std::vector<StoredValue>& values,
                                               IReportMessageParams* report)
{
    m_findTexts.clear();
    const VUnicodeString normal = NormalizeSessionPath(path);
    const SessionConfigPtr schema(new SessionConfig(nullptr, normal));
    for (const StoredValue& value : values)
        if (value.name.IsEmpty() || schema->FindValue(value.name))
            return FailWith(report, EINVAL);
    SessionDatabaseOperation op(report);
    if (!op.IsOpen())
        return OpenFailed(report);
    if (normal.IsEmpty() || KindOf(op.Root(), normal) != ItemKind::Session)
        return FailWith(report, ENOENT);
    const VProfileKey key(op.Root(), KeyPath(normal), 0);
    return op.Done(WriteStoredValues(key, values) || FailWith(report, EIO));
}

bool SessionDatabase::RenameItem(const VUnicodeString& path, const VUnicodeString& newName, VUnicodeString* newPath,
                                 IReportMessageParams* report)
{
    const VUnicodeString normal = NormalizeSessionPath(path);
    if (normal.IsEmpty())
        return FailWith(report, EINVAL);
    if (const uint32_t problem = SessionNameProblem(newName))
        return Report(report, problem, newName);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    if (!op.IsOpen())
        return OpenFailed(report);
    const VProfileKey& root = op.Root();
    const ItemKind kind = KindOf(root, normal);
    if (kind == ItemKind::None)
        return FailWith(report, ENOENT);
    VUnicodeString parent;
    VUnicodeString leaf;
    SplitSessionPath(normal, parent, leaf);
    const VUnicodeString renamed = JoinSessionPath(parent, newName);
    if (newPath)
        *newPath = renamed;
    if (leaf == newName)
        return op.Done(true);
    const bool caseOnly = leaf.EqualsNoCase(newName);
    if (!caseOnly && root.KeyExists(KeyPath(renamed)))
        return FailTaken(report, newName);

    // The order lists are read before the keys change, so the new name can
    // take the old one's place.
    ProfileFolderData parentData(&op.Store(), parent, kManual);
    const VUnicodeString from = KeyPath(normal);
    const VUnicodeString to = KeyPath(renamed);
    bool done = false;
    if (caseOnly) {
        // Through a name no session has, so that a store that compares
        // without case still sees a change of name.
        const VUnicodeString between = KeyPath(JoinSessionPath(parent, VUnicodeString(u"__") + newName.str() + u"__"));
        if (root.RenameKey(from, between)) {
            done = root.RenameKey(between, to);
            if (!done)
                root.RenameKey(between, from);
        }
    } else {
        done = root.RenameKey(from, to);
    }
    if (!done) {
        if (kind == ItemKind::Folder)
            return FailFolder(report, kMsgRenameFolderFailed, EIO);
        // A store that cannot rename: load, delete, and save under the new name.
        const VProfileKey oldKey(root, from, 0);
        const SessionConfigPtr config(new SessionConfig(&oldKey, normal));
        const std::vector<StoredValue> stored = ReadStoredValues(oldKey);
        if (!root.DeleteKey(from))
            return FailWith(report, EIO);
        const VProfileKey newKey(root, to, 1);
        config->SetSessionPath(renamed);
        const bool saved = newKey.IsOpen() && config->Save(&newKey);
        if (!saved || !WriteStoredValues(newKey, stored))
            return FailWith(report, EIO);
    }
    const bool listed =
        kind == ItemKind::Folder ? parentData.RenameFolder(leaf, newName) : parentData.RenameSession(leaf, newName);
    if (!listed)
        return kind == ItemKind::Folder ? FailFolder(report, kMsgRenameFolderFailed, EIO) : FailWith(report, EIO);
    return op.Done(true);
}

bool SessionDatabase::DeleteItem(const VUnicodeString& path, IReportMessageParams* report)
{
    const VUnicodeString normal = NormalizeSessionPath(path);
    if (normal.IsEmpty())
        return FailWith(report, EINVAL);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    if (!op.IsOpen())
        return OpenFailed(report);
    const ItemKind kind = KindOf(op.Root(), normal);
    if (kind == ItemKind::None)
        return FailWith(report, ENOENT);
    return op.Done(op.Delete(normal, kind));
}

bool SessionDatabase::CopyItem(const VUnicodeString& source, const VUnicodeString& targetFolder, bool makeUnique,
                               const VUnicodeString& reference, bool after, VUnicodeString& copyPath,
                               IReportMessageParams* report)
{
    const VUnicodeString from = NormalizeSessionPath(source);
    const VUnicodeString target = NormalizeSessionPath(targetFolder);
    if (from.IsEmpty())
        return FailWith(report, EINVAL);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    if (!op.IsOpen())
        return OpenFailed(report);
    const ItemKind kind = KindOf(op.Root(), from);
    if (kind == ItemKind::None || KindOf(op.Root(), target) != ItemKind::Folder)
        return FailWith(report, ENOENT);
    if (kind == ItemKind::Folder && IsBelow(target, from))
        return Report(report, kMsgParentIntoChild);
    ProfileFolderData targetData(&op.Store(), target, kManual);
    FirewallChanges copied;
    return op.Done(op.CopyInto(from, kind, targetData, target, makeUnique, reference, after, copyPath, copied));
}

bool SessionDatabase::MoveItem(const VUnicodeString& source, const VUnicodeString& targetFolder,
                               const VUnicodeString& reference, bool after, VUnicodeString& newPath,
                               FirewallChanges* changes, IReportMessageParams* report)
{
    const VUnicodeString from = NormalizeSessionPath(source);
    const VUnicodeString target = NormalizeSessionPath(targetFolder);
    if (from.IsEmpty())
        return FailWith(report, EINVAL);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    if (!op.IsOpen())
        return OpenFailed(report);
    const ItemKind kind = KindOf(op.Root(), from);
    if (kind == ItemKind::None || KindOf(op.Root(), target) != ItemKind::Folder)
        return FailWith(report, ENOENT);
    if (kind == ItemKind::Folder && VUnicodeString::CompareNoCase(target, from) == 0)
        return Report(report, kMsgFolderIntoItself);
    if (kind == ItemKind::Folder && IsBelow(target, from))
        return Report(report, kMsgParentIntoChild);
    FirewallChanges moved;
    if (!op.Move(from, kind, target, reference, after, newPath, moved))
        return false;
    if (changes)
        changes->insert(changes->end(), moved.begin(), moved.end());
    return op.Done(true);
}

bool SessionDatabase::ReorderItem(const VUnicodeString& path, const VUnicodeString& reference, bool after,
                                  IReportMessageParams* report)
{
    const VUnicodeString normal = NormalizeSessionPath(path);
    if (normal.IsEmpty())
        return FailWith(report, EINVAL);
    DropCachedListings();
    SessionDatabaseOperation op(report);
    if (!op.IsOpen())
        return OpenFailed(report);
    const ItemKind kind = KindOf(op.Root(), normal);
    if (kind == ItemKind::None)
        return FailWith(report, ENOENT);
    VUnicodeString parent;
    VUnicodeString leaf;
    SplitSessionPath(normal, parent, leaf);
    ProfileFolderData parentData(&op.Store(), parent, kManual);
    const bool listed = kind == ItemKind::Folder ? parentData.MoveFolder(leaf, reference, after)
                                                 : parentData.MoveSession(leaf, reference, after);
    return listed ? op.Done(true) : FailWith(report, EIO);
}

namespace {

// The new firewall text for `firewall` after `changes`, taken in order (a
// session moved, then its folder renamed), or empty when it names no
// session that moved or lies below a folder that moved.
VUnicodeString MovedFirewall(const VUnicodeString& firewall, const FirewallChanges& changes)
{
    const std::u16string_view prefix = SessionDatabase::kFirewallSessionPrefix;
    if (firewall.Length() <= prefix.size() ||
        VUnicodeString::CompareNoCase(std::u16string_view(firewall).substr(0, prefix.size()), prefix) != 0)
        return {};
    VUnicodeString path = SessionDatabase::NormalizeSessionPath(firewall.Mid(prefix.size()));
    bool moved = false;
    for (const FirewallChange& change : changes) {
        const VUnicodeString old = SessionDatabase::NormalizeSessionPath(change.oldPath);
        const VUnicodeString now = SessionDatabase::NormalizeSessionPath(change.newPath);
        if (VUnicodeString::CompareNoCase(path, old) == 0) {
            path = now;
            moved = true;
        } else if (IsBelow(path, old)) {
            path = now + std::u16string_view(path).substr(old.Length());
            moved = true;
        }
    }
    return moved ? VUnicodeString(prefix) + path.str() : VUnicodeString();
}

size_t RewriteFirewalls(const VProfileKey& folder, const FirewallChanges& changes)
{
    size_t rewritten = 0;
    VProfileKeyIterator it(folder);
    VUnicodeString name;
    uint32_t kind = 0;
    while (it.Next(name, kind)) {
        if (!ProfileFolderData::IsListedName(name))
            continue;
        const VProfileKey child(folder, name, 0);
        VUnicodeString firewall;
        if (child.ReadString(RemoteHostConfig::kFirewallName, firewall)) {
            const VUnicodeString moved = MovedFirewall(firewall, changes);
            if (!moved.IsEmpty() && child.WriteString(RemoteHostConfig::kFirewallName, moved))
                ++rewritten;
        }
        if (kind != kChildKindWithValues)
            rewritten += RewriteFirewalls(child, changes);
    }
    return rewritten;
}

} // namespace

size_t SessionDatabase::ApplyFirewallChanges(const FirewallChanges& changes)
{
    if (changes.empty())
        return 0;
    const VProfileStore store;
    if (!store.GetRootKey())
        return 0;
    return RewriteFirewalls(VProfileKey(*store.GetRootKey(), kSessionsKey, 0), changes);
}

SessionDatabase* GetSessionDatabaseImpl()
{
    static SessionDatabase database;
    return &database;
}

void UpdateSessionDatabaseWithFirewallChanges(const FirewallChanges& changes, IReportMessageParams*, QWidget*)
{
    GetSessionDatabaseImpl()->ApplyFirewallChanges(changes);
}
