#pragma once

#include <QIcon>

// The session tree's 24 images: two sets of twelve with one layout (see
// SessionTreeBase::Image). The folder and server slots take the desktop
// theme's icons when it has them; every other slot, and those when the
// theme has none, are drawn here.
class SessionIcons {
public:
    static constexpr int kCount = 24;

    // The image at `index` (0 to 23); a null icon outside.
    static const QIcon& Image(int index);
    // A folder as the tree shows it: closed, and open while selected.
    static QIcon Folder(int set);
    // The filter box's magnifier.
    static const QIcon& FilterIcon();
    // Drops the theme look-ups (the desktop theme changed).
    static void Reset();
};

// The factory ConnectDialogInitGUI hands to the configuration dialogs.
class SessionIconList;
SessionIconList* CreateSessionIconImageList();
