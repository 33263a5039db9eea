#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "profile/exchange/ForeignSessions.h"

// Remmina's profile folder: one "*.remmina" file per connection, an INI
// group [remmina] with name, group (its folders, '/' between them),
// protocol (RDP, VNC, SSH, SFTP, SPICE, X2GO, ...), server ("host",
// "host:port" or "[v6 address]:port"), username. Remmina's saved
// passwords are encrypted with a secret of its own: never carried over.
class RemminaReader {
public:
    // The files as (file name, contents), in the order to import them.
    static ForeignDocument ReadFolder(const std::string& folder,
                                      const std::vector<std::pair<std::string, std::string>>& files,
                                      const ForeignReadOptions& options);
    // One profile file.
    static void ReadFile(std::span<const uint8_t> bytes, ForeignDocument& document, const ForeignReadOptions& options);
};
