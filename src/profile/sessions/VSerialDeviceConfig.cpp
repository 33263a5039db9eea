#include "profile/sessions/VSerialDeviceConfig.h"

namespace {

constexpr SessionValueDef kValues[] = {
    UnsignedValue(VSerialDeviceConfig::kBaudRate, 9600),
    UnsignedValue(u"Data Bits", 8),
    UnsignedValue(u"Parity", 0),    // none
    UnsignedValue(u"Stop Bits", 0), // one
    FlagValue(u"CTS Flow", false),
    FlagValue(u"DSR Flow", false),
    UnsignedValue(u"DTR Flow Control", 1),
    UnsignedValue(u"RTS Flow Control", 1),
    FlagValue(u"XON Flow", false),
    TextValue(VSerialDeviceConfig::kPortName),
};

} // namespace

VSerialDeviceConfig::VSerialDeviceConfig(const VProfileKey* key, const ProfilePath::Folders& folders)
    : SessionConfigPart(Table(), key, folders)
{
}

const SessionValueTable& VSerialDeviceConfig::Table()
{
    static const SessionValueTable table(kValues);
    return table;
}
