#pragma once

#include <cstdint>

#include "core/Export.h"

// Time as the platform's file time: 100-nanosecond ticks since 1 January
// 1601, UTC. Code that compares dates reads the time through GetClock so
// that tests can set it.
inline constexpr int64_t kFileTimeTicksPerSecond = 10'000'000;
inline constexpr int64_t kFileTimeOfUnixEpoch = 116'444'736'000'000'000;
inline constexpr int64_t kSecondsPerDay = 86'400;

constexpr int64_t UnixTimeToFileTime(uint32_t seconds)
{
    return static_cast<int64_t>(seconds) * kFileTimeTicksPerSecond + kFileTimeOfUnixEpoch;
}
constexpr uint32_t FileTimeToUnixTime(int64_t fileTime)
{
    return static_cast<uint32_t>((fileTime - kFileTimeOfUnixEpoch) / kFileTimeTicksPerSecond);
}

class IClock {
public:
    virtual ~IClock() = default;
    virtual int64_t NowFileTime() const = 0;
};

// The system's clock unless one was set.
IClock& GetClock();
// Null restores the system's clock. The caller keeps ownership.
void SetClock(IClock* clock);
