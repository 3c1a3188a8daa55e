#pragma once
// What the panel shows of the sounding voices: once per block the audio
// thread copies each voice's start point and live grains into a snapshot
// and hands it to the editor, which reads it at its idle calls.

#include <atomic>
#include <cstdint>

struct GrainSnapshot {
    static constexpr int32_t kMaxVoices = 24; // the twelve voices and the stolen notes fading out
    static constexpr int32_t kMaxGrains = 32;

    struct Grain {
        int32_t position; // read position in the sample, in frames
        int32_t age;      // output samples since the grain started
    };

    struct Voice {
        bool takingGrains;   // playing, not releasing or fading: new grains start at startPoint
        int32_t startPoint;  // frame the next grain starts from
        int32_t scatter;     // Random: grains start up to this many frames after it
        int32_t grainLength; // output samples a grain lives
        int32_t grainCount;
        Grain grains[kMaxGrains]; // oldest first
    };

    uint32_t sampleSerial = 0; // the loaded sample the positions refer to; 0 for none
    int32_t sampleLength = 0;  // its frames
    int32_t voiceCount = 0;    // sounding voices, packed at the front
    Voice voices[kMaxVoices] = {};
};

// Hands snapshots from one writer (the audio thread) to one reader (the
// editor) through three slots: the writer fills its own slot and swaps it
// with the middle one; the reader swaps its slot with the middle one when
// that holds a newer snapshot. Each side only ever touches a slot the other
// cannot reach, so a snapshot is never read half-written, and neither side
// locks, allocates or waits.
class GrainSnapshotExchange {
public:
    // Writer: the slot to fill, completely, before each publish.
    GrainSnapshot& writable() { return slots_[back_]; }
    void publish() { back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & kSlotMask; }

    // Reader: takes the newest published snapshot; false when there is none
    // since the last take. latest() stays valid and unchanged until the next take.
    bool take()
    {
        if ((middle_.load(std::memory_order_relaxed) & kFresh) == 0)
            return false;
        front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kSlotMask;
        return true;
    }
    const GrainSnapshot& latest() const { return slots_[front_]; }

private:
    static constexpr uint32_t kSlotMask = 3;
    static constexpr uint32_t kFresh = 4;

    GrainSnapshot slots_[3];
    uint32_t back_ = 0;  // writer only
    std::atomic<uint32_t> middle_{1};
    uint32_t front_ = 2; // reader only
};
