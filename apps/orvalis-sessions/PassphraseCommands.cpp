// Where the configuration passphrase lives, and changing it.
#include <memory>

#include "Progress.h"
#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolSession.h"
#include "ToolText.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/PassphraseChange.h"
#include "profile/secrets/SecretText.h"
#include "profile/secrets/VEncryptedStringKeyData.h"

namespace {

void RequirePassphrase()
{
    VEncryptedStringKeyData* keyData = nullptr;
    VReportPtr report = NewReport();
    if (!GetConfigPassphraseKeyData(&keyData, report.Get()))
        throw ToolFailure(OneLine(report->GetText().str()));
    keyData->Release();
}

} // namespace

int CommandPassphrase(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"new-passphrase-file", true}, {"keep-unreadable", false}}, 1, 1);
    const std::string& action = a.At(0);
    if (action != "where" && action != "change")
        throw UsageError("passphrase takes where or change, not \"" + action + "\"");
    RequirePassphrase(); // settles a change that a kill cut short, too

    if (action == "where") {
        if (a.Has("new-passphrase-file") || a.Has("keep-unreadable"))
            throw UsageError("passphrase where takes no options");
        switch (GetConfigPassphraseSource()) {
        case ConfigPassphraseSource::Keyring:
            PrintLine(u"keyring\t" +
                      VUnicodeString::FromUtf8(ConfigPassphraseKeyringAttributes().at("database")).str());
            break;
        case ConfigPassphraseSource::File: PrintLine(u"file\t" + GetConfigPassphrasePath().str()); break;
        default: PrintLine(u"given\t--passphrase-file"); break;
        }
        return StatusOf(session);
    }

    const bool given = GetConfigPassphraseSource() == ConfigPassphraseSource::Host;
    ScopedPlaintext passphrase;
    if (const auto file = a.Value("new-passphrase-file")) {
        passphrase.Text() = ReadPassphraseFile(*file);
    } else if (given) {
        throw ToolFailure("the passphrase comes from --passphrase-file: give the new one with --new-passphrase-file");
    } else {
        VReportPtr report = NewReport();
        if (!MakeRandomPassphrase(passphrase.Text(), report.Get()))
            throw ToolFailure(OneLine(report->GetText().str()));
    }
    PassphraseChangeOptions options;
    options.keepUnreadable = a.Has("keep-unreadable");
    std::unique_ptr<Progress> progress;
    size_t shown = 0;
    options.progress = [&](size_t done, size_t total) {
        if (!progress)
            progress = std::make_unique<Progress>("re-encrypting", total, 0, "secrets");
        for (; shown < done; ++shown)
            progress->Step();
    };
    PassphraseChangeResult result;
    VReportPtr report = NewReport();
    const bool changed = ChangeConfigPassphrase(passphrase.Text(), options, result, report.Get());
    progress.reset();
    if (!changed)
        throw ToolFailure(OneLine(report->GetText().str()));
    PrintLine(u"re-encrypted\t" + VUnicodeString::FromNumber(static_cast<int64_t>(result.secrets)).str());
    if (result.unreadable > 0)
        PrintLine(u"kept unreadable\t" + VUnicodeString::FromNumber(static_cast<int64_t>(result.unreadable)).str());
    return StatusOf(session);
}
