// KiTTY's sessions, from a registry export or a portable session file.
#include <cstdint>
#include <string>

#include "ForeignReaderCheck.h"
#include "profile/exchange/KittyReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ForeignReadOptions options;
    options.withPasswords = true;
    // The first byte chooses: a registry export or one file of the portable folder.
    if (size > 0 && data[0] == 'P')
        CheckForeignReader([&] { return KittyReader::ReadFolder("fuzz", {{"a%20b", text.substr(1)}}, options); });
    else
        CheckForeignReader([&] { return KittyReader::Read(text, "fuzz", options); });
    return 0;
}
