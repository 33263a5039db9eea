// Pane placements and hidden toolbar buttons come back from the store as
// anyone may have written them: a record of the right length reads back to
// the same bytes, any other is refused, and a command number is digits only.
#include <cstdint>
#include <cstdlib>

#include "platform/GlobalConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    PanePlacementRecord record;
    if (DecodePanePlacement(bytes, record)) {
        if (size != kPanePlacementBytes || EncodePanePlacement(record) != std::vector<uint8_t>(data, data + size))
            std::abort();
    } else if (size == kPanePlacementBytes || !(record == PanePlacementRecord())) {
        std::abort();
    }

    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    uint32_t command = 0;
    if (ParseToolbarCommandNumber(VUnicodeString(text), command) &&
        VUnicodeString::FromNumber(command).str() != text.substr(text.find_first_not_of(u'0') == std::u16string::npos
                                                                      ? text.size() - 1
                                                                      : text.find_first_not_of(u'0')))
        std::abort();
    return 0;
}
