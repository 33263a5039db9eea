#include "sessiontree/qt/SessionTreeCtrl.h"

#include <map>

#include <QAction>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "CommandIds.h"
#include "core/VUnknown.h"
#include "platform/HostHooks.h"
#include "platform/KeyState.h"
#include "platform/MessageBox.h"
#include "profile/reports/VReportMessageParams.h"
#include "platform/qt/KeyTableMatch.h"
#include "platform/qt/QtStrings.h"
#include "profile/sessions/SessionDatabase.h"
#include "sessiontree/qt/FindSessionDialog.h"
#include "sessiontree/qt/SessionIcons.h"
#include "sessiontree/qt/SessionTreeModel.h"

namespace {

using Node = SessionTreeModel::Node;

constexpr int kEdgeScrollIntervalMs = 100;
constexpr uint32_t kMsgSeveralSessions = 0x61090002;

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

} // namespace

QString SessionTreeCtrl::FolderTreeMimeType()
{
    return ToQString(std::u16string_view(TreeClipboardRecord::kFormatName));
}

QString SessionTreeCtrl::DragButtonMimeType()
{
    return QStringLiteral("application/x-orvalis-drag-button");
}

SessionTreeCtrl::SessionTreeCtrl(ISessionTreeOwner* owner, QWidget* parent)
    : VMultiSelTreeCtrl(parent), SessionTreeBase(owner), m_model(new SessionTreeModel(*this)),
      m_scrollTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("sessionTree"));
    setModel(m_model);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (Node* node = m_model->NodeOf(index))
            node->expanded = true;
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (Node* node = m_model->NodeOf(index))
            node->expanded = false;
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SessionTreeCtrl::commandStateChanged);
    m_scrollTimer->setInterval(kEdgeScrollIntervalMs);
    connect(m_scrollTimer, &QTimer::timeout, this, [this] { OnDragScroll(m_dragPos.x(), m_dragPos.y()); });
}

SessionTreeCtrl::~SessionTreeCtrl()
{
    StopFilterTimer();
    m_timers.clear();
}

TreeItem SessionTreeCtrl::ItemOf(const QModelIndex& index) const
{
    return SessionTreeModel::ItemOf(m_model->NodeOf(index));
}

QModelIndex SessionTreeCtrl::IndexOf(TreeItem item) const
{
    return m_model->IndexOf(m_model->NodeOf(item));
}

QIcon SessionTreeCtrl::FolderIcon(int closedImage, int openImage) const
{
    const int key = closedImage * 64 + openImage;
    auto it = m_folderIcons.find(key);
    if (it == m_folderIcons.end()) {
        QIcon icon;
        for (int size : {16, 24, 32}) {
            icon.addPixmap(SessionIcons::Image(closedImage).pixmap(size, size), QIcon::Normal);
            icon.addPixmap(SessionIcons::Image(openImage).pixmap(size, size), QIcon::Selected);
        }
        it = m_folderIcons.insert(key, icon);
    }
    return *it;
}

// --- Item operations: a handle whose item is gone finds no node and
// does nothing.

bool SessionTreeCtrl::ItemExists(TreeItem item) const
{
    return m_model->NodeOf(item) != nullptr;
}

TreeItem SessionTreeCtrl::InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                                     const SessionTreeItemData& data)
{
    Node* holder = parent == kNoTreeItem ? m_model->Top() : m_model->NodeOf(parent);
    if (!holder)
        return kNoTreeItem;
    return SessionTreeModel::ItemOf(m_model->Insert(holder, insertAfter, ToQString(text), data));
}

void SessionTreeCtrl::DeleteItem(TreeItem item)
{
    if (Node* node = m_model->NodeOf(item))
        m_model->Remove(node);
}

bool SessionTreeCtrl::MoveItem(TreeItem item, TreeItem parent, TreeItem insertAfter)
{
    Node* node = m_model->NodeOf(item);
    Node* holder = m_model->NodeOf(parent);
    return node && holder && m_model->Move(node, holder, insertAfter);
}

void SessionTreeCtrl::DeleteAllItems()
{
    m_model->Clear();
}

VUnicodeString SessionTreeCtrl::GetItemText(TreeItem item) const
{
    const Node* node = m_model->NodeOf(item);
    return node ? ToVString(node->text) : VUnicodeString();
}

void SessionTreeCtrl::SetItemText(TreeItem item, const VUnicodeString& text)
{
    Node* node = m_model->NodeOf(item);
    if (!node)
        return;
    node->text = ToQString(text);
    node->image = -1;
    m_model->Changed(node);
}

SessionTreeItemData* SessionTreeCtrl::GetItemData(TreeItem item) const
{
    Node* node = m_model->NodeOf(item);
    return node ? &node->data : nullptr;
}

TreeItem SessionTreeCtrl::GetChildItem(TreeItem item) const
{
    const Node* node = m_model->NodeOf(item);
    return node && !node->children.empty() ? SessionTreeModel::ItemOf(node->children.front().get()) : kNoTreeItem;
}

TreeItem SessionTreeCtrl::GetNextSiblingItem(TreeItem item) const
{
    const Node* node = m_model->NodeOf(item);
    if (!node || !node->parent)
        return kNoTreeItem;
    const auto& siblings = node->parent->children;
    const size_t next = static_cast<size_t>(node->row) + 1;
    return next < siblings.size() ? SessionTreeModel::ItemOf(siblings[next].get()) : kNoTreeItem;
}

TreeItem SessionTreeCtrl::GetParentItem(TreeItem item) const
{
    const Node* node = m_model->NodeOf(item);
    if (!node || node->parent == m_model->Top())
        return kNoTreeItem;
    return SessionTreeModel::ItemOf(node->parent);
}

TreeItem SessionTreeCtrl::GetRootItem() const
{
    const Node* top = m_model->Top();
    return top->children.empty() ? kNoTreeItem : SessionTreeModel::ItemOf(top->children.front().get());
}

void SessionTreeCtrl::ExpandItem(TreeItem item, bool expand)
{
    const Node* node = m_model->NodeOf(item);
    if (!node)
        return;
    if (expand && !node->expanded)
        OnItemExpanding(item); // loads the folder before its children show
    if (Node* again = m_model->NodeOf(item)) { // loading may have refilled the tree
        again->expanded = expand;
        if (!m_model->IsResetting()) // else the view hears of it at the end
            setExpanded(m_model->IndexOf(again), expand);
    }
}

bool SessionTreeCtrl::IsItemExpanded(TreeItem item) const
{
    const Node* node = m_model->NodeOf(item);
    return node && node->expanded;
}

void SessionTreeCtrl::SelectItem(TreeItem item)
{
    if (!ItemExists(item)) {
        selectionModel()->clearSelection();
        return;
    }
    std::vector<TreeItem> ancestors;
    for (TreeItem at = GetParentItem(item); at != kNoTreeItem; at = GetParentItem(at))
        ancestors.push_back(at);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
        if (!IsItemExpanded(*it))
            ExpandItem(*it, true);
    const QModelIndex index = IndexOf(item);
    if (!index.isValid())
        return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

std::vector<TreeItem> SessionTreeCtrl::GetSelectedItems() const
{
    std::vector<TreeItem> items;
    for (const QModelIndex& index : SelectedInTreeOrder())
        items.push_back(ItemOf(index));
    return items;
}

void SessionTreeCtrl::EditLabel(TreeItem item, const VUnicodeString& text)
{
    Node* node = m_model->NodeOf(item);
    if (!node)
        return;
    node->editText = ToQString(text);
    const QModelIndex index = m_model->IndexOf(node);
    scrollTo(index);
    m_editIndex = index;
    m_editCommitted = false;
    m_editText.clear();
    edit(index);
}

void SessionTreeCtrl::commitData(QWidget* editor)
{
    // The logic decides what the label becomes: the model is not written.
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        m_editCommitted = true;
        m_editText = line->text();
    }
}

void SessionTreeCtrl::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const QPersistentModelIndex index = m_editIndex;
    const bool committed = m_editCommitted;
    const QString text = m_editText;
    m_editIndex = QPersistentModelIndex();
    m_editCommitted = false;
    if (hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem)
        hint = QAbstractItemDelegate::NoHint;
    VMultiSelTreeCtrl::closeEditor(editor, hint);
    // After the editor has gone: the end of an edit may replace the item
    // or open the editor again.
    QMetaObject::invokeMethod(
        this, [this, index, committed, text] { EditEnded(index, committed, text); }, Qt::QueuedConnection);
}

void SessionTreeCtrl::EditEnded(const QPersistentModelIndex& index, bool committed, const QString& text)
{
    Node* node = m_model->NodeOf(index);
    if (!node)
        return;
    node->editText = QString();
    EndLabelEdit(SessionTreeModel::ItemOf(node), ToVString(committed ? text : node->text), !committed);
    emit commandStateChanged();
}

void SessionTreeCtrl::SetItemCutLook(TreeItem item, bool cut)
{
    Node* node = m_model->NodeOf(item);
    if (!node)
        return;
    node->cut = cut;
    m_model->Changed(node);
}

void SessionTreeCtrl::SetDropHighlight(TreeItem item)
{
    m_model->SetDropHighlight(m_model->NodeOf(item));
}

TreeItem SessionTreeCtrl::HitTest(int x, int y, int& yInRow, int& rowHeight) const
{
    const QModelIndex index = indexAt(QPoint(x, y));
    if (!index.isValid()) {
        yInRow = 0;
        rowHeight = 0;
        return kNoTreeItem;
    }
    const QRect rect = visualRect(index);
    yInRow = y - rect.top();
    rowHeight = rect.height();
    return ItemOf(index);
}

int SessionTreeCtrl::GetVisibleHeight() const
{
    return viewport()->height();
}

void SessionTreeCtrl::ScrollLines(int lines)
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + lines * bar->singleStep());
}

void SessionTreeCtrl::StartTimer(int id, uint32_t milliseconds)
{
    std::unique_ptr<QTimer>& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        connect(timer.get(), &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    timer->start(static_cast<int>(milliseconds));
}

void SessionTreeCtrl::StopTimer(int id)
{
    if (const auto it = m_timers.find(id); it != m_timers.end())
        it->second->stop();
}

bool SessionTreeCtrl::event(QEvent* event)
{
    if (event->type() == QEvent::ScreenChangeInternal)
        OnDisplayChanged();
    return VMultiSelTreeCtrl::event(event);
}

void SessionTreeCtrl::RedrawTree()
{
    m_folderIcons.clear();
    m_model->ForgetImages();
    viewport()->update();
}

void SessionTreeCtrl::FocusTree()
{
    setFocus(Qt::OtherFocusReason);
}

void SessionTreeCtrl::BeginRefill()
{
    m_model->BeginReset();
}

// The view takes the new rows at once, then opens what the logic opened.
void SessionTreeCtrl::EndRefill()
{
    m_model->EndReset();
    if (m_model->IsResetting())
        return;
    std::vector<const Node*> pending{m_model->Top()};
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (node != m_model->Top() && !node->expanded)
            continue;
        if (node != m_model->Top())
            setExpanded(m_model->IndexOf(node), true);
        for (const auto& child : node->children)
            if (child->data.isFolder)
                pending.push_back(child.get());
    }
}

// --- Commands

bool SessionTreeCtrl::RunTreeCommand(unsigned command)
{
    switch (command) {
    case kCmdCopy: Copy(); break;
    case kCmdCut: Cut(); break;
    case kCmdPaste: Paste(); break;
    case kCmdDelete: Delete(); break;
    case kCmdRename: Rename(); break;
    case kCmdNewFolder: NewFolder(); break;
    case kCmdNewSession: NewSession(); break;
    case kCmdFind: Find(); break;
    case kCmdFindNext: FindNext(); break;
    case kCmdNextArrangement: CycleSortMode(); break;
    case kCmdProperties: EditProperties(); break;
    default: return false;
    }
    emit commandStateChanged();
    return true;
}

// Any selection: a folder stands for the sessions below it. The check
// stops at the first session it meets.
bool SessionTreeCtrl::CanEditProperties() const
{
    if (!GetHostCallbacks().sessionProperties)
        return false;
    bool found = false;
    ForEachSelectedSession([&](const VUnicodeString&) {
        found = true;
        return false;
    });
    return found;
}

void SessionTreeCtrl::EditProperties()
{
    if (!CanEditProperties())
        return;
    VStringArray sessions;
    ForEachSelectedSession([&](const VUnicodeString& path) {
        sessions.Add(path);
        return true;
    });
    if (sessions.IsEmpty())
        return;
    if (sessions.GetSize() == 1) {
        EditNewSession(sessions[0]);
        return;
    }
    // One dialog for several sessions: only what the user changed in it is
    // written to each of them.
    if (Message(NewReport(kMsgSeveralSessions)->GetText().str(), kMbOkCancel | kMbIconInformation) != kIdOk)
        return;
    const HostCallbacks& callbacks = GetHostCallbacks();
    SessionDatabase& database = *GetSessionDatabaseImpl();
    SessionConfigPtr edited = database.LoadSession(sessions[0]);
    if (!edited)
        return;
    bool changed = false;
    if (callbacks.sessionProperties(edited.Get(), kPropertiesMultipleSessions, false, false, changed, 0, false,
                                    window()) != 1)
        return;
    std::map<std::u16string, VProfileData*> changes;
    edited->Iterate([&](VProfileData& value) {
        if (value.IsChanged())
            changes.emplace(value.GetName().str(), &value);
    });
    for (const VUnicodeString& path : sessions) {
        SessionConfigPtr config = database.LoadSession(path);
        if (!config)
            continue;
        config->Iterate([&](VProfileData& value) {
            if (const auto it = changes.find(value.GetName().str()); it != changes.end())
                value.Assign(*it->second);
        });
        VReportPtr report = NewReport();
        if (!database.SaveSession(*config, report.Get())) {
            Message(report->GetText().str(), kMbOk | kMbIconExclamation);
            return;
        }
        if (report->GetMessageId() != 0) // saved, but a policy held a value back
            Message(report->GetText().str(), kMbOk | kMbIconExclamation);
        if (changed && callbacks.sessionChanged)
            callbacks.sessionChanged(config->GetSessionName().c_str());
    }
    RedrawTree();
}

// The host's properties dialog for one session; its settings are saved
// only when the user accepted.
void SessionTreeCtrl::EditNewSession(const VUnicodeString& path)
{
    const HostCallbacks& callbacks = GetHostCallbacks();
    if (!callbacks.sessionProperties)
        return;
    SessionConfigPtr config = GetSessionDatabaseImpl()->LoadSession(path);
    if (!config)
        return;
    bool changed = false;
    if (callbacks.sessionProperties(config.Get(), 0, true, true, changed, 0, true, window()) != 1)
        return;
    VReportPtr report = NewReport();
    if (!GetSessionDatabaseImpl()->SaveSession(*config, report.Get())) {
        Message(report->GetText().str(), kMbOk | kMbIconExclamation);
        return;
    }
    if (report->GetMessageId() != 0) // saved, but a policy held a value back
        Message(report->GetText().str(), kMbOk | kMbIconExclamation);
    RedrawTree();
    if (changed && callbacks.sessionChanged)
        callbacks.sessionChanged(config->GetSessionName().c_str());
}

bool SessionTreeCtrl::ShowFindDialog(FindOptions& options)
{
    FindSessionDialog dialog(options, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.Options();
    return true;
}

unsigned SessionTreeCtrl::ShowDropMenu(unsigned allowedEffects, unsigned defaultEffect)
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

void SessionTreeCtrl::ShowContextMenuAt(const QPoint& globalPos, bool)
{
    emit contextMenuRequested(globalPos);
}

void SessionTreeCtrl::keyPressEvent(QKeyEvent* event)
{
    unsigned command = CommandForKey(m_extraKeys, *event);
    if (command == 0)
        command = CommandForKey(GetKeyTable(KeyTable::SessionTree), *event);
    if (command != 0) {
        // The owner runs what it offers, and only when it is enabled there.
        if ((!GetOwner() || !GetOwner()->HandleTreeCommand(command)) && !RunTreeCommand(command))
            emit commandRequested(command);
        emit commandStateChanged();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (GetOwner())
            GetOwner()->OnConnectRequested(GetSelectedPaths());
        event->accept();
        return;
    }
    VMultiSelTreeCtrl::keyPressEvent(event);
}

// A click on the one selected item names it anew, as F2 does.
void SessionTreeCtrl::ClickedSelectedItem(const QModelIndex& index)
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    if (selected.size() == 1 && selected.front() == ItemOf(index) && CanRename() && !IsInLabelEdit()) {
        if (!GetOwner() || !GetOwner()->HandleTreeCommand(kCmdRename))
            Rename();
    }
}

void SessionTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    CancelPendingClick();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && !IsFolder(ItemOf(index)) && event->button() == Qt::LeftButton) {
        if (GetOwner())
            GetOwner()->OnConnectRequested(GetSelectedPaths());
        event->accept();
        return;
    }
    VMultiSelTreeCtrl::mouseDoubleClickEvent(event);
}

// --- Drag and drop

QMimeData* SessionTreeCtrl::MakeDragData(bool rightButton)
{
    const std::vector<uint8_t> bytes = BeginDrag(rightButton);
    if (bytes.empty())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(FolderTreeMimeType(),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    data->setData(DragButtonMimeType(), rightButton ? QByteArrayLiteral("right") : QByteArrayLiteral("left"));
    return data;
}

void SessionTreeCtrl::StartSelectionDrag(bool rightButton)
{
    QMimeData* data = MakeDragData(rightButton);
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    // The drag image: the first item's icon and name.
    const std::vector<QModelIndex> selected = SelectedInTreeOrder();
    if (!selected.empty()) {
        const QModelIndex first = selected.front();
        const QRect rect = visualRect(first);
        QPixmap image(rect.size() * devicePixelRatioF());
        image.setDevicePixelRatio(devicePixelRatioF());
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setOpacity(0.7);
        const QIcon icon = qvariant_cast<QIcon>(first.data(Qt::DecorationRole));
        icon.paint(&painter, QRect(0, 0, rect.height(), rect.height()));
        painter.drawText(QRect(rect.height() + 4, 0, rect.width(), rect.height()), Qt::AlignVCenter,
                         first.data().toString());
        painter.end();
        drag->setPixmap(image);
    }
    m_dragging = true;
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    m_dragging = false;
    EndDrag();
    emit commandStateChanged();
}

void SessionTreeCtrl::DragOver(QDragMoveEvent* event, bool entering)
{
    m_dragPos = event->position().toPoint();
    const QByteArray bytes = event->mimeData()->data(FolderTreeMimeType());
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

void SessionTreeCtrl::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasFormat(FolderTreeMimeType())) {
        event->ignore();
        return;
    }
    DragOver(event, true);
    event->accept(); // keep the moves coming even where no drop is allowed yet
}

void SessionTreeCtrl::dragMoveEvent(QDragMoveEvent* event)
{
    DragOver(event, false);
}

void SessionTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_scrollTimer->stop();
    OnDragLeave();
    event->accept();
}

void SessionTreeCtrl::dropEvent(QDropEvent* event)
{
    m_scrollTimer->stop();
    const QPoint pos = event->position().toPoint();
    const QByteArray bytes = event->mimeData()->data(FolderTreeMimeType());
    unsigned effect = EffectFromKeys(ModifiersOf(event->modifiers()));
    // A right drag from another tree: this tree asks, since the tree that
    // began the drag cannot.
    const bool rightFromElsewhere =
        !m_dragging && event->mimeData()->data(DragButtonMimeType()) == QByteArrayLiteral("right");
    if (rightFromElsewhere) {
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
