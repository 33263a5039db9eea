#include "commands/qt/VHighDpiToolbar.h"

#include <QAction>
#include <QBitmap>
#include <QEvent>
#include <QPixmap>

#include "platform/SynchLock.h"
#include "platform/ToolbarBase.h"
#include "platform/qt/ToolbarCtrl.h"

VHighDpiToolbar::VHighDpiToolbar(QWidget* parent) : QToolBar(parent)
{
    setIconSize(QSize(16, 16));
    m_imageSet = ToolbarBase::ImageSetForScale(ToolbarCtrl::ScaleOf(parent));
}

QIcon VHighDpiToolbar::Scaled(const QImage& image) const
{
    if (image.isNull())
        return {};
    QImage picture = image.convertToFormat(QImage::Format_ARGB32);
    // The classic toolbar bitmaps mark their background in magenta.
    const QRgb key = qRgb(255, 0, 255);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                line[x] = qRgba(0, 0, 0, 0);
    }
    QPixmap pixmap = QPixmap::fromImage(
        picture.scaled(m_imageSet, m_imageSet, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(m_imageSet / 16.0);
    return QIcon(pixmap);
}

void VHighDpiToolbar::SetSourceImage(QAction* action, const QImage& image)
{
    for (auto& [known, source] : m_sources)
        if (known == action) {
            source = image;
            action->setIcon(Scaled(image));
            return;
        }
    m_sources.emplace_back(action, image);
    action->setIcon(Scaled(image));
}

void VHighDpiToolbar::UpdateImageSet(double scale)
{
    const int set = ToolbarBase::ImageSetForScale(scale);
    if (set == m_imageSet)
        return;
    m_imageSet = set;
    for (const auto& [action, image] : m_sources)
        if (action)
            action->setIcon(Scaled(image));
}

bool VHighDpiToolbar::event(QEvent* event)
{
    if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::Show)
        UpdateImageSet(ToolbarCtrl::ScaleOf(this));
    return QToolBar::event(event);
}

void VHighDpiToolbar::paintEvent(QPaintEvent* event)
{
    SynchLock lock; // the host's toolbar work never interleaves with this
    QToolBar::paintEvent(event);
}
