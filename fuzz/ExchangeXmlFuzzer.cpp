// The XML form of exchange documents, as the Session Manager's Export and
// Import commands write and read them: read or refused with a line, never
// a crash; a document that reads is written again and reads back the same.
#include <cstdint>

#include "ExchangeRoundTrip.h"
#include "profile/exchange/ExchangeXml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckRoundTrip<XmlExchangeWriter>(
        data, size, [](std::istream& in, IExchangeVisitor& visitor) { ReadExchangeXml(in, "fuzz.xml", visitor); });
    return 0;
}
