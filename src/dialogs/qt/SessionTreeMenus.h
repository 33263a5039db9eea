#pragma once

#include <functional>

class QMenu;
class QWidget;

// The Session Manager's context menus, by what is selected.
enum class SessionTreeMenuKind { Session, Folder, Multiple };

struct SessionTreeMenuState {
    std::function<bool(unsigned command)> enabled;
    int sortMode = 0;
    bool showDescriptions = true;
    bool showTerminal = true;
    bool showTransfer = true;
};

// Fills `menu` with the items of `kind`; each item carries its command as
// its data.
void BuildSessionTreeMenu(QMenu& menu, SessionTreeMenuKind kind, const SessionTreeMenuState& state);

class ConnectDialogBase;
class QPoint;
class SessionTreeCtrl;

// The menu the tree's selection calls for, and its items' state.
SessionTreeMenuKind MenuKindFor(const SessionTreeCtrl& tree);
SessionTreeMenuState MenuStateFor(const SessionTreeCtrl& tree, const ConnectDialogBase& owner);

// Opens the menu the tree's selection calls for at `globalPos` and returns
// the command chosen, or 0.
unsigned ExecSessionTreeMenu(SessionTreeCtrl& tree, const ConnectDialogBase& owner, const QPoint& globalPos,
                             QWidget* parent);

// The commands the tree control itself carries out for its owner
// (Properties, through the host's dialog).
void SetTreeCtrlHandlers(ConnectDialogBase& owner, SessionTreeCtrl& tree);
