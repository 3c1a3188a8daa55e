#include "tools/render/RenderPlan.h"

#include <algorithm>

void sortEvents(std::vector<TimedEvent>& events)
{
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.frame < b.frame; });
}

int64_t lastEventFrame(const RenderPlan& plan)
{
    int64_t last = 0;
    for (const TimedEvent& e : plan.events)
        last = std::max(last, e.frame);
    return last;
}
