#pragma once

#include <cstdint>

// An item of the control: an id the control gives out once and never
// again. A handle kept after its item was removed names nothing: every item
// operation takes it as no item, so remembering one can never reach freed
// memory.
using TreeItem = uintptr_t;
inline constexpr TreeItem kNoTreeItem = 0;
