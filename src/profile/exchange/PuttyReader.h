#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "profile/exchange/ForeignSessions.h"

class RegFile;

// PuTTY's saved sessions from a registry export (".reg" of
// HKEY_CURRENT_USER\Software\SimonTatham\PuTTY\Sessions): one key per
// session, its name %-escaped, with HostName, PortNumber, Protocol and
// UserName. PuTTY keeps no folders and no passwords. "Default Settings"
// is the template of new sessions, not a session.
class PuttyReader {
public:
    static constexpr char16_t kSessionsKey[] = u"HKEY_CURRENT_USER\\Software\\SimonTatham\\PuTTY\\Sessions";
    static ForeignDocument Read(std::string_view text, const std::string& file, const ForeignReadOptions& options);
    // The sessions folder of PuTTY on Unix (~/.putty/sessions): one file
    // per session, named as the key is, with "Name=value" lines. The files
    // as (file name, contents), in the order to import them.
    static ForeignDocument ReadFolder(const std::string& folder,
                                      const std::vector<std::pair<std::string, std::string>>& files,
                                      const ForeignReadOptions& options);

    // What PuTTY and KiTTY share: the sessions below `key` of a parsed export.
    static void ReadSessions(const RegFile& reg, std::u16string_view key, ForeignDocument& document,
                             const ForeignReadOptions& options, bool kitty);
    // A parsed export, or the document failed where it does not read.
    static RegFile ParseExport(std::string_view text, const ForeignDocument& document);
};
