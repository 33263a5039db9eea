#include "profile/exchange/ForeignImport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "profile/exchange/CsvReader.h"
#include "profile/exchange/FileZillaReader.h"
#include "profile/exchange/KittyReader.h"
#include "profile/exchange/MRemoteNgReader.h"
#include "profile/exchange/MobaXtermReader.h"
#include "profile/exchange/OpenSshReader.h"
#include "profile/exchange/PuttyReader.h"
#include "profile/exchange/RemminaReader.h"
#include "profile/exchange/WinScpReader.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"

namespace {

namespace fs = std::filesystem;

constexpr ForeignProgramInfo kPrograms[] = {
    {ForeignProgram::OpenSsh, "openssh", u"OpenSSH client configuration", "the configuration file"},
    {ForeignProgram::Putty, "putty", u"PuTTY", "a registry export (.reg) or the sessions folder"},
    {ForeignProgram::Kitty, "kitty", u"KiTTY", "a registry export (.reg) or the portable sessions folder"},
    {ForeignProgram::WinScp, "winscp", u"WinSCP", "WinSCP.ini"},
    {ForeignProgram::FileZilla, "filezilla", u"FileZilla", "sitemanager.xml"},
    {ForeignProgram::MRemoteNg, "mremoteng", u"mRemoteNG", "confCons.xml or a CSV export"},
    {ForeignProgram::Remmina, "remmina", u"Remmina", "the profile folder or one .remmina file"},
    {ForeignProgram::MobaXterm, "mobaxterm", u"MobaXterm", "an .mxtsessions export"},
    {ForeignProgram::Csv, "csv", u"CSV file", "a CSV file with a header"},
};

std::string WholeFile(const std::string& path)
{
    std::error_code error;
    if (fs::is_directory(path, error))
        throw ExchangeError(path, 0, "is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ExchangeError(path, 0, "cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw ExchangeError(path, 0, "cannot be read");
    return text.str();
}

// The regular files of a folder whose names pass `take`, sorted by name.
std::vector<std::pair<std::string, std::string>> FolderFiles(const std::string& folder,
                                                             bool (*take)(const std::string& name))
{
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file(error) && take(entry.path().filename().string()))
            names.push_back(entry.path().filename().string());
    if (error)
        throw ExchangeError(folder, 0, "cannot be read: " + error.message());
    std::sort(names.begin(), names.end());
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string& name : names)
        files.emplace_back(name, WholeFile(folder + "/" + name));
    return files;
}

std::span<const uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string WinePath(const std::string& home, const std::string& rest)
{
    const char* user = std::getenv("USER");
    return home + "/.wine/drive_c/users/" + (user && *user ? user : "user") + "/" + rest;
}

} // namespace

std::span<const ForeignProgramInfo> ForeignPrograms()
{
    return kPrograms;
}

const ForeignProgramInfo* ForeignProgramNamed(std::string_view name)
{
    for (const ForeignProgramInfo& info : kPrograms)
        if (name == info.name)
            return &info;
    return nullptr;
}

const ForeignProgramInfo& ForeignProgramOf(ForeignProgram program)
{
    for (const ForeignProgramInfo& info : kPrograms)
        if (info.program == program)
            return info;
    return kPrograms[0];
}

std::string DefaultForeignLocation(ForeignProgram program, const std::string& home)
{
    switch (program) {
    case ForeignProgram::OpenSsh: return home + "/.ssh/config";
    case ForeignProgram::Putty: return home + "/.putty/sessions";
    case ForeignProgram::WinScp: return WinePath(home, "AppData/Roaming/WinSCP.ini");
    case ForeignProgram::FileZilla: return home + "/.config/filezilla/sitemanager.xml";
    case ForeignProgram::MRemoteNg: return WinePath(home, "AppData/Roaming/mRemoteNG/confCons.xml");
    case ForeignProgram::Remmina: {
        const char* data = std::getenv("XDG_DATA_HOME");
        return (data && *data ? std::string(data) : home + "/.local/share") + "/remmina";
    }
    case ForeignProgram::Kitty:
    case ForeignProgram::MobaXterm:
    case ForeignProgram::Csv: return {};
    }
    return {};
}

ForeignDocument ReadForeignSessions(ForeignProgram program, const std::string& path, const ForeignReadOptions& options,
                                    const std::string& home)
{
    std::error_code error;
    const bool folder = fs::is_directory(path, error);
    switch (program) {
    case ForeignProgram::OpenSsh: return OpenSshReader::Read(path, home);
    case ForeignProgram::Putty:
        if (folder)
            return PuttyReader::ReadFolder(path, FolderFiles(path, [](const std::string& name) { return name[0] != '.'; }),
                                           options);
        return PuttyReader::Read(WholeFile(path), path, options);
    case ForeignProgram::Kitty:
        if (folder) {
            const std::string sessions = fs::is_directory(path + "/Sessions", error) ? path + "/Sessions" : path;
            return KittyReader::ReadFolder(
                sessions, FolderFiles(sessions, [](const std::string& name) { return name[0] != '.'; }), options);
        }
        return KittyReader::Read(WholeFile(path), path, options);
    case ForeignProgram::WinScp: return WinScpReader::Read(Bytes(WholeFile(path)), path, options);
    case ForeignProgram::FileZilla: return FileZillaReader::Read(WholeFile(path), path, options);
    case ForeignProgram::MRemoteNg: {
        const std::string text = WholeFile(path);
        const size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
        if (first != std::string::npos && text[first] == '<')
            return MRemoteNgReader::Read(text, path, options);
        return MRemoteNgReader::ReadCsv(text, path, options);
    }
    case ForeignProgram::Remmina:
        if (folder)
            return RemminaReader::ReadFolder(
                path, FolderFiles(path, [](const std::string& name) { return name.ends_with(".remmina"); }), options);
        return RemminaReader::ReadFolder(fs::path(path).parent_path().string(),
                                         {{fs::path(path).filename().string(), WholeFile(path)}}, options);
    case ForeignProgram::MobaXterm: return MobaXtermReader::Read(Bytes(WholeFile(path)), path, options);
    case ForeignProgram::Csv: return CsvReader::Read(WholeFile(path), path, options);
    }
    throw ExchangeError(path, 0, "no reader for this program");
}

PasswordSealer ConfigPassphraseSealer()
{
    return [](const std::u16string& plaintext, std::string& why) -> std::optional<VUnicodeString> {
        VReportPtr report = NewReport();
        VEncryptedStringKeyData* raw = nullptr;
        GetConfigPassphraseKeyData(&raw, report.Get());
        const VUnknownPointer<VEncryptedStringKeyData> keyData(raw);
        if (!keyData) {
            why = "the configuration passphrase cannot be used: " + report->GetText().ToUtf8();
            return std::nullopt;
        }
        VEncryptedString sealed;
        if (!sealed.Encrypt(VUnicodeString(plaintext), *keyData, report.Get())) {
            why = report->GetText().ToUtf8();
            return std::nullopt;
        }
        return VUnicodeString(sealed);
    };
}
