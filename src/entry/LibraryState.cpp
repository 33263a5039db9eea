#include "entry/LibraryState.h"

#include <ctime>

#include "entry/RegisteredMessages.h"
#include "platform/AtomTable.h"
#include "platform/LocalTimeZone.h"
#include "platform/MessageTable.h"
#include "platform/ModuleLoader.h"
#include "platform/SynchLock.h"

namespace {
bool g_attached = false;
}

LibraryState& GetLibraryState()
{
    static LibraryState state;
    return state;
}

void LibraryAttach()
{
    if (g_attached)
        return;
    g_attached = true;
    RegisterLibraryMessagesWithFallback(RegisteredMessageTablePaths()); // reported once a router can be had
    MessageTable::HostProgram(); // looked up once, while the host program is what it was at start
    tzset();
    ReadLocalTimeZone(); // once: the update reminder's dates stay put if TZ changes later

    LibraryState& state = GetLibraryState();
    state.moduleFolder = ModuleFolderOf(reinterpret_cast<const void*>(&LibraryAttach));
    state.sessionTreeKeys = GetKeyTable(KeyTable::SessionTree);
    state.sessionManagerKeys = GetKeyTable(KeyTable::SessionManager);
    state.commandTreeKeys = GetKeyTable(KeyTable::CommandTree);
    state.activeSessionKeys = GetKeyTable(KeyTable::ActiveSessions);
}

void LibraryDetach()
{
    if (!g_attached)
        return;
    g_attached = false;
    GetLibraryState().quickConnectRetained.Reset();
    ReplaceLibrarySynchObject(nullptr);
}

void InstallPlatformServices()
{
    if (const auto install = GetLibraryState().installPlatformServices)
        install();
}
