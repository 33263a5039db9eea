#include "platform/qt/IconStatusArray.h"

#include <QString>

// Outside any namespace, as the resource's initialiser is declared there.
// The resource sits in an archive that nothing else references.
static void LoadStatusResources()
{
    Q_INIT_RESOURCE(status_icons);
}

const QList<QIcon>& GetIconStatusArray()
{
    static const QList<QIcon> images = [] {
        LoadStatusResources();
        QList<QIcon> list;
        for (int i = 0; i < kStatusImageCount; ++i)
            list.append(QIcon(QStringLiteral(":/orvalis/status/%1.svg").arg(i)));
        return list;
    }();
    return images;
}

QIcon StatusIcon(int index)
{
    const QList<QIcon>& images = GetIconStatusArray();
    return index >= 0 && index < images.size() ? images[index] : QIcon();
}
