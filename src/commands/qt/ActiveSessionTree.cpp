#include "commands/qt/ActiveSessionTree.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTimer>

#include "KeyTables.h"
#include "platform/qt/IconStatusArray.h"
#include "platform/qt/KeyTableMatch.h"
#include "platform/qt/QtStrings.h"

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kGroupRole = Qt::UserRole + 1;
constexpr int kNumberRole = Qt::UserRole + 2;

} // namespace

ActiveSessionTree::ActiveSessionTree(IActiveSessionManagerSink* sink, QWidget* parent)
    : QTreeWidget(parent), ActiveSessionTreeBase(sink), m_filterTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("activeSessionTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    setUniformRowHeights(true);
    m_filterTimer->setSingleShot(true);
    connect(m_filterTimer, &QTimer::timeout, this, [this] { OnFilterTimer(); });
    auto noteExpansion = [this](QTreeWidgetItem* item, bool expanded) {
        if (m_settingExpansion)
            return;
        if (const auto ref = RefOf(item); ref && ref->IsGroup())
            NoteGroupExpanded(ref->group, expanded);
    };
    connect(this, &QTreeWidget::itemExpanded, this, [noteExpansion](QTreeWidgetItem* item) { noteExpansion(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [noteExpansion](QTreeWidgetItem* item) { noteExpansion(item, false); });
}

ActiveSessionTree::~ActiveSessionTree()
{
    StopFilterTimer();
}

std::optional<ActiveSessionItemRef> ActiveSessionTree::RefOf(const QTreeWidgetItem* item)
{
    if (!item)
        return std::nullopt;
    return ActiveSessionItemRef{item->data(0, kKindRole).toInt(), item->data(0, kGroupRole).toInt(),
                                item->data(0, kNumberRole).toULongLong()};
}

QTreeWidgetItem* ActiveSessionTree::WidgetItem(const ActiveSessionItemRef& item) const
{
    for (int g = 0; g < topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = topLevelItem(g);
        if (group->data(0, kGroupRole).toInt() != item.group)
            continue;
        if (item.IsGroup())
            return group;
        for (int i = 0; i < group->childCount(); ++i)
            if (group->child(i)->data(0, kNumberRole).toULongLong() == item.number)
                return group->child(i);
    }
    return nullptr;
}

QPoint ActiveSessionTree::KeyboardMenuPoint() const
{
    QTreeWidgetItem* item = currentItem();
    if (!item || !item->isSelected())
        return viewport()->mapToGlobal(QPoint(4, 4));
    const QRect rect = visualItemRect(item);
    return viewport()->mapToGlobal(QPoint(rect.left() + 4, rect.bottom() + 4));
}

// --- Rows

void ActiveSessionTree::InsertGroupRow(size_t row, int group, const VUnicodeString& label)
{
    auto* item = new QTreeWidgetItem(QStringList(ToQString(label)));
    item->setData(0, kKindRole, ActiveSessionItemRef::kGroup);
    item->setData(0, kGroupRole, group);
    item->setData(0, kNumberRole, static_cast<qulonglong>(static_cast<unsigned>(group)));
    QFont bold = font();
    bold.setBold(true);
    item->setFont(0, bold);
    insertTopLevelItem(static_cast<int>(row), item);
}

void ActiveSessionTree::RemoveGroupRow(size_t row)
{
    delete takeTopLevelItem(static_cast<int>(row));
}

void ActiveSessionTree::InsertItemRow(size_t groupRow, size_t row, const ActiveSessionItemRef& ref,
                                      const VUnicodeString& name, int image)
{
    QTreeWidgetItem* group = topLevelItem(static_cast<int>(groupRow));
    if (!group)
        return;
    auto* item = new QTreeWidgetItem(QStringList(ToQString(name)));
    item->setData(0, kKindRole, ref.kind);
    item->setData(0, kGroupRole, ref.group);
    item->setData(0, kNumberRole, static_cast<qulonglong>(ref.number));
    item->setIcon(0, StatusIcon(image));
    group->insertChild(static_cast<int>(row), item);
}

void ActiveSessionTree::RemoveItemRow(size_t groupRow, size_t row)
{
    if (QTreeWidgetItem* group = topLevelItem(static_cast<int>(groupRow)))
        delete group->takeChild(static_cast<int>(row));
}

void ActiveSessionTree::SetItemRowText(size_t groupRow, size_t row, const VUnicodeString& name)
{
    if (QTreeWidgetItem* group = topLevelItem(static_cast<int>(groupRow)))
        if (QTreeWidgetItem* item = group->child(static_cast<int>(row)))
            item->setText(0, ToQString(name));
}

void ActiveSessionTree::SetItemRowImage(size_t groupRow, size_t row, int image)
{
    if (QTreeWidgetItem* group = topLevelItem(static_cast<int>(groupRow)))
        if (QTreeWidgetItem* item = group->child(static_cast<int>(row)))
            item->setIcon(0, StatusIcon(image));
}

void ActiveSessionTree::SetGroupRowExpanded(size_t groupRow, bool expand)
{
    if (QTreeWidgetItem* group = topLevelItem(static_cast<int>(groupRow))) {
        m_settingExpansion = true;
        group->setExpanded(expand);
        m_settingExpansion = false;
    }
}

void ActiveSessionTree::ClearRows()
{
    clear();
}

bool ActiveSessionTree::GetSelectedRow(size_t& groupRow, std::optional<size_t>& itemRow) const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return false;
    QTreeWidgetItem* item = selected.first();
    if (QTreeWidgetItem* parent = item->parent()) {
        groupRow = static_cast<size_t>(indexOfTopLevelItem(parent));
        itemRow = static_cast<size_t>(parent->indexOfChild(item));
    } else {
        groupRow = static_cast<size_t>(indexOfTopLevelItem(item));
        itemRow.reset();
    }
    return true;
}

void ActiveSessionTree::SelectRow(size_t groupRow, std::optional<size_t> itemRow)
{
    QTreeWidgetItem* item = topLevelItem(static_cast<int>(groupRow));
    if (item && itemRow)
        item = item->child(static_cast<int>(*itemRow));
    if (!item)
        return;
    setCurrentItem(item);
    scrollToItem(item);
}

void ActiveSessionTree::PostActivation()
{
    QMetaObject::invokeMethod(this, [this] { OnDeferredActivation(); }, Qt::QueuedConnection);
}

void ActiveSessionTree::StartTimer(int id, uint32_t milliseconds)
{
    if (id == kFilterTimerId)
        m_filterTimer->start(static_cast<int>(milliseconds));
}

void ActiveSessionTree::StopTimer(int id)
{
    if (id == kFilterTimerId)
        m_filterTimer->stop();
}

// --- Input

void ActiveSessionTree::keyPressEvent(QKeyEvent* event)
{
    const bool shiftF10 = event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier);
    if (event->key() == Qt::Key_Menu || shiftF10) {
        emit contextMenuRequested(KeyboardMenuPoint());
        return;
    }
    if (const unsigned command = CommandForKey(GetKeyTable(KeyTable::ActiveSessions), *event)) {
        emit commandRequested(command);
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void ActiveSessionTree::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        OnItemDoubleClicked(RefOf(itemAt(event->position().toPoint())));
}

void ActiveSessionTree::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Keyboard) {
        emit contextMenuRequested(KeyboardMenuPoint());
        return;
    }
    QTreeWidgetItem* item = itemAt(event->pos());
    if (item)
        setCurrentItem(item);
    else
        clearSelection();
    emit contextMenuRequested(event->globalPos());
}
