#include "commands/VMenuToolbarTextRep.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "commands/FunctionTable.h"
#include "commands/KeyNames.h"
#include "platform/PlatformError.h"
#include "platform/VTextFile.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

enum class LineKind {
    End,
    Accelerator,
    StringTable,
    Separator,
    Menu,
    Toolbar,
    Popup,
    Font,
    MenuItem,
    ToolbarItem,
    Plain,
};

struct ClassifiedLine {
    LineKind kind;
    std::u16string_view rest;
};

// Keywords in the order they are tested: "MENU " and "TOOLBAR " need their
// blank, so that MENUITEM and TOOLBARITEM are not taken for them.
ClassifiedLine Classify(std::u16string_view line)
{
    static constexpr std::pair<std::u16string_view, LineKind> kKeywords[] = {
        {u"END", LineKind::End},           {u"ACCELERATOR", LineKind::Accelerator},
        {u"STRINGTABLE", LineKind::StringTable}, {u"SEPARATOR", LineKind::Separator},
        {u"MENU ", LineKind::Menu},        {u"TOOLBAR ", LineKind::Toolbar},
        {u"POPUPMENU", LineKind::Popup},   {u"FONT", LineKind::Font},
        {u"MENUITEM", LineKind::MenuItem}, {u"TOOLBARITEM", LineKind::ToolbarItem},
    };
    for (const auto& [keyword, kind] : kKeywords)
        if (line.starts_with(keyword))
            return {kind, line.substr(keyword.size())};
    return {LineKind::Plain, line};
}

VUnicodeString Clean(std::u16string_view field)
{
    VUnicodeString cleaned(field);
    cleaned.Trim();
    if (cleaned.Length() >= 2 && cleaned.StartsWith(u"\"") && cleaned.EndsWith(u"\""))
        cleaned = cleaned.Mid(1, cleaned.Length() - 2);
    return cleaned;
}

std::vector<VUnicodeString> SplitFields(std::u16string_view rest, size_t maximum = SIZE_MAX)
{
    std::vector<VUnicodeString> fields;
    for (;;) {
        const size_t comma = fields.size() + 1 < maximum ? rest.find(u',') : std::u16string_view::npos;
        fields.push_back(Clean(rest.substr(0, comma)));
        if (comma == std::u16string_view::npos)
            return fields;
        rest.remove_prefix(comma + 1);
    }
}

bool IsHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

unsigned HexValue(char16_t c)
{
    return c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
}

// "0x" and two hexadecimal digits give that byte; any other text gives the
// code of its first character.
uint16_t ReadAcceleratorKey(const VUnicodeString& field)
{
    const std::u16string& s = field.str();
    if (s.size() == 4 && s[0] == u'0' && s[1] == u'x' && IsHexDigit(s[2]) && IsHexDigit(s[3]))
        return static_cast<uint16_t>(HexValue(s[2]) * 16 + HexValue(s[3]));
    return s[0];
}

VUnicodeString VirtualKeyDisplayName(uint16_t key)
{
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return VUnicodeString(std::u16string(1, static_cast<char16_t>(key)));
    if (key >= 0x70 && key <= 0x87)
        return VUnicodeString(u"F") + VUnicodeString::FromNumber(key - 0x6F).str();
    if (key >= 0x60 && key <= 0x69)
        return VUnicodeString(u"Num ") + VUnicodeString::FromNumber(key - 0x60).str();
    static constexpr std::pair<uint16_t, std::u16string_view> kNames[] = {
        {0x08, u"Backspace"}, {0x09, u"Tab"},   {0x0D, u"Enter"},  {0x13, u"Pause"}, {0x1B, u"Esc"},
        {0x20, u"Space"},     {0x21, u"PgUp"},  {0x22, u"PgDn"},   {0x23, u"End"},   {0x24, u"Home"},
        {0x25, u"Left"},      {0x26, u"Up"},    {0x27, u"Right"},  {0x28, u"Down"},  {0x2D, u"Ins"},
        {0x2E, u"Del"},       {0x6A, u"Num *"}, {0x6B, u"Num +"},  {0x6D, u"Num -"}, {0x6E, u"Num ."},
        {0x6F, u"Num /"},
    };
    for (const auto& [code, name] : kNames)
        if (code == key)
            return VUnicodeString(name);
    VUnicodeString name = KeyCodeToName(key);
    if (name.StartsWith(u"VK_"))
        name = name.Mid(3);
    return name;
}

// The item kinds that carry an argument, with the words their warning uses.
struct ArgumentKind {
    std::u16string_view command;
    int number;
    std::u16string_view description;
};
constexpr ArgumentKind kArgumentKinds[] = {
    {u"SEND", kFunctionSend, u"send string"},
    {u"RUN", kFunctionRun, u"script file"},
    {u"OPEN_SESSION", kMenuCommandOpenSession, u"open session"},
    {u"OPEN_SESSION_TAB", kMenuCommandOpenSessionTab, u"open session in tab"},
};

VUnicodeString ResolvePath(const VUnicodeString& name, const VUnicodeString& folder)
{
    if (name.StartsWith(u"/") || folder.IsEmpty())
        return name;
    return folder + u"/" + name.str();
}

} // namespace

// Reads one menu file into a fresh VMenuToolbarTextRep. The lines are walked
// twice with the same block structure: first for the definitions (accelerator
// and string blocks, the font), so that items may name them before their
// blocks; then for the items.
class MenuFileReader {
public:
    MenuFileReader(VMenuToolbarTextRep& loader, VMenuToolbarTextRep& into, const VUnicodeString& folder)
        : m_loader(loader), m_into(into), m_folder(folder)
    {
    }

    void Read(std::span<const VUnicodeString> lines)
    {
        m_definitions = true;
        Walk(lines);
        m_definitions = false;
        Walk(lines);
        std::stable_sort(m_into.m_problems.begin(), m_into.m_problems.end(),
                         [](const auto& a, const auto& b) { return a.line < b.line; });
    }

private:
    enum class BlockType { Accelerators, Strings, Items };
    struct Block {
        BlockType type;
        int line;
        VMenuToolbarItem* item; // the open item of an item block; null in the first walk
    };
    struct AcceleratorDefinition {
        uint16_t key;
        VUnicodeString options;
    };

    template <class... Inserts>
    void Problem(uint32_t id, int line, const Inserts&... inserts)
    {
        VStringArray all{VUnicodeString::FromNumber(line), VUnicodeString(inserts)...};
        VReportPtr report = NewReport(id);
        for (const VUnicodeString& insert : all)
            report->AddParameter(insert);
        VUnicodeString text = report->GetText();
        text.TrimRight();
        m_into.m_problems.push_back({id, line, text, std::move(all)});
    }
    // Structural warnings belong to the second walk only, so each is given once.
    template <class... Inserts>
    void ItemProblem(uint32_t id, int line, const Inserts&... inserts)
    {
        if (!m_definitions)
            Problem(id, line, inserts...);
    }

    int ItemDepth() const
    {
        return static_cast<int>(std::count_if(m_stack.begin(), m_stack.end(),
                                              [](const Block& b) { return b.type == BlockType::Items; }));
    }

    void Walk(std::span<const VUnicodeString> lines)
    {
        m_stack.clear();
        m_skipDepth = 0;
        int number = 0;
        for (const VUnicodeString& raw : lines) {
            ++number;
            VUnicodeString line = raw;
            line.Trim();
            if (line.IsEmpty() || line.StartsWith(u"//"))
                continue;
            const ClassifiedLine classified = Classify(line.str());
            while (!Handle(classified, number)) {
            }
        }
        while (!m_stack.empty()) {
            ItemProblem(kMsgMenuBlockWithoutEnd, m_stack.back().line);
            m_stack.pop_back();
        }
    }

    // False when the line closed open blocks and must be read again.
    bool Handle(const ClassifiedLine& line, int number)
    {
        if (m_skipDepth > 0) {
            if (line.kind == LineKind::Popup)
                ++m_skipDepth;
            else if (line.kind == LineKind::End)
                --m_skipDepth;
            return true;
        }
        if (line.kind == LineKind::Font) {
            if (m_definitions)
                SetFont(line.rest, number);
            return true;
        }
        if (m_stack.empty())
            return HandleTopLevel(line, number);
        if (m_stack.back().type == BlockType::Items)
            return HandleItemLine(line, number);
        return HandleDefinitionLine(line, number);
    }

    bool HandleTopLevel(const ClassifiedLine& line, int number)
    {
        switch (line.kind) {
        case LineKind::Accelerator: m_stack.push_back({BlockType::Accelerators, number, nullptr}); break;
        case LineKind::StringTable: m_stack.push_back({BlockType::Strings, number, nullptr}); break;
        case LineKind::Menu:
        case LineKind::Toolbar:
        case LineKind::Popup: {
            VMenuToolbarItem* item = nullptr;
            if (!m_definitions) {
                m_into.m_items.push_back(BlockItem(line, number));
                item = &m_into.m_items.back();
            }
            m_stack.push_back({BlockType::Items, number, item});
            break;
        }
        default: ItemProblem(kMsgMenuLineNotUnderstood, number); break;
        }
        return true;
    }

    bool HandleDefinitionLine(const ClassifiedLine& line, int number)
    {
        switch (line.kind) {
        case LineKind::End: m_stack.pop_back(); return true;
        case LineKind::Plain:
            if (m_definitions)
                Define(m_stack.back().type, line.rest, number);
            return true;
        case LineKind::Accelerator:
        case LineKind::StringTable:
        case LineKind::Menu:
        case LineKind::Toolbar:
        case LineKind::Popup:
            ItemProblem(kMsgMenuBlockWithoutEnd, m_stack.back().line);
            m_stack.pop_back();
            return false;
        default: ItemProblem(kMsgMenuLineNotUnderstood, number); return true;
        }
    }

    bool HandleItemLine(const ClassifiedLine& line, int number)
    {
        VMenuToolbarItem* parent = m_stack.back().item;
        switch (line.kind) {
        case LineKind::End: m_stack.pop_back(); return true;
        case LineKind::Popup: {
            if (ItemDepth() >= VMenuToolbarTextRep::kMaximumDepth) {
                ItemProblem(kMsgMenuLineNotUnderstood, number); // ignored with everything inside it
                m_skipDepth = 1;
                return true;
            }
            VMenuToolbarItem* item = nullptr;
            if (parent) {
                parent->children.push_back(BlockItem(line, number));
                item = &parent->children.back();
            }
            m_stack.push_back({BlockType::Items, number, item});
            return true;
        }
        case LineKind::Separator:
            if (parent) {
                VMenuToolbarItem separator;
                separator.kind = VMenuToolbarItem::Kind::Separator;
                separator.line = number;
                parent->children.push_back(std::move(separator));
            }
            return true;
        case LineKind::MenuItem:
        case LineKind::ToolbarItem:
            if (parent) {
                VMenuToolbarItem item;
                if (BuildCommandItem(SplitFields(line.rest), number, line.kind == LineKind::ToolbarItem, item))
                    parent->children.push_back(std::move(item));
            }
            return true;
        case LineKind::Accelerator:
        case LineKind::StringTable:
        case LineKind::Menu:
        case LineKind::Toolbar:
            // A new top-level block: every block still open lacks its END.
            while (!m_stack.empty()) {
                ItemProblem(kMsgMenuBlockWithoutEnd, m_stack.back().line);
                m_stack.pop_back();
            }
            return false;
        default: ItemProblem(kMsgMenuLineNotUnderstood, number); return true;
        }
    }

    static VMenuToolbarItem BlockItem(const ClassifiedLine& line, int number)
    {
        VMenuToolbarItem item;
        item.kind = line.kind == LineKind::Menu      ? VMenuToolbarItem::Kind::Menu
                    : line.kind == LineKind::Toolbar ? VMenuToolbarItem::Kind::Toolbar
                                                     : VMenuToolbarItem::Kind::Popup;
        item.text = SplitFields(line.rest, 2)[0];
        item.line = number;
        return item;
    }

    void SetFont(std::u16string_view rest, int number)
    {
        const VUnicodeString face = SplitFields(rest)[0];
        if (face.IsEmpty()) {
            Problem(kMsgMenuTooFewFields, number);
            return;
        }
        if (m_fontSeen)
            Problem(kMsgMenuFontReplaced, number);
        m_fontSeen = true;
        m_into.m_font = face;
    }

    void Define(BlockType block, std::u16string_view rest, int number)
    {
        // A string's text may hold commas: it is everything after the name.
        const std::vector<VUnicodeString> fields = SplitFields(rest, block == BlockType::Strings ? 2 : 3);
        if (fields.size() < 2 || fields[0].IsEmpty() || fields[1].IsEmpty()) {
            Problem(kMsgMenuTooFewFields, number);
            return;
        }
        if (block == BlockType::Strings) {
            if (!m_into.m_strings.emplace(fields[0], fields[1]).second)
                Problem(kMsgMenuStringDefinedTwice, number);
            return;
        }
        const AcceleratorDefinition definition{ReadAcceleratorKey(fields[1]),
                                               fields.size() > 2 ? fields[2] : VUnicodeString()};
        if (!m_accelerators.emplace(fields[0], definition).second)
            Problem(kMsgMenuAcceleratorDefinedTwice, number);
    }

    bool BuildCommandItem(const std::vector<VUnicodeString>& fields, int number, bool toolbar, VMenuToolbarItem& item)
    {
        if (fields.size() < 2) {
            Problem(kMsgMenuTooFewFields, number);
            return false;
        }
        item.line = number;
        const VUnicodeString& command = fields[1];
        const ArgumentKind* kind = nullptr;
        for (const ArgumentKind& k : kArgumentKinds)
            if (command.str() == k.command)
                kind = &k;
        if (kind) {
            item.command = kind->number;
            item.takesArgument = true;
        } else {
            item.command = command.IsEmpty() ? kFunctionUnknown : GetFunctionNumber(command.str());
            if (item.command == kFunctionUnknown) {
                Problem(kMsgMenuUnknownCommand, number, command);
                return false;
            }
        }
        if (fields.size() > 2)
            item.argument = fields[2];
        if (kind && item.argument.IsEmpty()) {
            Problem(kMsgMenuMissingArgument, number, kind->description);
            return false;
        }
        if (toolbar) {
            item.image = LoadImage(fields[0], number);
            if (item.command == kFunctionRun) {
                item.argument = ResolvePath(item.argument, m_folder);
                VUnicodeString error;
                // Told as a file that cannot be loaded, like a missing image.
                if (!m_loader.FileExists(item.argument, error))
                    Problem(kMsgMenuImageNotLoaded, number, item.argument, error);
            }
        } else {
            item.text = fields[0];
        }
        if (fields.size() > 3 && !fields[3].IsEmpty()) {
            const auto it = m_into.m_strings.find(fields[3]);
            if (it != m_into.m_strings.end())
                item.stringText = it->second;
            else
                Problem(kMsgMenuStringNotDefined, number, fields[3]);
        }
        if (fields.size() > 4 && !fields[4].IsEmpty()) {
            const auto it = m_accelerators.find(fields[4]);
            if (it != m_accelerators.end())
                AddAccelerator(item, it->second);
            else
                Problem(kMsgMenuAcceleratorNotDefined, number, fields[4]);
        }
        return true;
    }

    int LoadImage(const VUnicodeString& name, int number)
    {
        if (name.IsEmpty()) {
            Problem(kMsgMenuNoImage, number);
            return -1;
        }
        auto& images = m_into.m_images;
        for (size_t i = 0; i < images.size(); ++i)
            if (images[i].name == name)
                return static_cast<int>(i);
        if (name.Length() < 4 || !name.Right(4).EqualsNoCase(u".bmp")) {
            Problem(kMsgMenuImageNotBitmap, number, name);
            return -1;
        }
        VMenuToolbarTextRep::Image image{name, ResolvePath(name, m_folder), {}};
        VUnicodeString error;
        if (!m_loader.LoadImageFile(image.path, image.bytes, error)) {
            Problem(kMsgMenuImageNotLoaded, number, image.path, error);
            return -1;
        }
        images.push_back(std::move(image));
        return static_cast<int>(images.size() - 1);
    }

    void AddAccelerator(VMenuToolbarItem& item, const AcceleratorDefinition& definition)
    {
        VMenuToolbarAccelerator accelerator;
        accelerator.key = definition.key;
        std::u16string_view options = definition.options.str();
        for (;;) {
            const size_t bar = options.find(u'|');
            VUnicodeString word(options.substr(0, bar));
            word.Trim();
            const auto add = [&](uint8_t flag, std::u16string_view prefix) {
                if (!(accelerator.flags & flag)) {
                    accelerator.flags |= flag;
                    accelerator.displayText += prefix;
                }
            };
            if (word.EqualsNoCase(u"VIRTKEY"))
                accelerator.flags |= kAcceleratorVirtKey;
            else if (word.EqualsNoCase(u"SHIFT"))
                add(kAcceleratorShift, u"Shift+");
            else if (word.EqualsNoCase(u"CTRL"))
                add(kAcceleratorControl, u"Ctrl+");
            else if (word.EqualsNoCase(u"ALT"))
                add(kAcceleratorAlt, u"Alt+");
            if (bar == std::u16string_view::npos)
                break;
            options.remove_prefix(bar + 1);
        }
        accelerator.displayText += (accelerator.flags & kAcceleratorVirtKey)
                                       ? VirtualKeyDisplayName(accelerator.key).str()
                                       : std::u16string(1, static_cast<char16_t>(accelerator.key));
        m_into.m_accelerators.push_back(
            {accelerator.flags, accelerator.key, item.command, item.argument, accelerator.displayText});
        item.accelerator = std::move(accelerator);
    }

    VMenuToolbarTextRep& m_loader;
    VMenuToolbarTextRep& m_into;
    VUnicodeString m_folder;
    bool m_definitions = true;
    bool m_fontSeen = false;
    int m_skipDepth = 0;
    std::vector<Block> m_stack;
    std::map<VUnicodeString, AcceleratorDefinition> m_accelerators;
};

bool VMenuToolbarTextRep::Load(const VUnicodeString& path, IReportMessageParams* report)
{
    VStringArray lines;
    int error = 0;
    if (!VTextFile::ReadLines(path, lines, error))
        return Report(report, kMsgMenuFileCannotBeUsed, path, SystemErrorText(static_cast<uint32_t>(error)));
    const size_t slash = path.ReverseFind(u'/');
    const VUnicodeString folder = slash == VUnicodeString::npos ? VUnicodeString() : path.Left(slash == 0 ? 1 : slash);
    return Parse({lines.begin(), lines.end()}, folder, path, report);
}

bool VMenuToolbarTextRep::Parse(std::span<const VUnicodeString> lines, const VUnicodeString& folder,
                                const VUnicodeString& path, IReportMessageParams* report)
{
    VMenuToolbarTextRep read;
    MenuFileReader(*this, read, folder).Read(lines);

    const auto isError = [](const Problem& p) { return (p.id & 0xC0000000) == 0xC0000000; };
    if (std::any_of(read.m_problems.begin(), read.m_problems.end(), isError)) {
        VUnicodeString texts;
        for (const Problem& p : read.m_problems) {
            if (!texts.IsEmpty())
                texts += u'\n';
            texts += p.text.str();
        }
        m_problems = std::move(read.m_problems);
        return Report(report, kMsgMenuFileCannotBeUsed, path, texts);
    }

    m_items = std::move(read.m_items);
    m_accelerators = std::move(read.m_accelerators);
    m_strings = std::move(read.m_strings);
    m_images = std::move(read.m_images);
    m_font = std::move(read.m_font);
    m_problems = std::move(read.m_problems);

    if (report) {
        // Each warning wraps the next, so that they read in line order.
        VReportPtr next;
        for (size_t i = m_problems.size(); i-- > 1;) {
            VReportPtr warning = NewReport(m_problems[i].id);
            for (const VUnicodeString& insert : m_problems[i].inserts)
                warning->AddParameter(insert);
            warning->SetNested(next.Get());
            next = std::move(warning);
        }
        report->SetMessageId(m_problems.empty() ? 0 : m_problems[0].id);
        if (!m_problems.empty())
            for (const VUnicodeString& insert : m_problems[0].inserts)
                report->AddParameter(insert);
        report->SetNested(next.Get());
    }
    return true;
}

bool VMenuToolbarTextRep::LoadImageFile(const VUnicodeString& path, std::vector<uint8_t>& bytes,
                                        VUnicodeString& error)
{
    std::string name;
    try {
        name = path.ToUtf8();
    } catch (const std::exception&) {
        error = SystemErrorText(EINVAL);
        return false;
    }
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = SystemErrorText(static_cast<uint32_t>(S_ISDIR(st.st_mode) ? EISDIR : errno));
        return false;
    }
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) {
        error = SystemErrorText(static_cast<uint32_t>(errno));
        return false;
    }
    constexpr off_t kLargestImage = 64 << 20; // a toolbar bitmap is far smaller
    if (st.st_size > kLargestImage) {
        std::fclose(file);
        error = SystemErrorText(EFBIG);
        return false;
    }
    bytes.resize(static_cast<size_t>(st.st_size));
    const size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool ok = read == bytes.size() && !std::ferror(file);
    if (!ok)
        error = SystemErrorText(EIO);
    std::fclose(file);
    return ok;
}

bool VMenuToolbarTextRep::FileExists(const VUnicodeString& path, VUnicodeString& error)
{
    std::string name;
    try {
        name = path.ToUtf8();
    } catch (const std::exception&) {
        error = SystemErrorText(EINVAL);
        return false;
    }
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        error = SystemErrorText(static_cast<uint32_t>(errno));
        return false;
    }
    return true;
}
