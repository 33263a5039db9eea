// A stored frame state: any text reads; a setter makes it well formed.
#include <cstdint>
#include <cstdlib>

#include "profile/values/VProfileExplorerFrameState.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const VUnicodeString text(std::u16string(reinterpret_cast<const char16_t*>(data), size / 2));
    VProfileExplorerFrameState frame(nullptr, u"Frame", &text);
    const int32_t second = frame.GetValue2();
    frame.SetValue3(7);
    if (frame.GetValue3() != 7 || frame.GetValue2() != second)
        std::abort();
    return 0;
}
