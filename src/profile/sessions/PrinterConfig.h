#pragma once

#include "profile/sessions/SessionConfigPart.h"

// How a session prints.
class ORV_EXPORT PrinterConfig : public SessionConfigPart {
public:
    static constexpr char16_t kPrinterFont[] = u"Printer Font v2";

    PrinterConfig(const VProfileKey* key, const ProfilePath::Folders& folders);
    static const SessionValueTable& Table();
};
