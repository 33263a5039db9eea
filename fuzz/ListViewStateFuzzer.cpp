// A stored list-view layout: any text reads as a layout, which formats and
// reads back unchanged.
#include <cstdint>
#include <cstdlib>

#include "profile/values/VProfileListViewState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text(reinterpret_cast<const char16_t*>(data), size / 2);
    const VProfileListViewState::Layout layout = VProfileListViewState::Parse(text);
    if (!layout.columns.IsEmpty() && !(VProfileListViewState::Parse(VProfileListViewState::Format(layout).str()) == layout))
        std::abort();
    return 0;
}
