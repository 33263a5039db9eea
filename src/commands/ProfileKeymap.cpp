#include "commands/ProfileKeymap.h"

#include "platform/VTextDecoder.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr char16_t kKeymapV4[] = u"Keymap v4";
constexpr char16_t kKeymapV3[] = u"Keymap v3";
constexpr char16_t kKeymapBinaryV2[] = u"Keymap v2";
constexpr char16_t kKeymapBinary[] = u"Keymap";

// The older binary reader's buffer: a longer value is read this far.
constexpr uint32_t kBinaryBufferSize = 32000;

// A binary keymap: the text of a keymap, wide ("Keymap v2") or in 8 bits
// ("Keymap": UTF-8, else Windows-1252), a byte-order mark allowed, its
// lines ended by a carriage return, a line feed, both, or a NUL.
bool ReadBinaryLines(const VProfileKey& key, const char16_t* name, VTextDecoder::Encoding encoding,
                     VStringArray& lines)
{
    std::vector<uint8_t> bytes(kBinaryBufferSize);
    uint32_t size = kBinaryBufferSize;
    if (!key.ReadBinary(name, bytes.data(), size)) {
        if (size <= kBinaryBufferSize)
            return false; // no such value
        std::vector<uint8_t> whole(size);
        if (!key.ReadBinary(name, whole.data(), size))
            return false;
        whole.resize(kBinaryBufferSize);
        bytes = std::move(whole);
        size = kBinaryBufferSize;
    }
    bytes.resize(size);
    lines = VStringArray();
    for (const VUnicodeString& line : VTextDecoder::DecodeAll(bytes, encoding)) {
        std::u16string_view rest = line.str();
        while (!rest.empty()) {
            const size_t nul = rest.find(u'\0');
            if (nul != 0)
                lines.Add(VUnicodeString(rest.substr(0, nul)));
            if (nul == std::u16string_view::npos)
                break;
            rest.remove_prefix(nul + 1);
        }
    }
    return true;
}

} // namespace

ProfileKeymap::ProfileKeymap(const VProfileKey* key, IReportMessageParams* report)
    : VProfile2(nullptr, kValueName, nullptr)
{
    // Loaded here rather than by the base, so that reading parses the lines.
    m_report = report;
    if (report)
        report->SetMessageId(0);
    VProfile2::Load(key, nullptr);
    m_report = nullptr;
}

bool ProfileKeymap::ReadCurrent(const VProfileKey* key)
{
    m_foundName = VUnicodeString();
    m_bindings.clear();
    if (!key)
        return false;

    // The newest form first; the first that is there wins.
    VStringArray lines;
    if (key->ReadStringArray(kValueName, lines))
        m_foundName = kValueName;
    else if (key->ReadStringArray(kKeymapV4, lines))
        m_foundName = kKeymapV4;
    else if (ReadBinaryLines(*key, kKeymapBinaryV2, VTextDecoder::Encoding::Utf16Le, lines))
        m_foundName = kKeymapBinaryV2;
    else if (ReadBinaryLines(*key, kKeymapBinary, VTextDecoder::Encoding::Utf8, lines))
        m_foundName = kKeymapBinary;
    else if (key->ReadStringArray(kKeymapV3, lines))
        m_foundName = kKeymapV3;
    if (m_foundName.IsEmpty())
        return false;
    Current() = std::move(lines);
    ParseCurrent();
    return true;
}

void ProfileKeymap::ParseCurrent()
{
    m_bindings.clear();
    std::span<const VUnicodeString> bindingLines(Get().begin(), Get().end());
    int firstLineNumber = 1;
    if (!bindingLines.empty() && bindingLines[0].StartsWith(u"Version = ")) {
        bindingLines = bindingLines.subspan(1);
        firstLineNumber = 2;
    }
    const ParseProblems problems = ParseBindings(bindingLines, firstLineNumber, IsVersionUnknown(), IsVersionOld());
    if (problems.errors > 0)
        Report(m_report, problems.errors >= kMaximumErrors ? kMsgKeymapCannotBeUsed : kMsgKeymapLinesIgnored,
               m_foundName, problems.texts);
}

void ProfileKeymap::Set(const VStringArray& lines)
{
    Lines::Set(lines);
    ParseCurrent();
}

void ProfileKeymap::Revert()
{
    VProfile2::Revert();
    ParseCurrent();
}

bool ProfileKeymap::Save(const VProfileKey* key)
{
    Lines::Set(FormatBindings());
    return VProfile2::Save(key);
}

bool ProfileKeymap::IsVersionOld() const
{
    return !m_foundName.IsEmpty() && m_foundName != kValueName;
}

bool ProfileKeymap::IsVersionUnknown() const
{
    return m_foundName == kKeymapV3;
}
