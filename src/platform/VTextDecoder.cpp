#include "platform/VTextDecoder.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <utility>

namespace {

constexpr size_t kMarkLength = 3; // the longest byte-order mark

const char* ConverterName(VTextDecoder::Encoding encoding)
{
    switch (encoding) {
    case VTextDecoder::Encoding::Utf16Le: return "UTF-16LE";
    case VTextDecoder::Encoding::Utf16Be: return "UTF-16BE";
    case VTextDecoder::Encoding::Windows1252: return "windows-1252";
    case VTextDecoder::Encoding::Utf8: break;
    }
    return "UTF-8";
}

// Strict: no surrogates, no overlong forms, nothing cut at the end.
bool IsValidUtf8(const std::string& bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    return status == U_BUFFER_OVERFLOW_ERROR || status == U_STRING_NOT_TERMINATED_WARNING || U_SUCCESS(status);
}

} // namespace

void VTextDecoder::ConverterDeleter::operator()(UConverter* converter) const
{
    ucnv_close(converter);
}

VTextDecoder::VTextDecoder() = default;
VTextDecoder::~VTextDecoder() = default;

// Looks for a byte-order mark in the first bytes, then opens the converter
// for the encoding it names.
void VTextDecoder::Start()
{
    const auto starts = [&](std::string_view mark) { return m_head.starts_with(mark); };
    size_t markLength = 0;
    if (starts("\xEF\xBB\xBF")) {
        m_encoding = Encoding::Utf8, markLength = 3;
    } else if (starts("\xFF\xFE")) {
        m_encoding = Encoding::Utf16Le, markLength = 2;
    } else if (starts("\xFE\xFF")) {
        m_encoding = Encoding::Utf16Be, markLength = 2;
    }
    m_hadMark = markLength != 0;
    m_started = true;
    m_head.erase(0, markLength);
    if (!m_hadMark && m_withoutMark != Encoding::Utf8) {
        m_encoding = m_withoutMark;
    } else if (!m_hadMark) {
        m_sniffing = true;
        return;
    }
    OpenConverter();
}

void VTextDecoder::OpenConverter()
{
    UErrorCode status = U_ZERO_ERROR;
    m_converter.reset(ucnv_open(ConverterName(m_encoding), &status));
    if (U_FAILURE(status))
        m_converter.reset(); // ICU without its converter data: Convert passes bytes through
}

void VTextDecoder::Sniff(std::span<const uint8_t> bytes, VStringArray& lines)
{
    if (!m_holding) {
        const auto other = std::find_if(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= 0x80; });
        // The same characters in both encodings.
        const std::u16string ascii(bytes.begin(), other);
        Split(ascii, lines);
        bytes = bytes.subspan(static_cast<size_t>(other - bytes.begin()));
        m_holding = !bytes.empty();
    }
    m_held.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void VTextDecoder::FlushHead(VStringArray& lines)
{
    if (m_head.empty())
        return;
    const std::string head = std::exchange(m_head, {});
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(head.data()), head.size());
    if (m_sniffing)
        Sniff(bytes, lines);
    else
        Convert(bytes, false, lines);
}

void VTextDecoder::Feed(std::span<const uint8_t> block, VStringArray& lines)
{
    if (!m_started) {
        const size_t take = std::min(kMarkLength - m_head.size(), block.size());
        m_head.append(reinterpret_cast<const char*>(block.data()), take);
        block = block.subspan(take);
        if (m_head.size() < kMarkLength)
            return; // too few bytes yet to tell the mark
        Start();
    }
    FlushHead(lines);
    if (m_sniffing)
        Sniff(block, lines);
    else
        Convert(block, false, lines);
}

void VTextDecoder::Finish(VStringArray& lines)
{
    if (!m_started)
        Start();
    FlushHead(lines);
    if (m_sniffing) {
        m_sniffing = false;
        if (m_holding) {
            m_encoding = IsValidUtf8(m_held) ? Encoding::Utf8 : Encoding::Windows1252;
            OpenConverter();
            const std::string held = std::exchange(m_held, {});
            Convert({reinterpret_cast<const uint8_t*>(held.data()), held.size()}, true, lines);
        }
    } else {
        Convert({}, true, lines);
    }
    if (!m_line.empty())
        lines.Add(VUnicodeString(std::exchange(m_line, {})));
    m_afterCr = false;
}

void VTextDecoder::Convert(std::span<const uint8_t> bytes, bool flush, VStringArray& lines)
{
    if (!m_converter) {
        std::u16string text(bytes.begin(), bytes.end());
        Split(text, lines);
        return;
    }
    const char* source = reinterpret_cast<const char*>(bytes.data());
    const char* const sourceLimit = source + bytes.size();
    // Each byte gives at most one unit; the loop covers the rare overflow.
    std::u16string buffer(std::max<size_t>(bytes.size(), 64) + 8, u'\0');
    for (;;) {
        UChar* target = reinterpret_cast<UChar*>(buffer.data());
        UChar* const targetLimit = target + buffer.size();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(m_converter.get(), &target, targetLimit, &source, sourceLimit, nullptr, flush, &status);
        Split({buffer.data(), static_cast<size_t>(target - reinterpret_cast<UChar*>(buffer.data()))}, lines);
        if (status != U_BUFFER_OVERFLOW_ERROR)
            break;
    }
}

void VTextDecoder::Split(std::u16string_view text, VStringArray& lines)
{
    for (const char16_t c : text) {
        if (m_afterCr) {
            m_afterCr = false;
            if (c == u'\n')
                continue;
        }
        if (c == u'\r' || c == u'\n') {
            lines.Add(VUnicodeString(std::exchange(m_line, {})));
            m_afterCr = c == u'\r';
        } else {
            m_line += c;
        }
    }
}

VStringArray VTextDecoder::DecodeAll(std::span<const uint8_t> bytes, Encoding withoutMark)
{
    VTextDecoder decoder;
    decoder.SetEncodingWithoutMark(withoutMark);
    VStringArray lines;
    decoder.Feed(bytes, lines);
    decoder.Finish(lines);
    return lines;
}
