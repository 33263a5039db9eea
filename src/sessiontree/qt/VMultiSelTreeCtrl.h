#pragma once

#include <vector>

#include <QModelIndex>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QTreeView>

class QTimer;

// A tree view with multiple selection as the session and command trees
// use it: rows of one height, no editing or dragging of its own (the tree
// logic starts both), drags started with either mouse button, and the
// context menu of a right click held back until the button is released so
// that a right drag can begin.
class VMultiSelTreeCtrl : public QTreeView {
    Q_OBJECT
public:
    explicit VMultiSelTreeCtrl(QWidget* parent = nullptr);

    // The selected rows in the order the tree shows them, top to bottom.
    std::vector<QModelIndex> SelectedInTreeOrder() const;

protected:
    // A drag of the selection should begin, with the right button or not.
    virtual void StartSelectionDrag(bool rightButton) = 0;
    // The context menu for the item at `pos` (viewport coordinates) or for
    // the selection when the keyboard asked (`fromKeyboard`).
    virtual void ShowContextMenuAt(const QPoint& globalPos, bool fromKeyboard) = 0;
    // A plain click on the item that already was the only one selected,
    // once no double click followed (the edit-labels style of a tree).
    virtual void ClickedSelectedItem(const QModelIndex& index) { (void)index; }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Where the keyboard's context menu opens: 4 pixels right of the left
    // edge and 4 below the bottom of the first selected item's text.
    QPoint KeyboardMenuPoint() const;
    // Forgets a click that would have started naming the item.
    void CancelPendingClick();

private:
    QPoint m_pressPos;
    QPersistentModelIndex m_clickedSelected; // waits for the double-click time
    QTimer* m_clickTimer;
    bool m_pressOnSoleSelection = false;
    Qt::MouseButton m_pressButton = Qt::NoButton;
    bool m_pressOnSelection = false;
    bool m_menuHeld = false;
};
