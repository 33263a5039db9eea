#include "profile/exchange/SessionExchange.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "core/UnicodeConversion.h"
#include "platform/SessionNameValidator.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

std::string Where(const std::string& file, int line)
{
    if (line > 0)
        return file + " line " + std::to_string(line) + ": ";
    return file.empty() ? std::string() : file + ": ";
}

std::string Lossy(std::u16string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out += Utf16ToUtf8(text.substr(i, 2));
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            out += "\xEF\xBF\xBD";
        } else {
            out += Utf16ToUtf8(text.substr(i, 1));
        }
    }
    return out;
}

} // namespace

ExchangeError::ExchangeError(const std::string& file, int line, const std::string& message)
    : std::runtime_error(Where(file, line) + message), m_line(line), m_message(message)
{
}

bool NeedsUtf16Hex(std::u16string_view text, ExchangeFormat format)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c)) {
            if (i + 1 == text.size() || !IsLowSurrogate(text[i + 1]))
                return true;
            ++i;
        } else if (IsLowSurrogate(c)) {
            return true;
        } else if (format == ExchangeFormat::Xml &&
                   ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF)) {
            return true;
        }
    }
    return false;
}

std::string Utf16Hex(std::u16string_view text)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(text.size() * 4);
    for (char16_t c : text)
        for (int shift = 12; shift >= 0; shift -= 4)
            hex += kDigits[(c >> shift) & 0xF];
    return hex;
}

bool TextOfUtf16Hex(std::u16string_view hex, std::u16string& text)
{
    if (hex.size() % 4 != 0)
        return false;
    text.clear();
    for (size_t i = 0; i < hex.size(); i += 4) {
        char16_t unit = 0;
        for (size_t j = i; j < i + 4; ++j) {
            const char16_t c = hex[j];
            int digit = -1;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            if (digit < 0)
                return false;
            unit = static_cast<char16_t>(unit << 4 | digit);
        }
        text += unit;
    }
    return true;
}

std::u16string ExchangeTextOf(std::string_view utf8)
{
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80)
            return Utf8ToUtf16(utf8);
    return std::u16string(utf8.begin(), utf8.end());
}

void ExchangeChecks::Fail(int line, const std::string& message) const
{
    throw ExchangeError(m_file, line, message);
}

void ExchangeChecks::CheckItemName(const VUnicodeString& name, int line)
{
    if (const uint32_t problem = SessionNameProblem(name.str())) {
        VReportPtr report = NewReport(problem);
        report->AddParameter(name);
        std::u16string text = report->GetText().str();
        for (char16_t& c : text)
            if (c == u'\r' || c == u'\n')
                c = u' ';
        Fail(line, Lossy(text));
    }
    const auto [at, added] = m_names.back().emplace(VUnicodeString::FoldCase(name.str()), line);
    if (!added)
        Fail(line, "\"" + Lossy(name.str()) + "\" is named twice in its folder (first on line " +
                       std::to_string(at->second) + ")");
}

void ExchangeChecks::EnterFolder()
{
    m_names.emplace_back();
}

void ExchangeChecks::LeaveFolder()
{
    if (m_names.size() > 1)
        m_names.pop_back();
}

void ExchangeChecks::CheckValueNames(const ExchangeSession& session) const
{
    std::unordered_set<std::u16string_view, VNoCaseHash, VNoCaseEqual> seen(session.values.size() * 2);
    for (const ExchangeNamedValue& value : session.values) {
        if (value.name.IsEmpty())
            Fail(value.line, "a value's name must not be empty");
        if (!seen.insert(value.name.str()).second)
            Fail(value.line, "the value \"" + Lossy(value.name.str()) + "\" is given twice");
    }
}

namespace {

// The items between the reading thread and the one that takes them.
class ReadAheadQueue final : public IExchangeVisitor {
public:
    struct Item {
        enum class Kind { BeginFolder, EndFolder, Session } kind;
        ExchangeFolder folder;
        ExchangeSession session;
    };
    struct Stopped {};

    void BeginFolder(const ExchangeFolder& folder) override { Push({Item::Kind::BeginFolder, folder, {}}); }
    void EndFolder() override { Push({Item::Kind::EndFolder, {}, {}}); }
    void Session(const ExchangeSession& session) override { Push({Item::Kind::Session, {}, session}); }

    // The reader's end: it has no more, or failed with `error`.
    void Finish(std::exception_ptr error)
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        m_error = std::move(error);
        m_ready.notify_one();
    }
    // The taker gives up: the reader stops at its next item.
    void Stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_room.notify_one();
    }
    // The items read so far, all at once; none after the last one, and
    // the reader's failure is thrown in their place.
    void Take(std::deque<Item>& items)
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_items.empty() || m_finished; });
        if (m_items.empty() && m_error)
            std::rethrow_exception(m_error);
        const bool wasFull = m_items.size() >= kAhead;
        items.swap(m_items);
        if (wasFull) // the reader may be waiting for room
            m_room.notify_one();
    }

private:
    // Enough to keep the taker busy; few enough that memory stays bounded.
    static constexpr size_t kAhead = 64;

    void Push(Item item)
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_items.size() < kAhead || m_stopped; });
        if (m_stopped)
            throw Stopped{};
        m_items.push_back(std::move(item));
        if (m_items.size() == 1) // the taker waits only when there was none
            m_ready.notify_one();
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room;
    std::deque<Item> m_items;
    bool m_finished = false;
    bool m_stopped = false;
    std::exception_ptr m_error;
};

} // namespace

void ReadAhead(const std::function<void(IExchangeVisitor&)>& read, IExchangeVisitor& out)
{
    ReadAheadQueue queue;
    std::thread reader([&] {
        std::exception_ptr error;
        try {
            read(queue);
        } catch (const ReadAheadQueue::Stopped&) {
        } catch (...) {
            error = std::current_exception();
        }
        queue.Finish(std::move(error));
    });
    try {
        std::deque<ReadAheadQueue::Item> items;
        for (queue.Take(items); !items.empty(); items.clear(), queue.Take(items)) {
            for (const ReadAheadQueue::Item& item : items) {
                switch (item.kind) {
                case ReadAheadQueue::Item::Kind::BeginFolder:
                    out.BeginFolder(item.folder);
                    break;
                case ReadAheadQueue::Item::Kind::EndFolder:
                    out.EndFolder();
                    break;
                case ReadAheadQueue::Item::Kind::Session:
                    out.Session(item.session);
                    break;
                }
            }
        }
    } catch (...) {
        queue.Stop();
        reader.join();
        throw;
    }
    reader.join();
}
