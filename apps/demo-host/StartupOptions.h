#pragma once

#include <string>

// Which dialogs the user asked to see at start-up, as the library keeps
// them in the database's global configuration. Read before the library is
// loaded, through the host's own copy of the store code.
struct StartupOptions {
    bool connectDialog = true;
    bool quickConnect = false;
};
StartupOptions ReadStartupOptions(const std::string& databasePath);
// Switches the New Session wizard on or off in the database; false when
// the database cannot be written.
bool SetUseNewSessionWizard(const std::string& databasePath, bool use);
