#pragma once

#include <cstdint>
#include <string_view>

// The local time zone, read once when the library starts (a later change
// of TZ does not move dates the library has to compare) unless a host or
// a test names another.
void ReadLocalTimeZone();
// An Olson name such as "Europe/Berlin"; false, and the zone unchanged,
// when the name is not known.
bool SetLocalTimeZone(std::string_view olsonName);

// Midnight at the start of a calendar day (month 1 to 12) in the local
// zone, as a file time (UTC). A day past its month's end runs on into the
// next month. False when the calendar cannot place the date.
bool LocalMidnightToFileTime(int year, int month, int day, int64_t& fileTime);
