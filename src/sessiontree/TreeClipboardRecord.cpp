#include "sessiontree/TreeClipboardRecord.h"

#include <string_view>

#include "core/Exceptions.h"

namespace {

class Writer {
public:
    void U8(uint8_t v) { m_out.push_back(v); }
    void U16(uint16_t v)
    {
        U8(static_cast<uint8_t>(v >> 8));
        U8(static_cast<uint8_t>(v));
    }
    void U32(uint32_t v)
    {
        U16(static_cast<uint16_t>(v >> 16));
        U16(static_cast<uint16_t>(v));
    }
    void Text(const VUnicodeString& s)
    {
        const std::string utf8 = s.ToUtf8();
        U32(static_cast<uint32_t>(utf8.size()));
        m_out.insert(m_out.end(), utf8.begin(), utf8.end());
    }
    std::vector<uint8_t> Take() { return std::move(m_out); }

private:
    std::vector<uint8_t> m_out;
};

// Every read throws DataUnderrun past the end, so a short record is
// rejected as a whole.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint8_t U8()
    {
        Need(1);
        return m_bytes[m_at++];
    }
    uint16_t U16()
    {
        const uint16_t hi = U8();
        return static_cast<uint16_t>(hi << 8 | U8());
    }
    uint32_t U32()
    {
        const uint32_t hi = U16();
        return hi << 16 | U16();
    }
    VUnicodeString Text()
    {
        const uint32_t length = U32();
        Need(length);
        const std::string_view utf8(reinterpret_cast<const char*>(m_bytes.data() + m_at), length);
        m_at += length;
        return VUnicodeString::FromUtf8(utf8); // IllegalSequence on bad UTF-8
    }
    // A count of items that each take at least `minimum` bytes cannot be
    // larger than what is left: check before reserving room for them.
    uint32_t Count(size_t minimum)
    {
        const uint32_t n = U32();
        if (n > (m_bytes.size() - m_at) / minimum)
            throw DataUnderrun();
        return n;
    }

private:
    void Need(size_t n) const
    {
        if (n > m_bytes.size() - m_at)
            throw DataUnderrun();
    }
    std::span<const uint8_t> m_bytes;
    size_t m_at = 0;
};

} // namespace

std::vector<uint8_t> TreeClipboardRecord::Serialize() const
{
    Writer w;
    w.U16(version);
    w.Text(sourceIdentity);
    w.U8(isCut ? 1 : 0);
    w.U8(hasSessions ? 1 : 0);
    w.U8(hasFolders ? 1 : 0);
    w.U8(spare ? 1 : 0);
    w.U32(static_cast<uint32_t>(paths.GetSize()));
    for (size_t i = 0; i < paths.GetSize(); ++i)
        w.Text(paths[i]);
    w.U32(static_cast<uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        w.Text(e.first);
        w.Text(e.second);
        w.U32(e.value);
    }
    return w.Take();
}

std::optional<TreeClipboardRecord> TreeClipboardRecord::Parse(std::span<const uint8_t> bytes)
{
    try {
        Reader r(bytes);
        TreeClipboardRecord record;
        record.version = r.U16();
        if (record.version != kVersion)
            return std::nullopt;
        record.sourceIdentity = r.Text();
        record.isCut = r.U8() != 0;
        record.hasSessions = r.U8() != 0;
        record.hasFolders = r.U8() != 0;
        record.spare = r.U8() != 0;
        const uint32_t pathCount = r.Count(4);
        record.paths.Reserve(pathCount);
        for (uint32_t i = 0; i < pathCount; ++i)
            record.paths.Add(r.Text());
        const uint32_t entryCount = r.Count(12);
        record.entries.reserve(entryCount);
        for (uint32_t i = 0; i < entryCount; ++i) {
            Entry e;
            e.first = r.Text();
            e.second = r.Text();
            e.value = r.U32();
            record.entries.push_back(std::move(e));
        }
        return record;
    } catch (const DataUnderrun&) {
        return std::nullopt;
    } catch (const IllegalSequence&) {
        return std::nullopt;
    }
}
