// PuTTY's saved sessions from a registry export.
#include <cstdint>
#include <string>

#include "ForeignReaderCheck.h"
#include "profile/exchange/PuttyReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ForeignReadOptions options;
    options.withPasswords = true;
    CheckForeignReader([&] { return PuttyReader::Read(text, "fuzz", options); });
    return 0;
}
