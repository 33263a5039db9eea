#include "commands/qt/CommandTree.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "CommandIds.h"
#include "KeyTables.h"
#include "platform/KeyState.h"
#include "platform/qt/KeyTableMatch.h"
#include "platform/qt/QtStrings.h"
#include "sessiontree/qt/SessionIcons.h"

namespace {

constexpr int kEdgeScrollIntervalMs = 100;

std::span<const uint8_t> BytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())};
}

Qt::DropAction ActionOf(unsigned effect)
{
    return effect == ITreeOleDropTargetSink::kEffectCopy ? Qt::CopyAction : Qt::MoveAction;
}

unsigned ModifiersOf(Qt::KeyboardModifiers held)
{
    unsigned keys = 0;
    if (held & Qt::ShiftModifier)
        keys |= kKeyShift;
    if (held & Qt::ControlModifier)
        keys |= kKeyControl;
    if (held & Qt::AltModifier)
        keys |= kKeyAlt;
    return keys;
}

QString DragButtonMimeType()
{
    return QStringLiteral("application/x-orvalis-drag-button");
}

// A command: a prompt on a small screen, in three sizes.
const QIcon& CommandIcon()
{
    static const QIcon icon = [] {
        QIcon made;
        for (int size : {16, 24, 32}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(size / 16.0, size / 16.0);
            p.setPen(QPen(QColor(0x30, 0x40, 0x55), 1));
            p.setBrush(QColor(0x26, 0x32, 0x38));
            p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 1.5, 1.5);
            p.setPen(QPen(QColor(0x7C, 0xE0, 0x8A), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(4, 5.5), QPointF(6.5, 8), QPointF(4, 10.5)}));
            p.drawLine(QPointF(8, 10.5), QPointF(11.5, 10.5));
            p.end();
            made.addPixmap(pixmap);
        }
        return made;
    }();
    return icon;
}

} // namespace

// An item of the tree with the logic's data; the label editor starts from
// the text the logic offers, which need not be the label shown.
class CommandTree::Node final : public QTreeWidgetItem {
public:
    explicit Node(const CommandTreeItemData& d) : logic(d) {}
    QVariant data(int column, int role) const override
    {
        if (role == Qt::EditRole && !editText.isNull())
            return editText;
        return QTreeWidgetItem::data(column, role);
    }
    using QTreeWidgetItem::data;

    CommandTreeItemData logic;
    QString editText;
};

QString CommandTree::TreeMimeType()
{
    return ToQString(std::u16string_view(kTreeFormatName));
}

CommandTree::CommandTree(ICommandManagerSink* sink, QWidget* parent)
    : QTreeWidget(parent), CommandTreeBase(sink), m_scrollTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("commandTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false); // the tree starts its own drags
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(true);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CommandTree::commandStateChanged);
    connect(this, &QTreeWidget::currentItemChanged, this, &CommandTree::commandStateChanged);
    m_scrollTimer->setInterval(kEdgeScrollIntervalMs);
    connect(m_scrollTimer, &QTimer::timeout, this, [this] { OnDragScroll(m_dragPos.x(), m_dragPos.y()); });
    TreeClipboardFormat(); // registered with the tree window
}

CommandTree::~CommandTree()
{
    StopFilterTimer();
    m_timers.clear();
}

// --- Item operations

TreeItem CommandTree::InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                                 const CommandTreeItemData& data)
{
    auto* node = new Node(data);
    node->setText(0, ToQString(text));
    node->setIcon(0, data.isFolder ? SessionIcons::Folder(0) : CommandIcon());
    QTreeWidgetItem* holder = WidgetItem(parent);
    if (!holder) {
        addTopLevelItem(node);
    } else if (insertAfter == kInsertFirst) {
        holder->insertChild(0, node);
    } else if (insertAfter == kInsertLast) {
        holder->addChild(node);
    } else {
        const int at = holder->indexOfChild(WidgetItem(insertAfter));
        if (at < 0) {
            delete node;
            return kNoTreeItem;
        }
        holder->insertChild(at + 1, node);
    }
    UpdateTooltip(node);
    return ItemOf(node);
}

void CommandTree::UpdateTooltip(QTreeWidgetItem* item)
{
    VUnicodeString tip;
    item->setToolTip(0, GetTooltip(ItemOf(item), kTooltipCapacity, tip) ? ToQString(tip) : QString());
}

void CommandTree::DeleteItem(TreeItem item)
{
    QTreeWidgetItem* node = WidgetItem(item);
    if (!node)
        return;
    if (m_dropHighlight == node)
        m_dropHighlight = nullptr;
    delete node;
}

void CommandTree::DeleteAllItems()
{
    m_dropHighlight = nullptr;
    clear();
}

VUnicodeString CommandTree::GetItemText(TreeItem item) const
{
    return item == kNoTreeItem ? VUnicodeString() : ToVString(WidgetItem(item)->text(0));
}

void CommandTree::SetItemText(TreeItem item, const VUnicodeString& text)
{
    if (QTreeWidgetItem* node = WidgetItem(item)) {
        node->setText(0, ToQString(text));
        UpdateTooltip(node);
    }
}

CommandTreeItemData* CommandTree::GetItemData(TreeItem item) const
{
    return item == kNoTreeItem ? nullptr : &static_cast<Node*>(WidgetItem(item))->logic;
}

TreeItem CommandTree::GetChildItem(TreeItem item) const
{
    const QTreeWidgetItem* node = WidgetItem(item);
    return node && node->childCount() > 0 ? ItemOf(node->child(0)) : kNoTreeItem;
}

TreeItem CommandTree::GetNextSiblingItem(TreeItem item) const
{
    const QTreeWidgetItem* node = WidgetItem(item);
    if (!node || !node->parent())
        return kNoTreeItem;
    const QTreeWidgetItem* parent = node->parent();
    const int next = parent->indexOfChild(const_cast<QTreeWidgetItem*>(node)) + 1;
    return next < parent->childCount() ? ItemOf(parent->child(next)) : kNoTreeItem;
}

TreeItem CommandTree::GetParentItem(TreeItem item) const
{
    const QTreeWidgetItem* node = WidgetItem(item);
    return node ? ItemOf(node->parent()) : kNoTreeItem;
}

TreeItem CommandTree::GetRootItem() const
{
    return topLevelItemCount() > 0 ? ItemOf(topLevelItem(0)) : kNoTreeItem;
}

void CommandTree::ExpandItem(TreeItem item, bool expand)
{
    if (QTreeWidgetItem* node = WidgetItem(item))
        node->setExpanded(expand);
}

bool CommandTree::IsItemExpanded(TreeItem item) const
{
    return item != kNoTreeItem && WidgetItem(item)->isExpanded();
}

void CommandTree::SelectItem(TreeItem item)
{
    QTreeWidgetItem* node = WidgetItem(item);
    if (!node) {
        clearSelection();
        setCurrentItem(nullptr);
        return;
    }
    for (QTreeWidgetItem* at = node->parent(); at; at = at->parent())
        at->setExpanded(true);
    setCurrentItem(node);
    node->setSelected(true);
    scrollToItem(node);
}

TreeItem CommandTree::GetSelectedItem() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? kNoTreeItem : ItemOf(selected.front());
}

void CommandTree::EditLabel(TreeItem item, const VUnicodeString& text)
{
    auto* node = static_cast<Node*>(WidgetItem(item));
    if (!node)
        return;
    node->editText = ToQString(text);
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    scrollToItem(node);
    m_editIndex = indexFromItem(node);
    m_editCommitted = false;
    m_editText.clear();
    editItem(node);
}

void CommandTree::EndEditing()
{
    if (state() != QAbstractItemView::EditingState || !m_editIndex.isValid())
        return;
    if (QWidget* editor = indexWidget(m_editIndex)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
    }
}

void CommandTree::commitData(QWidget* editor)
{
    // The logic decides what the label becomes: the item is not written.
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        m_editCommitted = true;
        m_editText = line->text();
    }
}

void CommandTree::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const QPersistentModelIndex index = m_editIndex;
    const bool committed = m_editCommitted;
    const QString text = m_editText;
    m_editIndex = QPersistentModelIndex();
    m_editCommitted = false;
    if (hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem)
        hint = QAbstractItemDelegate::NoHint;
    QTreeWidget::closeEditor(editor, hint);
    // After the editor has gone: the end of an edit may refill the tree or
    // open the editor again.
    QMetaObject::invokeMethod(
        this, [this, index, committed, text] { EditEnded(index, committed, text); }, Qt::QueuedConnection);
}

void CommandTree::EditEnded(const QPersistentModelIndex& index, bool committed, const QString& text)
{
    auto* node = static_cast<Node*>(itemFromIndex(index));
    if (!node)
        return;
    node->editText = QString();
    node->setFlags(node->flags() & ~Qt::ItemIsEditable);
    EndLabelEdit(ItemOf(node), ToVString(committed ? text : node->text(0)), !committed);
    emit commandStateChanged();
}

void CommandTree::SetItemCutLook(TreeItem item, bool cut)
{
    if (QTreeWidgetItem* node = WidgetItem(item))
        node->setForeground(0, cut ? palette().brush(QPalette::Disabled, QPalette::Text) : QBrush());
}

void CommandTree::SetDropHighlight(TreeItem item)
{
    QTreeWidgetItem* node = WidgetItem(item);
    if (node == m_dropHighlight)
        return;
    if (m_dropHighlight)
        m_dropHighlight->setBackground(0, QBrush());
    m_dropHighlight = node;
    if (node)
        node->setBackground(0, palette().brush(QPalette::Highlight).color().lighter(160));
}

TreeItem CommandTree::HitTest(int x, int y, int& yInRow, int& rowHeight) const
{
    QTreeWidgetItem* node = itemAt(QPoint(x, y));
    if (!node) {
        yInRow = 0;
        rowHeight = 0;
        return kNoTreeItem;
    }
    const QRect rect = visualItemRect(node);
    yInRow = y - rect.top();
    rowHeight = rect.height();
    return ItemOf(node);
}

int CommandTree::GetVisibleHeight() const
{
    return viewport()->height();
}

void CommandTree::ScrollLines(int lines)
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + lines * bar->singleStep());
}

void CommandTree::StartTimer(int id, uint32_t milliseconds)
{
    std::unique_ptr<QTimer>& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        connect(timer.get(), &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    timer->start(static_cast<int>(milliseconds));
}

void CommandTree::StopTimer(int id)
{
    if (const auto it = m_timers.find(id); it != m_timers.end())
        it->second->stop();
}

void CommandTree::FocusTree()
{
    setFocus(Qt::OtherFocusReason);
}

// The host's session view takes the keys again once a command went out.
void CommandTree::AfterSend()
{
    if (auto* frame = qobject_cast<QMainWindow*>(window()); frame && frame->centralWidget())
        frame->centralWidget()->setFocus(Qt::OtherFocusReason);
}

unsigned CommandTree::ShowDropMenu(unsigned allowedEffects, unsigned defaultEffect)
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("dropMenu"));
    QAction* move = menu.addAction(tr("&Move here"));
    QAction* copy = menu.addAction(tr("&Copy here"));
    menu.addSeparator();
    menu.addAction(tr("Cancel"));
    move->setEnabled(allowedEffects & kEffectMove);
    copy->setEnabled(allowedEffects & kEffectCopy);
    menu.setDefaultAction(defaultEffect == kEffectCopy ? copy : move);
    QAction* chosen = menu.exec(QCursor::pos());
    if (chosen == move)
        return kEffectMove;
    if (chosen == copy)
        return kEffectCopy;
    return kEffectNone;
}

// --- Keys and mouse

void CommandTree::keyPressEvent(QKeyEvent* event)
{
    if (state() == QAbstractItemView::EditingState) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    unsigned command = CommandForKey(GetKeyTable(KeyTable::CommandTree), *event);
    if (command == kCmdSendCommand && (event->modifiers() & Qt::ShiftModifier))
        command = kCmdSendToAll; // Shift+Enter
    if (command != 0) {
        emit commandRequested(command);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CommandTree::mousePressEvent(QMouseEvent* event)
{
    m_pressPos = event->position().toPoint();
    m_pressButton = event->button();
    if (event->button() == Qt::RightButton) {
        // The item under a right click is the one the menu is for.
        if (QTreeWidgetItem* node = itemAt(m_pressPos))
            SelectItem(ItemOf(node));
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CommandTree::mouseMoveEvent(QMouseEvent* event)
{
    const bool held = (m_pressButton == Qt::LeftButton && (event->buttons() & Qt::LeftButton)) ||
                      (m_pressButton == Qt::RightButton && (event->buttons() & Qt::RightButton));
    if (held && !m_dragging &&
        (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance() &&
        itemAt(m_pressPos)) {
        const bool right = m_pressButton == Qt::RightButton;
        m_pressButton = Qt::NoButton;
        SelectItem(ItemOf(itemAt(m_pressPos)));
        StartSelectionDrag(right);
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void CommandTree::mouseReleaseEvent(QMouseEvent* event)
{
    const bool menu = m_pressButton == Qt::RightButton && event->button() == Qt::RightButton;
    m_pressButton = Qt::NoButton;
    if (menu) {
        emit contextMenuRequested(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void CommandTree::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Mouse) {
        event->accept(); // shown when the right button is released, so a right drag can begin
        return;
    }
    // The Menu key or Shift+F10: below the selected item's text.
    QTreeWidgetItem* node = WidgetItem(GetSelected());
    if (!node)
        node = topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
    const QRect rect = node ? visualItemRect(node) : QRect();
    emit contextMenuRequested(viewport()->mapToGlobal(QPoint(rect.left() + 4, rect.bottom() + 4)));
    event->accept();
}

void CommandTree::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidgetItem* node = itemAt(event->position().toPoint());
    if (node && event->button() == Qt::LeftButton && !IsFolder(ItemOf(node))) {
        SelectItem(ItemOf(node));
        if (event->modifiers() & Qt::ShiftModifier)
            SendCommand(ICommandManagerSink::kAllSessions);
        else
            OnItemDoubleClicked(ItemOf(node));
        event->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

// --- Drag and drop

QMimeData* CommandTree::MakeDragData(bool rightButton)
{
    const std::vector<uint8_t> bytes = BeginDrag(rightButton);
    if (bytes.empty())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(TreeMimeType(),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    data->setData(DragButtonMimeType(), rightButton ? QByteArrayLiteral("right") : QByteArrayLiteral("left"));
    return data;
}

void CommandTree::StartSelectionDrag(bool rightButton)
{
    QMimeData* data = MakeDragData(rightButton);
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    if (QTreeWidgetItem* node = WidgetItem(GetSelected())) {
        const QRect rect = visualItemRect(node);
        QPixmap image(rect.size() * devicePixelRatioF());
        image.setDevicePixelRatio(devicePixelRatioF());
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setOpacity(0.7);
        node->icon(0).paint(&painter, QRect(0, 0, rect.height(), rect.height()));
        painter.drawText(QRect(rect.height() + 4, 0, rect.width(), rect.height()), Qt::AlignVCenter, node->text(0));
        painter.end();
        drag->setPixmap(image);
    }
    m_dragging = true;
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    m_dragging = false;
    EndDrag();
    emit commandStateChanged();
}

void CommandTree::DragOver(QDragMoveEvent* event, bool entering)
{
    m_dragPos = event->position().toPoint();
    const QByteArray bytes = event->mimeData()->data(TreeMimeType());
    const unsigned effect = entering ? OnDragEnter(BytesOf(bytes), m_dragPos.x(), m_dragPos.y())
                                     : OnDragOver(BytesOf(bytes), m_dragPos.x(), m_dragPos.y());
    if (!m_scrollTimer->isActive())
        m_scrollTimer->start();
    if (effect == kEffectNone) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->setDropAction(ActionOf(effect));
    event->accept();
}

void CommandTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasFormat(TreeMimeType())) {
        event->ignore();
        return;
    }
    DragOver(event, true);
    event->accept(); // keep the moves coming even where no drop is allowed yet
}

void CommandTree::dragMoveEvent(QDragMoveEvent* event)
{
    DragOver(event, false);
}

void CommandTree::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_scrollTimer->stop();
    OnDragLeave();
    event->accept();
}

void CommandTree::dropEvent(QDropEvent* event)
{
    m_scrollTimer->stop();
    const QPoint pos = event->position().toPoint();
    const QByteArray bytes = event->mimeData()->data(TreeMimeType());
    unsigned effect = SessionTreeBase::EffectFromKeys(ModifiersOf(event->modifiers()));
    // A right drag from another window: this tree asks, since the tree
    // that began the drag cannot.
    if (!m_dragging && event->mimeData()->data(DragButtonMimeType()) == QByteArrayLiteral("right")) {
        if (OnDragOver(BytesOf(bytes), pos.x(), pos.y()) == kEffectNone) {
            OnDragLeave();
            event->ignore();
            return;
        }
        effect = ShowDropMenu(kEffectCopy | kEffectMove, effect);
    }
    if (effect == kEffectNone || !OnDrop(BytesOf(bytes), effect, pos.x(), pos.y())) {
        OnDragLeave();
        event->ignore();
        return;
    }
    event->setDropAction(ActionOf(effect));
    event->accept();
    emit commandStateChanged();
}
