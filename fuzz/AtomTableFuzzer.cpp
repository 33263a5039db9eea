// The registered-message table is a file every process of the user writes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/AtomTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t highest = 0;
    const uint32_t found =
        AtomTable::Lookup(std::string_view(reinterpret_cast<const char*>(data), size), u"Orvalis_Software_X", highest);
    if (found && (found < AtomTable::kFirstAtom || found > highest))
        std::abort();
    return 0;
}
