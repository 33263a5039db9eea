// Every stored text arrives as UTF-8: conversion either raises or round-trips.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"
#include "core/VUnicodeString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    try {
        const std::u16string wide = Utf8ToUtf16(input);
        if (Utf16ToUtf8(wide) != input)
            std::abort();
        // The comparisons must be total and consistent on whatever was read.
        const size_t half = wide.size() / 2;
        const std::u16string_view a(wide.data(), half);
        const std::u16string_view b(wide.data() + half, wide.size() - half);
        if (VUnicodeString::CompareNoCase(a, b) != -VUnicodeString::CompareNoCase(b, a))
            std::abort();
        if (VUnicodeString::CompareLogical(a, a) != 0)
            std::abort();
        VUnicodeString::CompareLogical(a, b);
    } catch (const IllegalSequence&) {
    }
    return 0;
}
