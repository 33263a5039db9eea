#pragma once

#include <vector>

#include <QImage>
#include <QPointer>
#include <QToolBar>

class QAction;

// A toolbar whose button pictures are drawn for the screen it is on: each
// source bitmap is scaled to the image set the scale calls for (16, 24 or
// 32 pixels, as the library's own toolbars take theirs) and shown in a
// 16-pixel place; the pictures are scaled again when the window moves to
// a screen of another scale. Magenta pixels of a bitmap are transparent.
class VHighDpiToolbar : public QToolBar {
    Q_OBJECT
public:
    explicit VHighDpiToolbar(QWidget* parent = nullptr);

    void SetSourceImage(QAction* action, const QImage& image);
    int GetImageSet() const { return m_imageSet; }
    // Scales every picture for `scale` when its image set differs.
    void UpdateImageSet(double scale);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon Scaled(const QImage& image) const;

    std::vector<std::pair<QPointer<QAction>, QImage>> m_sources;
    int m_imageSet = 16;
};
