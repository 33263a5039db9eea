#pragma once

#include <QToolBar>

#include "platform/ToolbarBase.h"

class QAction;
class QMenu;

// A customisable toolbar on Qt: one button a command, labelled and
// tooltipped from the string table in the user's language, its pictures
// from the image set the screen's scale calls for (normal, hot and
// disabled forms; a desktop theme icon stands in when the theme has one),
// and a customisation menu on right click that shows or hides each button
// and resets them, the choice remembered under the toolbar's name.
// The host's two display queries, answered from the screen `widget` is
// on: fewer than 16 bits a pixel draws every session alike; a scale that
// calls for the 24- or 32-pixel image set takes the alternate (large) set.
bool ScreenHasFewColours(const QWidget* widget);
bool ScreenWantsLargeImages(const QWidget* widget);

class ToolbarCtrl : public QToolBar, public ToolbarBase {
    Q_OBJECT
public:
    ToolbarCtrl(const QString& name, std::vector<ButtonDef> buttons, QWidget* parent = nullptr);
    ~ToolbarCtrl() override;

    // The button of a command, or null once removed.
    QAction* Button(unsigned command) const;
    void EnableButton(unsigned command, bool enable);
    // The commands of the buttons that are left, first to last.
    std::vector<unsigned> Commands() const { return GetCommands(); }
    // The width the shown buttons need.
    int ButtonsWidth() const;
    // The customisation menu, for the caller to run and delete.
    QMenu* CreateCustomizeMenu(QWidget* parent);

    // The scale of the screen `widget` is on (1 when it has none yet).
    static double ScaleOf(const QWidget* widget);
    // A picture of resources/icons in its three forms, rendered for the
    // image set of `size` pixels; `theme` may stand in for it.
    static QIcon LoadIcon(const QString& folder, const char* image, int size, const char* theme = nullptr);

signals:
    void commandTriggered(unsigned command);

protected:
    VUnicodeString LoadCommandString(unsigned command) const override;
    void OnButtonsChanged() override;
    void OnImageSetChanged(int size) override;

    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Retranslate();
};
