#include "commands/ButtonClipboard.h"

#include <vector>

#include "platform/IClipboard.h"

namespace {

constexpr char kTagFolder[2] = {'C', 'F'};
constexpr char kTagBar[2] = {'B', 'B'};
constexpr char kTagCommand[2] = {'C', 'M'};
constexpr char kTagButton[2] = {'B', 'N'};
constexpr char16_t kReadListName[] = u"temp copy";

enum class Content { None, List, Button };

// What the clipboard holds, with its data and origin.
struct Probe {
    Content content = Content::None;
    std::vector<uint8_t> data;
};

bool HasTag(const std::vector<uint8_t>& data, const char tag[2])
{
    return data[0] == static_cast<uint8_t>(tag[0]) && data[1] == static_cast<uint8_t>(tag[1]);
}

Probe ProbeClipboard(int& origin)
{
    Probe probe;
    IClipboard& clipboard = GetClipboard();
    const uint32_t format = GetButtonBarClipboardFormat();
    if (format == 0 || !clipboard.IsFormatAvailable(format) || !clipboard.GetData(format, probe.data) ||
        probe.data.size() <= 2)
        return {};
    if (HasTag(probe.data, kTagBar) || HasTag(probe.data, kTagButton))
        origin = kClipboardOriginButtonBar;
    else if (HasTag(probe.data, kTagFolder) || HasTag(probe.data, kTagCommand))
        origin = kClipboardOriginCommandManager;
    else
        return {};
    probe.content = HasTag(probe.data, kTagBar) || HasTag(probe.data, kTagFolder) ? Content::List : Content::Button;
    return probe;
}

bool Copy(const ProfileUserButtonMap& map, int origin, const char* folderTag, const char* barTag)
{
    const uint32_t format = GetButtonBarClipboardFormat();
    if (origin != kClipboardOriginCommandManager && origin != kClipboardOriginButtonBar)
        return false;
    if (format == 0)
        return false;
    const IClipboard::FormatData data{
        format, map.ToClipboardPayload(origin == kClipboardOriginCommandManager ? folderTag : barTag)};
    return GetClipboard().SetData({&data, 1});
}

// A new map holding the probed list; `ok` tells whether every length fit.
ProfileUserButtonMap* Read(const Probe& probe, bool& ok)
{
    auto* map = new ProfileUserButtonMap(nullptr, kReadListName);
    ok = map->FromClipboardPayload(probe.data);
    return map;
}

} // namespace

uint32_t GetButtonBarClipboardFormat()
{
    static const uint32_t format = GetClipboard().RegisterFormat(kButtonBarClipboardFormat);
    return format;
}

bool CopyButtonBarToClipboard(const ProfileUserButtonMap& map, int origin)
{
    return Copy(map, origin, kTagFolder, kTagBar);
}

bool CopyButtonToClipboard(const ProfileUserButtonMap& map, int origin)
{
    return Copy(map, origin, kTagCommand, kTagButton);
}

bool IsButtonBarOnClipboard(int& origin)
{
    return ProbeClipboard(origin).content == Content::List;
}

bool IsButtonOnClipboard(int& origin)
{
    return ProbeClipboard(origin).content == Content::Button;
}

bool CopyButtonBarFromClipboard(ProfileUserButtonMap** map, int& origin)
{
    if (!map)
        return false;
    *map = nullptr;
    const Probe probe = ProbeClipboard(origin);
    if (probe.content != Content::List)
        return false;
    bool ok = false;
    *map = Read(probe, ok);
    return ok;
}

bool CopyButtonFromClipboard(ProfileUserButtonMap** map, int& origin)
{
    if (!map)
        return false;
    *map = nullptr;
    const Probe probe = ProbeClipboard(origin);
    if (probe.content != Content::Button)
        return false;
    bool ok = false;
    ProfileUserButtonMap* read = Read(probe, ok);
    if (!ok || read->GetCount() != 1) {
        read->Release();
        return false;
    }
    *map = read;
    return true;
}
