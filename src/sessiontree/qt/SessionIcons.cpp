#include "sessiontree/qt/SessionIcons.h"

#include <array>
#include <optional>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "platform/HostForms.h"
#include "sessiontree/SessionTreeBase.h"

namespace {

// The two sets differ in their palette: the first in colour, the second
// in the muted tones of a high-contrast desktop.
struct Palette {
    QColor folder, folderEdge, screen, screenEdge, plain, secure, transfer, desk, modem, shell;
};
const Palette kPalettes[2] = {
    {QColor(0xF2, 0xC1, 0x4E), QColor(0xB7, 0x86, 0x1C), QColor(0x2B, 0x3A, 0x4A), QColor(0x8A, 0x97, 0xA6),
     QColor(0xE0, 0x6C, 0x2B), QColor(0x2F, 0x9E, 0x44), QColor(0x2A, 0x7A, 0xD0), QColor(0x3A, 0x86, 0xC8),
     QColor(0x7B, 0x5C, 0x3E), QColor(0x33, 0x33, 0x33)},
    {QColor(0xD6, 0xD6, 0xD6), QColor(0x50, 0x50, 0x50), QColor(0x20, 0x20, 0x20), QColor(0x60, 0x60, 0x60),
     QColor(0xA0, 0x40, 0x40), QColor(0x30, 0x70, 0x30), QColor(0x30, 0x50, 0x90), QColor(0x40, 0x60, 0x80),
     QColor(0x60, 0x50, 0x40), QColor(0x10, 0x10, 0x10)},
};

// All drawing is on a 16 by 16 grid, scaled to the pixmap.
void DrawFolder(QPainter& p, const Palette& c, bool open)
{
    p.setPen(QPen(c.folderEdge, 0.8));
    p.setBrush(c.folder.darker(110));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(c.folder);
    if (open) {
        QPainterPath flap;
        flap.moveTo(3.5, 7);
        flap.lineTo(15.5, 7);
        flap.lineTo(13.5, 13.5);
        flap.lineTo(1.5, 13.5);
        flap.closeSubpath();
        p.drawPath(flap);
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

void DrawServer(QPainter& p, const Palette& c)
{
    p.setPen(QPen(c.screenEdge.darker(150), 0.8));
    p.setBrush(c.screenEdge);
    p.drawRoundedRect(QRectF(4.5, 1.5, 7, 13), 1, 1);
    p.setPen(QPen(c.screen, 1));
    for (double y : {4.0, 6.5, 9.0})
        p.drawLine(QPointF(6, y), QPointF(10, y));
    p.setPen(Qt::NoPen);
    p.setBrush(c.secure);
    p.drawEllipse(QPointF(8, 12), 0.9, 0.9);
}

void DrawMonitor(QPainter& p, const Palette& c, QRectF screen = QRectF(1.5, 2.5, 11, 8))
{
    p.setPen(QPen(c.screenEdge, 1));
    p.setBrush(c.screen);
    p.drawRoundedRect(screen, 1, 1);
    p.setPen(QPen(c.screenEdge, 1.2));
    const double mid = screen.center().x();
    p.drawLine(QPointF(mid, screen.bottom()), QPointF(mid, screen.bottom() + 2));
    p.drawLine(QPointF(mid - 3, screen.bottom() + 2.5), QPointF(mid + 3, screen.bottom() + 2.5));
}

void DrawPrompt(QPainter& p, const Palette&, QPointF at)
{
    p.setPen(QPen(QColor(0xE8, 0xE8, 0xE8), 1.1));
    p.drawLine(at, at + QPointF(2, 1.5));
    p.drawLine(at + QPointF(2, 1.5), at + QPointF(0, 3));
    p.drawLine(at + QPointF(3, 3), at + QPointF(5.5, 3));
}

void DrawArrows(QPainter& p, QColor colour, QRectF box)
{
    p.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::RoundCap));
    const double l = box.left() + box.width() * 0.3;
    const double r = box.left() + box.width() * 0.7;
    p.drawLine(QPointF(l, box.bottom()), QPointF(l, box.top()));
    p.drawLine(QPointF(l, box.top()), QPointF(l - 1.8, box.top() + 2));
    p.drawLine(QPointF(l, box.top()), QPointF(l + 1.8, box.top() + 2));
    p.drawLine(QPointF(r, box.top()), QPointF(r, box.bottom()));
    p.drawLine(QPointF(r, box.bottom()), QPointF(r - 1.8, box.bottom() - 2));
    p.drawLine(QPointF(r, box.bottom()), QPointF(r + 1.8, box.bottom() - 2));
}

// Bottom-right badge: a padlock when encrypted, an open dot when not.
void DrawBadge(QPainter& p, const Palette& c, bool secure)
{
    if (secure) {
        p.setPen(QPen(c.secure.darker(140), 1));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(10.3, 8.3, 3.4, 4), 0, 180 * 16);
        p.setBrush(c.secure);
        p.drawRoundedRect(QRectF(9.5, 10.5, 5, 4.5), 0.8, 0.8);
    } else {
        p.setPen(QPen(c.plain.darker(140), 0.8));
        p.setBrush(c.plain);
        p.drawEllipse(QPointF(12.5, 12.5), 2.4, 2.4);
    }
}

void DrawSlot(QPainter& p, int slot, const Palette& c)
{
    using B = SessionTreeBase;
    switch (slot) {
    case B::kImageOpenFolder: DrawFolder(p, c, true); break;
    case B::kImageFolder: DrawFolder(p, c, false); break;
    case B::kImageSession: DrawServer(p, c); break;
    case B::kImagePairPlain:
    case B::kImagePairSecure:
        DrawMonitor(p, c, QRectF(0.5, 1.5, 9, 7));
        DrawArrows(p, c.transfer, QRectF(9, 1, 6, 7));
        DrawBadge(p, c, slot == B::kImagePairSecure);
        break;
    case B::kImageTerminalPlain:
    case B::kImageTerminalSecure:
        DrawMonitor(p, c);
        DrawPrompt(p, c, QPointF(3.5, 4));
        DrawBadge(p, c, slot == B::kImageTerminalSecure);
        break;
    case B::kImageTransferPlain:
    case B::kImageTransferSecure:
        p.setPen(QPen(c.transfer.darker(130), 0.8));
        p.setBrush(c.transfer.lighter(170));
        p.drawRoundedRect(QRectF(1.5, 1.5, 10, 11), 1.5, 1.5);
        DrawArrows(p, c.transfer, QRectF(2, 3, 9, 8));
        DrawBadge(p, c, slot == B::kImageTransferSecure);
        break;
    case B::kImageRemoteDesktop:
        DrawMonitor(p, c, QRectF(1.5, 2.5, 13, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(c.desk);
        p.drawRect(QRectF(3, 4, 10, 6));
        p.setBrush(QColor(0xF0, 0xF0, 0xF0));
        p.drawRect(QRectF(5, 5, 5, 3));
        break;
    case B::kImageModem:
        p.setPen(QPen(c.modem.darker(130), 0.8));
        p.setBrush(c.modem);
        p.drawRoundedRect(QRectF(1.5, 8.5, 13, 5), 1.5, 1.5);
        p.setPen(QPen(c.modem.darker(150), 1.1));
        p.drawLine(QPointF(12, 8.5), QPointF(14, 2));
        p.setPen(Qt::NoPen);
        p.setBrush(c.secure);
        for (double x : {4.0, 6.5, 9.0})
            p.drawEllipse(QPointF(x, 11), 0.8, 0.8);
        break;
    case B::kImageLocalShell:
        DrawMonitor(p, c, QRectF(1.5, 2.5, 13, 9));
        p.setPen(QPen(c.secure.lighter(150), 1));
        p.setFont([] {
            QFont font;
            font.setPixelSize(7);
            font.setBold(true);
            return font;
        }());
        p.drawText(QRectF(2.5, 3, 11, 8), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("$_"));
        break;
    default: break;
    }
}

QPixmap Drawn(int slot, int set, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    DrawSlot(p, slot, kPalettes[set]);
    return pixmap;
}

QIcon DrawnIcon(int slot, int set)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(Drawn(slot, set, size));
    return icon;
}

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

const QIcon& SessionIcons::Image(int index)
{
    static const QIcon none;
    if (index < 0 || index >= kCount)
        return none;
    std::optional<QIcon>& slot = Cache()[static_cast<size_t>(index)];
    if (!slot) {
        const int base = index % SessionTreeBase::kImagesPerSet;
        const int set = index / SessionTreeBase::kImagesPerSet;
        const char* theme = ThemeName(base);
        QIcon icon = theme ? QIcon::fromTheme(QLatin1String(theme)) : QIcon();
        slot = icon.isNull() ? DrawnIcon(base, set) : icon;
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
        if (!themed.isNull())
            return themed;
        QIcon drawn;
        for (int size : {16, 24, 32}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size / 16.0, size / 16.0);
            p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.6));
            p.drawEllipse(QRectF(2, 2, 8, 8));
            p.setPen(QPen(QColor(0x55, 0x55, 0x55), 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
            drawn.addPixmap(pixmap);
        }
        return drawn;
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
