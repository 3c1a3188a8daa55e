#pragma once
// What the vector kernels share: which of a voice's grains sound in a block
// of frames. Scalar code only, so each kernel inlines it under its own
// instruction set.

#include "engine/GrainRenderer.h"

#include <algorithm>
#include <climits>
#include <cstdint>

// The grains of one voice that sound in the block of frames [f0, f0 + width),
// as three stretches of the span list, oldest first. Spans begin in list
// order and end in list order too (the oldest grain always goes first), so
// the grains that end inside the block come first, then those that sound
// through all of it, then those that begin inside it; only the first and
// the last stretch have lanes to clear. A grain that both begins and ends
// inside the block is in the first.
class BlockGrains {
public:
    // Blocks of `width` frames from frame 0 on.
    BlockGrains(const GrainRenderer::Span* spans, int32_t count, int32_t width)
        : spans_(spans), count_(count), width_(width), young_(count), born_(count)
    {
        // Most grains began before the run: the ones beginning in the first
        // block are found from the end.
        while (young_ > 0 && spans_[young_ - 1].birth > 0)
            --young_;
        while (born_ > 0 && spans_[born_ - 1].birth >= width)
            --born_;
    }

    // Moves on to the block at f0; blocks come in frame order.
    void moveTo(int32_t f0)
    {
        if (f0 >= nextChange_)
            advanceTo(f0);
    }

    // [endingFrom, wholeFrom): the grains that end inside the block.
    int32_t endingFrom() const { return live_; }
    // [wholeFrom, wholeTo): the grains that sound through the whole block.
    int32_t wholeFrom() const { return whole_; }
    int32_t wholeTo() const { return young_ > whole_ ? young_ : whole_; }
    // [wholeTo, bornTo): the grains that begin inside the block.
    int32_t bornTo() const { return born_; }

private:
    void advanceTo(int32_t f0)
    {
        const int32_t width = width_;
        const int32_t end = f0 + width;
        while (live_ < count_ && spans_[live_].death <= f0)
            ++live_;
        while (whole_ < count_ && spans_[whole_].death < end)
            ++whole_;
        while (young_ < count_ && spans_[young_].birth <= f0)
            ++young_;
        while (born_ < count_ && spans_[born_].birth < end)
            ++born_;
        // The first block at which any of the four can move on.
        nextChange_ = INT_MAX;
        if (live_ < count_)
            nextChange_ = std::min(nextChange_, spans_[live_].death);
        if (whole_ < count_)
            nextChange_ = std::min(nextChange_, spans_[whole_].death - width + 1);
        if (young_ < count_)
            nextChange_ = std::min(nextChange_, spans_[young_].birth);
        if (born_ < count_)
            nextChange_ = std::min(nextChange_, spans_[born_].birth - width + 1);
    }

    const GrainRenderer::Span* spans_;
    int32_t count_;
    int32_t width_;
    int32_t live_ = 0;  // the first grain still sounding at f0
    int32_t whole_ = 0; // the first grain that sounds past the block
    int32_t young_;     // the first grain that begins after f0
    int32_t born_;      // the first grain that begins after the block
    int32_t nextChange_ = INT_MIN;
};

// One grain of a run as the kernels read it.
struct GrainRow {
    // Its position at a frame is this plus the voice's travel up to there,
    // modulo the sample's length.
    intptr_t anchor;
    // Minus its birth frame: where its envelope weights stand against the
    // run's frames.
    intptr_t weightAt;
};

// The grains of a run as the kernels read them.
struct GrainRows {
    GrainRow row[GrainRenderer::kMaxGrains];

    explicit GrainRows(const GrainRenderer::VoiceRun& run)
    {
        for (int32_t i = 0; i < run.grainCount; ++i)
            row[i] = GrainRow{run.grains[i].anchor, -static_cast<intptr_t>(run.grains[i].birth)};
    }
};
