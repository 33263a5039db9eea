#include "commands/qt/CommandToolbar.h"

#include <QAction>
#include <QPainter>
#include <QPainterPath>

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
    {kCmdSendCommand, "Send Command", "Send", nullptr},
    {kCmdSendToAll, "Send to All", "Send to All", nullptr},
    {kCmdSendToSelectedTabGroups, "Send to Selected Tab Groups", "Send to Selected Tab Groups", nullptr},
    {kCmdSendToVisibleSessions, "Send to Visible Sessions", "Send to Visible Sessions", nullptr},
    {kCmdNewCommand, "New Command", "New Command", nullptr},
    {kCmdCommandNewFolder, "New Folder", "New Folder", "folder-new"},
    {kCmdCommandCut, "Cut", "Cut", "edit-cut"},
    {kCmdCommandCopy, "Copy", "Copy", "edit-copy"},
    {kCmdCommandPaste, "Paste", "Paste", "edit-paste"},
    {kCmdCommandDelete, "Delete", "Delete", "edit-delete"},
    {kCmdCommandProperties, "Properties", "Properties", "document-properties"},
};

// An arrow leaving toward sessions: one for the active session, a stack of
// them for the others.
void DrawSend(QPainter& p, int copies)
{
    const QColor go(0x2F, 0x9E, 0x44);
    p.setPen(QPen(QColor(0x30, 0x40, 0x55), 1));
    for (int i = copies - 1; i >= 0; --i) {
        p.setBrush(i == 0 ? go : go.lighter(140));
        QPainterPath arrow;
        const double dx = 2.0 * i;
        const double dy = -2.0 * i;
        arrow.moveTo(2 + dx, 6 + dy);
        arrow.lineTo(8 + dx, 6 + dy);
        arrow.lineTo(8 + dx, 3 + dy);
        arrow.lineTo(13 + dx, 8.5 + dy);
        arrow.lineTo(8 + dx, 14 + dy);
        arrow.lineTo(8 + dx, 11 + dy);
        arrow.lineTo(2 + dx, 11 + dy);
        arrow.closeSubpath();
        p.drawPath(arrow);
    }
}

void DrawGlyph(QPainter& p, unsigned command)
{
    const QColor ink(0x30, 0x40, 0x55);
    const QColor go(0x2F, 0x9E, 0x44);
    p.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (command) {
    case kCmdSendCommand: DrawSend(p, 1); break;
    case kCmdSendToAll: DrawSend(p, 3); break;
    case kCmdSendToSelectedTabGroups:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(1.5, 4.5), QPointF(14.5, 4.5));
        p.translate(1, 2);
        p.scale(0.8, 0.8);
        DrawSend(p, 1);
        break;
    case kCmdSendToVisibleSessions:
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1, 4, 14, 8));
        p.setBrush(go);
        p.drawEllipse(QRectF(5.5, 5.5, 5, 5));
        break;
    case kCmdNewCommand:
    case kCmdCommandNewFolder:
        SessionIcons::Image(command == kCmdNewCommand ? SessionTreeBase::kImageSession : SessionTreeBase::kImageFolder)
            .paint(&p, QRect(0, 0, 14, 14));
        p.setPen(QPen(go, 2));
        p.drawLine(QPointF(12, 9), QPointF(12, 15));
        p.drawLine(QPointF(9, 12), QPointF(15, 12));
        break;
    case kCmdCommandCut:
        p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
        p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
        p.drawLine(QPointF(6, 10), QPointF(11, 1.5));
        p.drawLine(QPointF(10, 10), QPointF(5, 1.5));
        break;
    case kCmdCommandCopy:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 8, 10));
        p.drawRect(QRectF(6.5, 4.5, 8, 10));
        break;
    case kCmdCommandPaste:
        p.setBrush(QColor(0xC8, 0xA0, 0x6A));
        p.drawRoundedRect(QRectF(2.5, 2.5, 11, 12.5), 1, 1);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5, 1, 6, 3));
        p.drawRect(QRectF(5, 6, 6, 7));
        break;
    case kCmdCommandDelete:
        p.setPen(QPen(QColor(0xC6, 0x28, 0x28), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case kCmdCommandProperties:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 1.5, 11, 13));
        for (double y : {5.0, 8.0, 11.0})
            p.drawLine(QPointF(5, y), QPointF(11, y));
        break;
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

CommandToolbar::CommandToolbar(QWidget* parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("commandToolbar"));
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

QAction* CommandToolbar::Button(unsigned command) const
{
    for (QAction* action : actions())
        if (action->data().toUInt() == command)
            return action;
    return nullptr;
}

std::vector<unsigned> CommandToolbar::Commands() const
{
    std::vector<unsigned> commands;
    for (QAction* action : actions())
        commands.push_back(action->data().toUInt());
    return commands;
}

void CommandToolbar::EnableButton(unsigned command, bool enable)
{
    if (QAction* action = Button(command))
        action->setEnabled(enable);
}

// The host's own toolbar work shares the lock with these.
void CommandToolbar::paintEvent(QPaintEvent* event)
{
    SynchLock lock;
    QToolBar::paintEvent(event);
}

void CommandToolbar::resizeEvent(QResizeEvent* event)
{
    SynchLock lock;
    QToolBar::resizeEvent(event);
}
