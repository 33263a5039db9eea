// Whole folders in and out: the JSON document of export and import, and
// the sessions made from an OpenSSH client configuration. Everything is
// read and checked before the first write, and the writes of one command
// are one transaction.
#include <glob.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <unordered_set>

#include "ImportStream.h"
#include "JsonDocument.h"
#include "Progress.h"
#include "SessionValues.h"
#include "SshClientConfig.h"
#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolSession.h"
#include "ToolText.h"
#include "platform/ProtocolTable.h"
#include "platform/SessionNameValidator.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/StoredValue.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr char16_t kFormatName[] = u"orvalis-sessions";
constexpr int64_t kFormatVersion = 1;
// Above this many sessions an export is long work.
constexpr size_t kLongExport = 1000;
// The value outside the schema that keeps an SSH2 session's port: the
// schema has none, the protocol engine reads it.
constexpr char16_t kSsh2PortValue[] = u"SSH2 Port";

SessionDatabase& Db()
{
    return *GetSessionDatabaseImpl();
}

std::string ReportText(IReportMessageParams& report)
{
    return OneLine(report.GetText().str());
}

// Why a name cannot name a session or folder, in the library's words;
// empty when it can.
std::string NameProblem(const VUnicodeString& name)
{
    const uint32_t problem = SessionNameProblem(name.str());
    if (!problem)
        return {};
    VReportPtr report = NewReport(problem);
    report->AddParameter(name);
    return ReportText(*report);
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return text.str();
}

// --- Export

size_t CountSessions(const VUnicodeString& folder)
{
    VStringArray folders;
    VStringArray sessions;
    Db().GetFolderList(folder, ProfileFolderData::kSortManual, folders);
    Db().GetSessionList(folder, ProfileFolderData::kSortManual, sessions);
    size_t count = sessions.GetSize();
    for (const VUnicodeString& name : folders)
        count += CountSessions(SessionDatabase::JoinSessionPath(folder, name));
    return count;
}

void WriteValue(JsonWriter& out, const VUnicodeString& name, const ToolValue& value)
{
    out.BeginObject(true);
    out.Key(u"name");
    out.String(name.str());
    out.Key(u"kind");
    out.String(VUnicodeString::FromUtf8(KindName(value.kind)).str());
    out.Key(u"value");
    switch (value.kind) {
    case ValueKind::Flag: out.Bool(value.number != 0); break;
    case ValueKind::Number:
    case ValueKind::TriState: out.Integer(value.number); break;
    case ValueKind::Text:
    case ValueKind::Path:
    case ValueKind::Secret: out.String(value.text.str()); break;
    case ValueKind::List:
    case ValueKind::Lines:
        out.BeginArray(true);
        for (const VUnicodeString& element : value.list)
            out.String(element.str());
        out.EndArray();
        break;
    case ValueKind::Binary: {
        const std::string hex = HexOf(value.bytes);
        out.String(std::u16string(hex.begin(), hex.end()));
        break;
    }
    }
    out.EndObject();
}

void WriteSession(JsonWriter& out, const VUnicodeString& path, const VUnicodeString& name)
{
    const SessionConfigPtr config = Db().LoadSession(path);
    if (!config)
        throw ToolFailure("cannot read session \"" + DisplayPath(path) + "\"");
    out.BeginObject();
    out.Key(u"name");
    out.String(name.str());
    out.Key(u"values");
    out.BeginArray();
    ForEachConfigValue(*config, [&](const SessionValueDef& def, VProfileData& value) {
        // A secret still under its older name travels as that older value
        // (below): an empty current one would shadow it in the next database.
        VUnicodeString olderName;
        VUnicodeString olderText;
        if (config->GetPendingOlder(value.GetName(), olderName, olderText))
            return;
        try {
            WriteValue(out, value.GetName(), ValueOfSetting(def, value));
        } catch (const ValueError& error) {
            throw ToolFailure(DisplayPath(path) + ": " + ToUtf8Lossy(value.GetName().str()) + ": " + error.reason);
        }
    });
    std::vector<StoredValue> others;
    Db().GetValuesOutsideSchema(path, others);
    for (const StoredValue& value : others)
        WriteValue(out, value.name, ValueOfStored(value));
    out.EndArray();
    out.EndObject();
}

void WriteFolderContents(JsonWriter& out, const VUnicodeString& folder, Progress& progress)
{
    VStringArray folders;
    VStringArray sessions;
    Db().GetFolderList(folder, ProfileFolderData::kSortManual, folders);
    Db().GetSessionList(folder, ProfileFolderData::kSortManual, sessions);
    out.Key(u"folders");
    out.BeginArray();
    for (const VUnicodeString& name : folders) {
        const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, name);
        out.BeginObject();
        out.Key(u"name");
        out.String(name.str());
        out.Key(u"expanded");
        out.Bool(Db().IsFolderExpanded(path));
        WriteFolderContents(out, path, progress);
        out.EndObject();
    }
    out.EndArray();
    out.Key(u"sessions");
    out.BeginArray();
    for (const VUnicodeString& name : sessions) {
        WriteSession(out, SessionDatabase::JoinSessionPath(folder, name), name);
        progress.Step();
    }
    out.EndArray();
}

// --- Import
//
// The document is streamed twice and never held whole: the first pass
// checks it (its form, names, and every value against the schema) and
// notes each folder's name; the second writes it, in the one transaction
// of the command, so that a failure there leaves nothing behind.

struct PlannedValue {
    VUnicodeString name;
    ToolValue value;
    int line;
};
struct PlannedSession {
    VUnicodeString name;
    std::vector<PlannedValue> values;
    int line;
};
struct FolderHeader {
    VUnicodeString name;
    std::optional<bool> expanded;
    int line = 1;
};

// Turns the document's pieces into what will be written, or says on which
// line they cannot be used.
class DocumentReader {
public:
    explicit DocumentReader(std::string file) : m_file(std::move(file)) {}

    void CheckTop(const JsonValue& top) const
    {
        Allow(Object(top, "the document"), {u"format", u"version", u"folders", u"sessions"});
        Streamed(top);
        const JsonValue& format = Member(top, u"format");
        if (!format.AsString() || *format.AsString() != kFormatName)
            Fail(format, "this is no orvalis-sessions export (\"format\" is not \"orvalis-sessions\")");
        const JsonValue& version = Member(top, u"version");
        if (version.AsInteger() != kFormatVersion)
            Fail(version, "documents of version " + std::to_string(kFormatVersion) + " are read, not this one");
    }

    FolderHeader ReadFolder(const JsonValue& folder) const
    {
        Allow(Object(folder, "a folder"), {u"name", u"expanded", u"folders", u"sessions"});
        Streamed(folder);
        FolderHeader header{Name(folder), std::nullopt, folder.Line()};
        if (const JsonValue* expanded = folder.Find(u"expanded")) {
            if (!expanded->AsBool())
                Fail(*expanded, "\"expanded\" must be true or false");
            header.expanded = *expanded->AsBool();
        }
        return header;
    }

    PlannedSession ReadSession(const JsonValue& session) const
    {
        Allow(Object(session, "a session"), {u"name", u"values"});
        PlannedSession planned{Name(session), {}, session.Line()};
        if (const JsonValue* values = session.Find(u"values")) {
            if (!values->AsArray())
                Fail(*values, "\"values\" must be an array");
            std::unordered_set<std::u16string> seen; // folded: a name given twice in another case is the same
            planned.values.reserve(values->AsArray()->size());
            for (const JsonValue& value : *values->AsArray())
                planned.values.push_back(Value(value, seen));
        }
        return planned;
    }

    [[noreturn]] void Fail(int line, const std::string& message) const
    {
        throw ToolFailure(m_file + " line " + std::to_string(line) + ": " + message);
    }
    [[noreturn]] void Fail(const JsonValue& at, const std::string& message) const { Fail(at.Line(), message); }

private:
    const JsonValue::Object& Object(const JsonValue& value, const char* what) const
    {
        if (!value.AsObject())
            Fail(value, std::string(what) + " must be an object");
        return *value.AsObject();
    }

    void Allow(const JsonValue::Object& members, std::initializer_list<std::u16string_view> keys) const
    {
        for (const JsonValue::Member& member : members)
            if (std::find(keys.begin(), keys.end(), member.first) == keys.end())
                Fail(member.second, "unknown member \"" + ToUtf8Lossy(member.first) + "\"");
    }

    // Arrays of folders and sessions are streamed, never kept among the
    // members: one kept there is no array.
    void Streamed(const JsonValue& object) const
    {
        for (const char16_t* key : {u"folders", u"sessions"})
            if (const JsonValue* value = object.Find(key))
                Fail(*value, "\"" + ToUtf8Lossy(key) + "\" must be an array");
    }

    const JsonValue& Member(const JsonValue& object, std::u16string_view key) const
    {
        const JsonValue* value = object.Find(key);
        if (!value)
            Fail(object, "the object lacks \"" + ToUtf8Lossy(key) + "\"");
        return *value;
    }

    VUnicodeString Name(const JsonValue& object) const
    {
        const JsonValue& name = Member(object, u"name");
        if (!name.AsString())
            Fail(name, "\"name\" must be a string");
        const VUnicodeString text(*name.AsString());
        if (const std::string problem = NameProblem(text); !problem.empty())
            Fail(name, problem);
        return text;
    }

    PlannedValue Value(const JsonValue& object, std::unordered_set<std::u16string>& seen) const
    {
        Allow(Object(object, "a value"), {u"name", u"kind", u"value"});
        const JsonValue& name = Member(object, u"name");
        if (!name.AsString() || name.AsString()->empty())
            Fail(name, "a value's \"name\" must be a string that is not empty");
        PlannedValue planned{VUnicodeString(*name.AsString()), {}, object.Line()};
        if (!seen.insert(VUnicodeString::FoldCase(planned.name)).second)
            Fail(name, "the value \"" + ToUtf8Lossy(planned.name.str()) + "\" is given twice");
        const JsonValue& kind = Member(object, u"kind");
        const std::optional<ValueKind> known =
            kind.AsString() ? KindFromName(ToUtf8Lossy(*kind.AsString())) : std::nullopt;
        if (!known)
            Fail(kind, "unknown kind of value");
        ToolValue& value = planned.value;
        value.kind = *known;
        const JsonValue& given = Member(object, u"value");
        switch (value.kind) {
        case ValueKind::Flag:
            if (!given.AsBool())
                Fail(given, "a flag is true or false");
            value.number = *given.AsBool() ? 1 : 0;
            break;
        case ValueKind::Number:
        case ValueKind::TriState:
            if (!given.AsInteger())
                Fail(given, "a number is written as a whole number");
            value.number = *given.AsInteger();
            break;
        case ValueKind::Text:
        case ValueKind::Path:
        case ValueKind::Secret:
            if (!given.AsString())
                Fail(given, "the value must be a string");
            value.text = VUnicodeString(*given.AsString());
            break;
        case ValueKind::List:
        case ValueKind::Lines:
            if (!given.AsArray())
                Fail(given, "the value must be an array of strings");
            for (const JsonValue& element : *given.AsArray()) {
                if (!element.AsString())
                    Fail(element, "the value must be an array of strings");
                value.list.Add(VUnicodeString(*element.AsString()));
            }
            break;
        case ValueKind::Binary:
            if (!given.AsString() || !BytesOfHex(*given.AsString(), value.bytes))
                Fail(given, "a binary value is a string of hex digit pairs");
            break;
        }
        return planned;
    }

    std::string m_file;
};

// The session as it will be saved: the schema's settings set from the
// document, the rest kept aside as stored values.
SessionConfigPtr BuildSession(const DocumentReader& reader, const PlannedSession& session, const VUnicodeString& path,
                              std::vector<StoredValue>* others = nullptr)
{
    SessionConfigPtr config(new SessionConfig(nullptr, path));
    for (const PlannedValue& planned : session.values) {
        try {
            const SessionValueDef* def = nullptr;
            if (VProfileData* setting = FindConfigValue(*config, planned.name, def))
                SetSetting(*def, *setting, planned.value);
            else if (others)
                others->push_back(StoredOf(planned.name, planned.value));
            else
                StoredOf(planned.name, planned.value); // checked only
        } catch (const ValueError& error) {
            reader.Fail(planned.line, "\"" + ToUtf8Lossy(planned.name.str()) + "\": " + error.reason);
        }
    }
    return config;
}

// The first pass: everything about the document itself, with each
// folder's header kept (in document order) for the second pass.
class DocumentChecker final : public ImportStreamSink {
public:
    explicit DocumentChecker(const DocumentReader& reader) : m_reader(reader) { m_names.emplace_back(); }

    void BeginFolder() override
    {
        m_open.push_back(m_headers.size());
        m_headers.emplace_back();
        m_names.emplace_back();
    }
    void EndFolder(const JsonValue& members) override
    {
        FolderHeader header = m_reader.ReadFolder(members);
        m_names.pop_back();
        Unique(header.name, header.line);
        m_headers[m_open.back()] = std::move(header);
        m_open.pop_back();
    }
    void FolderValue(const JsonValue& value) override { m_reader.ReadFolder(value); }
    void Session(const JsonValue& session) override
    {
        const PlannedSession planned = m_reader.ReadSession(session);
        Unique(planned.name, planned.line);
        BuildSession(m_reader, planned, planned.name);
        ++m_sessions;
    }
    void EndDocument(const JsonValue& top) override { m_reader.CheckTop(top); }

    size_t Sessions() const { return m_sessions; }
    const std::vector<FolderHeader>& Headers() const { return m_headers; }

private:
    void Unique(const VUnicodeString& name, int line)
    {
        auto& names = m_names.back();
        const auto [it, fresh] = names.emplace(VUnicodeString::FoldCase(name), line);
        if (!fresh)
            m_reader.Fail(line, "\"" + ToUtf8Lossy(name.str()) + "\" is named twice in its folder (first on line " +
                                    std::to_string(it->second) + ")");
    }

    const DocumentReader& m_reader;
    std::vector<FolderHeader> m_headers;
    std::vector<size_t> m_open;
    std::vector<std::map<std::u16string, int>> m_names; // per open folder, the names taken in it
    size_t m_sessions = 0;
};

// The second pass: writes folders and sessions into the database; what
// could only be known against it (a name taken by an item of the other
// kind) fails here, and the transaction takes everything back.
class DocumentWriter final : public ImportStreamSink {
public:
    DocumentWriter(const DocumentReader& reader, const std::vector<FolderHeader>& headers,
                   const VUnicodeString& folder, Progress& progress)
        : m_reader(reader), m_headers(headers), m_progress(progress)
    {
        m_paths.push_back(folder);
    }

    void BeginFolder() override
    {
        const FolderHeader& header = m_headers.at(m_next++);
        const VUnicodeString& parent = m_paths.back();
        const VUnicodeString path = SessionDatabase::JoinSessionPath(parent, header.name);
        if (Db().IsSession(path))
            m_reader.Fail(header.line, "\"" + DisplayPath(path) + "\" is a session in the database, not a folder");
        if (!Db().IsFolder(path)) {
            VReportPtr report = NewReport();
            if (!Db().CreateFolder(parent, header.name, {}, false, report.Get()))
                m_reader.Fail(header.line, ReportText(*report));
            if (header.expanded)
                Db().SetFolderExpanded(path, *header.expanded);
        }
        m_paths.push_back(path);
    }
    void EndFolder(const JsonValue&) override { m_paths.pop_back(); }
    void FolderValue(const JsonValue&) override {}
    void Session(const JsonValue& value) override
    {
        const PlannedSession session = m_reader.ReadSession(value);
        const VUnicodeString& folder = m_paths.back();
        const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, session.name);
        if (Db().IsSession(path)) {
            PrintLine("skipped\t" + DisplayPath(path));
        } else {
            if (Db().SessionExists(path))
                m_reader.Fail(session.line, "\"" + DisplayPath(path) + "\" is a folder in the database, not a session");
            Write(session, folder, path);
            PrintLine("added\t" + DisplayPath(path));
        }
        m_progress.Step();
    }
    void EndDocument(const JsonValue&) override {}

private:
    void Write(const PlannedSession& session, const VUnicodeString& folder, const VUnicodeString& path)
    {
        // Exactly the document's values first, each stored as its setting
        // stores it (a scratch store gives that form); nothing else, so
        // that what the document holds under older names is still there
        // to be converted.
        std::vector<StoredValue> others;
        SessionConfigPtr typed = BuildSession(m_reader, session, path, &others);
        MemoryProfileFactory scratch;
        const std::unique_ptr<IProfileBackendStore> scratchStore(scratch.CreateStore());
        const VProfileKey scratchKey(scratchStore->OpenRootKey(0));
        VReportPtr report = NewReport();
        typed->Save(&scratchKey, report.Get()); // under the policies, as every save
        NoteRefusal(*report);
        std::vector<StoredValue> values;
        for (StoredValue& value : ReadStoredValues(scratchKey))
            for (const PlannedValue& planned : session.values)
                if (planned.name.EqualsNoCase(value.name)) {
                    values.push_back(std::move(value));
                    break;
                }
        values.insert(values.end(), others.begin(), others.end());
        report = NewReport();
        if (!Db().SaveNewSessionValues(folder, session.name, values, report.Get()))
            m_reader.Fail(session.line, ReportText(*report));
        // Then loaded and saved through its configuration, which applies
        // every rule for older names: converted values are written under
        // their current names, the older ones stay. Older secrets stay
        // pending (no key is derived per session) until they are needed.
        SessionConfigPtr saved = Db().LoadSession(path);
        if (!saved)
            m_reader.Fail(session.line, "the session \"" + DisplayPath(path) + "\" cannot be read back");
        saved->KeepOlderSecretsPending(true);
        if (!Db().SaveSession(*saved, report.Get()))
            m_reader.Fail(session.line, ReportText(*report));
        NoteRefusal(*report);
    }

    // A value a policy held back: said once, and the import ends with 1.
    void NoteRefusal(IReportMessageParams& report)
    {
        if (report.GetMessageId() == 0 || m_refused)
            return;
        m_refused = true;
        const std::string line = "orvalis-sessions: " + ReportText(report) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    }

public:
    bool Refused() const { return m_refused; }

private:
    bool m_refused = false;
    const DocumentReader& m_reader;
    const std::vector<FolderHeader>& m_headers;
    size_t m_next = 0;
    std::vector<VUnicodeString> m_paths;
    Progress& m_progress;
};

// Streams `file` to `sink`; a document that is no JSON fails with its line.
void StreamFile(const std::string& file, ImportStreamSink& sink)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!in)
        throw ToolFailure("cannot read " + file);
    try {
        StreamImportDocument(in.get(), sink);
    } catch (const JsonError& error) {
        throw ToolFailure(file + " " + error.Describe());
    }
    if (std::ferror(in.get()))
        throw ToolFailure("cannot read " + file);
}

VUnicodeString TargetFolder(const ToolArguments& args)
{
    const VUnicodeString folder = args.Has("folder") ? SessionPathArgument(*args.Value("folder")) : VUnicodeString();
    if (!Db().IsFolder(folder))
        throw ToolFailure("no folder \"" + DisplayPath(folder) + "\"");
    return folder;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        throw ToolFailure("HOME is not set, so ~/.ssh cannot be found");
    return home;
}

std::vector<std::string> GlobFiles(const std::string& pattern)
{
    glob_t found{};
    std::vector<std::string> paths;
    if (glob(pattern.c_str(), 0, nullptr, &found) == 0)
        for (size_t i = 0; i < found.gl_pathc; ++i)
            paths.emplace_back(found.gl_pathv[i]);
    globfree(&found);
    return paths;
}

} // namespace

int CommandExport(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 0, 1);
    const VUnicodeString folder = a.Count() ? SessionPathArgument(a.At(0)) : VUnicodeString();
    // One transaction: what is written is the database at one moment.
    const VProfileStore snapshot;
    if (!Db().IsFolder(folder))
        throw ToolFailure(Db().IsSession(folder) ? "\"" + DisplayPath(folder) + "\" is a session, not a folder"
                                                 : "no folder \"" + DisplayPath(folder) + "\"");
    Progress progress("exporting", CountSessions(folder), kLongExport);
    JsonWriter out(std::cout);
    out.BeginObject();
    out.Key(u"format");
    out.String(kFormatName);
    out.Key(u"version");
    out.Integer(kFormatVersion);
    WriteFolderContents(out, folder, progress);
    out.EndObject();
    out.Finish();
    std::cout.flush();
    if (!std::cout)
        throw ToolFailure("cannot write the document to standard output");
    return StatusOf(session);
}

int CommandImport(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"folder", true}}, 1, 1);
    const std::string& file = a.At(0);
    const DocumentReader reader(file);
    DocumentChecker checker(reader);
    StreamFile(file, checker);
    const VProfileStore transaction; // ended by an exception, it keeps nothing
    const VUnicodeString folder = TargetFolder(a);
    Progress progress("importing", checker.Sessions(), 0);
    DocumentWriter writer(reader, checker.Headers(), folder, progress);
    StreamFile(file, writer);
    return writer.Refused() ? 1 : StatusOf(session);
}

int CommandImportSshConfig(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"folder", true}}, 0, 1);
    const std::string home = HomeFolder();
    const std::string file = a.Count() ? a.At(0) : home + "/.ssh/config";
    SshClientConfig config(ReadWholeFile, GlobFiles, home);
    std::vector<SshHostEntry> hosts;
    try {
        config.ReadFile(file);
        hosts = config.Hosts();
    } catch (const SshConfigError& error) {
        throw ToolFailure(error.line > 0 ? error.Describe() : error.file + ": " + error.message);
    }
    // Every name is checked before the first session is made.
    for (const SshHostEntry& host : hosts)
        if (const std::string problem = NameProblem(VUnicodeString(host.alias)); !problem.empty())
            throw ToolFailure(host.file + " line " + std::to_string(host.line) + ": " + problem);

    const VProfileStore transaction;
    const VUnicodeString folder = TargetFolder(a);
    for (const SshHostEntry& host : hosts) {
        const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, VUnicodeString(host.alias));
        if (Db().SessionExists(path) && !Db().IsSession(path))
            throw ToolFailure(host.file + " line " + std::to_string(host.line) + ": \"" + DisplayPath(path) +
                              "\" is a folder in the database, not a session");
    }
    Progress progress("importing", hosts.size(), 0);
    for (const SshHostEntry& host : hosts) {
        const VUnicodeString name(host.alias);
        const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, name);
        progress.Step();
        if (Db().IsSession(path)) {
            PrintLine("skipped\t" + DisplayPath(path));
            continue;
        }
        VReportPtr report = NewReport();
        VUnicodeString made;
        if (!Db().CreateSession(folder, name, u"SSH2", {}, false, &made, report.Get()))
            throw ToolFailure(host.file + " line " + std::to_string(host.line) + ": " + ReportText(*report));
        SessionConfigPtr config = Db().LoadSession(made);
        if (!config)
            throw ToolFailure("the session \"" + DisplayPath(made) + "\" cannot be read back");
        config->RemoteHost().SetHostname(VUnicodeString(host.hostName));
        if (!host.user.empty())
            config->RemoteHost().SetUsername(VUnicodeString(host.user));
        config->SetDescription(VUnicodeString::FromUtf8("Imported from " + host.file + " line " +
                                                        std::to_string(host.line) + " (Host ") +
                               host.alias + u")");
        bool saved = Db().SaveSession(*config, report.Get());
        if (saved && host.port)
            saved = Db().WriteValuesOutsideSchema(
                made, {StoredValue{kSsh2PortValue, kValueKindDword, static_cast<uint32_t>(*host.port)}}, report.Get());
        if (!saved)
            throw ToolFailure("cannot save session \"" + DisplayPath(made) + "\": " + ReportText(*report));
        PrintLine("added\t" + DisplayPath(made));
    }
    return StatusOf(session);
}
