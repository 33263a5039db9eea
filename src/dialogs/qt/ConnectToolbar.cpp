#include "dialogs/qt/ConnectToolbar.h"

#include <QAction>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include "CommandIds.h"
#include "platform/SynchLock.h"
#include "sessiontree/SessionTreeBase.h"
#include "sessiontree/qt/SessionIcons.h"

namespace {

struct ButtonInfo {
    unsigned command;
    const char* tooltip;
    const char* label;
    const char* theme;
};

// In the toolbar's order.
constexpr ButtonInfo kButtons[] = {
    {kCmdConnect, "Connect to the selected sessions", "Connect", "network-connect"},
    {kCmdConnectInTab, "Connect to the selected sessions in a tab", "Connect in Tab", nullptr},
    {kCmdQuickConnect, "Connect to a host without a saved session", "Quick Connect", nullptr},
    {kCmdNewSession, "Create a new session", "New Session", nullptr},
    {kCmdCut, "Cut the selection", "Cut", "edit-cut"},
    {kCmdCopy, "Copy the selection", "Copy", "edit-copy"},
    {kCmdPaste, "Paste", "Paste", "edit-paste"},
    {kCmdDelete, "Delete the selection", "Delete", "edit-delete"},
    {kCmdProperties, "Edit the session's properties", "Properties", "document-properties"},
    {kCmdFind, "Find a session", "Find", "edit-find"},
    {kCmdNewFolder, "Create a new folder", "New Folder", "folder-new"},
    {kCmdCreateDesktopShortcut, "Create a desktop shortcut", "Create Desktop Shortcut", nullptr},
    {kCmdHelp, "Help", "Help", "help-contents"},
};

// The picture of a button that the desktop theme does not supply, on a
// 16 by 16 grid.
void DrawGlyph(QPainter& p, unsigned command)
{
    const QColor ink(0x30, 0x40, 0x55);
    const QColor go(0x2F, 0x9E, 0x44);
    p.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (command) {
    case kCmdConnect:
    case kCmdConnectInTab: {
        if (command == kCmdConnectInTab)
            p.drawRect(QRectF(1.5, 3.5, 13, 10));
        QPainterPath arrow;
        arrow.moveTo(5, 4);
        arrow.lineTo(12, 8);
        arrow.lineTo(5, 12);
        arrow.closeSubpath();
        p.setBrush(go);
        p.drawPath(arrow);
        break;
    }
    case kCmdQuickConnect: {
        QPainterPath bolt;
        bolt.moveTo(9, 1);
        bolt.lineTo(4, 9);
        bolt.lineTo(8, 9);
        bolt.lineTo(6, 15);
        bolt.lineTo(12, 6);
        bolt.lineTo(8, 6);
        bolt.closeSubpath();
        p.setBrush(QColor(0xF2, 0xC1, 0x4E));
        p.drawPath(bolt);
        break;
    }
    case kCmdNewSession:
        SessionIcons::Image(SessionTreeBase::kImageSession).paint(&p, QRect(0, 0, 14, 14));
        p.setPen(QPen(go, 2));
        p.drawLine(QPointF(12, 9), QPointF(12, 15));
        p.drawLine(QPointF(9, 12), QPointF(15, 12));
        break;
    case kCmdNewFolder:
        SessionIcons::Image(SessionTreeBase::kImageFolder).paint(&p, QRect(0, 0, 14, 14));
        p.setPen(QPen(go, 2));
        p.drawLine(QPointF(12, 9), QPointF(12, 15));
        p.drawLine(QPointF(9, 12), QPointF(15, 12));
        break;
    case kCmdCut:
        p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
        p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
        p.drawLine(QPointF(6, 10), QPointF(11, 1.5));
        p.drawLine(QPointF(10, 10), QPointF(5, 1.5));
        break;
    case kCmdCopy:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 8, 10));
        p.drawRect(QRectF(6.5, 4.5, 8, 10));
        break;
    case kCmdPaste:
        p.setBrush(QColor(0xC8, 0xA0, 0x6A));
        p.drawRoundedRect(QRectF(2.5, 2.5, 11, 12.5), 1, 1);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 1, 6, 3));
        p.drawRect(QRectF(5, 6, 6, 7));
        break;
    case kCmdDelete:
        p.setPen(QPen(QColor(0xC6, 0x28, 0x28), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case kCmdProperties:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 1.5, 11, 13));
        for (double y : {5.0, 8.0, 11.0})
            p.drawLine(QPointF(5, y), QPointF(11, y));
        break;
    case kCmdFind:
        SessionIcons::FilterIcon().paint(&p, QRect(0, 0, 16, 16));
        break;
    case kCmdCreateDesktopShortcut:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 11), QPointF(11, 5));
        p.drawLine(QPointF(7, 5), QPointF(11, 5));
        p.drawLine(QPointF(11, 5), QPointF(11, 9));
        break;
    case kCmdHelp: {
        p.setBrush(QColor(0x2A, 0x7A, 0xD0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        QFont font;
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default: break;
    }
}

// Three sizes, so the toolbar is sharp at every display scale.
QIcon ButtonIcon(const ButtonInfo& info)
{
    if (info.theme) {
        const QIcon themed = QIcon::fromTheme(QLatin1String(info.theme));
        if (!themed.isNull())
            return themed;
    }
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        DrawGlyph(p, info.command);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

ConnectToolbar::ConnectToolbar(QWidget* parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("connectToolbar"));
    setIconSize(QSize(16, 16));
    setMovable(false);
    setFloatable(false);
    for (const ButtonInfo& info : kButtons) {
        QAction* action = addAction(ButtonIcon(info), tr(info.label));
        action->setToolTip(tr(info.tooltip));
        action->setData(info.command);
        const unsigned command = info.command;
        connect(action, &QAction::triggered, this, [this, command] { emit commandTriggered(command); });
    }
}

QAction* ConnectToolbar::Button(unsigned command) const
{
    for (QAction* action : actions())
        if (action->data().toUInt() == command)
            return action;
    return nullptr;
}

void ConnectToolbar::RemoveButton(unsigned command)
{
    if (QAction* action = Button(command)) {
        removeAction(action);
        action->deleteLater();
    }
}

std::vector<unsigned> ConnectToolbar::Commands() const
{
    std::vector<unsigned> commands;
    for (QAction* action : actions())
        commands.push_back(action->data().toUInt());
    return commands;
}

void ConnectToolbar::EnableButton(unsigned command, bool enable)
{
    if (QAction* action = Button(command))
        action->setEnabled(enable);
}

int ConnectToolbar::ButtonsWidth() const
{
    int width = 2 * contentsMargins().left();
    for (QAction* action : actions())
        if (QWidget* button = widgetForAction(action))
            width += button->sizeHint().width() + layout()->spacing();
    return width;
}

// The host's own toolbar work shares the lock with these.
void ConnectToolbar::paintEvent(QPaintEvent* event)
{
    SynchLock lock;
    QToolBar::paintEvent(event);
}

void ConnectToolbar::resizeEvent(QResizeEvent* event)
{
    SynchLock lock;
    QToolBar::resizeEvent(event);
}
