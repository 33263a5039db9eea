#pragma once

#include <map>
#include <memory>
#include <span>

#include <QHash>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QPoint>

#include "KeyTables.h"
#include "sessiontree/SessionTreeBase.h"
#include "sessiontree/qt/VMultiSelTreeCtrl.h"

class QMimeData;
class QTimer;
class SessionTreeModel;

// The session tree on the screen: SessionTreeBase's rules over a Qt tree
// view. It handles the editing keys of the session-tree key table itself
// and hands every other command of the table to its owner through
// commandRequested.
class SessionTreeCtrl : public VMultiSelTreeCtrl, public SessionTreeBase {
    Q_OBJECT
public:
    // The MIME type of the drag data and of the clipboard record.
    static QString FolderTreeMimeType();
    // Marks a drag made with the right button, for a tree in another window.
    static QString DragButtonMimeType();

    explicit SessionTreeCtrl(ISessionTreeOwner* owner, QWidget* parent = nullptr);
    ~SessionTreeCtrl() override;

    // Runs a command the tree handles itself (editing, Find, arrangement);
    // false for any other command.
    bool RunTreeCommand(unsigned command);
    // Keys the owner adds to the session-tree table (the pane's Enter and Del).
    void SetExtraKeyTable(std::span<const AcceleratorEntry> table) { m_extraKeys = table; }
    // Opens the host's properties dialog for the selected session.
    void EditProperties();
    bool CanEditProperties() const;

    // What a drag of the selection carries; null when nothing can be dragged.
    // The caller owns it; EndDrag() must follow once it is done with.
    QMimeData* MakeDragData(bool rightButton);

    TreeItem ItemOf(const QModelIndex& index) const;
    QModelIndex IndexOf(TreeItem item) const;
    QIcon FolderIcon(int closedImage, int openImage) const;

    // The control's item operations.
    bool ItemExists(TreeItem item) const override;
    TreeItem InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                        const SessionTreeItemData& data) override;
    void DeleteItem(TreeItem item) override;
    bool MoveItem(TreeItem item, TreeItem parent, TreeItem insertAfter) override;
    void DeleteAllItems() override;
    VUnicodeString GetItemText(TreeItem item) const override;
    void SetItemText(TreeItem item, const VUnicodeString& text) override;
    SessionTreeItemData* GetItemData(TreeItem item) const override;
    TreeItem GetChildItem(TreeItem item) const override;
    TreeItem GetNextSiblingItem(TreeItem item) const override;
    TreeItem GetParentItem(TreeItem item) const override;
    TreeItem GetRootItem() const override;
    void ExpandItem(TreeItem item, bool expand) override;
    bool IsItemExpanded(TreeItem item) const override;
    void SelectItem(TreeItem item) override;
    std::vector<TreeItem> GetSelectedItems() const override;
    void EditLabel(TreeItem item, const VUnicodeString& text) override;
    void SetItemCutLook(TreeItem item, bool cut) override;
    void SetDropHighlight(TreeItem item) override;
    TreeItem HitTest(int x, int y, int& yInRow, int& rowHeight) const override;
    int GetVisibleHeight() const override;
    void ScrollLines(int lines) override;
    void StartTimer(int id, uint32_t milliseconds) override;
    void StopTimer(int id) override;
    void RedrawTree() override;
    void FocusTree() override;
    void BeginRefill() override;
    void EndRefill() override;

signals:
    // A command of the key tables, or of a double click, for the owner.
    void commandRequested(unsigned command);
    // The context menu should open at this point (global coordinates).
    void contextMenuRequested(const QPoint& globalPos);
    // The selection or what can be done with it changed.
    void commandStateChanged();

protected:
    bool ShowFindDialog(FindOptions& options) override;
    unsigned ShowDropMenu(unsigned allowedEffects, unsigned defaultEffect) override;
    void EditNewSession(const VUnicodeString& path) override;

    void StartSelectionDrag(bool rightButton) override;
    void ClickedSelectedItem(const QModelIndex& index) override;
    void ShowContextMenuAt(const QPoint& globalPos, bool fromKeyboard) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void DragOver(QDragMoveEvent* event, bool entering);
    void EditEnded(const QPersistentModelIndex& index, bool committed, const QString& text);

    SessionTreeModel* m_model;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
    std::span<const AcceleratorEntry> m_extraKeys;
    QTimer* m_scrollTimer;
    QPoint m_dragPos;
    bool m_dragging = false;
    QPersistentModelIndex m_editIndex;
    bool m_editCommitted = false;
    QString m_editText;
    mutable QHash<int, QIcon> m_folderIcons;
};
