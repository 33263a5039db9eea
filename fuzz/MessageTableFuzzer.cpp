// A host program's message table is text the library did not write.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/MessageTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const auto table = MessageTable::Parse(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!table && error.empty())
        std::abort(); // a refusal always says why
    if (table) {
        for (const auto& [id, text] : table->Entries()) {
            std::u16string found;
            if (!table->Find(id, 0, found) || found != text)
                std::abort();
        }
    }
    return 0;
}
