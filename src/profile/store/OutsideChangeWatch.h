#pragma once

#include <functional>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

// Changes other processes commit to the store, looked for on a timer of
// the user-interface thread while anyone watches. Each watcher hears of a
// change with the paths (below the root) of the keys whose values or
// children changed, or with none when the back end cannot tell which: then
// anything may have changed.
class ORV_EXPORT OutsideChangeWatch {
public:
    using Listener = std::function<void(const VStringArray& paths)>;
    static constexpr uint32_t kPollMs = 1000;

    // Watching starts now: what others committed before is no news.
    explicit OutsideChangeWatch(Listener listener);
    ~OutsideChangeWatch();
    OutsideChangeWatch(const OutsideChangeWatch&) = delete;
    OutsideChangeWatch& operator=(const OutsideChangeWatch&) = delete;

    // Asks the store now, as the timer does; each watcher hears of what came.
    static void Poll();
    // Whether any of `paths` lies at, below or above `key` (case ignored);
    // true for no paths at all.
    static bool Touches(const VStringArray& paths, std::u16string_view key);

private:
    Listener m_listener;
};
