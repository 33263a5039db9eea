#pragma once

#include <QWidget>

// A pane's inside: its toolbar at its own height on top, the filter box as
// tall as its font plus 8 pixels, the tree in the rest.
class PaneStack final : public QWidget {
public:
    explicit PaneStack(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetParts(QWidget* toolbar, QWidget* filter, QWidget* tree);
    void LayOut();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_toolbar = nullptr;
    QWidget* m_filter = nullptr;
    QWidget* m_tree = nullptr;
};
