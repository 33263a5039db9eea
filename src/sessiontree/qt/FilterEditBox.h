#pragma once

#include <functional>
#include <span>

#include <QLineEdit>

#include "KeyTables.h"

class FilterTreeBase;

// The line above a filterable tree (sessions, commands, active sessions)
// that narrows it as the user types. Up, Down and Enter go on to the tree
// so the user can move through what is left and open it; Escape clears the
// text, and in an empty box goes to the tree.
class FilterEditBox final : public QLineEdit {
    Q_OBJECT
public:
    explicit FilterEditBox(QWidget* parent = nullptr);
    // Binds the box to its tree: every change of the text is passed on to
    // `filter`, and the keys the tree takes go to `window`.
    void SetTree(FilterTreeBase* filter, QWidget* window);
    // A tree that is its own window.
    template <class Tree>
    void SetTree(Tree* tree)
    {
        SetTree(tree, tree);
    }
    QWidget* TreeWindow() const { return m_window; }
    // "Filter by folder/session name <Alt+I>", with the filter icon.
    void ShowCue();
    // Another tree's cue text, with the filter icon.
    void ShowCue(const QString& cue);
    // Keys the box keeps for its own editing (before any key table).
    static bool IsEditingKey(const QKeyEvent& event);
    // A pane's keys for its tree and this box, from its event filter: Tab
    // goes between the two, and the tree's keys (`table`) work in the box
    // too, except those the box edits with; `run` runs such a command.
    // True when the key was used up.
    bool RoutePaneKey(QObject* watched, QEvent* event, QWidget* tree, std::span<const AcceleratorEntry> table,
                      const std::function<void(unsigned)>& run);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    bool PassToTree(QKeyEvent* event);

    FilterTreeBase* m_filter = nullptr;
    QWidget* m_window = nullptr;
};
