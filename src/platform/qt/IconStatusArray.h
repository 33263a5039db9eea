#pragma once

#include <QIcon>
#include <QList>

// The status images of open sessions and editors, by the number the host
// gives each one (the Active Sessions pane shows them). The files live in
// resources/status and reach the library through the Qt resource system.
enum StatusImage : int {
    kStatusConnected = 0,
    kStatusDisconnected = 1,
    kStatusConnecting = 2,
    kStatusActivity = 3,
    kStatusLocked = 4,
    kStatusFailed = 5,
    kStatusEditor = 6,
    kStatusEditorModified = 7,
    kStatusImageCount = 8,
};

const QList<QIcon>& GetIconStatusArray();
// The image numbered `index`; a null icon for any other number.
QIcon StatusIcon(int index);
