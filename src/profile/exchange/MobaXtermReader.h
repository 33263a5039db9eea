#pragma once

#include <span>
#include <string>

#include "profile/exchange/ForeignSessions.h"

// MobaXterm's exported sessions (".mxtsessions", INI): sections
// [Bookmarks], [Bookmarks_1], ... each with SubRep (its folder, '\'
// between the names) and ImgNum, then one line per session,
// "NAME=#ICON#SETTINGS#TERMINAL#...", SETTINGS being '%'-separated with
// the type first (0 SSH, 1 Telnet, 2 Rsh, 3 XDMCP, 4 RDP, 5 VNC, 6 FTP,
// 7 SFTP, 8 Serial, 9 File, 10 Shell, 11 Browser, 12 Mosh, 13 S3, 14 WSL),
// then host, port and user name. The file keeps no passwords.
class MobaXtermReader {
public:
    static ForeignDocument Read(std::span<const uint8_t> bytes, const std::string& file, const ForeignReadOptions& options);
};
