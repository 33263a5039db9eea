#pragma once

#include "profile/sessions/SessionConfigPart.h"

// The serial line of a session with the serial protocol.
class ORV_EXPORT VSerialDeviceConfig : public SessionConfigPart {
public:
    static constexpr char16_t kBaudRate[] = u"Baud Rate";
    static constexpr char16_t kPortName[] = u"Name Of Pipe";

    VSerialDeviceConfig(const VProfileKey* key, const ProfilePath::Folders& folders);
    static const SessionValueTable& Table();
};
