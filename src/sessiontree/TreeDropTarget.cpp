#include "sessiontree/TreeDropTarget.h"

#include <optional>

unsigned TreeDropTarget::OnDragEnter(std::span<const uint8_t> data, int x, int y)
{
    return OnDragOver(data, x, y);
}

unsigned TreeDropTarget::OnDragOver(std::span<const uint8_t> data, int x, int y)
{
    int yInRow = 0;
    int rowHeight = 0;
    const TreeItem item = HitTest(x, y, yInRow, rowHeight);
    if (item != m_hoverItem) {
        m_hoverItem = item;
        if (m_hoverTimer)
            StopTimer(kHoverTimerId);
        m_hoverTimer = item != kNoTreeItem;
        if (m_hoverTimer)
            StartTimer(kHoverTimerId, kHoverDelayMs);
    }
    if (yInRow < kDropEdgePixels)
        m_dropPosition = DropPosition::Before;
    else if (rowHeight - yInRow <= kDropEdgePixels)
        m_dropPosition = DropPosition::After;
    else
        m_dropPosition = DropPosition::Into;
    const unsigned effect = DragEffect(data, item);
    m_dropTarget = effect == kEffectNone ? kNoTreeItem : item;
    SetDropHighlight(m_dropTarget);
    return effect;
}

void TreeDropTarget::OnDragLeave()
{
    if (m_hoverTimer)
        StopTimer(kHoverTimerId);
    m_hoverTimer = false;
    m_hoverItem = kNoTreeItem;
    m_dropTarget = kNoTreeItem;
    SetDropHighlight(kNoTreeItem);
}

bool TreeDropTarget::OnDrop(std::span<const uint8_t> data, unsigned effect, int x, int y)
{
    const unsigned allowed = OnDragOver(data, x, y);
    const TreeItem target = m_dropTarget;
    const DropPosition position = m_dropPosition;
    const bool right = m_rightDrag;
    OnDragLeave();
    if (target == kNoTreeItem || allowed == kEffectNone)
        return false;
    if (right)
        effect = ShowDropMenu(kEffectCopy | kEffectMove, effect);
    if (effect != kEffectCopy && effect != kEffectMove)
        return false;
    std::optional<TreeClipboardRecord> record = TreeClipboardRecord::Parse(data);
    if (!record)
        return false;
    record->isCut = effect == kEffectMove;
    return PasteRecord(*record, target, position);
}

unsigned TreeDropTarget::ShowDropMenu(unsigned, unsigned)
{
    return kEffectNone;
}

void TreeDropTarget::OnDragScroll(int, int y)
{
    if (y < kEdgeScrollPixels)
        ScrollLines(-1);
    else if (y >= GetVisibleHeight() - kEdgeScrollPixels)
        ScrollLines(1);
}

TreeItem TreeDropTarget::EndHover()
{
    StopTimer(kHoverTimerId);
    m_hoverTimer = false;
    return m_hoverItem;
}
