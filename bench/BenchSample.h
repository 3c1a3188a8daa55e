#pragma once
// What the benchmarks play: the default sample, and a stereo float copy of it.

#include "engine/MidiMessage.h"

#include <cstdint>
#include <string>
#include <vector>

// The default sample as a stereo float file: the right channel is the left
// a few frames on, upside down. Written when made, removed when destroyed.
class StereoBenchSample {
public:
    StereoBenchSample();
    ~StereoBenchSample();
    StereoBenchSample(const StereoBenchSample&) = delete;
    StereoBenchSample& operator=(const StereoBenchSample&) = delete;
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

// A block's MIDI events as the instrument takes them.
class BenchEvents {
public:
    static constexpr int32_t kMaxEvents = 64;
    void clear() { count_ = 0; }
    // Adds a three-byte message at `frame` of the block; false when full.
    bool add(int32_t frame, int32_t status, int32_t data1, int32_t data2);
    int32_t count() const { return count_; }
    const MidiMessage* data() const { return events_; }

private:
    MidiMessage events_[kMaxEvents] = {};
    int32_t count_ = 0;
};
