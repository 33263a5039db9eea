// A Remmina profile.
#include <cstdint>
#include <string>

#include "ForeignReaderCheck.h"
#include "profile/exchange/RemminaReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ForeignReadOptions options;
    options.withPasswords = true;
    CheckForeignReader([&] { return RemminaReader::ReadFolder("fuzz", {{"a.remmina", text}}, options); });
    return 0;
}
