#pragma once

#include <cstdint>
#include <span>

#include "core/Export.h"
#include "sessiontree/ITreeOleDropTargetSink.h"
#include "sessiontree/TreeClipboardRecord.h"
#include "sessiontree/TreeItem.h"

// Where a drop lands relative to its target row.
enum class DropPosition { Before, Into, After };

// What a tree does while a drag passes over it: the row under the pointer
// and which part of it (the top and bottom edges mean before and after),
// the highlight of a row that takes the drop, a folder that opens when the
// pointer rests on it, and scrolling near the edges. The session tree and
// the command tree differ only in what they take.
class ORV_EXPORT TreeDropTarget : public ITreeOleDropTargetSink {
public:
    static constexpr int kHoverTimerId = 0x4854; // "HT"
    static constexpr uint32_t kHoverDelayMs = 750;
    static constexpr int kEdgeScrollPixels = 10;
    static constexpr int kDropEdgePixels = 3;

    unsigned OnDragEnter(std::span<const uint8_t> data, int x, int y) override;
    unsigned OnDragOver(std::span<const uint8_t> data, int x, int y) override;
    void OnDragLeave() override;
    // A drop where the last move allowed one: a right drop asks first, then
    // the record is pasted as a copy or a move (a cut).
    bool OnDrop(std::span<const uint8_t> data, unsigned effect, int x, int y) override;
    void OnDragScroll(int x, int y) override;
    virtual bool PasteRecord(const TreeClipboardRecord& record, TreeItem target, DropPosition position) = 0;

protected:
    // The effect a drop of `data` on `target` would have (kEffectNone: none).
    virtual unsigned DragEffect(std::span<const uint8_t> data, TreeItem target) const = 0;
    virtual void SetDropHighlight(TreeItem item) = 0;
    // The item at a point, and where in its row the point lies (0 at the
    // top) with the row's height.
    virtual TreeItem HitTest(int x, int y, int& yInRow, int& rowHeight) const = 0;
    virtual int GetVisibleHeight() const = 0;
    virtual void ScrollLines(int lines) = 0;
    virtual void StartTimer(int id, uint32_t milliseconds) = 0;
    virtual void StopTimer(int id) = 0;
    // The right-drop menu; returns the chosen effect or kEffectNone.
    virtual unsigned ShowDropMenu(unsigned allowedEffects, unsigned defaultEffect);

    // The hover timer fired: the item the pointer rests on, or kNoTreeItem.
    TreeItem EndHover();

    TreeItem m_hoverItem = kNoTreeItem;
    bool m_hoverTimer = false;
    DropPosition m_dropPosition = DropPosition::Into;
    TreeItem m_dropTarget = kNoTreeItem;
    bool m_rightDrag = false; // the drag began with the right button
};
