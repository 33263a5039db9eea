#pragma once

#include <span>
#include <string>

#include "profile/exchange/ForeignSessions.h"

// WinSCP's WinSCP.ini: a section "[Sessions\NAME]" per site, NAME
// %-escaped with '/' between its folders; HostName, PortNumber, UserName,
// FSProtocol (0 SCP, 1 and 2 SFTP, 5 FTP, 6 WebDAV, 7 S3), Ftps (0 none,
// 1 implicit TLS, 2 and 3 explicit) and Note. A password is kept only
// scrambled when no master password is set ("UseMasterPassword" of
// "[Configuration\Security]"); then it can be carried over.
class WinScpReader {
public:
    static ForeignDocument Read(std::span<const uint8_t> bytes, const std::string& file,
                                const ForeignReadOptions& options);
    // The password WinSCP scrambled with the user and host names; none
    // when the text is no scrambled password.
    static std::optional<std::string> Unscramble(std::string_view hex, std::string_view user, std::string_view host);
};
