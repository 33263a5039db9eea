#include "sessiontree/qt/SessionIcons.h"

#include <array>
#include <optional>

#include "platform/HostForms.h"
#include "platform/qt/ResourceIcons.h"
#include "sessiontree/SessionTreeBase.h"

namespace {

// The pictures of the twelve slots, by SessionTreeBase::Image.
constexpr const char* kSlotNames[SessionTreeBase::kImagesPerSet] = {
    "folder-open", "folder",         "session",        "pair-plain",      "terminal-plain",  "transfer-plain",
    "remote-desktop", "modem",       "local-shell",    "terminal-secure", "transfer-secure", "pair-secure",
};

// The theme's own name for a slot that the desktop may supply.
const char* ThemeName(int slot)
{
    switch (slot) {
    case SessionTreeBase::kImageOpenFolder: return "folder-open";
    case SessionTreeBase::kImageFolder: return "folder";
    case SessionTreeBase::kImageSession: return "network-server";
    default: return nullptr;
    }
}

std::array<std::optional<QIcon>, SessionIcons::kCount>& Cache()
{
    static std::array<std::optional<QIcon>, SessionIcons::kCount> cache;
    return cache;
}

} // namespace

QString SessionIcons::ImageName(int index)
{
    if (index < 0 || index >= kCount)
        return {};
    const int set = index / SessionTreeBase::kImagesPerSet;
    return QStringLiteral("tree/%1/%2")
        .arg(set == 0 ? QLatin1String("small") : QLatin1String("large"))
        .arg(QLatin1String(kSlotNames[index % SessionTreeBase::kImagesPerSet]));
}

const QIcon& SessionIcons::Image(int index)
{
    static const QIcon none;
    if (index < 0 || index >= kCount)
        return none;
    std::optional<QIcon>& slot = Cache()[static_cast<size_t>(index)];
    if (!slot) {
        const char* theme = ThemeName(index % SessionTreeBase::kImagesPerSet);
        QIcon icon = theme ? QIcon::fromTheme(QLatin1String(theme)) : QIcon();
        slot = icon.isNull() ? ResourceIcons::Icon(ImageName(index)) : icon;
    }
    return *slot;
}

QIcon SessionIcons::Folder(int set)
{
    const int base = set == 1 ? SessionTreeBase::kImagesPerSet : 0;
    QIcon icon;
    const QIcon& closed = Image(base + SessionTreeBase::kImageFolder);
    const QIcon& open = Image(base + SessionTreeBase::kImageOpenFolder);
    for (int size : {16, 24, 32}) {
        icon.addPixmap(closed.pixmap(size, size), QIcon::Normal);
        icon.addPixmap(open.pixmap(size, size), QIcon::Selected);
    }
    return icon;
}

const QIcon& SessionIcons::FilterIcon()
{
    static const QIcon icon = [] {
        QIcon themed = QIcon::fromTheme(QStringLiteral("edit-find"));
        return themed.isNull() ? ResourceIcons::Icon(QStringLiteral("toolbar/find")) : themed;
    }();
    return icon;
}

void SessionIcons::Reset()
{
    for (std::optional<QIcon>& slot : Cache())
        slot.reset();
}

namespace {

class SessionIconImageList final : public SessionIconList {
public:
    int GetImageCount() const override { return SessionIcons::kCount; }
    const QIcon* GetImage(int index) const override
    {
        return index >= 0 && index < SessionIcons::kCount ? &SessionIcons::Image(index) : nullptr;
    }
};

} // namespace

SessionIconList* CreateSessionIconImageList()
{
    return new SessionIconImageList;
}
