#include "platform/qt/VDockingControlBar.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMouseEvent>

#include "platform/GlobalConfig.h"
#include "platform/SynchLock.h"
#include "platform/qt/QtStrings.h"

namespace {

// The bar's private messages, as the user message base plus these.
constexpr QEvent::Type kCapturePlacementEvent = static_cast<QEvent::Type>(QEvent::User + 49);
constexpr QEvent::Type kRecalcEvent = static_cast<QEvent::Type>(QEvent::User + 50);
constexpr QEvent::Type kFocusEvent = static_cast<QEvent::Type>(QEvent::User + 51);
// Lowers the operation depth once the step that raised it has run.
constexpr QEvent::Type kEndOperationEvent = static_cast<QEvent::Type>(QEvent::User + 52);

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

bool IsLeftButton(const QEvent* event)
{
    return static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
}

QRect RectOf(int32_t left, int32_t top, int32_t width, int32_t height)
{
    return QRect(left, top, width, height);
}

} // namespace

PanePlacementRecord DockPlacement::ToRecord() const
{
    PanePlacementRecord record;
    record.state = !valid ? PanePlacementRecord::kNone
                          : (docked ? PanePlacementRecord::kDocked : PanePlacementRecord::kFloating);
    record.side = side;
    record.sibling = sibling;
    record.left = rect.x();
    record.top = rect.y();
    record.width = rect.width();
    record.height = rect.height();
    record.floatLeft = floatingRect.x();
    record.floatTop = floatingRect.y();
    record.floatWidth = floatingRect.width();
    record.floatHeight = floatingRect.height();
    record.visible = visible ? 1 : 0;
    for (const QString& name : tabGroup)
        record.tabGroup.Add(ToVString(name));
    return record;
}

DockPlacement DockPlacement::FromRecord(const PanePlacementRecord& record)
{
    DockPlacement placement;
    placement.valid = record.state == PanePlacementRecord::kDocked || record.state == PanePlacementRecord::kFloating;
    placement.docked = record.state == PanePlacementRecord::kDocked;
    placement.side = record.side >= 0 && record.side <= 3 ? record.side : 0;
    placement.sibling = record.sibling;
    placement.rect = RectOf(record.left, record.top, record.width, record.height);
    placement.floatingRect = RectOf(record.floatLeft, record.floatTop, record.floatWidth, record.floatHeight);
    placement.visible = record.visible != 0;
    for (const VUnicodeString& name : record.tabGroup)
        placement.tabGroup << ToQString(name);
    return placement;
}

VDockingControlBar::VDockingControlBar(const QString& title, QWidget* parent) : QDockWidget(title, parent)
{
    installEventFilter(this);
    WatchWindows();
}

VDockingControlBar::~VDockingControlBar() = default;

QString VDockingControlBar::PaneName(unsigned paneId)
{
    return QStringLiteral("pane%1").arg(paneId);
}

void VDockingControlBar::SetPaneId(unsigned paneId)
{
    setObjectName(PaneName(paneId));
    LoadPlacement();
}

bool VDockingControlBar::LoadPlacement()
{
    GlobalConfig* config = nullptr;
    if (objectName().isEmpty() || !GetGlobalConfig(&config) || !config)
        return false;
    const auto it = config->panePlacements.find(ToVString(objectName()));
    if (it == config->panePlacements.end())
        return false;
    m_placement = DockPlacement::FromRecord(it->second);
    return m_placement.valid;
}

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

void VDockingControlBar::OperationAroundEvent()
{
    BeginOperation();
    QCoreApplication::postEvent(this, new QEvent(kEndOperationEvent));
}

// The bar's floating window, when the frame groups floating bars in one,
// and the frame, whose splitters resize the bar.
void VDockingControlBar::WatchWindows()
{
    QWidget* parent = parentWidget();
    QWidget* frame = qobject_cast<QMainWindow*>(parent);
    QWidget* floating = parent && !frame ? parent : nullptr;
    if (m_watchedWindow != floating) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = floating;
        if (floating)
            floating->installEventFilter(this);
    }
    if (frame && m_watchedFrame != frame) {
        if (m_watchedFrame)
            m_watchedFrame->removeEventFilter(this);
        m_watchedFrame = frame;
        frame->installEventFilter(this);
    }
}

bool VDockingControlBar::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_watchedFrame && watched != this) {
        // A press that no child took is on a splitter or the frame's edge:
        // the resize it starts is one operation, up to the release.
        if (type == QEvent::MouseButtonPress && IsLeftButton(event) && !m_frameDragging) {
            m_frameDragging = true;
            BeginOperation();
        } else if (type == QEvent::MouseButtonRelease && m_frameDragging && IsLeftButton(event)) {
            m_frameDragging = false;
            QCoreApplication::postEvent(this, new QEvent(kEndOperationEvent));
        }
        return false;
    }
    if (watched != this && watched != m_watchedWindow)
        return false;
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        // A drag of the bar (or of its floating window) by its title: every
        // step it takes, undocking, hovering, docking, is one operation.
        if (IsLeftButton(event) && !m_dragging) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (watched != this || !widget() || !widget()->geometry().contains(at)) {
                m_dragging = true;
                BeginOperation();
            }
        }
        break;
    case QEvent::MouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonRelease:
        if (m_dragging && IsLeftButton(event)) {
            m_dragging = false;
            // Lowered after the release has docked the bar.
            QCoreApplication::postEvent(this, new QEvent(kEndOperationEvent));
        }
        break;
    case QEvent::HideToParent:
        if (watched == this)
            RecordStateBeforeHide();
        OperationAroundEvent();
        break;
    case QEvent::ParentChange:
        if (watched == this)
            WatchWindows();
        OperationAroundEvent();
        break;
    case QEvent::WindowTitleChange:
        if (watched == this && Frame() && !Frame()->tabifiedDockWidgets(this).isEmpty())
            QCoreApplication::postEvent(this, new QEvent(kRecalcEvent));
        break;
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WinIdChange: OperationAroundEvent(); break;
    default: break;
    }
    return false;
}

bool VDockingControlBar::event(QEvent* event)
{
    switch (static_cast<int>(event->type())) {
    case kCapturePlacementEvent: CapturePlacement(); return true;
    case kEndOperationEvent:
        // A drag whose release went elsewhere (a popup took the mouse)
        // must not hold the operation open for good.
        if ((m_dragging || m_frameDragging) && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
            if (m_dragging)
                EndOperation();
            if (m_frameDragging)
                EndOperation();
            m_dragging = m_frameDragging = false;
        }
        EndOperation();
        return true;
    case kRecalcEvent:
        if (QMainWindow* frame = Frame(); frame && frame->layout()) {
            frame->layout()->invalidate();
            frame->layout()->activate();
        }
        return true;
    case kFocusEvent:
        if (isVisible())
            if (QWidget* target = FocusTarget())
                target->setFocus(Qt::OtherFocusReason);
        return true;
    default: break;
    }
    return QDockWidget::event(event);
}

QWidget* VDockingControlBar::FocusTarget() const
{
    return widget();
}

void VDockingControlBar::RecordStateBeforeHide() {}

void VDockingControlBar::CapturePlacement()
{
    m_capturePending = false;
    QMainWindow* frame = Frame();
    // Until the frame is on the screen its layout has not placed the bar.
    if (!frame || !frame->isVisible())
        return;
    if (isHidden() && isFloating()) {
        // Only a bar shown or docked is placed; a closed floating bar keeps
        // its place and notes that it is hidden.
        if (m_placement.valid && m_placement.visible) {
            m_placement.visible = false;
            StorePlacement(m_placement);
        }
        return;
    }
    const bool wasTabbed = !m_placement.tabGroup.isEmpty();
    ++m_captures;
    m_placement = WorkOutPlacement();
    StorePlacement(m_placement);
    // Moved into a tab group and shown: it takes the focus.
    if (!wasTabbed && !m_placement.tabGroup.isEmpty() && isVisible())
        QCoreApplication::postEvent(this, new QEvent(kFocusEvent));
}

DockPlacement VDockingControlBar::WorkOutPlacement() const
{
    DockPlacement placement = m_placement;
    placement.valid = true;
    placement.docked = !isFloating() && Frame();
    placement.side = DockAlignmentOf(this);
    placement.visible = !isHidden();
    placement.sibling = 0;
    placement.tabGroup.clear();
    if (QMainWindow* frame = Frame(); frame && placement.docked) {
        auto* self = const_cast<VDockingControlBar*>(this);
        const Qt::DockWidgetArea area = frame->dockWidgetArea(self);
        const QList<QDockWidget*> tabbed = frame->tabifiedDockWidgets(self);
        for (QDockWidget* other : frame->findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly))
            if (other != this && other->isVisible() && !other->isFloating() && !tabbed.contains(other) &&
                frame->dockWidgetArea(other) == area) {
                placement.sibling = DockSiblingOf(this, placement.side, other);
                break;
            }
        for (QDockWidget* other : tabbed)
            if (!other->objectName().isEmpty())
                placement.tabGroup << other->objectName();
        placement.rect = geometry();
    } else if (isFloating()) {
        placement.floatingRect = geometry();
    }
    return placement;
}

void VDockingControlBar::StorePlacement(const DockPlacement& placement)
{
    GlobalConfig* config = nullptr;
    if (objectName().isEmpty() || !GetGlobalConfig(&config) || !config)
        return;
    PanePlacementRecord record = placement.ToRecord();
    PanePlacementRecord& stored = config->panePlacements[ToVString(objectName())];
    if (stored == record)
        return;
    stored = std::move(record);
    config->Save();
}

void VDockingControlBar::DockInto(QMainWindow* frame)
{
    Operation operation(*this);
    if (!m_placement.valid)
        LoadPlacement();
    const DockPlacement placement = m_placement;
    if (placement.valid && placement.docked)
        for (const QString& name : placement.tabGroup) {
            auto* other = frame->findChild<QDockWidget*>(name, Qt::FindDirectChildrenOnly);
            if (other && other != this && !other->isFloating() &&
                frame->dockWidgetArea(other) != Qt::NoDockWidgetArea) {
                frame->tabifyDockWidget(other, this);
                return;
            }
        }
    const Qt::DockWidgetArea area = AreaOfSide(placement.valid ? placement.side : 0);
    if (placement.valid && !placement.docked && placement.floatingRect.isValid()) {
        frame->addDockWidget(area, this);
        setFloating(true);
        setGeometry(placement.floatingRect);
        return;
    }
    QDockWidget* neighbour = nullptr;
    if (placement.valid && (placement.sibling == 2 || placement.sibling == 3))
        for (QDockWidget* other : frame->findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly))
            if (other != this && !other->isHidden() && !other->isFloating() && frame->dockWidgetArea(other) == area)
                neighbour = other;
    if (neighbour && placement.sibling == 3) {
        frame->splitDockWidget(neighbour, this, Qt::Horizontal); // same row, to its right
    } else {
        frame->addDockWidget(area, this);
        if (neighbour) // same row, to its left
            frame->splitDockWidget(this, neighbour, Qt::Horizontal);
    }
    const bool remembered = placement.valid && placement.rect.width() > 0 && placement.rect.height() > 0;
    const QSize size = remembered ? placement.rect.size() : QSize(kDefaultWidth, kDefaultHeight);
    if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
        frame->resizeDocks({this}, {size.width()}, Qt::Horizontal);
    else
        frame->resizeDocks({this}, {size.height()}, Qt::Vertical);
}

bool VDockingControlBar::IsShownInFrame() const
{
    return !isHidden();
}

void VDockingControlBar::ShowBar(bool show, bool& visible)
{
    if (m_showing)
        return; // a show of this pane is still running
    m_showing = true;
    {
        Operation operation(*this);
        if (show) {
            if (QMainWindow* frame = Frame();
                frame && !isFloating() && frame->dockWidgetArea(this) == Qt::NoDockWidgetArea)
                DockInto(frame);
            setVisible(true);
            raise(); // brings its tab forward in a tab group
            if (isFloating())
                activateWindow();
            if (QWidget* target = FocusTarget())
                target->setFocus(Qt::OtherFocusReason);
        } else if (!isHidden()) {
            setVisible(false);
        }
    }
    visible = IsShownInFrame();
    m_showing = false;
}

void VDockingControlBar::paintEvent(QPaintEvent* event)
{
    SynchLock lock; // the host's toolbar work never interleaves with this
    QDockWidget::paintEvent(event);
}

// With placement tracking, a size or position the user gives the bar
// outside any docking operation is kept at once.
void VDockingControlBar::TrackPlacement()
{
    if (!m_tracking || m_capturePending || m_depth > 1)
        return;
    if (QMainWindow* frame = Frame(); !frame || !frame->isVisible())
        return;
    m_placement = WorkOutPlacement();
    StorePlacement(m_placement);
}

void VDockingControlBar::resizeEvent(QResizeEvent* event)
{
    {
        SynchLock lock;
        QDockWidget::resizeEvent(event);
    }
    TrackPlacement();
}

void VDockingControlBar::moveEvent(QMoveEvent* event)
{
    QDockWidget::moveEvent(event);
    if (!isFloating())
        TrackPlacement();
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
