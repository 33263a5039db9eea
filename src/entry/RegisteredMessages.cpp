#include "entry/RegisteredMessages.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "entry/ConnectDialog.h"
#include "platform/AtomTable.h"
#include "platform/PlatformError.h"
#include "profile/reports/ReportRouting.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgTableFellBack = 0xA10900A0;
constexpr uint32_t kMsgTableOwnNumbers = 0xA10900A1;

std::array<uint32_t, 9> g_numbers{};
VReportPtr g_pendingReport;

VUnicodeString Wide(const std::string& text)
{
    try {
        return VUnicodeString::FromUtf8(text);
    } catch (const std::exception&) {
        return u"?";
    }
}

std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

} // namespace

bool RegisterLibraryMessages(const AtomTable& table)
{
    bool all = true;
    for (size_t i = 0; i < kRegisteredMessageNames.size(); ++i) {
        g_numbers[i] = table.Register(kRegisteredMessageNames[i]);
        all = all && g_numbers[i] != 0;
    }
    return all;
}

std::vector<std::string> RegisteredMessageTablePaths()
{
    std::vector<std::string> paths{AtomTable::DefaultPath()};
    const std::string perUser = "/tmp/orvalis-" + std::to_string(getuid()) + "/registered-messages";
    if (perUser != paths[0])
        paths.push_back(perUser);
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (cache && *cache == '/')
        paths.push_back(std::string(cache) + "/orvalis/registered-messages");
    else if (home && *home == '/')
        paths.push_back(std::string(home) + "/.cache/orvalis/registered-messages");
    return paths;
}

std::string RegisterLibraryMessagesWithFallback(const std::vector<std::string>& tablePaths)
{
    g_pendingReport = {};
    PlatformError firstError;
    for (size_t i = 0; i < tablePaths.size(); ++i) {
        if (i > 0) { // a fallback folder may lie below folders not made yet
            std::error_code ignored;
            std::filesystem::create_directories(FolderOf(FolderOf(tablePaths[i])), ignored);
        }
        if (RegisterLibraryMessages(AtomTable(tablePaths[i]))) {
            if (i > 0) {
                g_pendingReport = NewReport(kMsgTableFellBack);
                g_pendingReport->AddParameter(Wide(tablePaths[0]));
                g_pendingReport->AddParameter(VUnicodeString(PlatformErrorText(firstError)));
                g_pendingReport->AddParameter(Wide(tablePaths[i]));
            }
            return tablePaths[i];
        }
        if (i == 0)
            firstError = GetPlatformLastError();
    }
    // A folder of this process's own: its numbers are private, never 0.
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/orvalis-" + std::to_string(getuid()) +
                         "-XXXXXX";
    const std::string first = tablePaths.empty() ? std::string() : tablePaths[0];
    if (mkdtemp(folder.data()) && RegisterLibraryMessages(AtomTable(folder + "/registered-messages"))) {
        g_pendingReport = NewReport(kMsgTableFellBack);
        g_pendingReport->AddParameter(Wide(first));
        g_pendingReport->AddParameter(VUnicodeString(PlatformErrorText(firstError)));
        g_pendingReport->AddParameter(Wide(folder + "/registered-messages"));
        return folder + "/registered-messages";
    }
    for (size_t i = 0; i < g_numbers.size(); ++i)
        g_numbers[i] = AtomTable::kFirstAtom + static_cast<uint32_t>(i);
    g_pendingReport = NewReport(kMsgTableOwnNumbers);
    g_pendingReport->AddParameter(Wide(first));
    g_pendingReport->AddParameter(VUnicodeString(PlatformErrorText(firstError)));
    return {};
}

void RoutePendingRegistrationReport()
{
    if (g_pendingReport)
        RouteReport(std::exchange(g_pendingReport, {}).Detach());
}

const std::array<uint32_t, 9>& GetRegisteredMessageNumbers()
{
    return g_numbers;
}

unsigned int GetTrayvellCanExitApplicationMessage() { return g_numbers[0]; }
unsigned int GetTrayvellShowSelectionMessage() { return g_numbers[1]; }
unsigned int GetGlimmondTerminateMessage() { return g_numbers[2]; }
unsigned int GetCreateNewTabMessage() { return g_numbers[3]; }
unsigned int GetGlobalConfigChangeMessage() { return g_numbers[4]; }
unsigned int GetProcessCommandLineMessage() { return g_numbers[5]; }
unsigned int GetRetrieveAppInformationMessage() { return g_numbers[6]; }
unsigned int GetKestruneAppWindowCommandLineMessage() { return g_numbers[7]; }
unsigned int GetSessionDatabaseChangeMessage() { return g_numbers[8]; }
