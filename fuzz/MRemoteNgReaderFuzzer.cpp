// mRemoteNG's confCons.xml (with its encrypted passwords) and CSV export.
#include <cstdint>
#include <string>

#include "ForeignReaderCheck.h"
#include "profile/exchange/MRemoteNgReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ForeignReadOptions options;
    options.withPasswords = true;
    CheckForeignReader([&] {
        return text.starts_with("<") ? MRemoteNgReader::Read(text, "fuzz", options)
                                     : MRemoteNgReader::ReadCsv(text, "fuzz", options);
    });
    return 0;
}
