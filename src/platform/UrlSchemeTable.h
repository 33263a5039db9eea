#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The URL schemes a connection can be given by, with their numbers and
// default ports (0: none).
struct UrlSchemeRow {
    const char16_t* scheme;
    int number;
    uint16_t defaultPort;
};

std::span<const UrlSchemeRow> GetUrlSchemeTable();
// The row of `scheme`, compared without regard to case; null when unknown.
const UrlSchemeRow* FindUrlScheme(std::u16string_view scheme);
