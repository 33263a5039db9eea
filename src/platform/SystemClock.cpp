#include "platform/SystemClock.h"

#include <ctime>

namespace {

class SystemClock final : public IClock {
public:
    int64_t NowFileTime() const override
    {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return static_cast<int64_t>(now.tv_sec) * kFileTimeTicksPerSecond + now.tv_nsec / 100 +
               kFileTimeOfUnixEpoch;
    }
};

SystemClock g_system;
IClock* g_clock = &g_system;

} // namespace

IClock& GetClock()
{
    return *g_clock;
}

void SetClock(IClock* clock)
{
    g_clock = clock ? clock : &g_system;
}
