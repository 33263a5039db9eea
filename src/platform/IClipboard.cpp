#include "platform/IClipboard.h"

#include <map>
#include <mutex>

#include "core/VUnicodeString.h"

namespace {

constexpr uint32_t kFirstFormat = 0xC000;
constexpr uint32_t kLastFormat = 0xFFFF;

class NoClipboard final : public IClipboard {
public:
    bool IsFormatAvailable(uint32_t) override { return false; }
    bool GetData(uint32_t, std::vector<uint8_t>&) override { return false; }
    bool SetData(std::span<const FormatData>) override { return false; }
};

NoClipboard g_none;
IClipboard* g_clipboard = &g_none;

struct FormatTable {
    std::mutex lock;
    std::map<std::u16string, uint32_t, VNoCaseLess> numbers;
    std::map<uint32_t, std::u16string> names;
};

FormatTable& Formats()
{
    static FormatTable table;
    return table;
}

} // namespace

uint32_t IClipboard::RegisterFormat(std::u16string_view name)
{
    return RegisterClipboardFormatName(name);
}

IClipboard& GetClipboard()
{
    return *g_clipboard;
}

void SetClipboard(IClipboard* clipboard)
{
    g_clipboard = clipboard ? clipboard : &g_none;
}

uint32_t RegisterClipboardFormatName(std::u16string_view name)
{
    if (name.empty())
        return 0;
    FormatTable& table = Formats();
    const std::lock_guard guard(table.lock);
    if (const auto it = table.numbers.find(name); it != table.numbers.end())
        return it->second;
    const uint32_t number = kFirstFormat + static_cast<uint32_t>(table.names.size());
    if (number > kLastFormat)
        return 0;
    table.numbers.emplace(std::u16string(name), number);
    table.names.emplace(number, std::u16string(name));
    return number;
}

std::u16string GetClipboardFormatName(uint32_t format)
{
    FormatTable& table = Formats();
    const std::lock_guard guard(table.lock);
    const auto it = table.names.find(format);
    return it == table.names.end() ? std::u16string() : it->second;
}
