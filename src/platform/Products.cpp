#include "platform/Products.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/BaseFolders.h"

namespace {

int g_applicationNumber = kApplicationTerminal;
std::optional<bool> g_terminalInstalled;
std::optional<bool> g_transferInstalled;

bool IsExecutable(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool ProgramFound(const char* program)
{
    try {
        const std::string install = GetOrvInstallPathSub().ToUtf8();
        if (!install.empty() && IsExecutable(install + "/" + program))
            return true;
    } catch (const std::exception&) {
    }
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::string_view rest = path;
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (!folder.empty() && IsExecutable(std::string(folder) + "/" + program))
            return true;
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return false;
}

bool Installed(const char* program, bool isRunningHost, std::optional<bool>& cache)
{
    if (isRunningHost)
        return true;
    if (const char* listed = std::getenv("ORV_INSTALLED_PRODUCTS")) {
        const std::string list = std::string(",") + listed + ",";
        return list.find(std::string(",") + program + ",") != std::string::npos;
    }
    if (!cache)
        cache = ProgramFound(program);
    return *cache;
}

} // namespace

void SetApplicationNumber(int applicationNumber)
{
    g_applicationNumber = applicationNumber;
}

int GetApplicationNumber()
{
    return g_applicationNumber;
}

bool IsTerminalFamilyApplication(int applicationNumber)
{
    return applicationNumber == 1 || applicationNumber == 3 || applicationNumber == 7;
}

VUnicodeString GetAppNameFor(int applicationNumber)
{
    return IsTerminalFamilyApplication(applicationNumber) ? kTerminalProductName : kTransferProductName;
}

VUnicodeString VGetAppName()
{
    return GetAppNameFor(g_applicationNumber);
}

int GetTransferAppProductID(int)
{
    return kApplicationTransfer;
}

bool IsKestruneInstalled()
{
    return Installed("kestrune", IsTerminalFamilyApplication(g_applicationNumber), g_terminalInstalled);
}

bool IsKestruneOrTamsicInstalled()
{
    return IsKestruneInstalled();
}

bool IsPellowinInstalled()
{
    return Installed("pellowin", g_applicationNumber == kApplicationTransfer, g_transferInstalled);
}

bool HasHarlinEmulation()
{
    const char* value = std::getenv("ORV_HARLIN_EMULATION");
    return !(value && std::string_view(value) == "0");
}

void ResetProductQueries()
{
    g_terminalInstalled.reset();
    g_transferInstalled.reset();
}
