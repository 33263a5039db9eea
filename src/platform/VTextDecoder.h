#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "core/VStringArray.h"

struct UConverter;

// Turns the bytes of a text file, fed block by block, into lines. A leading
// byte-order mark chooses UTF-8, UTF-16LE or UTF-16BE and is dropped.
// Without one the text is UTF-8 when all of it is valid UTF-8, and
// Windows-1252 (the encoding such files were written in before) when it is
// not; lines of plain ASCII come out at once, the rest once the text ends.
// A carriage return, a line feed, or the two together end a line, also when
// a block ends between them. Bytes that are not valid in the encoding a
// mark named become U+FFFD: decoding never fails.
class VTextDecoder {
public:
    enum class Encoding { Utf8, Utf16Le, Utf16Be, Windows1252 };

    VTextDecoder();
    ~VTextDecoder();
    VTextDecoder(const VTextDecoder&) = delete;
    VTextDecoder& operator=(const VTextDecoder&) = delete;

    // Decodes the next block; the lines it completes are appended to `lines`.
    void Feed(std::span<const uint8_t> block, VStringArray& lines);
    // Ends the text: a last line without a break is appended too.
    void Finish(VStringArray& lines);

    // The encoding of a text without a mark (before the first Feed): UTF-16
    // for a text known to be wide; Utf8 (the default) tells UTF-8 from
    // Windows-1252 by the bytes.
    void SetEncodingWithoutMark(Encoding encoding) { m_withoutMark = encoding; }
    Encoding GetEncoding() const { return m_encoding; }
    bool HadByteOrderMark() const { return m_hadMark; }

    // The lines of a whole text held in memory.
    static VStringArray DecodeAll(std::span<const uint8_t> bytes, Encoding withoutMark = Encoding::Utf8);

private:
    void Start();
    void FlushHead(VStringArray& lines);
    void Convert(std::span<const uint8_t> bytes, bool flush, VStringArray& lines);
    void Split(std::u16string_view text, VStringArray& lines);
    void OpenConverter();
    // Without a mark: ASCII passes; from the first other byte on, the bytes
    // are held until the end tells UTF-8 from Windows-1252.
    void Sniff(std::span<const uint8_t> bytes, VStringArray& lines);

    struct ConverterDeleter {
        void operator()(UConverter* converter) const;
    };
    std::unique_ptr<UConverter, ConverterDeleter> m_converter;
    Encoding m_encoding = Encoding::Utf8;
    Encoding m_withoutMark = Encoding::Utf8;
    bool m_sniffing = false;
    bool m_holding = false;
    std::string m_held;
    bool m_hadMark = false;
    bool m_started = false;
    std::string m_head; // the first bytes, held until the mark can be told
    std::u16string m_line;
    bool m_afterCr = false; // a line just ended at a CR: a LF next belongs to it
};
