// A plain CSV of sessions with a header.
#include <cstdint>
#include <string>

#include "ForeignReaderCheck.h"
#include "profile/exchange/CsvReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ForeignReadOptions options;
    options.withPasswords = true;
    CheckForeignReader([&] { return CsvReader::Read(text, "fuzz", options); });
    return 0;
}
