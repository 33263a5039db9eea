#pragma once

#include <string>

#include "profile/exchange/ForeignSessions.h"

// An OpenSSH client configuration (and what it includes): each Host name
// without wildcards becomes an SSH2 session with the HostName, User and
// Port that apply to it, described by where it was found. Match blocks
// apply to no name here.
class OpenSshReader {
public:
    // `home` resolves "~/" and relative Include paths.
    static ForeignDocument Read(const std::string& path, const std::string& home);
};
