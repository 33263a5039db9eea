// Import documents are streamed piece by piece. Any text is read or refused
// with a line number, never a crash; the pieces come balanced (every folder
// that begins ends) and the document ends once, after all of them.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ImportStream.h"

namespace {

class CheckingSink final : public ImportStreamSink {
public:
    void BeginFolder() override { Piece(), ++m_open; }
    void EndFolder(const JsonValue& members) override
    {
        Piece();
        if (m_open-- <= 0 || !members.AsObject())
            std::abort();
    }
    void FolderValue(const JsonValue& value) override
    {
        Piece();
        if (value.AsObject())
            std::abort(); // an object is streamed, never handed over whole
    }
    void Session(const JsonValue&) override { Piece(); }
    void EndDocument(const JsonValue&) override
    {
        Piece();
        if (m_open != 0)
            std::abort();
        m_ended = true;
    }
    bool Ended() const { return m_ended; }

private:
    void Piece() const
    {
        if (m_ended)
            std::abort();
    }
    int m_open = 0;
    bool m_ended = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckingSink sink;
    try {
        StreamImportDocument(std::string_view(reinterpret_cast<const char*>(data), size), sink);
    } catch (const JsonError& error) {
        if (error.line < 1 || error.message.empty())
            std::abort();
        return 0;
    }
    if (!sink.Ended())
        std::abort();
    return 0;
}
