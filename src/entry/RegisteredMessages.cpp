#include "entry/RegisteredMessages.h"

#include "entry/ConnectDialog.h"
#include "platform/AtomTable.h"

namespace {
std::array<uint32_t, 9> g_numbers{};
}

void RegisterLibraryMessages(const AtomTable& table)
{
    for (size_t i = 0; i < kRegisteredMessageNames.size(); ++i)
        g_numbers[i] = table.Register(kRegisteredMessageNames[i]);
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
