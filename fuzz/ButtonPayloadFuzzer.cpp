// A button bar on the clipboard may come from any program. Reading never
// goes past the data, and what was read copies back unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "commands/ProfileUserButtonMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> payload{'B', 'B'};
    payload.insert(payload.end(), data, data + size);
    ProfileUserButtonMap map(nullptr, u"temp copy");
    if (!map.FromClipboardPayload(payload)) {
        if (map.Get().GetSize() != 0 || map.GetCount() != 0)
            std::abort();
        return 0;
    }
    if (map.Get().GetSize() != map.GetCount())
        std::abort();
    ProfileUserButtonMap copy(nullptr, u"temp copy");
    if (!copy.FromClipboardPayload(map.ToClipboardPayload("BB")) || !(copy.Get() == map.Get()) ||
        copy.GetName() != map.GetName())
        std::abort();
    return 0;
}
