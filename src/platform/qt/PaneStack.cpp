#include "platform/qt/PaneStack.h"

#include <algorithm>

void PaneStack::SetParts(QWidget* toolbar, QWidget* filter, QWidget* tree)
{
    m_toolbar = toolbar;
    m_filter = filter;
    m_tree = tree;
    LayOut();
}

void PaneStack::LayOut()
{
    if (!m_toolbar || !m_filter || !m_tree)
        return;
    const QSize area = size();
    const int toolbarHeight = m_toolbar->sizeHint().height();
    const int filterHeight = m_filter->fontMetrics().height() + 8;
    m_toolbar->setGeometry(0, 0, area.width(), toolbarHeight);
    m_filter->setGeometry(0, toolbarHeight, area.width(), filterHeight);
    m_tree->setGeometry(0, toolbarHeight + filterHeight, area.width(),
                        std::max(0, area.height() - toolbarHeight - filterHeight));
}

void PaneStack::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOut();
}
