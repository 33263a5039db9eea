#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/IClipboard.h"

// A clipboard in memory, installed for the life of the object. It can be
// made unreachable or refusing, and hands out blocks larger than what was
// put, as the platform's memory blocks may be.
class FakeClipboard final : public IClipboard {
public:
    FakeClipboard() { SetClipboard(this); }
    ~FakeClipboard() override { SetClipboard(nullptr); }

    bool IsFormatAvailable(uint32_t format) override { return reachable && content.count(format) != 0; }
    bool GetData(uint32_t format, std::vector<uint8_t>& bytes) override
    {
        const auto it = content.find(format);
        if (!reachable || it == content.end())
            return false;
        bytes = it->second;
        bytes.resize(bytes.size() + blockSlack, 0);
        return true;
    }
    bool SetData(std::span<const FormatData> formats) override
    {
        ++sets;
        if (!reachable || refuseSet)
            return false;
        content.clear();
        for (const FormatData& data : formats)
            content[data.format] = data.bytes;
        return true;
    }

    std::map<uint32_t, std::vector<uint8_t>> content;
    bool reachable = true;
    bool refuseSet = false;
    size_t blockSlack = 0;
    int sets = 0;
};
