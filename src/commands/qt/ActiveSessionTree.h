#pragma once

#include <QTreeWidget>

#include "commands/ActiveSessionTreeBase.h"

class QTimer;

// The Active Sessions tree on the screen: ActiveSessionTreeBase's rules over
// a Qt tree widget, groups as top rows and the host's sessions and editors
// under them with their status images.
class ActiveSessionTree final : public QTreeWidget, public ActiveSessionTreeBase {
    Q_OBJECT
public:
    explicit ActiveSessionTree(IActiveSessionManagerSink* sink, QWidget* parent = nullptr);
    ~ActiveSessionTree() override;

    static std::optional<ActiveSessionItemRef> RefOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* WidgetItem(const ActiveSessionItemRef& item) const;
    // Where the context menu of the selection opens from the keyboard: 4
    // pixels right of the item text's left edge and 4 below its bottom.
    QPoint KeyboardMenuPoint() const;

signals:
    // A command of the key table, for the pane.
    void commandRequested(unsigned command);
    // The context menu should open at this point (global coordinates).
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void InsertGroupRow(size_t row, int group, const VUnicodeString& label) override;
    void RemoveGroupRow(size_t row) override;
    void InsertItemRow(size_t groupRow, size_t row, const ActiveSessionItemRef& item, const VUnicodeString& name,
                       int image) override;
    void RemoveItemRow(size_t groupRow, size_t row) override;
    void SetItemRowText(size_t groupRow, size_t row, const VUnicodeString& name) override;
    void SetItemRowImage(size_t groupRow, size_t row, int image) override;
    void SetGroupRowExpanded(size_t groupRow, bool expand) override;
    void ClearRows() override;
    bool GetSelectedRow(size_t& groupRow, std::optional<size_t>& itemRow) const override;
    void SelectRow(size_t groupRow, std::optional<size_t> itemRow) override;
    void PostActivation() override;
    void StartTimer(int id, uint32_t milliseconds) override;
    void StopTimer(int id) override;

    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QTimer* m_filterTimer;
    bool m_settingExpansion = false;
};
