#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Export.h"

class QIcon;

// What stands in for registering a window class: a named record of how the
// library's top-level dialogs look, found again by the dialogs that use it.
struct WindowClassInfo {
    std::u16string name;
    unsigned style = 0;
    int dialogExtraBytes = 30;
    const QIcon* icon = nullptr; // owned by the host, which outlives the class
    bool arrowCursor = true;
    bool windowBackground = true;
};

// 0 when registered, kErrorClassAlreadyExists when a class of that name
// (compared without regard to case) is there already; the first stays.
uint32_t RegisterWindowClass(const WindowClassInfo& info);
const WindowClassInfo* FindWindowClass(std::u16string_view name);
