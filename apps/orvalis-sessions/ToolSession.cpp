#include "ToolSession.h"

#include <cstdio>
#include <fstream>

#include "ToolText.h"
#include "platform/Products.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/store/PostgresProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

VProfileStoreFactory* g_factory = nullptr;

VProfileStoreFactory* ToolFactory()
{
    return g_factory;
}

} // namespace

int StderrMessageBox::Show(QWidget*, std::u16string_view text, std::u16string_view, unsigned style)
{
    const unsigned buttons = style & kMbButtonMask;
    if (buttons == kMbYesNo || buttons == kMbYesNoCancel)
        return kIdYes;
    ++m_shown;
    const unsigned icon = style & kMbIconMask;
    if (icon == kMbIconError || icon == kMbIconExclamation)
        ++m_failures;
    const std::string line = "orvalis-sessions: " + OneLine(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    return kIdOk;
}

VUnicodeString ReadPassphraseFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        throw ToolFailure("cannot read the passphrase file " + path);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty())
        throw ToolFailure("the first line of the passphrase file " + path + " is empty");
    return FromUtf8Argument(line, "the passphrase");
}

ToolSession::ToolSession(const GlobalOptions& options, bool openDatabase) : m_application(options.application)
{
    try {
        Open(options, openDatabase);
    } catch (...) {
        Close();
        throw;
    }
}

void ToolSession::Open(const GlobalOptions& options, bool openDatabase)
{
    SetMessageBox(&m_box);
    SetApplicationNumber(options.application);
    ResetProductQueries();
    if (!options.passphraseFile.empty()) {
        const VUnicodeString passphrase = ReadPassphraseFile(options.passphraseFile);
        VReportPtr report = NewReport();
        if (!SetConfigPassphrase(passphrase.c_str(), report.Get()))
            throw ToolFailure(OneLine(report->GetText().str()));
    }
    // Until a database is opened every store is refused, so that nothing
    // falls back to the default database.
    SetProfileStoreFactoryGetter(&ToolFactory);
    if (!openDatabase)
        return;
    // --db (or ORV_CONFIG_DB) names a file, or a server by a postgresql:// URI.
    m_location = options.database.empty() ? SqliteProfileFactory::DefaultPath() : options.database;
    m_factory = MakeProfileStoreFactory(m_location);
    if (auto* sqlite = Database()) {
        m_location = sqlite->Path();
        if (!sqlite->IsOpen())
            throw ToolFailure("cannot open the session database " + m_location);
    } else if (!static_cast<PostgresProfileFactory&>(*m_factory).IsOpen()) {
        throw ToolFailure("cannot open the session database " + m_location);
    }
    g_factory = m_factory.get();
    GetSessionDatabaseImpl()->DropCachedListings();
    SetGlobalConfigStorage(&m_storage);
    GetGlobalConfig(&m_config);
}

ToolSession::~ToolSession()
{
    Close();
}

void ToolSession::Close()
{
    SetGlobalConfigStorage(nullptr);
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
    m_factory.reset();
    ResetConfigPassphrase();
    SetMessageBox(nullptr);
}

const std::string& ToolSession::DatabasePath() const
{
    return m_location;
}
