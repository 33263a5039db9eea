#pragma once

#include <vector>

#include <QToolBar>

class QAction;

// The Command Manager's toolbar: one button a command of the pane, each
// with its tooltip and label. It offers no customisation.
class CommandToolbar final : public QToolBar {
    Q_OBJECT
public:
    explicit CommandToolbar(QWidget* parent = nullptr);
    // The button of a command, or null.
    QAction* Button(unsigned command) const;
    // The commands of the buttons, first to last.
    std::vector<unsigned> Commands() const;
    void EnableButton(unsigned command, bool enable);

signals:
    void commandTriggered(unsigned command);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};
