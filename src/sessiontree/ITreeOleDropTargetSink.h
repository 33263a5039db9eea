#pragma once

#include <cstdint>
#include <span>

// Where a tree's drop target reports a drag passing over it. `data` is the
// dragged "FolderTree2" bytes (empty when the drag carries none); `x`, `y`
// are in the tree's coordinates. The answers are drop effects.
class ITreeOleDropTargetSink {
public:
    enum Effect : unsigned { kEffectNone = 0, kEffectCopy = 1, kEffectMove = 2 };

    virtual ~ITreeOleDropTargetSink() = default;
    virtual unsigned OnDragEnter(std::span<const uint8_t> data, int x, int y) = 0;
    virtual unsigned OnDragOver(std::span<const uint8_t> data, int x, int y) = 0;
    virtual void OnDragLeave() = 0;
    virtual bool OnDrop(std::span<const uint8_t> data, unsigned effect, int x, int y) = 0;
    // Scrolls near the top and bottom edges while a drag hovers there.
    virtual void OnDragScroll(int x, int y) = 0;
};
