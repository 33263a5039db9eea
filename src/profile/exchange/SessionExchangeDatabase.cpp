#include "profile/exchange/SessionExchangeDatabase.h"

#include <algorithm>
#include <set>
#include <unordered_set>

#include "core/UnicodeConversion.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/StoredValue.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

// A path as people read it: names joined with '/'.
std::string Shown(const VUnicodeString& path)
{
    std::u16string text = path.str();
    for (char16_t& c : text)
        if (c == u'\\')
            c = u'/';
    try {
        return Utf16ToUtf8(text);
    } catch (const std::exception&) {
        return "(a path that is not valid Unicode)";
    }
}

std::string Plain(std::u16string_view text)
{
    try {
        std::string out = Utf16ToUtf8(text);
        for (char& c : out)
            if (c == '\r' || c == '\n')
                c = ' ';
        return out;
    } catch (const std::exception&) {
        return "(a text that is not valid Unicode)";
    }
}

bool IsBelow(const VUnicodeString& path, const VUnicodeString& folder)
{
    if (folder.IsEmpty())
        return !path.IsEmpty();
    return path.Length() > folder.Length() && path.str().compare(0, folder.Length(), folder.str()) == 0 &&
           path.At(folder.Length()) == u'\\';
}

VUnicodeString ParentOf(const VUnicodeString& path)
{
    VUnicodeString parent;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(path, parent, leaf);
    return parent;
}

} // namespace

// --- Export

size_t SessionExchangeExport::CountSessions(const VUnicodeString& folder)
{
    const SessionDatabase::Listing& listing = m_database.GetListing(folder, ProfileFolderData::kSortManual);
    size_t count = listing.sessions.GetSize();
    const VStringArray folders = listing.folders; // the next listing may replace it
    for (const VUnicodeString& name : folders)
        count += CountSessions(SessionDatabase::JoinSessionPath(folder, name));
    return count;
}

size_t SessionExchangeExport::CountItems(const VStringArray& paths)
{
    size_t count = 0;
    for (const VUnicodeString& path : paths)
        count += m_database.IsSession(path) ? 1 : CountSessions(path);
    return count;
}

ExchangeSession SessionExchangeExport::SessionOf(const VUnicodeString& path, const VUnicodeString& name)
{
    const SessionConfigPtr config = m_database.LoadSession(path);
    if (!config)
        throw ExchangeError("", 0, "cannot read session \"" + Shown(path) + "\"");
    ExchangeSession session;
    session.name = name;
    ForEachConfigValue(*config, [&](const SessionValueDef& def, VProfileData& value) {
        // A secret still under its older name travels as that older value
        // (among the others below): an empty current one would shadow it.
        VUnicodeString olderName;
        VUnicodeString olderText;
        if (config->GetPendingOlder(value.GetName(), olderName, olderText))
            return;
        try {
            session.values.push_back({value.GetName(), ValueOfSetting(def, value), 0});
        } catch (const ValueError& error) {
            throw ExchangeError("", 0, Shown(path) + ": " + Plain(value.GetName().str()) + ": " + error.reason);
        }
    });
    std::vector<StoredValue> others;
    m_database.GetValuesOutsideSchema(path, others);
    for (const StoredValue& value : others)
        session.values.push_back({value.name, ValueOfStored(value), 0});
    return session;
}

void SessionExchangeExport::FolderContents(const VUnicodeString& folder, IExchangeVisitor& out)
{
    const SessionDatabase::Listing listing = m_database.GetListing(folder, ProfileFolderData::kSortManual);
    for (const VUnicodeString& name : listing.folders)
        Folder(SessionDatabase::JoinSessionPath(folder, name), name, out);
    for (const VUnicodeString& name : listing.sessions) {
        out.Session(SessionOf(SessionDatabase::JoinSessionPath(folder, name), name));
        if (onSession)
            onSession();
    }
}

void SessionExchangeExport::Folder(const VUnicodeString& path, const VUnicodeString& name, IExchangeVisitor& out)
{
    out.BeginFolder(ExchangeFolder{name, m_database.IsFolderExpanded(path), 0});
    FolderContents(path, out);
    out.EndFolder();
}

void SessionExchangeExport::Items(const VStringArray& selection, IExchangeVisitor& out)
{
    std::set<std::u16string> folders;
    std::vector<VUnicodeString> candidates;
    for (const VUnicodeString& raw : selection) {
        const VUnicodeString path = SessionDatabase::NormalizeSessionPath(raw);
        if (path.IsEmpty()) {
            // The top folder selected: the whole database.
            FolderContents(path, out);
            return;
        }
        if (m_database.IsFolder(path))
            folders.insert(path.str());
        else if (!m_database.IsSession(path))
            continue;
        candidates.push_back(path);
    }
    // Each item once: nothing that lies below a selected folder.
    Selection chosen;
    for (const VUnicodeString& path : candidates) {
        bool covered = false;
        for (VUnicodeString above = ParentOf(path); !above.IsEmpty() && !covered; above = ParentOf(above))
            covered = folders.contains(above.str());
        if (covered || !chosen.items.insert(path.str()).second)
            continue;
        for (VUnicodeString above = ParentOf(path); !above.IsEmpty(); above = ParentOf(above))
            chosen.holders.insert(above.str());
    }
    if (chosen.items.empty())
        return;
    // The deepest folder that holds them all.
    VUnicodeString common = ParentOf(VUnicodeString(*chosen.items.begin()));
    for (const std::u16string& path : chosen.items)
        while (!IsBelow(VUnicodeString(path), common))
            common = ParentOf(common);
    Selected(common, chosen, out);
}

// The selected items below `folder`, in its stored order.
void SessionExchangeExport::Selected(const VUnicodeString& folder, const Selection& chosen, IExchangeVisitor& out)
{
    const SessionDatabase::Listing listing = m_database.GetListing(folder, ProfileFolderData::kSortManual);
    for (const VUnicodeString& name : listing.folders) {
        const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, name);
        if (chosen.items.contains(path.str())) {
            Folder(path, name, out);
        } else if (chosen.holders.contains(path.str())) {
            out.BeginFolder(ExchangeFolder{name, m_database.IsFolderExpanded(path), 0});
            Selected(path, chosen, out);
            out.EndFolder();
        }
    }
    for (const VUnicodeString& name : listing.sessions) {
        const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, name);
        if (!chosen.items.contains(path.str()))
            continue;
        out.Session(SessionOf(path, name));
        if (onSession)
            onSession();
    }
}

// --- Import

namespace {

// Sets the schema's settings of `config` from the document and keeps the
// rest aside as stored values (when `others` is given; else only checks them).
void Fill(SessionConfig& config, const ExchangeSession& session, const ExchangeChecks& checks,
          std::vector<StoredValue>* others)
{
    for (const ExchangeNamedValue& named : session.values) {
        try {
            const SessionValueDef* def = nullptr;
            if (VProfileData* setting = FindConfigValue(config, named.name.str(), def))
                SetSetting(*def, *setting, named.value);
            else if (others)
                others->push_back(StoredOf(named.name, named.value));
            else
                StoredOf(named.name, named.value); // checked only
        } catch (const ValueError& error) {
            checks.Fail(named.line, "\"" + Plain(named.name.str()) + "\": " + error.reason);
        }
    }
}

// Follows the document's folders below the target folder.
class PathTracker : public IExchangeVisitor {
public:
    PathTracker(SessionDatabase& database, const VUnicodeString& folder, const std::string& file)
        : m_database(database), m_checks(file), m_paths{folder}
    {
    }
    void EndFolder() override { m_paths.pop_back(); }

protected:
    VUnicodeString Current() const { return m_paths.back(); }
    VUnicodeString PathOf(const VUnicodeString& name) const
    {
        return SessionDatabase::JoinSessionPath(m_paths.back(), name);
    }
    void Enter(const VUnicodeString& path) { m_paths.push_back(path); }

    SessionDatabase& m_database;
    ExchangeChecks m_checks;

private:
    std::vector<VUnicodeString> m_paths;
};

// First pass: everything that could still go wrong against the database.
class ImportCheck : public PathTracker {
public:
    using PathTracker::PathTracker;
    void BeginFolder(const ExchangeFolder& folder) override
    {
        const VUnicodeString path = PathOf(folder.name);
        if (m_database.IsSession(path))
            m_checks.Fail(folder.line, "\"" + Shown(path) + "\" is a session in the database, not a folder");
        Enter(path);
    }
    void Session(const ExchangeSession& session) override
    {
        const VUnicodeString path = PathOf(session.name);
        if (conflict != ImportConflict::Rename && m_database.SessionExists(path) && !m_database.IsSession(path))
            m_checks.Fail(session.line, "\"" + Shown(path) + "\" is a folder in the database, not a session");
        Fill(*m_scratch, session, m_checks, nullptr);
        ++sessions;
    }
    size_t sessions = 0;
    ImportConflict conflict = ImportConflict::Skip;

private:
    // Each value is checked on its own: one configuration serves them all.
    const SessionConfigPtr m_scratch{new SessionConfig(nullptr, {})};
};

// Second pass: the writes.
class ImportWrite : public PathTracker {
public:
    ImportWrite(SessionDatabase& database, const VUnicodeString& folder, const std::string& file,
                const std::function<void(const SessionImportItem&)>& onSession,
                const std::function<void(const std::string&)>& onRefusal, ImportConflict conflict)
        : PathTracker(database, folder, file), m_onSession(onSession), m_onRefusal(onRefusal), m_conflict(conflict)
    {
    }
    void BeginFolder(const ExchangeFolder& folder) override
    {
        const VUnicodeString path = PathOf(folder.name);
        if (!m_database.IsFolder(path)) {
            VReportPtr report = NewReport();
            if (!m_database.CreateFolder(Current(), folder.name, {}, false, report.Get()))
                m_checks.Fail(folder.line, Plain(report->GetText().str()));
            if (folder.expanded)
                m_database.SetFolderExpanded(path, *folder.expanded);
        }
        Enter(path);
    }
    void Session(const ExchangeSession& session) override
    {
        const VUnicodeString path = PathOf(session.name);
        SessionImportItem item{path, true};
        if (m_database.SessionExists(path)) {
            if (m_conflict == ImportConflict::Rename) {
                ExchangeSession renamed = session;
                renamed.name = m_database.MakeUniqueSessionName(Current(), session.name);
                item = {PathOf(renamed.name), true, SessionImportItem::Outcome::Renamed, path};
                Write(renamed, item.path);
            } else if (m_conflict == ImportConflict::Replace) {
                VReportPtr report = NewReport();
                if (!m_database.DeleteItem(path, report.Get()))
                    m_checks.Fail(session.line, Plain(report->GetText().str()));
                item.outcome = SessionImportItem::Outcome::Replaced;
                Write(session, path);
            } else {
                item.added = false;
                item.outcome = SessionImportItem::Outcome::Skipped;
            }
        } else {
            Write(session, path);
        }
        if (m_onSession)
            m_onSession(item);
    }

private:
    void Write(const ExchangeSession& session, const VUnicodeString& path)
    {
        std::vector<StoredValue> others;
        const SessionConfigPtr typed(new SessionConfig(nullptr, path));
        Fill(*typed, session, m_checks, &others);
        const bool olderNames = std::any_of(others.begin(), others.end(), [](const StoredValue& value) {
            return SessionConfig::IsOlderValueName(value.name.str());
        });
        if (!olderNames) {
            // Nothing to convert: the configuration as built is what a load
            // and a save of the document's values would make of it.
            for (const StoredValue& value : others)
                typed->SetValueOutsideSchema(value);
            VReportPtr report = NewReport();
            if (!m_database.SaveNewSession(*typed, Current(), session.name, {}, false, report.Get()))
                m_checks.Fail(session.line, Plain(report->GetText().str()));
            NoteRefusal(*report);
            return;
        }
        // Else exactly the document's values first, each stored as its
        // setting stores it (a scratch store gives that form) and nothing
        // else, so that what the document holds under older names is still
        // there to be converted.
        MemoryProfileFactory scratch;
        const std::unique_ptr<IProfileBackendStore> scratchStore(scratch.CreateStore());
        const VProfileKey scratchKey(scratchStore->OpenRootKey(0));
        VReportPtr report = NewReport();
        typed->Save(&scratchKey, report.Get()); // under the policies, as every save
        NoteRefusal(*report);
        std::unordered_set<std::u16string> given; // folded: the store's names are case-insensitive
        given.reserve(session.values.size());
        for (const ExchangeNamedValue& named : session.values)
            given.insert(VUnicodeString::FoldCase(named.name));
        std::vector<StoredValue> values;
        for (StoredValue& value : ReadStoredValues(scratchKey))
            if (given.contains(VUnicodeString::FoldCase(value.name)))
                values.push_back(std::move(value));
        values.insert(values.end(), others.begin(), others.end());
        report = NewReport();
        if (!m_database.SaveNewSessionValues(Current(), session.name, values, report.Get()))
            m_checks.Fail(session.line, Plain(report->GetText().str()));
        // Then loaded and saved through its configuration, which applies
        // every rule for older names: converted values are written under
        // their current names. Older secrets stay pending (no key is
        // derived per session) until they are needed.
        SessionConfigPtr saved = m_database.LoadSession(path);
        if (!saved)
            m_checks.Fail(session.line, "the session \"" + Shown(path) + "\" cannot be read back");
        saved->KeepOlderSecretsPending(true);
        if (!m_database.SaveSession(*saved, report.Get()))
            m_checks.Fail(session.line, Plain(report->GetText().str()));
        NoteRefusal(*report);
    }

    // A value a policy held back: the session is imported without it.
    void NoteRefusal(IReportMessageParams& report)
    {
        if (report.GetMessageId() != 0 && m_onRefusal)
            m_onRefusal(Plain(report.GetText().str()));
    }

    const std::function<void(const SessionImportItem&)>& m_onSession;
    const std::function<void(const std::string&)>& m_onRefusal;
    ImportConflict m_conflict;
};

} // namespace

void SessionExchangeImport::Run(const std::function<void(IExchangeVisitor&)>& read)
{
    // One transaction: the check sees the database the writes change.
    VProfileStore transaction;
    const SessionSavePolicyHold policy; // and one policy for every session
    if (!m_database.IsFolder(m_folder))
        throw ExchangeError("", 0, "no folder \"" + Shown(m_folder) + "\"");
    const auto pass = [&](IExchangeVisitor& visitor) { readAhead ? ReadAhead(read, visitor) : read(visitor); };
    ImportCheck check(m_database, m_folder, m_file);
    check.conflict = conflict;
    pass(check);
    if (onChecked)
        onChecked(check.sessions);
    ImportWrite write(m_database, m_folder, m_file, onSession, onRefusal, conflict);
    try {
        pass(write);
    } catch (...) {
        m_database.DropCachedListings();
        throw;
    }
    if (dryRun)
        transaction.Abandon();
    m_database.DropCachedListings();
}
