#pragma once

#include <optional>
#include <string_view>

// A release date as hosts write their build's: a three-letter month name
// (any letter case), the day and the year, separated by blanks ("Jan 05
// 2024"), read as "%3s %d %d" reads it. Valid: a known month, a day from 1
// to 31 and a year from 1901 on.
struct ReleaseDate {
    int year = 0;
    int month = 0; // 1 to 12
    int day = 0;
};

std::optional<ReleaseDate> ParseReleaseDate(std::string_view text);
