#pragma once

#include <vector>

#include <QModelIndex>
#include <QPoint>
#include <QTreeView>

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

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Where the keyboard's context menu opens: 4 pixels right of the left
    // edge and 4 below the bottom of the first selected item's text.
    QPoint KeyboardMenuPoint() const;

private:
    QPoint m_pressPos;
    Qt::MouseButton m_pressButton = Qt::NoButton;
    bool m_pressOnSelection = false;
    bool m_menuHeld = false;
};
