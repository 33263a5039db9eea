// Whole folders in and out: the JSON document of export and import, and
// the sessions made from an OpenSSH client configuration. Everything is
// read and checked before the first write, and the writes of one command
// are one transaction.
#include <glob.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

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
struct PlannedFolder {
    VUnicodeString name;
    std::optional<bool> expanded;
    std::vector<PlannedFolder> folders;
    std::vector<PlannedSession> sessions;
    int line = 1;
};

// Turns the document into what will be written, or says on which line it
// cannot be used.
class DocumentReader {
public:
    explicit DocumentReader(std::string file) : m_file(std::move(file)) {}

    PlannedFolder Read(const JsonValue& document)
    {
        const JsonValue::Object& top = Object(document, "the document");
        Allow(top, {u"format", u"version", u"folders", u"sessions"});
        const JsonValue& format = Member(document, u"format");
        if (!format.AsString() || *format.AsString() != kFormatName)
            Fail(format, "this is no orvalis-sessions export (\"format\" is not \"orvalis-sessions\")");
        const JsonValue& version = Member(document, u"version");
        if (version.AsInteger() != kFormatVersion)
            Fail(version, "documents of version " + std::to_string(kFormatVersion) + " are read, not this one");
        PlannedFolder root;
        Contents(document, root);
        return root;
    }
    size_t Sessions() const { return m_sessions; }

private:
    [[noreturn]] void Fail(const JsonValue& at, const std::string& message) const
    {
        throw ToolFailure(m_file + " line " + std::to_string(at.Line()) + ": " + message);
    }

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

    const JsonValue::Array& List(const JsonValue& object, std::u16string_view key) const
    {
        static const JsonValue::Array none;
        const JsonValue* value = object.Find(key);
        if (!value)
            return none;
        if (!value->AsArray())
            Fail(*value, "\"" + ToUtf8Lossy(key) + "\" must be an array");
        return *value->AsArray();
    }

    void Contents(const JsonValue& object, PlannedFolder& into)
    {
        std::vector<std::pair<VUnicodeString, int>> names;
        const auto unique = [&](const VUnicodeString& name, const JsonValue& at) {
            for (const auto& [seen, line] : names)
                if (seen.EqualsNoCase(name))
                    Fail(at, "\"" + ToUtf8Lossy(name.str()) + "\" is named twice in its folder (first on line " +
                                 std::to_string(line) + ")");
            names.emplace_back(name, at.Line());
        };
        for (const JsonValue& folder : List(object, u"folders")) {
            Allow(Object(folder, "a folder"), {u"name", u"expanded", u"folders", u"sessions"});
            PlannedFolder planned;
            planned.name = Name(folder);
            planned.line = folder.Line();
            unique(planned.name, folder);
            if (const JsonValue* expanded = folder.Find(u"expanded")) {
                if (!expanded->AsBool())
                    Fail(*expanded, "\"expanded\" must be true or false");
                planned.expanded = *expanded->AsBool();
            }
            Contents(folder, planned);
            into.folders.push_back(std::move(planned));
        }
        for (const JsonValue& session : List(object, u"sessions")) {
            Allow(Object(session, "a session"), {u"name", u"values"});
            PlannedSession planned;
            planned.name = Name(session);
            planned.line = session.Line();
            unique(planned.name, session);
            for (const JsonValue& value : List(session, u"values"))
                planned.values.push_back(Value(value, planned.values));
            into.sessions.push_back(std::move(planned));
            ++m_sessions;
        }
    }

    PlannedValue Value(const JsonValue& object, const std::vector<PlannedValue>& earlier) const
    {
        Allow(Object(object, "a value"), {u"name", u"kind", u"value"});
        const JsonValue& name = Member(object, u"name");
        if (!name.AsString() || name.AsString()->empty())
            Fail(name, "a value's \"name\" must be a string that is not empty");
        PlannedValue planned{VUnicodeString(*name.AsString()), {}, object.Line()};
        for (const PlannedValue& value : earlier)
            if (value.name.EqualsNoCase(planned.name))
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
    size_t m_sessions = 0;
};

// Writes planned folders and sessions into the database.
class Importer {
public:
    Importer(std::string file, Progress& progress) : m_file(std::move(file)), m_progress(progress) {}

    // Everything that could still go wrong against the database, before
    // anything is written: the values against the schema, and names that
    // are taken by an item of the other kind.
    void Check(const PlannedFolder& folder, const VUnicodeString& path)
    {
        for (const PlannedFolder& child : folder.folders) {
            const VUnicodeString childPath = SessionDatabase::JoinSessionPath(path, child.name);
            if (Db().IsSession(childPath))
                Fail(child.line, "\"" + DisplayPath(childPath) + "\" is a session in the database, not a folder");
            Check(child, childPath);
        }
        for (const PlannedSession& session : folder.sessions) {
            const VUnicodeString sessionPath = SessionDatabase::JoinSessionPath(path, session.name);
            if (Db().SessionExists(sessionPath) && !Db().IsSession(sessionPath))
                Fail(session.line, "\"" + DisplayPath(sessionPath) + "\" is a folder in the database, not a session");
            Build(session, sessionPath);
        }
    }

    void Write(const PlannedFolder& folder, const VUnicodeString& path)
    {
        for (const PlannedFolder& child : folder.folders) {
            const VUnicodeString childPath = SessionDatabase::JoinSessionPath(path, child.name);
            if (!Db().IsFolder(childPath)) {
                VReportPtr report = NewReport();
                if (!Db().CreateFolder(path, child.name, {}, false, report.Get()))
                    Fail(child.line, ReportText(*report));
                if (child.expanded)
                    Db().SetFolderExpanded(childPath, *child.expanded);
            }
            Write(child, childPath);
        }
        for (const PlannedSession& session : folder.sessions) {
            const VUnicodeString sessionPath = SessionDatabase::JoinSessionPath(path, session.name);
            if (Db().IsSession(sessionPath)) {
                PrintLine("skipped\t" + DisplayPath(sessionPath));
            } else {
                WriteSession(session, path, sessionPath);
                PrintLine("added\t" + DisplayPath(sessionPath));
            }
            m_progress.Step();
        }
    }

private:
    [[noreturn]] void Fail(int line, const std::string& message) const
    {
        throw ToolFailure(m_file + " line " + std::to_string(line) + ": " + message);
    }

    // The session as it will be saved: the schema's settings set from the
    // document, the rest kept aside as stored values.
    SessionConfigPtr Build(const PlannedSession& session, const VUnicodeString& path,
                           std::vector<StoredValue>* others = nullptr) const
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
                Fail(planned.line, "\"" + ToUtf8Lossy(planned.name.str()) + "\": " + error.reason);
            }
        }
        return config;
    }

    void WriteSession(const PlannedSession& session, const VUnicodeString& folder, const VUnicodeString& path)
    {
        // Exactly the document's values first, each stored as its setting
        // stores it (a scratch store gives that form); nothing else, so
        // that what the document holds under older names is still there
        // to be converted.
        std::vector<StoredValue> others;
        SessionConfigPtr typed = Build(session, path, &others);
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
            Fail(session.line, ReportText(*report));
        // Then loaded and saved through its configuration, which applies
        // every rule for older names: converted values are written under
        // their current names, the older ones stay. Older secrets stay
        // pending (no key is derived per session) until they are needed.
        SessionConfigPtr saved = Db().LoadSession(path);
        if (!saved)
            Fail(session.line, "the session \"" + DisplayPath(path) + "\" cannot be read back");
        saved->KeepOlderSecretsPending(true);
        if (!Db().SaveSession(*saved, report.Get()))
            Fail(session.line, ReportText(*report));
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
    std::string m_file;
    Progress& m_progress;
};

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
    const std::optional<std::string> text = ReadWholeFile(file);
    if (!text)
        throw ToolFailure("cannot read " + file);
    JsonValue document;
    try {
        document = ParseJson(*text);
    } catch (const JsonError& error) {
        throw ToolFailure(file + " " + error.Describe());
    }
    DocumentReader reader(file);
    const PlannedFolder plan = reader.Read(document);
    const VProfileStore transaction;
    const VUnicodeString folder = TargetFolder(a);
    Progress progress("importing", reader.Sessions(), 0);
    Importer importer(file, progress);
    importer.Check(plan, folder);
    importer.Write(plan, folder);
    return importer.Refused() ? 1 : StatusOf(session);
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
