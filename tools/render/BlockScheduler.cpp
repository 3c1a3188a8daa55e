#include "tools/render/BlockScheduler.h"

#include <algorithm>

BlockScheduler::BlockScheduler(const std::vector<TimedEvent>& events, int64_t length, int32_t blockSize)
    : events_(events), length_(length), blockSize_(blockSize > 0 ? blockSize : 1)
{
}

int64_t BlockScheduler::nextParamFrameAfter(int64_t frame)
{
    while (nextParam_ < events_.size() &&
           (events_[nextParam_].kind != TimedEvent::Kind::param || events_[nextParam_].frame <= frame))
        ++nextParam_;
    return nextParam_ < events_.size() ? events_[nextParam_].frame : INT64_MAX;
}

bool BlockScheduler::next(RenderBlock& block)
{
    if (position_ >= length_)
        return false;
    const int64_t start = position_;
    block.startFrame = start;
    block.paramsBefore.clear();
    block.midi.clear();
    block.overfull = false;

    // Every event before start went out with an earlier block.
    for (size_t i = nextEvent_; i < events_.size() && events_[i].frame == start; ++i)
        if (events_[i].kind == TimedEvent::Kind::param)
            block.paramsBefore.push_back(events_[i].param);

    int64_t end = std::min({start + blockSize_, length_, nextParamFrameAfter(start)});
    size_t i = nextEvent_;
    for (; i < events_.size() && events_[i].frame < end; ++i) {
        const TimedEvent& e = events_[i];
        if (e.kind != TimedEvent::Kind::midi)
            continue;
        if (block.midi.size() >= kMaxEventsPerBlock && e.frame > start) {
            // Full: end the block at this event's frame and leave every
            // event of that frame to the next block.
            end = e.frame;
            while (!block.midi.empty() && start + block.midi.back().deltaFrames == end)
                block.midi.pop_back();
            while (i > nextEvent_ && events_[i - 1].frame == end)
                --i;
            break;
        }
        block.midi.push_back({int32_t(e.frame - start), {e.midi[0], e.midi[1], e.midi[2]}});
    }
    block.overfull = block.midi.size() > kMaxEventsPerBlock;
    nextEvent_ = i;
    block.frames = int32_t(end - start);
    position_ = end;
    return true;
}
