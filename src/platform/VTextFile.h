#pragma once

#include <cstddef>
#include <cstdint>

#include "core/VStringArray.h"

// Reads and writes the text files the library shares with people: keymaps
// and menu files. Reading takes any of the byte-order marks (VTextDecoder);
// writing is UTF-8 without a mark, one line feed after each line.
class VTextFile {
public:
    static constexpr size_t kBlockSize = 4096;

    // Every line of the file at `path`. False with an errno value when the
    // file cannot be opened or read; `lines` is then left as it was.
    static bool ReadLines(const VUnicodeString& path, VStringArray& lines, int& error);

    // Writes `lines` to `path` through a new file in the same folder that is
    // renamed into place, so that a failed write never leaves a cut file
    // behind. An existing file keeps its permission bits. False with an
    // errno value on failure, the old file untouched.
    static bool WriteLines(const VUnicodeString& path, const VStringArray& lines, int& error);
};
