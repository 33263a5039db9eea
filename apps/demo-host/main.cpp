// A small host: loads the library the way a host application does,
// initialises it in the documented order and prints the registered
// message numbers. It links to nothing of the library; every entry is
// looked up by its exported name.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "entry/ConnectDialog.h"
#include "entry/RegisteredMessages.h"

namespace {

class HostLock final : public ISynchObject {
public:
    uint32_t AddRef() override { return ++m_count; }
    uint32_t Release() override { return --m_count; }
    void Lock() override {}
    void Unlock() override {}

private:
    uint32_t m_count = 1;
};

class HostRouter final : public VReportMessageRouter {
public:
    void RouteReport(IReportMessageParams*) override {}
};

HostRouter g_router;
VReportMessageRouter* GetRouter()
{
    return &g_router;
}

std::string LibraryPath(const char* argv0)
{
    std::string self = argv0;
    const size_t slash = self.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : self.substr(0, slash);
    return folder + "/../lib/libconnectdialog.so";
}

template <class F>
F Entry(void* library, const char* name)
{
    void* entry = dlsym(library, name);
    if (!entry) {
        std::fprintf(stderr, "orvalis-demo-host: the library lacks %s\n", name);
        std::exit(1);
    }
    return reinterpret_cast<F>(entry);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : LibraryPath(argv[0]);
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "orvalis-demo-host: %s\n", dlerror());
        return 1;
    }
    // The library keeps a reference on the lock until it is unloaded, which
    // may be as late as the end of the process: the lock lives as long.
    static HostLock* lock = new HostLock;
    Entry<decltype(&ConnectDialogDllInit)>(library, "ConnectDialogDllInit")(&GetRouter, lock);
    Entry<decltype(&ConnectDialogDllInitProfileFactory)>(library, "ConnectDialogDllInitProfileFactory")(nullptr);
    Entry<decltype(&ConnectDialogInitGUI)>(library, "ConnectDialogInitGUI")(nullptr, 3, nullptr, nullptr, nullptr,
                                                                            nullptr);

    static const char* const getters[] = {
        "GetTrayvellCanExitApplicationMessage", "GetTrayvellShowSelectionMessage",
        "GetGlimmondTerminateMessage",          "GetCreateNewTabMessage",
        "GetGlobalConfigChangeMessage",         "GetProcessCommandLineMessage",
        "GetRetrieveAppInformationMessage",     "GetKestruneAppWindowCommandLineMessage",
        "GetSessionDatabaseChangeMessage",
    };
    int status = 0;
    for (size_t i = 0; i < std::size(getters); ++i) {
        const unsigned number = Entry<unsigned (*)()>(library, getters[i])();
        const std::u16string name = kRegisteredMessageNames[i];
        std::printf("0x%04X %s\n", number, std::string(name.begin(), name.end()).c_str());
        if (number == 0)
            status = 1;
    }
    Entry<decltype(&CleanupQuickConnectDialog)>(library, "CleanupQuickConnectDialog")();
    dlclose(library);
    return status;
}
