#pragma once

#include <vector>

#include <QToolBar>

class QAction;

// The Session Manager's toolbar, also shown in the Connect dialog: one
// button a command, each with its tooltip and label.
class ConnectToolbar final : public QToolBar {
    Q_OBJECT
public:
    explicit ConnectToolbar(QWidget* parent = nullptr);
    // The button of a command, or null once removed.
    QAction* Button(unsigned command) const;
    void RemoveButton(unsigned command);
    // The commands of the buttons that are left, first to last.
    std::vector<unsigned> Commands() const;
    void EnableButton(unsigned command, bool enable);
    // The width the buttons need, for the dialog's minimum size.
    int ButtonsWidth() const;

signals:
    void commandTriggered(unsigned command);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
