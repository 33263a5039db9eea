#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/Export.h"
#include "core/VStringArray.h"

// What Copy, Cut and a drag hand to another tree: the items' paths and
// where they came from, in the "FolderTree2" clipboard and drag format.
struct ORV_EXPORT TreeClipboardRecord {
    static constexpr uint16_t kVersion = 2;
    static constexpr const char16_t* kFormatName = u"FolderTree2";

    struct Entry {
        VUnicodeString first;
        VUnicodeString second;
        uint32_t value = 0;
    };

    uint16_t version = kVersion;
    VUnicodeString sourceIdentity; // a paste is taken only from the same database
    VStringArray paths;            // in selection order
    std::vector<Entry> entries;    // other trees' use; the session tree leaves it empty
    bool isCut = false;
    bool hasSessions = false;
    bool hasFolders = false;
    bool spare = false;

    // Big-endian integers; strings as a 32-bit byte count and UTF-8.
    std::vector<uint8_t> Serialize() const;
    // Nothing when the version is not ours or any field is short or not
    // valid UTF-8: a record from elsewhere is ignored, never half-read.
    static std::optional<TreeClipboardRecord> Parse(std::span<const uint8_t> bytes);
};
