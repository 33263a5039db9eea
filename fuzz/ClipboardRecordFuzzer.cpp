// A "FolderTree2" record from the clipboard or a drag may come from any
// program: it is read whole or not at all, and what is read writes back
// to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sessiontree/TreeClipboardRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto record = TreeClipboardRecord::Parse(std::span(data, size));
    if (!record)
        return 0;
    const std::vector<uint8_t> again = record->Serialize();
    // Flags may be any non-zero byte and trailing bytes are ignored, so
    // compare by reading the rewrite back.
    const auto reread = TreeClipboardRecord::Parse(again);
    if (!reread || reread->Serialize() != again || again.size() > size)
        std::abort();
    return 0;
}
