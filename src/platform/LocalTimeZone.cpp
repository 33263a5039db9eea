#include "platform/LocalTimeZone.h"

#include <memory>
#include <string>

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include "platform/SystemClock.h"

namespace {

std::unique_ptr<icu::TimeZone>& Zone()
{
    static std::unique_ptr<icu::TimeZone> zone;
    return zone;
}

constexpr int64_t kMillisecondsPerTick = 10'000; // file-time ticks in a millisecond

} // namespace

void ReadLocalTimeZone()
{
    Zone().reset(icu::TimeZone::detectHostTimeZone());
}

bool SetLocalTimeZone(std::string_view olsonName)
{
    const icu::StringPiece name(olsonName.data(), static_cast<int32_t>(olsonName.size()));
    const icu::UnicodeString id = icu::UnicodeString::fromUTF8(name);
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(id));
    // ICU answers an unknown name with a zone named "Etc/Unknown".
    icu::UnicodeString found;
    icu::UnicodeString unknown;
    icu::TimeZone::getUnknown().getID(unknown);
    if (!zone || zone->getID(found) == unknown)
        return false;
    Zone() = std::move(zone);
    return true;
}

bool LocalMidnightToFileTime(int year, int month, int day, int64_t& fileTime)
{
    if (!Zone())
        ReadLocalTimeZone();
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(*Zone(), status);
    if (U_FAILURE(status))
        return false;
    calendar.clear();
    calendar.set(year, month - 1, day, 0, 0, 0);
    const UDate milliseconds = calendar.getTime(status); // since 1970, UTC
    // Beyond some twenty thousand years a file time would overflow.
    if (U_FAILURE(status) || milliseconds > 6e14 || milliseconds < -1.16e13)
        return false;
    fileTime = static_cast<int64_t>(milliseconds) * kMillisecondsPerTick + kFileTimeOfUnixEpoch;
    return true;
}
