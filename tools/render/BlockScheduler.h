#pragma once
// Cuts a render into the host blocks it is played in. A block never spans a
// parameter change: a change at frame F ends the block before F and is
// applied before frame F is rendered, ahead of the MIDI events of frame F.
// A block also carries at most 100 MIDI events (what the plug-in keeps per
// list), so that how the render is cut never loses events.

#include "tools/render/RenderPlan.h"

#include <cstdint>
#include <vector>

struct BlockMidi {
    int32_t deltaFrames;
    uint8_t bytes[3];
};

struct RenderBlock {
    int64_t startFrame = 0;
    int32_t frames = 0;
    std::vector<ParamSetting> paramsBefore;  // applied before the block, in order
    std::vector<BlockMidi> midi;             // in order, offsets inside the block
    bool overfull = false;                   // more events at one frame than a list holds
};

inline constexpr size_t kMaxEventsPerBlock = 100;

class BlockScheduler {
public:
    // events must be in frame order (sortEvents); length in frames.
    BlockScheduler(const std::vector<TimedEvent>& events, int64_t length, int32_t blockSize);

    // The next block; false once the whole length has been handed out.
    bool next(RenderBlock& block);

    // The length of the blocks handed out from now on. 0 hands out a block
    // of no frames at the current position, as a host may run one.
    void setBlockSize(int32_t blockSize) { blockSize_ = blockSize > 0 ? blockSize : 0; }

private:
    int64_t nextParamFrameAfter(int64_t frame);

    const std::vector<TimedEvent>& events_;
    int64_t length_;
    int32_t blockSize_;
    int64_t position_ = 0;
    size_t nextEvent_ = 0;
    size_t nextParam_ = 0;
};
