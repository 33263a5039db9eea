#pragma once

#include <cstdint>

// A top-level window's placement: eleven 32-bit fields, 44 bytes when
// stored, in the order the platform the records were first written on
// keeps them.
struct VWindowPlacement {
    uint32_t length = 44;
    uint32_t flags = 0;
    uint32_t showCommand = 1; // shown normally
    int32_t minPositionX = -1;
    int32_t minPositionY = -1;
    int32_t maxPositionX = -1;
    int32_t maxPositionY = -1;
    int32_t normalLeft = 0;
    int32_t normalTop = 0;
    int32_t normalRight = 0;
    int32_t normalBottom = 0;

    bool operator==(const VWindowPlacement&) const = default;
    bool HasSize() const { return normalRight > normalLeft && normalBottom > normalTop; }
};
static_assert(sizeof(VWindowPlacement) == 44);
