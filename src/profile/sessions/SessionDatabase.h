#pragma once

#include <map>
#include <unordered_map>
#include <optional>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/store/StoredValue.h"

class IReportMessageParams;
class ProfileFolderData;
class QWidget;
class VProfileKey;
class VProfileStore;

// A session moved or renamed: sessions that use it as their firewall
// ("Session:" and its path) must follow it.
struct FirewallChange {
    VUnicodeString oldPath;
    VUnicodeString newPath;
    bool operator==(const FirewallChange&) const = default;
};
using FirewallChanges = std::vector<FirewallChange>;

// The saved sessions: a tree of folders and sessions below the key
// "Sessions" of the store's root. A session path names an item by the
// names below "Sessions" joined with backslashes ("" is the top folder); a
// key that holds values is a session, one that holds none is a folder.
//
// Every editing operation runs in one store, so with the database back end
// it is one transaction: a process killed at any instant leaves the item
// wholly moved, copied or renamed, or untouched. Failures fill the report
// (when given) and return false; a name already taken also sets the
// platform's last error to kErrorAlreadyExists.
class ORV_EXPORT SessionDatabase {
public:
    static constexpr char16_t kSessionsKey[] = u"Sessions";
    static constexpr char16_t kUniqueNamePattern[] = u"%1 (%2!d!)";
    static constexpr char16_t kFirewallSessionPrefix[] = u"Session:";

    // The kind codes the session tree asks about when a visibility option
    // hides sessions. Terminal-product hosts (code 3) and host 8 hide
    // transfer-only sessions: a transfer protocol and no terminal protocol.
    // The transfer product (code 9) and other hosts (code 6) hide
    // terminal-only sessions: a terminal protocol and no transfer protocol.
    // A session with both sides, or neither, is never hidden; nor is one
    // that cannot be loaded.
    static constexpr int kKindTerminalHost = 3;
    static constexpr int kKindOtherHost = 6;
    static constexpr int kKindHost8 = 8;
    static constexpr int kKindTransferHost = 9;

    SessionDatabase() = default;
    SessionDatabase(const SessionDatabase&) = delete;
    SessionDatabase& operator=(const SessionDatabase&) = delete;

    // Key layout.
    // Slashes become backslashes; empty levels are dropped.
    static VUnicodeString NormalizeSessionPath(const VUnicodeString& path);
    // "Sessions", then a backslash and the normalised path unless it is empty.
    static VUnicodeString KeyPathFromSessionPath(const VUnicodeString& path);
    // Slashes become backslashes; then the part after the last backslash
    // is the leaf, the part before it (empty when there is none) the parent.
    static void SplitSessionPath(const VUnicodeString& path, VUnicodeString& parent, VUnicodeString& leaf);
    static VUnicodeString JoinSessionPath(const VUnicodeString& folder, const VUnicodeString& leaf);
    // Whether a session or folder of that path is kept.
    bool SessionExists(const VUnicodeString& path) const;
    bool IsFolder(const VUnicodeString& path) const;
    bool IsSession(const VUnicodeString& path) const;

    // Listings in the order of `sortMode` (0 without case, 1 natural, 2
    // stored), kept until DropCachedListings or the next change made here.
    void GetFolderList(const VUnicodeString& folder, int sortMode, VStringArray& out);
    void GetSessionList(const VUnicodeString& folder, int sortMode, VStringArray& out);
    // Forgets the kept listings, so the next ones read the store afresh
    // (another process may have changed it).
    void DropCachedListings();
    bool IsFolderExpanded(const VUnicodeString& folder) const;
    void SetFolderExpanded(const VUnicodeString& folder, bool expanded);

    // The session's configuration, or null when the path is no session
    // (missing, a folder, or unreadable).
    SessionConfigPtr LoadSession(const VUnicodeString& path) const;
    // Whether the session is of the kind a visibility option hides for
    // `kindCode` (see the kind codes above).
    bool IsSessionOfKind(const VUnicodeString& path, int kindCode) const;
    static bool IsOfKind(const ISessionConfig& config, int kindCode);
    // The first of `baseName`, "baseName (1)", "baseName (2)", ... that
    // names nothing in `folder`.
    VUnicodeString MakeUniqueSessionName(const VUnicodeString& folder, const VUnicodeString& baseName) const;
    // The default session new sessions of `protocol` start from, made (and
    // kept) when missing: a protocol's own default from "Default".
    SessionConfigPtr GetDefaultSession(const VUnicodeString& protocol, IReportMessageParams* report = nullptr);

    // Editing. `reference` and `after` place the new item in the manual
    // order of its folder (no reference: at the end).
    bool CreateFolder(const VUnicodeString& parent, const VUnicodeString& name, const VUnicodeString& reference,
                      bool after, IReportMessageParams* report);
    // A new session of `protocol` from that protocol's default session.
    bool CreateSession(const VUnicodeString& folder, const VUnicodeString& name, const VUnicodeString& protocol,
                       const VUnicodeString& reference, bool after, VUnicodeString* path,
                       IReportMessageParams* report);
    // Saves `config` as a new session `name` in `folder` (a duplicate, a
    // wizard's or Quick Connect's session); the config takes the new path.
    bool SaveNewSession(SessionConfig& config, const VUnicodeString& folder, const VUnicodeString& name,
                        const VUnicodeString& reference, bool after, IReportMessageParams* report);
    // A copy of the session `path` in its own folder, named `newName`, with
    // every value it holds; when `newHost` is given, the copy's host name is
    // set to it. One transaction. `newPath` (may be null) gets the copy's path.
    bool DuplicateSession(const VUnicodeString& path, const VUnicodeString& newName, const VUnicodeString* newHost,
                          const VUnicodeString& reference, bool after, VUnicodeString* newPath,
                          IReportMessageParams* report);
    // Whether a session's remote host part has a host name to offer: that of
    // its terminal protocol when it has one, else that of its transfer
    // protocol (serial lines, TAPI modems and local shells have none).
    static bool OffersHostname(const ISessionConfig& config);
    // Makes the session `name` in `folder` holding exactly `values` as
    // stored (older names and all), at the end of the folder's order, in
    // one operation. Load and save it through its configuration next to
    // apply the rules for older names. The name is checked as a new
    // session's is; a taken name fails.
    bool SaveNewSessionValues(const VUnicodeString& folder, const VUnicodeString& name,
                              const std::vector<StoredValue>& values, IReportMessageParams* report);
    // Writes the settings of an existing session back to its key.
    bool SaveSession(SessionConfig& config, IReportMessageParams* report);
    // The values a session's key holds that no setting of the configuration
    // names (older names, the host's own values), as stored. False when the path
    // is no session.
    bool GetValuesOutsideSchema(const VUnicodeString& path, std::vector<StoredValue>& values) const;
    // Writes such values into a session's key in one operation. A name the
    // schema knows is refused before anything is written: settings change
    // through the session's configuration and SaveSession.
    bool WriteValuesOutsideSchema(const VUnicodeString& path, const std::vector<StoredValue>& values,
                                  IReportMessageParams* report);
    // Renames a session or folder in its folder; `newPath` gets its path.
    bool RenameItem(const VUnicodeString& path, const VUnicodeString& newName, VUnicodeString* newPath,
                    IReportMessageParams* report);
    bool DeleteItem(const VUnicodeString& path, IReportMessageParams* report);
    // Copies a session or a whole folder into `targetFolder`; with
    // `makeUnique` a taken name is made unique. `copyPath` gets the path of
    // the copy.
    bool CopyItem(const VUnicodeString& source, const VUnicodeString& targetFolder, bool makeUnique,
                  const VUnicodeString& reference, bool after, VUnicodeString& copyPath,
                  IReportMessageParams* report);
    // A copy with a unique name, then the source deleted. Every session
    // moved is appended to `changes` (may be null) as (old path, new path).
    bool MoveItem(const VUnicodeString& source, const VUnicodeString& targetFolder, const VUnicodeString& reference,
                  bool after, VUnicodeString& newPath, FirewallChanges* changes, IReportMessageParams* report);
    // Places an item next to `reference` in its folder's manual order.
    bool ReorderItem(const VUnicodeString& path, const VUnicodeString& reference, bool after,
                     IReportMessageParams* report);
    // Points the sessions whose firewall is a moved or renamed session at
    // its new path. Returns how many sessions were rewritten.
    size_t ApplyFirewallChanges(const FirewallChanges& changes);

    // Both listings of a folder without copying them: valid until the next
    // change made here or DropCachedListings. Walking a whole database (a
    // filter over 100,000 sessions) reads them this way.
    struct Listing {
        VStringArray folders;
        VStringArray sessions;
    };
    const Listing& GetListing(const VUnicodeString& folder, int sortMode) { return ListingOf(folder, sortMode); }

    // What Find tests of a session besides its name: its host name and its
    // description (lines joined as the configuration joins them). A folder's
    // sessions are read together in one query where the store offers it,
    // and kept as listings are. False when the path is no session.
    bool GetFindTexts(const VUnicodeString& path, VUnicodeString& hostName, VUnicodeString& description);

private:
    const Listing& ListingOf(const VUnicodeString& folder, int sortMode);
    struct FindTexts {
        VUnicodeString hostName;
        VUnicodeString description;
    };
    // By leaf name, found in any case.
    using FolderFindTexts = std::unordered_map<std::u16string, FindTexts, VNoCaseHash, VNoCaseEqual>;

    mutable std::map<std::pair<std::u16string, int>, Listing> m_listings;
    // By folder name, found in any case; empty: the store cannot query.
    std::unordered_map<std::u16string, std::optional<FolderFindTexts>, VNoCaseHash, VNoCaseEqual> m_findTexts;
};

// The process's session database.
ORV_EXPORT SessionDatabase* GetSessionDatabaseImpl();
// The host service of the same name: rewrites the sessions that use a
// moved or renamed session as firewall. The report is the caller's notice
// and is left as it is.
ORV_EXPORT void UpdateSessionDatabaseWithFirewallChanges(const FirewallChanges& changes,
                                                         IReportMessageParams* report, QWidget* parent);
