#include "platform/qt/ResourceIcons.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include "TranslationData.h"

QString ResourceIcons::Path(const QString& name)
{
    InitIconResources();
    return QStringLiteral(":/orvalis/icons/") + name + QStringLiteral(".svg");
}

bool ResourceIcons::Exists(const QString& name)
{
    return QFile::exists(Path(name));
}

QPixmap ResourceIcons::Render(const QString& name, int size)
{
    QSvgRenderer renderer(Path(name));
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(size / 16.0);
    return pixmap;
}

QIcon ResourceIcons::Icon(const QString& name, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (int size : sizes) {
        QPixmap pixmap = Render(name, size);
        pixmap.setDevicePixelRatio(1.0); // each size stands for itself
        icon.addPixmap(pixmap);
    }
    return icon;
}
