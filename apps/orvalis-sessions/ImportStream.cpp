#include "ImportStream.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <optional>
#include <string_view>
#include <vector>

#include "core/VUnicodeString.h"

namespace {

// Bytes from a file or from memory, read in blocks, counting lines as they
// go: the reader knows offsets only, the messages name lines.
class LineCountingStream {
public:
    using Ch = char;
    explicit LineCountingStream(std::FILE* file) : m_file(file) { Fill(); }
    explicit LineCountingStream(std::string_view text) : m_at(text.data()), m_end(text.data() + text.size()) {}

    Ch Peek() const { return m_at < m_end ? *m_at : '\0'; }
    Ch Take()
    {
        if (m_at >= m_end)
            return '\0';
        const Ch c = *m_at++;
        ++m_offset;
        if (c == '\n')
            ++m_line;
        if (m_at == m_end && m_file)
            Fill();
        return c;
    }
    size_t Tell() const { return m_offset; }
    int Line() const { return m_line; }

    // Writing is never asked of a stream that is not parsed in place.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    size_t PutEnd(Ch*) { return 0; }

private:
    void Fill()
    {
        const size_t n = std::fread(m_buffer, 1, sizeof m_buffer, m_file);
        m_at = m_buffer;
        m_end = m_buffer + n;
    }

    std::FILE* m_file = nullptr;
    char m_buffer[64 * 1024];
    const char* m_at = m_buffer;
    const char* m_end = m_buffer;
    size_t m_offset = 0;
    int m_line = 1;
};

// Turns reader events into pieces for the sink. Streamed are the top
// object, its and every folder's "folders" and "sessions" arrays, and the
// folder objects in them; everything else is built as a value and handed
// over whole when it ends.
class Handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler> {
public:
    Handler(ImportStreamSink& sink, const LineCountingStream& stream) : m_sink(sink), m_stream(stream) {}

    bool Null() { return Scalar(JsonValue()); }
    bool Bool(bool b) { return Scalar(JsonValue(b)); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool)
    {
        return Scalar(JsonValue(JsonValue::Number{std::string(text, length)}));
    }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        return Scalar(JsonValue(Wide(std::string_view(text, length))));
    }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        std::u16string key = Wide(std::string_view(text, length));
        if (!m_build.empty())
            m_build.back().key = std::move(key);
        else
            m_frames.back().key = std::move(key);
        return true;
    }
    bool StartObject()
    {
        Deeper();
        if (!m_build.empty() || !StartStreamed(true))
            StartBuild(JsonValue(JsonValue::Object{}));
        return true;
    }
    bool EndObject(rapidjson::SizeType) { return End(); }
    bool StartArray()
    {
        Deeper();
        if (!m_build.empty() || !StartStreamed(false))
            StartBuild(JsonValue(JsonValue::Array{}));
        return true;
    }
    bool EndArray(rapidjson::SizeType) { return End(); }

private:
    enum class Kind { Top, Folder, Folders, Sessions };
    struct Frame {
        Kind kind;
        JsonValue members; // of Top and Folder
        std::u16string key;
    };
    struct Building {
        JsonValue value;
        std::u16string key; // the pending member of an object
    };

    // Built values are freed recursively: their nesting is bounded as the
    // document reader bounds it.
    void Deeper() const
    {
        if (m_frames.size() + m_build.size() >= static_cast<size_t>(kJsonMaximumDepth))
            throw JsonError{m_stream.Line(), "nested more than " + std::to_string(kJsonMaximumDepth) + " levels deep"};
    }
    // The reader checks the UTF-8 of the text; a \\u escape of one half
    // of a surrogate pair gets through it as no character at all.
    std::u16string Wide(std::string_view utf8) const
    {
        try {
            return VUnicodeString::FromUtf8(utf8).str();
        } catch (const std::exception&) {
            throw JsonError{m_stream.Line(), "a string holds half of a surrogate pair"};
        }
    }

    // A streamed container begins here, or the value is to be built.
    bool StartStreamed(bool object)
    {
        const int line = m_stream.Line();
        if (m_frames.empty()) {
            if (!object)
                return false;
            m_frames.push_back({Kind::Top, JsonValue(JsonValue::Object{}), {}});
            m_frames.back().members.SetLine(line);
            return true;
        }
        Frame& frame = m_frames.back();
        if ((frame.kind == Kind::Top || frame.kind == Kind::Folder) && !object &&
            (frame.key == u"folders" || frame.key == u"sessions")) {
            m_frames.push_back({frame.key == u"folders" ? Kind::Folders : Kind::Sessions, {}, {}});
            return true;
        }
        if (frame.kind == Kind::Folders && object) {
            m_frames.push_back({Kind::Folder, JsonValue(JsonValue::Object{}), {}});
            m_frames.back().members.SetLine(line);
            m_sink.BeginFolder();
            return true;
        }
        return false;
    }
    void StartBuild(JsonValue value)
    {
        value.SetLine(m_stream.Line());
        m_build.push_back({std::move(value), {}});
    }
    bool Scalar(JsonValue value)
    {
        value.SetLine(m_stream.Line());
        if (!m_build.empty()) {
            Add(m_build.back(), std::move(value));
            return true;
        }
        Deliver(std::move(value));
        return true;
    }
    static void Add(Building& into, JsonValue value)
    {
        if (JsonValue::Array* array = into.value.AsArray())
            array->push_back(std::move(value));
        else
            into.value.AsObject()->emplace_back(std::move(into.key), std::move(value));
    }
    // A finished value outside any built one goes where the streamed frame says.
    void Deliver(JsonValue value)
    {
        if (m_frames.empty()) {
            m_top = std::move(value); // a document that is no object
            return;
        }
        Frame& frame = m_frames.back();
        switch (frame.kind) {
        case Kind::Top:
        case Kind::Folder:
            frame.members.AsObject()->emplace_back(std::move(frame.key), std::move(value));
            break;
        case Kind::Folders:
            m_sink.FolderValue(value);
            break;
        case Kind::Sessions:
            m_sink.Session(value);
            break;
        }
    }
    bool End()
    {
        if (!m_build.empty()) {
            JsonValue done = std::move(m_build.back().value);
            m_build.pop_back();
            if (!m_build.empty())
                Add(m_build.back(), std::move(done));
            else
                Deliver(std::move(done));
            return true;
        }
        Frame frame = std::move(m_frames.back());
        m_frames.pop_back();
        if (frame.kind == Kind::Folder)
            m_sink.EndFolder(frame.members);
        else if (frame.kind == Kind::Top)
            m_top = std::move(frame.members);
        return true;
    }

public:
    std::optional<JsonValue> m_top;

private:
    ImportStreamSink& m_sink;
    const LineCountingStream& m_stream;
    std::vector<Frame> m_frames;
    std::vector<Building> m_build;
};

void Stream(LineCountingStream& stream, ImportStreamSink& sink)
{
    Handler handler(sink, stream);
    rapidjson::Reader reader;
    constexpr unsigned kFlags = rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseValidateEncodingFlag |
                                rapidjson::kParseIterativeFlag;
    const rapidjson::ParseResult result = reader.Parse<kFlags>(stream, handler);
    if (result.IsError())
        throw JsonError{stream.Line(), rapidjson::GetParseError_En(result.Code())};
    if (!handler.m_top)
        throw JsonError{stream.Line(), "the document is empty"};
    sink.EndDocument(*handler.m_top);
}

} // namespace

void StreamImportDocument(std::FILE* file, ImportStreamSink& sink)
{
    LineCountingStream stream(file);
    Stream(stream, sink);
}

void StreamImportDocument(std::string_view text, ImportStreamSink& sink)
{
    LineCountingStream stream(text);
    Stream(stream, sink);
}
