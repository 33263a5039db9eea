#pragma once

#include <cstdint>
#include <functional>

#include "core/Export.h"

// Timers for logic that waits on the user-interface thread (a delay before
// filtering, a hover before expanding, a poll for changes). The Qt layer
// installs timers on the event loop; without it there is no loop to run
// them, so a timer is accepted and never fires.
class ITimers {
public:
    using Callback = std::function<void()>;
    virtual ~ITimers() = default;
    // Runs `callback` after `milliseconds`, once or every time until
    // stopped. The id is never 0.
    virtual uint64_t Start(uint32_t milliseconds, bool repeat, Callback callback) = 0;
    // Stopping an id that fired (once) or was never given does nothing.
    virtual void Stop(uint64_t id) = 0;
};

ORV_EXPORT ITimers& GetTimers();
// Null restores the default. The caller keeps ownership.
ORV_EXPORT void SetTimers(ITimers* timers);
