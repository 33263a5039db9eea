// WinSCP.ini, with its scrambled passwords.
#include <cstdint>
#include <string>

#include "ForeignReaderCheck.h"
#include "profile/exchange/WinScpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ForeignReadOptions options;
    options.withPasswords = true;
    CheckForeignReader([&] { return WinScpReader::Read(std::span(data, size), "fuzz", options); });
    return 0;
}
