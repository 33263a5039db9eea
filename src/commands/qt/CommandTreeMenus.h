#pragma once

#include <functional>

#include <QString>

class QMenu;

// The Command Manager's two context menus: the command menu for a command,
// the folder menu for anything else. Each entry carries its command as its
// data; `enabled` tells which are; `pasteLabel` is the Paste entry's text.
void BuildCommandTreeMenu(QMenu& menu, bool commandMenu, const std::function<bool(unsigned)>& enabled,
                          const QString& pasteLabel);
