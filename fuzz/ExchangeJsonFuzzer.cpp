// Exchange documents are written by export, then kept, edited and handed
// back to import. Any text is read or refused with a line, never a crash;
// one that reads is written again and reads back the same.
#include <cstdint>

#include "ExchangeRoundTrip.h"
#include "profile/exchange/ExchangeJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckRoundTrip<JsonExchangeWriter>(
        data, size, [](std::istream& in, IExchangeVisitor& visitor) { ReadExchangeJson(in, "fuzz.json", visitor); });
    return 0;
}
