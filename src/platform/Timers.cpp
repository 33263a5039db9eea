#include "platform/Timers.h"

namespace {
class NoLoopTimers final : public ITimers {
public:
    uint64_t Start(uint32_t, bool, Callback) override { return ++m_next; }
    void Stop(uint64_t) override {}

private:
    uint64_t m_next = 0;
};
NoLoopTimers g_none;
ITimers* g_timers = &g_none;
} // namespace

ITimers& GetTimers()
{
    return *g_timers;
}

void SetTimers(ITimers* timers)
{
    g_timers = timers ? timers : &g_none;
}
