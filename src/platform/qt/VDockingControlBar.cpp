#include "platform/qt/VDockingControlBar.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>

#include "platform/SynchLock.h"

namespace {

// The private capture message, posted to the bar itself.
const QEvent::Type kCapturePlacementEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

constexpr int kDefaultWidth = 250;
constexpr int kDefaultHeight = 450;

Qt::DockWidgetArea AreaOfSide(int side)
{
    switch (side) {
    case 1: return Qt::RightDockWidgetArea;
    case 2: return Qt::TopDockWidgetArea;
    case 3: return Qt::BottomDockWidgetArea;
    default: return Qt::LeftDockWidgetArea;
    }
}

// The bar as the screen shows it: a bar in a tab group shares the group's
// place, which the visible member of the group holds.
QRect ScreenRectOf(const QDockWidget* bar)
{
    const QDockWidget* shown = bar;
    if (auto* frame = qobject_cast<QMainWindow*>(bar->parentWidget()); frame && !bar->isFloating())
        for (QDockWidget* member : frame->tabifiedDockWidgets(const_cast<QDockWidget*>(bar)))
            if (member->isVisible() && !member->visibleRegion().isEmpty())
                shown = member;
    return QRect(shown->mapToGlobal(QPoint(0, 0)), shown->size());
}

} // namespace

VDockingControlBar::VDockingControlBar(const QString& title, QWidget* parent) : QDockWidget(title, parent)
{
    // Each docking step the frame reports is one operation.
    const auto step = [this] {
        Operation operation(*this);
    };
    connect(this, &QDockWidget::topLevelChanged, this, step);
    connect(this, &QDockWidget::dockLocationChanged, this, step);
    connect(this, &QDockWidget::visibilityChanged, this, step);
}

VDockingControlBar::~VDockingControlBar() = default;

QMainWindow* VDockingControlBar::Frame() const
{
    return qobject_cast<QMainWindow*>(parentWidget());
}

void VDockingControlBar::BeginOperation()
{
    ++m_depth;
}

void VDockingControlBar::EndOperation()
{
    if (m_depth > 0)
        --m_depth;
    if (m_depth == 0 && !m_capturePending && !m_suppressCapture) {
        m_capturePending = true;
        QCoreApplication::postEvent(this, new QEvent(kCapturePlacementEvent));
    }
}

bool VDockingControlBar::event(QEvent* event)
{
    if (event->type() == kCapturePlacementEvent) {
        CapturePlacement();
        return true;
    }
    return QDockWidget::event(event);
}

void VDockingControlBar::CapturePlacement()
{
    m_capturePending = false;
    if (!isVisible() && isFloating())
        return;
    ++m_captures;
    m_placement = WorkOutPlacement();
    StorePlacement(m_placement);
}

DockPlacement VDockingControlBar::WorkOutPlacement() const
{
    DockPlacement placement;
    placement.valid = true;
    placement.docked = !isFloating() && Frame();
    placement.side = DockAlignmentOf(this);
    if (QMainWindow* frame = Frame()) {
        for (QDockWidget* other : frame->findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly))
            if (other != this && other->isVisible() && !other->isFloating() &&
                frame->dockWidgetArea(other) == frame->dockWidgetArea(const_cast<VDockingControlBar*>(this))) {
                placement.sibling = DockSiblingOf(this, placement.side, other);
                break;
            }
        placement.rect = placement.docked ? geometry() : frameGeometry();
    } else {
        placement.rect = frameGeometry();
    }
    return placement;
}

void VDockingControlBar::StorePlacement(const DockPlacement&) {}

void VDockingControlBar::DockInto(QMainWindow* frame)
{
    Operation operation(*this);
    const bool remembered = m_placement.valid && m_placement.rect.width() > 0 && m_placement.rect.height() > 0;
    const QSize size = remembered ? m_placement.rect.size() : QSize(kDefaultWidth, kDefaultHeight);
    if (remembered && !m_placement.docked) {
        setParent(frame);
        setFloating(true);
        setGeometry(m_placement.rect);
        return;
    }
    const Qt::DockWidgetArea area = AreaOfSide(remembered ? m_placement.side : 0);
    frame->addDockWidget(area, this);
    const Qt::Orientation along = area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea
                                      ? Qt::Horizontal
                                      : Qt::Vertical;
    frame->resizeDocks({this}, {along == Qt::Horizontal ? size.width() : size.height()}, along);
}

void VDockingControlBar::ShowBar(bool show, bool& visible)
{
    if (m_showing)
        return; // a show of this pane is still running
    m_showing = true;
    {
        Operation operation(*this);
        if (show) {
            if (QMainWindow* frame = Frame(); frame && !isFloating() && frame->dockWidgetArea(this) == Qt::NoDockWidgetArea)
                DockInto(frame);
            setVisible(true);
            raise(); // brings its tab forward in a tab group
            if (QWidget* focus = FocusTarget())
                focus->setFocus(Qt::OtherFocusReason);
        } else if (isVisible()) {
            setVisible(false);
        }
    }
    visible = isVisible();
    m_showing = false;
}

void VDockingControlBar::paintEvent(QPaintEvent* event)
{
    SynchLock lock; // the host's toolbar work never interleaves with this
    QDockWidget::paintEvent(event);
}

void VDockingControlBar::resizeEvent(QResizeEvent* event)
{
    {
        SynchLock lock;
        QDockWidget::resizeEvent(event);
    }
    if (m_tracking && !m_capturePending)
        StorePlacement(m_placement = WorkOutPlacement());
}

void VDockingControlBar::moveEvent(QMoveEvent* event)
{
    QDockWidget::moveEvent(event);
    if (m_tracking && !isFloating() && !m_capturePending)
        StorePlacement(m_placement = WorkOutPlacement());
}

void VDockingControlBar::hideEvent(QHideEvent* event)
{
    RecordStateBeforeHide();
    QDockWidget::hideEvent(event);
}

int DockAlignmentOf(const QWidget* bar)
{
    const auto* dock = qobject_cast<const QDockWidget*>(bar);
    if (!dock)
        return 0;
    auto* frame = qobject_cast<QMainWindow*>(dock->parentWidget());
    if (!frame)
        return 0;
    switch (frame->dockWidgetArea(const_cast<QDockWidget*>(dock))) {
    case Qt::LeftDockWidgetArea: return 0;
    case Qt::RightDockWidgetArea: return 1;
    case Qt::TopDockWidgetArea: return 2;
    case Qt::BottomDockWidgetArea: return 3;
    default: return 0;
    }
}

int DockSiblingOf(const QWidget* bar, int side, const QWidget* other)
{
    const auto* dock = qobject_cast<const QDockWidget*>(bar);
    if (!bar || !other || !other->isVisible())
        return 0;
    const QRect a = dock ? ScreenRectOf(dock) : QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    const QRect b(other->mapToGlobal(QPoint(0, 0)), other->size());
    if (a.top() == b.top() && a.bottom() == b.bottom())
        return a.left() < b.left() ? 2 : 3;
    switch (side) {
    case 0: return a.left() < b.left() ? 1 : 0;
    case 1: return a.right() > b.right() ? 1 : 0;
    case 3: return a.top() > b.top() ? 1 : 0;
    default: return 0;
    }
}
