#include "dialogs/ForeignImportDialogBase.h"

#include <cstdlib>

#include "profile/sessions/SessionDatabase.h"

namespace {

std::string Home()
{
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

} // namespace

ForeignImportDialogBase::ForeignImportDialogBase(VUnicodeString targetFolder) : m_targetFolder(std::move(targetFolder))
{
}

std::string ForeignImportDialogBase::DefaultPath() const
{
    return DefaultForeignLocation(program, Home());
}

std::u16string ForeignImportDialogBase::Describe(const SessionImportItem& item)
{
    static constexpr const char16_t* kWords[] = {u"Added", u"Skipped", u"Renamed", u"Replaced"};
    std::u16string path = item.path.str();
    for (char16_t& c : path)
        if (c == u'\\')
            c = u'/';
    return std::u16string(kWords[static_cast<int>(item.outcome)]) + u": " + path;
}

ForeignImportDialogBase::Outcome ForeignImportDialogBase::Run(bool dryRun)
{
    Outcome outcome;
    if (path.empty()) {
        outcome.error = "Choose the file to import.";
        return outcome;
    }
    try {
        ForeignReadOptions options;
        options.withPasswords = withPasswords;
        options.masterPassword = masterPassword;
        ForeignDocument document = ReadForeignSessions(program, path, options, Home());
        RecordedExchange recorded;
        WalkForeignDocument(document, recorded, ConfigPassphraseSealer());
        outcome.notes = document.notes;
        SessionExchangeImport import(*GetSessionDatabaseImpl(), m_targetFolder, path);
        import.conflict = conflict;
        import.dryRun = dryRun;
        size_t total = 0;
        import.onChecked = [&](size_t sessions) { total = sessions; };
        import.onSession = [&](const SessionImportItem& item) {
            outcome.items.push_back(item);
            if (onProgress)
                onProgress(outcome.items.size(), total);
        };
        import.onRefusal = [&](const std::string& text) { outcome.notes.push_back(text); };
        import.Run([&](IExchangeVisitor& visitor) { recorded.Replay(visitor); });
    } catch (const std::exception& error) { // ExchangeError names the place; anything else is said as it is
        outcome.items.clear();
        outcome.error = error.what();
    }
    return outcome;
}
