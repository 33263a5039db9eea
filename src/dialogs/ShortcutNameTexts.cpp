#include "dialogs/ShortcutNameTexts.h"

#include "platform/Products.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgSeveralExplanation = 0x61090009;
constexpr uint32_t kMsgSeveralName = 0x6109000A;
constexpr uint32_t kMsgOneExplanation = 0x6109000B;

VUnicodeString WithProduct(uint32_t id, int applicationNumber)
{
    VReportPtr report = NewReport(id);
    report->AddParameter(GetAppNameFor(applicationNumber));
    return report->GetText();
}

} // namespace

ShortcutNameTexts GetShortcutNameTexts(const VUnicodeString& itemPath, bool severalItems, int applicationNumber)
{
    ShortcutNameTexts texts;
    if (!severalItems && !itemPath.IsEmpty()) {
        const size_t slash = itemPath.str().rfind(u'\\');
        texts.name = slash == std::u16string::npos ? itemPath : itemPath.Mid(slash + 1);
        texts.itemPath = itemPath;
        texts.explanation = WithProduct(kMsgOneExplanation, applicationNumber);
        return texts;
    }
    texts.explanation = WithProduct(kMsgSeveralExplanation, applicationNumber);
    std::u16string name = WithProduct(kMsgSeveralName, applicationNumber).str();
    while (!name.empty() && (name.back() == u' ' || name.back() == u'\t' || name.back() == u'\r' || name.back() == u'\n'))
        name.pop_back();
    texts.name = VUnicodeString(name);
    return texts;
}

ShortcutCommand BuildShortcutCommand(const VStringArray& sessions, const VStringArray& folders)
{
    ShortcutCommand command;
    std::u16string line;
    for (const VUnicodeString& session : sessions)
        line += u"/S \"" + session.str() + u"\" ";
    for (const VUnicodeString& folder : folders)
        line += folder.IsEmpty() ? std::u16string(u"/SESSION_FOLDER \\ ") : u"/SESSION_FOLDER \"" + folder.str() + u"\" ";
    command.commandLine = VUnicodeString(line);
    command.severalItems = sessions.GetSize() > 1 || folders.GetSize() > 1 || (!sessions.IsEmpty() && !folders.IsEmpty());
    if (!sessions.IsEmpty())
        command.itemPath = sessions[0];
    else if (!folders.IsEmpty())
        command.itemPath = folders[0];
    return command;
}
