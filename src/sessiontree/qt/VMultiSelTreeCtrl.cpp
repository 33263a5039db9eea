#include "sessiontree/qt/VMultiSelTreeCtrl.h"

#include <algorithm>

#include <QApplication>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>

namespace {

// Rows from the top of the model down to the index: orders indexes as the
// tree shows them.
std::vector<int> RowPath(QModelIndex index)
{
    std::vector<int> rows;
    for (; index.isValid(); index = index.parent())
        rows.push_back(index.row());
    std::reverse(rows.begin(), rows.end());
    return rows;
}

} // namespace

VMultiSelTreeCtrl::VMultiSelTreeCtrl(QWidget* parent) : QTreeView(parent), m_clickTimer(new QTimer(this))
{
    m_clickTimer->setSingleShot(true);
    connect(m_clickTimer, &QTimer::timeout, this, [this] {
        const QModelIndex index = m_clickedSelected;
        m_clickedSelected = QPersistentModelIndex();
        if (index.isValid() && selectionModel()->isSelected(index))
            ClickedSelectedItem(index);
    });
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setUniformRowHeights(true);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setAutoScroll(false);
    setAllColumnsShowFocus(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

std::vector<QModelIndex> VMultiSelTreeCtrl::SelectedInTreeOrder() const
{
    std::vector<std::pair<std::vector<int>, QModelIndex>> keyed;
    if (!selectionModel())
        return {};
    for (const QModelIndex& index : selectionModel()->selectedRows())
        keyed.emplace_back(RowPath(index), index);
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<QModelIndex> ordered;
    ordered.reserve(keyed.size());
    for (auto& [path, index] : keyed)
        ordered.push_back(index);
    return ordered;
}

void VMultiSelTreeCtrl::mousePressEvent(QMouseEvent* event)
{
    m_pressPos = event->position().toPoint();
    m_pressButton = event->button();
    m_clickTimer->stop();
    const QModelIndex index = indexAt(m_pressPos);
    m_pressOnSelection = index.isValid() && selectionModel()->isSelected(index);
    m_pressOnSoleSelection = m_pressOnSelection && selectionModel()->selectedRows().size() == 1;
    if (event->button() == Qt::RightButton) {
        // A right click on an unselected item makes it the selection; on
        // a selected one it keeps the selection for a drag or a menu.
        if (index.isValid() && !m_pressOnSelection) {
            setCurrentIndex(index);
            m_pressOnSelection = true;
        }
        m_menuHeld = false;
        event->accept();
        return;
    }
    // Pressing on the selection (not on its expand arrow) may start a drag
    // of all of it: the click selects only the item when the button comes up.
    if (event->button() == Qt::LeftButton && m_pressOnSelection && m_pressPos.x() >= visualRect(index).left() &&
        !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
        setFocus(Qt::MouseFocusReason);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
    // An item the press selected can be dragged at once.
    m_pressOnSelection =
        index.isValid() && selectionModel()->isSelected(index) && m_pressPos.x() >= visualRect(index).left();
}

void VMultiSelTreeCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const Qt::MouseButton held = event->buttons() & Qt::RightButton ? Qt::RightButton
                                 : event->buttons() & Qt::LeftButton ? Qt::LeftButton
                                                                      : Qt::NoButton;
    if (held != Qt::NoButton && held == m_pressButton && m_pressOnSelection &&
        (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_pressButton = Qt::NoButton;
        m_menuHeld = false;
        StartSelectionDrag(held == Qt::RightButton);
        return;
    }
    if (held == Qt::RightButton)
        return;
    QTreeView::mouseMoveEvent(event);
}

void VMultiSelTreeCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    const Qt::MouseButton pressed = m_pressButton;
    m_pressButton = Qt::NoButton;
    if (event->button() == Qt::RightButton) {
        if (pressed == Qt::RightButton)
            ShowContextMenuAt(event->globalPosition().toPoint(), false);
        m_menuHeld = false;
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && pressed == Qt::LeftButton && m_pressOnSelection &&
        m_pressPos.x() >= visualRect(indexAt(m_pressPos)).left() && !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
        if (index.isValid() && m_pressOnSoleSelection && index == indexAt(m_pressPos)) {
            m_clickedSelected = index;
            m_clickTimer->start(QApplication::doubleClickInterval());
        }
        event->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

void VMultiSelTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    CancelPendingClick(); // a double click opens, it does not rename
    QTreeView::mouseDoubleClickEvent(event);
}

void VMultiSelTreeCtrl::CancelPendingClick()
{
    m_clickTimer->stop();
    m_clickedSelected = QPersistentModelIndex();
}

void VMultiSelTreeCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Mouse) {
        // Shown when the right button comes up, unless a drag began.
        m_menuHeld = true;
        event->accept();
        return;
    }
    ShowContextMenuAt(KeyboardMenuPoint(), true);
    event->accept();
}

void VMultiSelTreeCtrl::keyPressEvent(QKeyEvent* event)
{
    const bool menuKey = event->key() == Qt::Key_Menu ||
                         (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (menuKey) {
        ShowContextMenuAt(KeyboardMenuPoint(), true);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

QPoint VMultiSelTreeCtrl::KeyboardMenuPoint() const
{
    const std::vector<QModelIndex> selected = SelectedInTreeOrder();
    QModelIndex index = selected.empty() ? model()->index(0, 0) : selected.front();
    QRect rect = visualRect(index);
    // The text part of the row: after the icon.
    const int icon = iconSize().isValid() ? iconSize().width() : style()->pixelMetric(QStyle::PM_SmallIconSize);
    rect.setLeft(rect.left() + icon + 4);
    return viewport()->mapToGlobal(QPoint(rect.left() + 4, rect.bottom() + 4));
}
