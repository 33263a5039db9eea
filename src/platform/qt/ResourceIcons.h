#pragma once

#include <initializer_list>

#include <QIcon>
#include <QPixmap>

// The pictures of resources/icons, compiled in through the Qt resource
// system under ":/orvalis/icons".
class ResourceIcons {
public:
    // `name` below the icons folder, without ".svg" ("tree/small/folder").
    static QString Path(const QString& name);
    // The picture drawn at `size` pixels, for a 16-pixel place (its device
    // pixel ratio is size / 16); null when there is no such picture.
    static QPixmap Render(const QString& name, int size);
    // The picture at each of `sizes`, as one icon.
    static QIcon Icon(const QString& name, std::initializer_list<int> sizes = {16, 24, 32, 48});
    static bool Exists(const QString& name);
};
