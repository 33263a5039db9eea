#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The system clipboard as the logic sees it: named private formats holding
// bytes. The Qt layer installs the real one (a format's name is its MIME
// type); tests install a fake.
class IClipboard {
public:
    struct FormatData {
        uint32_t format;
        std::vector<uint8_t> bytes;
    };

    virtual ~IClipboard() = default;

    // The number of the format named `name`: the same for every call of this
    // process, whichever clipboard is installed. 0 when it cannot be had.
    virtual uint32_t RegisterFormat(std::u16string_view name);
    // False also when the clipboard cannot be reached.
    virtual bool IsFormatAvailable(uint32_t format) = 0;
    // All the bytes held under `format` (the holder's block may be larger
    // than what was put). False when absent or unreadable.
    virtual bool GetData(uint32_t format, std::vector<uint8_t>& bytes) = 0;
    // Replaces the whole content by these formats, given together. False
    // when the clipboard cannot be set; it is then left as it was.
    virtual bool SetData(std::span<const FormatData> formats) = 0;
};

// The installed clipboard. Without one, a process has no clipboard: every
// read finds nothing and every write fails.
IClipboard& GetClipboard();
// Null restores "no clipboard". The caller keeps ownership.
void SetClipboard(IClipboard* clipboard);

// The process-wide table behind RegisterFormat: numbers from 0xC000 up, one
// per name (compared without regard to case), never reused.
uint32_t RegisterClipboardFormatName(std::u16string_view name);
// The name of a registered number, or empty.
std::u16string GetClipboardFormatName(uint32_t format);
