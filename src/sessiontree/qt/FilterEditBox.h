#pragma once

#include <QLineEdit>

class SessionTreeCtrl;

// The line above a session tree that narrows it as the user types. Up,
// Down and Enter go on to the tree so the user can move through what is
// left and open it; Escape clears the text, and in an empty box goes to
// the tree.
class FilterEditBox final : public QLineEdit {
    Q_OBJECT
public:
    explicit FilterEditBox(QWidget* parent = nullptr);
    // Binds the box to its tree: every change of the text is passed on.
    void SetTree(SessionTreeCtrl* tree);
    SessionTreeCtrl* Tree() const { return m_tree; }
    // "Filter by folder/session name <Alt+I>", with the filter icon.
    void ShowCue();
    // Keys the box keeps for its own editing (before any key table).
    static bool IsEditingKey(const QKeyEvent& event);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool PassToTree(QKeyEvent* event);

    SessionTreeCtrl* m_tree = nullptr;
};
