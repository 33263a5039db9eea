#include "profile/sessions/PrinterConfig.h"

namespace {

using K = SessionValueKind;

constexpr SessionValueDef kValues[] = {
    TextValue(u"Printer Name"),
    TextValue(u"Printer Port"),
    FlagValue(u"Use Printer Port", false),
    FlagValue(u"Use Raw Mode", false),
    FlagValue(u"Buffer Pass Through Printing", false),
    FlagValue(u"Disable Pass Through Printing", false),
    FlagValue(u"Force Black On White", true),
    KindValue(K::Margins, u"Page Margins"),
    UnsignedValue(u"Page Orientation", 1), // portrait
    UnsignedValue(u"Paper Size", 0),       // the printer's own
    UnsignedValue(u"Paper Source", 0),
    UnsignedValue(u"Printer Color", 0),
    UnsignedValue(u"Printer Duplex", 0),
    UnsignedValue(u"Printer Media Type", 0),
    NumberValue(u"Printer Quality", 0),
    KindValue(K::Font, PrinterConfig::kPrinterFont, u"Courier New"),
};

} // namespace

PrinterConfig::PrinterConfig(const VProfileKey* key, const ProfilePath::Folders& folders)
    : SessionConfigPart(Table(), key, folders)
{
}

const SessionValueTable& PrinterConfig::Table()
{
    static const SessionValueTable table(kValues);
    return table;
}
