#pragma once

#include <map>
#include <memory>

#include <QPersistentModelIndex>
#include <QPoint>
#include <QTreeWidget>

#include "commands/CommandTreeBase.h"

class QMimeData;
class QTimer;

// The Command Manager's tree on the screen: CommandTreeBase's rules over a
// Qt tree widget, with label editing, tooltips, and drag and drop in the
// "CmdMgrTree" format.
class CommandTree final : public QTreeWidget, public CommandTreeBase {
    Q_OBJECT
public:
    // The tooltip buffer, terminator included.
    static constexpr size_t kTooltipCapacity = 1024;
    // The MIME type of the drag data and of the clipboard record.
    static QString TreeMimeType();

    explicit CommandTree(ICommandManagerSink* sink, QWidget* parent = nullptr);
    ~CommandTree() override;

    QTreeWidgetItem* WidgetItem(TreeItem item) const { return reinterpret_cast<QTreeWidgetItem*>(item); }
    static TreeItem ItemOf(const QTreeWidgetItem* item) { return reinterpret_cast<TreeItem>(item); }
    // What a drag of the selection carries; null when nothing can be
    // dragged. The caller owns it; EndDrag() must follow.
    QMimeData* MakeDragData(bool rightButton);
    // An edit, a drag or an expansion is under way: a refresh waits.
    bool IsBusy() const { return state() != NoState || IsDragging(); }

    TreeItem InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                        const CommandTreeItemData& data) override;
    void DeleteItem(TreeItem item) override;
    void DeleteAllItems() override;
    VUnicodeString GetItemText(TreeItem item) const override;
    void SetItemText(TreeItem item, const VUnicodeString& text) override;
    CommandTreeItemData* GetItemData(TreeItem item) const override;
    TreeItem GetChildItem(TreeItem item) const override;
    TreeItem GetNextSiblingItem(TreeItem item) const override;
    TreeItem GetParentItem(TreeItem item) const override;
    TreeItem GetRootItem() const override;
    void ExpandItem(TreeItem item, bool expand) override;
    bool IsItemExpanded(TreeItem item) const override;
    void SelectItem(TreeItem item) override;
    TreeItem GetSelectedItem() const override;
    void EditLabel(TreeItem item, const VUnicodeString& text) override;
    void EndEditing() override;
    void SetItemCutLook(TreeItem item, bool cut) override;
    void SetDropHighlight(TreeItem item) override;
    TreeItem HitTest(int x, int y, int& yInRow, int& rowHeight) const override;
    int GetVisibleHeight() const override;
    void ScrollLines(int lines) override;
    void StartTimer(int id, uint32_t milliseconds) override;
    void StopTimer(int id) override;
    void FocusTree() override;

signals:
    // A command of the key table, for the pane.
    void commandRequested(unsigned command);
    // The context menu should open at this point (global coordinates).
    void contextMenuRequested(const QPoint& globalPos);
    // The selection or what can be done with it changed.
    void commandStateChanged();

protected:
    QWidget* MessageParent() const override { return window(); }
    void AfterSend() override;
    unsigned ShowDropMenu(unsigned allowedEffects, unsigned defaultEffect) override;

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    class Node;
    void StartSelectionDrag(bool rightButton);
    void DragOver(QDragMoveEvent* event, bool entering);
    void EditEnded(const QPersistentModelIndex& index, bool committed, const QString& text);
    void UpdateTooltip(QTreeWidgetItem* item);

    std::map<int, std::unique_ptr<QTimer>> m_timers;
    QTimer* m_scrollTimer;
    QPoint m_dragPos;
    QPoint m_pressPos;
    Qt::MouseButton m_pressButton = Qt::NoButton;
    bool m_dragging = false;
    QTreeWidgetItem* m_dropHighlight = nullptr;
    QPersistentModelIndex m_editIndex;
    bool m_editCommitted = false;
    QString m_editText;
};
