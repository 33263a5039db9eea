// Text files come from anywhere. Decoding never fails, and the lines do not
// depend on how the bytes were split into blocks.
#include <cstdint>
#include <cstdlib>

#include "platform/VTextDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t piece = data[0] % 7 + 1;
    // The high bit reads the text as a wide one without its mark, as the
    // binary keymap "Keymap v2" is.
    const auto withoutMark = data[0] & 0x80 ? VTextDecoder::Encoding::Utf16Le : VTextDecoder::Encoding::Utf8;
    const std::span<const uint8_t> text(data + 1, size - 1);
    const VStringArray whole = VTextDecoder::DecodeAll(text, withoutMark);

    VTextDecoder decoder;
    decoder.SetEncodingWithoutMark(withoutMark);
    VStringArray lines;
    for (size_t i = 0; i < text.size(); i += piece)
        decoder.Feed(text.subspan(i, std::min(piece, text.size() - i)), lines);
    decoder.Finish(lines);
    if (!(lines == whole))
        std::abort();
    for (const VUnicodeString& line : whole)
        if (line.Find(u'\r') != VUnicodeString::npos || line.Find(u'\n') != VUnicodeString::npos)
            std::abort();
    return 0;
}
