#include "profile/reports/VReportMessageParams.h"

#include "core/UnicodeConversion.h"
#include "platform/MessageBox.h"
#include "platform/MessageFormatter.h"
#include "platform/MessageTable.h"
#include "platform/PlatformError.h"
#include "platform/Products.h"

namespace {

constexpr uint32_t kCustomerBit = 0x20000000; // ids of the suite's own tables

bool IsLookupMiss(uint32_t code)
{
    return code == kErrorMessageNotFound || code == kErrorResourceTypeNotFound ||
           code == kErrorResourceLanguageNotFound;
}

std::u16string Fill(const std::u16string& pattern, const VStringArray& parameters)
{
    std::vector<MessageArg> args;
    args.reserve(parameters.GetSize());
    for (const VUnicodeString& p : parameters)
        args.emplace_back(std::u16string_view(p));
    return FormatMessageText(pattern, args);
}

} // namespace

VReportMessageParams* VReportMessageParams::Create(uint32_t id, const IMessageTable* module)
{
    return new VReportMessageParams(id, module);
}

VReportMessageParams::VReportMessageParams(uint32_t id, const IMessageTable* module)
    : m_id(id), m_module(module ? module : &MessageTable::Library())
{
}

void VReportMessageParams::SetMessageId(uint32_t id)
{
    m_id = id;
    m_parameters.Clear();
    Invalidate();
}

void VReportMessageParams::SetMessageIdOnly(uint32_t id)
{
    m_id = id;
    Invalidate();
}

void VReportMessageParams::AddParameter(const VUnicodeString& text)
{
    m_parameters.Add(text);
    Invalidate();
}

void VReportMessageParams::AddParameter(const char16_t* text)
{
    AddParameter(VUnicodeString(text));
}

void VReportMessageParams::SetNested(IReportMessageParams* nested)
{
    m_nested = VReportPtr::Retain(nested);
    Invalidate();
}

void VReportMessageParams::SetModule(const IMessageTable* module)
{
    m_module = module;
    Invalidate();
}

void VReportMessageParams::SetSource(const char* file, uint32_t line)
{
    m_sourceFile = file ? file : "";
    m_sourceLine = line;
}

const VUnicodeString& VReportMessageParams::GetText(uint16_t language)
{
    if (m_formatted)
        return m_text;
    std::u16string pattern;
    bool found = false;
    if (!(m_id & kCustomerBit)) {
        pattern = SystemErrorText(m_id);
        found = !pattern.empty();
    }
    if (!found) {
        if (m_module)
            found = m_module->Find(m_id, language, pattern);
        else
            SetPlatformLastError(kErrorResourceTypeNotFound);
    }
    if (!found) {
        if (const IMessageTable* host = MessageTable::HostProgram())
            found = host->Find(m_id, language, pattern);
    }
    if (found) {
        m_text = VUnicodeString(Fill(pattern, m_parameters));
        m_formatted = true;
        return m_text;
    }
    // No table holds the id: the platform's own failure if it had one, else
    // a text that at least names the id. Neither is cached.
    const PlatformError error = GetPlatformLastError();
    std::u16string errorText = IsLookupMiss(error.code) || error.code == 0 ? std::u16string() : PlatformErrorText(error);
    if (!errorText.empty())
        m_text = VUnicodeString(errorText + u"\r\n");
    else
        m_text = VUnicodeString(
            FormatInsert(u"Could not retrieve the error text for error code 0x%1!08x!.\r\n", uint64_t{m_id}));
    return m_text;
}

VUnicodeString VReportMessageParams::GetTextWithSource(uint32_t wrapperId)
{
    const VUnicodeString own = GetText();
    if (m_sourceFile.empty())
        return own;
    VReportPtr wrapper(Create(wrapperId, m_module));
    wrapper->AddParameter(own);
    VUnicodeString file;
    try {
        file = VUnicodeString::FromUtf8(m_sourceFile);
    } catch (const std::exception&) {
        file = u"?";
    }
    wrapper->AddParameter(file);
    wrapper->AddParameter(VUnicodeString(FormatInsert(u"%1!d!", int64_t{m_sourceLine})));
    return wrapper->GetText();
}

VUnicodeString VReportMessageParams::GetFullText()
{
    VUnicodeString text = GetText();
    for (IReportMessageParams* inner = m_nested.Get(); inner; inner = inner->GetNested()) {
        while (text.EndsWith(u"\r\n"))
            text = text.Left(text.Length() - 2);
        text += u"\r\n";
        text += inner->GetText();
    }
    return text;
}

void VReportMessageParams::Display()
{
    unsigned style = kMbOk;
    switch (m_id >> 30) {
    case 3: style |= kMbIconError; break;
    case 2: style |= kMbIconExclamation; break;
    default: style |= kMbIconInformation; break;
    }
    GetMessageBox().Show(m_owner, GetFullText(), VGetAppName(), style);
}
