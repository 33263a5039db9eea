#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "profile/exchange/ForeignSessions.h"

// KiTTY's saved sessions: from a registry export (the PuTTY keys under
// HKEY_CURRENT_USER\Software\9bis.com\KiTTY\Sessions, with a "Folder"
// value), or from its portable session folder, one file per session
// named as the key is, each line "Name\value\". KiTTY's passwords are
// encrypted in a form of its own: they are never carried over.
class KittyReader {
public:
    static constexpr char16_t kSessionsKey[] = u"HKEY_CURRENT_USER\\Software\\9bis.com\\KiTTY\\Sessions";
    static ForeignDocument Read(std::string_view text, const std::string& file, const ForeignReadOptions& options);
    // The files of the portable folder, as (file name, contents), in the
    // order to import them.
    static ForeignDocument ReadFolder(const std::string& folder,
                                      const std::vector<std::pair<std::string, std::string>>& files,
                                      const ForeignReadOptions& options);
};
