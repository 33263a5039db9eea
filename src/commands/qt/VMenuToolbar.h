#pragma once

#include <QMenuBar>

#include "commands/IMenuCommandSink.h"
#include "commands/VMenuToolbarItem.h"

class QMenu;

// The menu bar of a menu file's MENU block: its sub-menus, items and
// separators, each item showing its shortcut's text and handing its
// command to the sink. The shortcuts themselves are the frame's (see
// VCustomMenuToolbar), so that a key bound in the menu and on a toolbar
// runs once.
class VMenuToolbar final : public QMenuBar {
    Q_OBJECT
public:
    VMenuToolbar(const VMenuToolbarItem& menu, IMenuCommandSink* sink, QWidget* parent = nullptr);
    // Adds `items` to `menu`, sub-menus and all.
    static void FillMenu(QMenu& menu, const std::vector<VMenuToolbarItem>& items, IMenuCommandSink* sink);
};
