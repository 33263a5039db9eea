// The values and secrets of one session, through its configuration as the
// library loads and saves it; values outside the schema as stored.
#include <cstdio>
#include <iostream>
#include <iterator>

#include "profile/exchange/SessionValues.h"
#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolSession.h"
#include "ToolText.h"
#include "profile/secrets/EncryptedStringServices.h"
#include "profile/secrets/SecretText.h"
#include "profile/sessions/SessionSavePolicy.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/secrets/VProfileEncryptedString.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

SessionDatabase& Db()
{
    return *GetSessionDatabaseImpl();
}

std::string Quoted(const VUnicodeString& text)
{
    return "\"" + ToUtf8Lossy(text.str()) + "\"";
}

SessionConfigPtr RequireSession(const VUnicodeString& path)
{
    SessionConfigPtr config = Db().LoadSession(path);
    if (!config) {
        if (!path.IsEmpty() && Db().IsFolder(path))
            throw ToolFailure("\"" + DisplayPath(path) + "\" is a folder, not a session");
        throw ToolFailure("no session \"" + DisplayPath(path) + "\"");
    }
    return config;
}

const StoredValue* FindStored(const std::vector<StoredValue>& values, const VUnicodeString& name)
{
    for (const StoredValue& value : values)
        if (value.name.EqualsNoCase(name))
            return &value;
    return nullptr;
}

void PrintValue(const VUnicodeString& name, const ExchangeValue& value)
{
    PrintLine(FormatValue(ExchangeValue{ValueKind::Text, 0, name}) + u"\t" +
              VUnicodeString::FromUtf8(KindName(value.kind)).str() + u"\t" + FormatValue(value));
}

// The whole of standard input, as UTF-8 lines without their breaks.
std::vector<VUnicodeString> ReadInputLines()
{
    const std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    std::vector<VUnicodeString> lines;
    size_t from = 0;
    while (from < input.size()) {
        size_t end = input.find('\n', from);
        if (end == std::string::npos)
            end = input.size();
        std::string line = input.substr(from, end - from);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        try {
            lines.push_back(FromUtf8Argument(line, "line " + std::to_string(lines.size() + 1)));
        } catch (const UsageError& error) {
            throw ToolFailure(error.what());
        }
        from = end + 1;
    }
    return lines;
}

std::string ReportText(IReportMessageParams& report)
{
    return OneLine(report.GetText().str());
}

// A secret of the session: the setting itself when the schema has it,
// else a value made from the text stored under that name.
struct ToolSecret {
    VProfileEncryptedString* setting = nullptr;
    VProfileEncryptedString loose;
};

void FindSecret(SessionConfig& config, const VUnicodeString& path, const VUnicodeString& name, bool forWriting,
                ToolSecret& secret)
{
    const SessionValueDef* def = nullptr;
    if (VProfileData* setting = FindConfigValue(config, name, def)) {
        secret.setting = dynamic_cast<VProfileEncryptedString*>(setting);
        if (!secret.setting)
            throw ToolFailure(Quoted(name) + " is a setting of kind " + KindName(KindOfSetting(*def, *setting)) +
                              ", not a secret");
        return;
    }
    std::vector<StoredValue> others;
    Db().GetValuesOutsideSchema(path, others);
    const StoredValue* stored = FindStored(others, name);
    if (stored && stored->kind != kValueKindString)
        throw ToolFailure(Quoted(name) + " is stored as " + KindName(ValueOfStored(*stored).kind) +
                          ", not as a text that could hold a secret");
    if (!stored && !forWriting)
        throw ToolFailure("session \"" + DisplayPath(path) + "\" has no value " + Quoted(name));
    const VEncryptedString text = stored ? VEncryptedString(stored->text) : VEncryptedString();
    secret.loose = VProfileEncryptedString(nullptr, stored ? stored->name : name, &text);
}

// A secret's stored form given from outside: taken only when it has the
// shape of one, so that no plaintext is ever stored as if encrypted.
VUnicodeString CheckedStoredForm(const VUnicodeString& name, const VUnicodeString& text)
{
    if (VEncryptedString::CheckStoredForm(text) != VEncryptedString::Status::Ok)
        throw ToolFailure(Quoted(name) + ": --raw secret takes a stored form (\"03:\" or \"02:\" and hex digits), "
                                         "not a plaintext; give a plaintext on standard input to "
                                         "\"orvalis-sessions secret set PATH NAME\"");
    return text;
}

bool IsLoginScript(const SessionValueDef& def)
{
    return VUnicodeString::CompareNoCase(def.name, ProfileExpectSendList::kValueName) == 0;
}

// The value column of a secret whose older form still waits for its
// conversion: the older stored text, and where it comes from.
std::u16string PendingOlderColumns(SessionConfig& config, const VUnicodeString& name)
{
    VUnicodeString olderName;
    VUnicodeString olderText;
    if (!config.GetPendingOlder(name, olderName, olderText))
        return {};
    return FormatValue(ExchangeValue{ValueKind::Text, 0, olderText}) + u"\tpending conversion from \"" + olderName.str() +
           u"\"";
}

// A save that a policy cut short fails the command with the policy's words.
void RequireNoRefusal(IReportMessageParams& report)
{
    if (report.GetMessageId() != 0)
        throw ToolFailure(ReportText(report));
}

} // namespace

int CommandShow(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 1, 1);
    const VUnicodeString path = SessionPathArgument(a.At(0));
    const SessionConfigPtr config = RequireSession(path);
    ForEachConfigValue(*config, [&config](const SessionValueDef& def, VProfileData& value) {
        try {
            const std::u16string pending = PendingOlderColumns(*config, value.GetName());
            if (!pending.empty()) {
                const ValueKind kind = KindOfSetting(def, value);
                PrintLine(FormatValue(ExchangeValue{ValueKind::Text, 0, value.GetName()}) + u"\t" +
                          VUnicodeString::FromUtf8(KindName(kind)).str() + u"\t" + pending);
                return;
            }
            PrintValue(value.GetName(), ValueOfSetting(def, value));
        } catch (const ValueError& error) {
            throw ToolFailure(ToUtf8Lossy(value.GetName().str()) + ": " + error.reason);
        }
    });
    std::vector<StoredValue> others;
    Db().GetValuesOutsideSchema(path, others);
    for (const StoredValue& value : others)
        PrintValue(value.name, ValueOfStored(value));
    return StatusOf(session);
}

int CommandGet(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 2, 2);
    const VUnicodeString path = SessionPathArgument(a.At(0));
    const VUnicodeString name = FromUtf8Argument(a.At(1), "the value name");
    const SessionConfigPtr config = RequireSession(path);
    const SessionValueDef* def = nullptr;
    if (VProfileData* setting = FindConfigValue(*config, name, def)) {
        try {
            const std::u16string pending = PendingOlderColumns(*config, setting->GetName());
            PrintLine(pending.empty() ? FormatValue(ValueOfSetting(*def, *setting)) : pending);
        } catch (const ValueError& error) {
            throw ToolFailure(Quoted(name) + ": " + error.reason);
        }
        return StatusOf(session);
    }
    std::vector<StoredValue> others;
    Db().GetValuesOutsideSchema(path, others);
    const StoredValue* stored = FindStored(others, name);
    if (!stored)
        throw ToolFailure("session \"" + DisplayPath(path) + "\" has no value " + Quoted(name));
    PrintLine(FormatValue(ValueOfStored(*stored)));
    return StatusOf(session);
}

int CommandSet(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"raw", true}}, 2, SIZE_MAX);
    std::optional<ValueKind> raw;
    if (const auto kind = a.Value("raw")) {
        raw = KindFromName(*kind);
        if (!raw)
            throw UsageError("--raw takes a kind (flag, number, tristate, text, path, list, lines, secret, binary), "
                             "not \"" + *kind + "\"");
    }
    const VUnicodeString path = SessionPathArgument(a.At(0));
    const SessionConfigPtr config = RequireSession(path);
    // Every assignment is read and checked before anything is written.
    std::vector<StoredValue> others;
    bool settingsChanged = false;
    for (size_t i = 1; i < a.Count(); ++i) {
        const VUnicodeString assignment = FromUtf8Argument(a.At(i), "the assignment");
        const size_t equals = assignment.Find(u'=');
        if (equals == VUnicodeString::npos || equals == 0)
            throw UsageError("\"" + a.At(i) + "\" is no NAME=VALUE");
        const VUnicodeString name = assignment.Left(equals);
        const std::u16string_view text = std::u16string_view(assignment).substr(equals + 1);
        try {
            const SessionValueDef* def = nullptr;
            if (VProfileData* setting = FindConfigValue(*config, name, def)) {
                const ValueKind kind = KindOfSetting(*def, *setting);
                if (IsLoginScript(*def)) {
                    // Its elements are encrypted steps: plaintext steps go through login-script set.
                    if (raw != ValueKind::Secret)
                        throw ToolFailure(Quoted(name) + " holds encrypted steps: set them with \"orvalis-sessions "
                                                         "login-script set PATH\", or give their stored forms with "
                                                         "--raw secret");
                    ExchangeValue list = ParseValue(ValueKind::List, text);
                    for (const VUnicodeString& element : list.list)
                        CheckedStoredForm(name, element);
                    SetSetting(*def, *setting, list);
                } else if (kind == ValueKind::Secret) {
                    if (raw != ValueKind::Secret)
                        throw ToolFailure(Quoted(name) + " is a secret: set its plaintext with \"orvalis-sessions secret "
                                                         "set PATH NAME\" (read from standard input), or give its "
                                                         "stored form with --raw secret");
                    SetSetting(*def, *setting,
                               ExchangeValue{ValueKind::Secret, 0, CheckedStoredForm(name, ParseValue(kind, text).text)});
                } else {
                    SetSetting(*def, *setting, ParseValue(kind, text));
                }
                settingsChanged = true;
            } else if (raw) {
                ExchangeValue value = ParseValue(*raw, text);
                if (*raw == ValueKind::Secret) {
                    CheckedStoredForm(name, value.text);
                    VReportPtr refusal = NewReport();
                    if (SessionSavePolicy::Current().RefusesSecret(name, refusal.Get()))
                        throw ToolFailure(ReportText(*refusal));
                }
                others.push_back(StoredOf(name, value));
            } else {
                throw ToolFailure(Quoted(name) + " is no setting of a session (give --raw KIND to store it anyway)");
            }
        } catch (const ValueError& error) {
            throw ToolFailure(Quoted(name) + ": " + error.reason);
        }
    }
    VReportPtr report = NewReport();
    {
        const VProfileStore transaction; // all the values or none
        if (settingsChanged && !Db().SaveSession(*config, report.Get()))
            throw ToolFailure("cannot save session \"" + DisplayPath(path) + "\": " + ReportText(*report));
        if (!others.empty() && !Db().WriteValuesOutsideSchema(path, others, report.Get()))
            throw ToolFailure("cannot save session \"" + DisplayPath(path) + "\": " + ReportText(*report));
    }
    // After the transaction: a refusal fails the command but must not take
    // back what the policy allowed.
    RequireNoRefusal(*report); // what the policy allowed is saved; the rest is refused
    return StatusOf(session);
}

int CommandSecret(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 3, 3);
    const std::string& action = a.At(0);
    if (action != "get" && action != "set")
        throw UsageError("secret takes get or set, not \"" + action + "\"");
    const VUnicodeString path = SessionPathArgument(a.At(1));
    const VUnicodeString name = FromUtf8Argument(a.At(2), "the value name");
    const SessionConfigPtr config = RequireSession(path);
    ToolSecret secret;
    FindSecret(*config, path, name, action == "set", secret);
    VProfileEncryptedString& value = secret.setting ? *secret.setting : secret.loose;
    VReportPtr report = NewReport();

    if (action == "get") {
        // A setting's secret through its configuration, which converts a
        // value still kept under its older name first.
        ScopedPlaintext plaintext;
        const bool read = secret.setting ? config->GetSecret(value.GetName(), plaintext, report.Get())
                                         : GetProfileEncryptedPlaintextString(value, plaintext, report.Get());
        if (!read)
            throw ToolFailure(ReportText(*report));
        PrintLine(plaintext.Text().str());
        return StatusOf(session);
    }

    // Refused before the plaintext is read or a key derived.
    if (SessionSavePolicy::Current().RefusesSecret(value.GetName(), report.Get()))
        throw ToolFailure(ReportText(*report));
    std::string line;
    if (!std::getline(std::cin, line))
        throw ToolFailure("no plaintext on standard input");
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    ScopedPlaintext plaintext;
    try {
        plaintext.Text() = FromUtf8Argument(line, "the plaintext");
        WipeText(line);
    } catch (const UsageError& error) {
        WipeText(line);
        throw ToolFailure(error.what());
    }
    const bool encrypted = secret.setting ? config->SetSecret(value.GetName(), plaintext, report.Get())
                                          : UpdateProfileEncryptedString(value, plaintext, report.Get());
    if (!encrypted)
        throw ToolFailure(ReportText(*report));
    {
        const VProfileStore transaction;
        const bool saved = secret.setting
                               ? Db().SaveSession(*config, report.Get())
                               : Db().WriteValuesOutsideSchema(
                                     path, {StoredOf(value.GetName(), ExchangeValue{ValueKind::Secret, 0, value.Get()})},
                                     report.Get());
        if (!saved)
            throw ToolFailure("cannot save session \"" + DisplayPath(path) + "\": " + ReportText(*report));
    }
    RequireNoRefusal(*report);
    return StatusOf(session);
}

namespace {

// One step a line: the flag (0 or 1) and the three texts, with tabs
// between them and the text escapes inside them.
std::u16string FormatStep(const ExpectSendStep& step)
{
    std::u16string line = step.flag ? u"1" : u"0";
    for (const VUnicodeString* text : {&step.first, &step.second, &step.third})
        line += u"\t" + FormatValue(ExchangeValue{ValueKind::Text, 0, *text});
    return line;
}

ExpectSendStep ParseStepLine(const VUnicodeString& line, size_t number)
{
    std::vector<std::u16string_view> fields;
    std::u16string_view rest = line;
    for (size_t tab; (tab = rest.find(u'\t')) != std::u16string_view::npos; rest.remove_prefix(tab + 1))
        fields.push_back(rest.substr(0, tab));
    fields.push_back(rest);
    const std::string where = "standard input line " + std::to_string(number) + ": ";
    if (fields.size() > 4)
        throw ToolFailure(where + "a step has at most four fields (flag, then three texts)");
    ExpectSendStep step;
    if (fields[0] == u"1")
        step.flag = true;
    else if (fields[0] != u"0")
        throw ToolFailure(where + "a step begins with its flag, 0 or 1");
    VUnicodeString* texts[] = {&step.first, &step.second, &step.third};
    try {
        for (size_t i = 1; i < fields.size(); ++i)
            *texts[i - 1] = ParseValue(ValueKind::Text, fields[i]).text;
    } catch (const ValueError& error) {
        throw ToolFailure(where + error.reason);
    }
    return step;
}

} // namespace

int CommandLoginScript(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 2, 2);
    const std::string& action = a.At(0);
    if (action != "show" && action != "set")
        throw UsageError("login-script takes show or set, not \"" + action + "\"");
    const VUnicodeString path = SessionPathArgument(a.At(1));
    const SessionConfigPtr config = RequireSession(path);
    ProfileExpectSendList& script = config->LoginScript();
    VReportPtr report = NewReport();

    if (action == "show") {
        const std::vector<ExpectSendStep>& steps = script.GetSteps(report.Get());
        if (report->GetMessageId() != 0)
            throw ToolFailure(ReportText(*report));
        for (const ExpectSendStep& step : steps) {
            std::u16string line = FormatStep(step);
            PrintLine(line);
            WipeText(line);
        }
        script.ReleaseSteps();
        return StatusOf(session);
    }

    if (SessionSavePolicy::Current().RefusesSecret(script.GetName(), report.Get()))
        throw ToolFailure(ReportText(*report));
    std::vector<ExpectSendStep> steps;
    {
        std::vector<VUnicodeString> lines = ReadInputLines();
        for (size_t i = 0; i < lines.size(); ++i) {
            steps.push_back(ParseStepLine(lines[i], i + 1));
            WipeText(lines[i]);
        }
    }
    if (!script.SetSteps(steps, report.Get()))
        throw ToolFailure(ReportText(*report));
    {
        const VProfileStore transaction;
        if (!Db().SaveSession(*config, report.Get()))
            throw ToolFailure("cannot save session \"" + DisplayPath(path) + "\": " + ReportText(*report));
    }
    RequireNoRefusal(*report);
    return StatusOf(session);
}

int CommandEncrypt(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 0, 0);
    std::vector<std::u16string> results;
    for (const VUnicodeString& line : ReadInputLines()) {
        VProfileEncryptedString value(nullptr, u"line " + VUnicodeString::FromNumber(
                                                              static_cast<int64_t>(results.size() + 1)).str(),
                                      nullptr);
        VReportPtr report = NewReport();
        if (!UpdateProfileEncryptedString(value, line, report.Get()))
            throw ToolFailure(ReportText(*report));
        results.push_back(value.Get().str());
    }
    for (const std::u16string& result : results)
        PrintLine(result);
    return StatusOf(session);
}

int CommandDecrypt(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 0, 0);
    std::vector<std::u16string> results;
    for (const VUnicodeString& line : ReadInputLines()) {
        const VEncryptedString stored(line);
        VProfileEncryptedString value(nullptr, u"line " + VUnicodeString::FromNumber(
                                                              static_cast<int64_t>(results.size() + 1)).str(),
                                      &stored);
        VReportPtr report = NewReport();
        VUnicodeString plaintext;
        if (!GetProfileEncryptedPlaintextString(value, plaintext, report.Get()))
            throw ToolFailure(ReportText(*report));
        results.push_back(plaintext.str());
    }
    for (const std::u16string& result : results)
        PrintLine(result);
    return StatusOf(session);
}
