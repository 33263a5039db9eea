#include "commands/ProfileUserButtonMap.h"

#include "commands/PathVariables.h"
#include "platform/Products.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";
constexpr std::u16string_view kEscapedCrLf = u"\\r\\n";
constexpr size_t kMinimumFields = 4;

void AppendEscaped(std::u16string& out, std::u16string_view field)
{
    for (const char16_t c : field) {
        if (c == u',' || c == u'\\')
            out += u'\\';
        out += c;
    }
}

// A multi-line text (a send text, a label) keeps its line breaks as the
// four characters \r\n, so a stored line stays one line.
void AppendMultiLine(std::u16string& out, std::u16string_view field)
{
    std::u16string escaped;
    AppendEscaped(escaped, field);
    VUnicodeString text(std::move(escaped));
    text.Replace(kCrLf, kEscapedCrLf);
    out += text.str();
}

// Splits a line at unescaped commas. Escaped commas become plain commas;
// every other escape is kept, backslash included, for the field's own
// reading. Text after the last comma belongs to no field.
std::vector<std::u16string> SplitFields(std::u16string_view line)
{
    std::vector<std::u16string> fields;
    std::u16string field;
    bool escaped = false;
    for (const char16_t c : line) {
        if (escaped) {
            if (c != u',')
                field += u'\\';
            field += c;
            escaped = false;
        } else if (c == u'\\') {
            escaped = true;
        } else if (c == u',') {
            fields.push_back(std::move(field));
            field.clear();
        } else {
            field += c;
        }
    }
    return fields;
}

std::u16string Unescape(std::u16string_view field)
{
    std::u16string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == u'\\') {
            if (++i == field.size())
                break;
        }
        out += field[i];
    }
    return out;
}

std::u16string UnescapeMultiLine(std::u16string_view field)
{
    VUnicodeString text(field);
    text.Replace(kEscapedCrLf, u"\\\r\\\n");
    return Unescape(text.str());
}

std::u16string WithoutCrLf(const std::u16string& text)
{
    VUnicodeString line(text);
    line.Replace(kCrLf, u"");
    return std::move(line.str());
}

// A decimal number the way the C library's reader takes it: leading blanks,
// a sign, the digits up to the first other character; 0 when there are none.
// Values beyond 32 bits wrap, as a 32-bit reader's do.
int32_t ReadDecimal(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - u'0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

VUnicodeString MessageText(uint32_t id, std::initializer_list<VUnicodeString> inserts)
{
    VReportPtr report = NewReport(id);
    for (const VUnicodeString& insert : inserts)
        report->AddParameter(insert);
    VUnicodeString text = report->GetText();
    text.TrimRight();
    return text;
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutUtf16Le(std::vector<uint8_t>& out, std::u16string_view text)
{
    for (const char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
}

// Reads clipboard data front to back; every read checks that the data
// holds what it asks for.
class PayloadReader {
public:
    explicit PayloadReader(std::span<const uint8_t> data) : m_data(data) {}
    size_t Left() const { return m_data.size() - m_offset; }
    bool ReadLength(uint32_t& value)
    {
        if (Left() < 4)
            return false;
        const uint8_t* p = m_data.data() + m_offset;
        value = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
        m_offset += 4;
        return true;
    }
    bool ReadText(uint32_t bytes, VUnicodeString& text)
    {
        if (Left() < bytes)
            return false;
        std::u16string units(bytes / 2, u'\0');
        const uint8_t* p = m_data.data() + m_offset;
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
        text = VUnicodeString(std::move(units));
        m_offset += bytes;
        return true;
    }
    size_t Offset() const { return m_offset; }
    void Skip(size_t bytes) { m_offset += bytes; }

private:
    std::span<const uint8_t> m_data;
    size_t m_offset = 0;
};

} // namespace

// ---- Item

void ProfileUserButtonMap::Item::SetArgument(const VUnicodeString& argument)
{
    Argument = argument;
    ArgumentLine = VUnicodeString(WithoutCrLf(argument.str()));
}

VUnicodeString ProfileUserButtonMap::Item::ToStoredLine() const
{
    std::u16string line;
    const std::u16string_view tableName = GetFunctionName(Function);
    line += tableName.empty() ? std::u16string_view(FunctionName.str()) : tableName;
    line += u',';
    AppendMultiLine(line, Argument.str());
    line += u',';
    AppendEscaped(line, Extra1.str());
    line += u',';
    AppendEscaped(line, Extra2.str());
    line += u',';
    AppendEscaped(line, Argument2.str());
    line += u',';
    line += VUnicodeString::FromNumber(Option).str();
    line += u',';
    line += VUnicodeString::FromUnsigned(Variant).str();
    line += u',';
    AppendMultiLine(line, Label.str());
    line += u',';
    return VUnicodeString(std::move(line));
}

bool ProfileUserButtonMap::Item::FromStoredLine(const VUnicodeString& stored)
{
    VUnicodeString line = stored;
    line.Trim();
    const std::vector<std::u16string> fields = SplitFields(line.str());
    if (fields.size() < kMinimumFields)
        return false;

    FunctionName = VUnicodeString(fields[0]);
    Function = GetFunctionNumber(fields[0]);
    SetArgument(VUnicodeString(UnescapeMultiLine(fields[1])));
    Extra1 = VUnicodeString(Unescape(fields[2]));
    Extra2 = VUnicodeString(Unescape(fields[3]));
    Argument2 = fields.size() > 4 ? VUnicodeString(Unescape(fields[4])) : VUnicodeString();
    Option = fields.size() > 5 ? ReadDecimal(Unescape(fields[5])) : 0;
    Variant = 1;
    if (fields.size() > 6) {
        const auto variant = static_cast<uint32_t>(ReadDecimal(Unescape(fields[6])));
        Variant = variant < 11 ? variant : 1;
    }
    Label = fields.size() > 7 ? VUnicodeString(UnescapeMultiLine(fields[7])) : VUnicodeString();
    return true;
}

// ---- ProfileUserButtonMap

ProfileUserButtonMap::ProfileUserButtonMap(const VProfileKey* key, const VUnicodeString& name)
    : VProfile2(nullptr, name, nullptr)
{
    // Read again now that reading builds the items too; the saved copy is
    // taken after lines without a function were dropped.
    Load(key, nullptr);
    m_snapshot = {Get(), m_items};
}

ProfileUserButtonMap::~ProfileUserButtonMap() = default;

void ProfileUserButtonMap::Set(const VStringArray& lines)
{
    if (lines == Get())
        return;
    Current() = lines;
    BuildItems();
    OnChange();
}

bool ProfileUserButtonMap::ReadCurrent(const VProfileKey* key)
{
    if (!VProfile2::ReadCurrent(key)) {
        m_items.Clear();
        return false;
    }
    BuildItems();
    return true;
}

void ProfileUserButtonMap::BuildItems()
{
    m_items.Clear();
    VStringArray& lines = Current();
    for (size_t i = 0; i < lines.GetSize();) {
        Item item;
        item.FromStoredLine(lines[i]);
        if (item.Function == kFunctionNone) {
            lines.RemoveAt(i);
            continue;
        }
        if (item.Function == kFunctionRun) {
            item.Argument = ExpandUtilityPath(item.Argument);
            item.ArgumentLine = item.Argument;
        }
        m_items.Add(std::move(item));
        ++i;
    }
}

ProfileUserButtonMap::Item ProfileUserButtonMap::PrepareForStorage(const Item& item)
{
    Item prepared = item;
    if (prepared.Function == kFunctionRun)
        prepared.Argument = CollapseProgramPath(prepared.Argument);
    return prepared;
}

bool ProfileUserButtonMap::Insert(size_t index, const Item& item)
{
    Item prepared = PrepareForStorage(item);
    VUnicodeString line = prepared.ToStoredLine();
    if (index >= m_items.GetSize()) {
        m_items.Add(std::move(prepared));
        Current().Add(std::move(line));
    } else {
        m_items.InsertAt(index, std::move(prepared));
        Current().InsertAt(index, std::move(line));
    }
    OnChange();
    return true;
}

bool ProfileUserButtonMap::Replace(size_t index, const Item& item)
{
    if (index >= m_items.GetSize())
        return Insert(index, item);
    Item prepared = PrepareForStorage(item);
    Current()[index] = prepared.ToStoredLine();
    m_items[index] = std::move(prepared);
    OnChange();
    return true;
}

void ProfileUserButtonMap::Remove(size_t index)
{
    m_items.RemoveAt(index);
    Current().RemoveAt(index);
    OnChange();
}

bool ProfileUserButtonMap::Save(const VProfileKey* key)
{
    if (!IsKestruneInstalled())
        return true;
    return VProfile2::Save(key);
}

void ProfileUserButtonMap::Accept()
{
    VProfile2::Accept();
    m_snapshot = {Get(), m_items};
}

void ProfileUserButtonMap::Revert()
{
    Current() = m_snapshot.lines;
    m_items = m_snapshot.items;
}

VUnicodeString ProfileUserButtonMap::GetDisplayText(const Item& item)
{
    const bool isSend = item.Function == kFunctionSend || item.Function == kFunctionSendToCommandWindow;
    if (isSend && item.Option != 0)
        return {}; // the host shows such buttons without text
    if (!item.Label.IsEmpty())
        return item.Label;
    switch (item.Function) {
    case kFunctionSetButtonBar:
        return MessageText(kMsgSetButtonBarText, {item.ArgumentLine});
    case kFunctionSend:
    case kFunctionSendToCommandWindow:
        return item.ArgumentLine;
    case kFunctionRun:
    case kFunctionLaunch:
        return item.ArgumentLine + u" " + item.Argument2.str();
    case kFunctionCredentials: {
        const uint32_t part = item.Argument2 == u"password"                ? kMsgCredentialsPassword
                              : item.Argument2 == u"username and password" ? kMsgCredentialsBoth
                                                                           : kMsgCredentialsUserName;
        return MessageText(kMsgCredentialsText, {item.ArgumentLine, MessageText(part, {})});
    }
    default: {
        const std::u16string_view name = GetFunctionName(item.Function);
        if (name.empty())
            return item.FunctionName;
        std::u16string escaped;
        AppendEscaped(escaped, name);
        return VUnicodeString(std::move(escaped));
    }
    }
}

std::vector<uint8_t> ProfileUserButtonMap::ToClipboardPayload(const char tag[2]) const
{
    size_t listBytes = 0;
    for (const VUnicodeString& line : Get())
        listBytes += 4 + 2 * line.Length();

    std::vector<uint8_t> out;
    out.reserve(2 + 4 + 2 * m_name.Length() + 4 + listBytes);
    out.push_back(static_cast<uint8_t>(tag[0]));
    out.push_back(static_cast<uint8_t>(tag[1]));
    PutBigEndian32(out, static_cast<uint32_t>(2 * m_name.Length()));
    PutUtf16Le(out, m_name.str());
    PutBigEndian32(out, static_cast<uint32_t>(listBytes));
    for (const VUnicodeString& line : Get()) {
        PutBigEndian32(out, static_cast<uint32_t>(2 * line.Length()));
        PutUtf16Le(out, line.str());
    }
    return out;
}

bool ProfileUserButtonMap::FromClipboardPayload(std::span<const uint8_t> data)
{
    m_items.Clear();
    Current().Clear();
    if (data.size() < 2)
        return false;
    PayloadReader reader(data.subspan(2));

    uint32_t nameBytes = 0;
    VUnicodeString name;
    uint32_t listBytes = 0;
    if (!reader.ReadLength(nameBytes) || !reader.ReadText(nameBytes, name))
        return false;
    m_name = name;
    if (!reader.ReadLength(listBytes) || listBytes > reader.Left())
        return false;

    VStringArray lines;
    const size_t listStart = reader.Offset();
    while (reader.Offset() - listStart < listBytes) {
        const size_t leftInList = listBytes - (reader.Offset() - listStart);
        uint32_t lineBytes = 0;
        VUnicodeString line;
        if (leftInList < 4 || !reader.ReadLength(lineBytes) || lineBytes > leftInList - 4 ||
            !reader.ReadText(lineBytes, line))
            return false;
        lines.Add(std::move(line));
    }
    Current() = std::move(lines);
    BuildItems();
    return true;
}
