#include "profile/store/OutsideChangeWatch.h"

#include <algorithm>
#include <vector>

#include "platform/Timers.h"
#include "profile/store/ProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"

namespace {

std::vector<OutsideChangeWatch*>& Watchers()
{
    static std::vector<OutsideChangeWatch*> watchers;
    return watchers;
}

uint64_t g_timer = 0;

VProfileStoreFactory* CurrentFactory()
{
    const ProfileStoreFactoryGetter getter = GetProfileStoreFactoryGetter();
    return getter ? getter() : nullptr;
}

} // namespace

OutsideChangeWatch::OutsideChangeWatch(Listener listener) : m_listener(std::move(listener))
{
    if (Watchers().empty()) {
        VStringArray before;
        if (VProfileStoreFactory* factory = CurrentFactory())
            factory->TakeOutsideChanges(before);
        g_timer = GetTimers().Start(kPollMs, true, &OutsideChangeWatch::Poll);
    }
    Watchers().push_back(this);
}

OutsideChangeWatch::~OutsideChangeWatch()
{
    std::erase(Watchers(), this);
    if (Watchers().empty()) {
        GetTimers().Stop(g_timer);
        g_timer = 0;
    }
}

void OutsideChangeWatch::Poll()
{
    VProfileStoreFactory* factory = CurrentFactory();
    VStringArray paths;
    if (!factory || !factory->TakeOutsideChanges(paths))
        return;
    // A watcher may end another while it hears (a window closed).
    for (OutsideChangeWatch* watcher : std::vector<OutsideChangeWatch*>(Watchers()))
        if (std::find(Watchers().begin(), Watchers().end(), watcher) != Watchers().end())
            watcher->m_listener(paths);
}

bool OutsideChangeWatch::Touches(const VStringArray& paths, std::u16string_view key)
{
    if (paths.IsEmpty())
        return true;
    const auto within = [](std::u16string_view below, std::u16string_view above) {
        return above.empty() || (below.size() >= above.size() &&
                                 VUnicodeString::CompareNoCase(below.substr(0, above.size()), above) == 0 &&
                                 (below.size() == above.size() || below[above.size()] == u'\\'));
    };
    // A key above it changed its children: the key itself may have come or gone.
    return std::any_of(paths.begin(), paths.end(),
                       [&](const VUnicodeString& path) { return within(path.str(), key) || within(key, path.str()); });
}
