#pragma once
// Helpers for driving a GranularEngine directly: a recording host callback,
// WAV files written on the spot, MIDI event lists and output buffers.

#include "engine/GranularEngine.h"
#include "TestWavFiles.h"

#include <cstdint>
#include <string>
#include <vector>

// The host side: records every call and answers the version request.
struct RecordedCall {
    int32_t opcode;
    int32_t index;
    VstIntPtr value;
    float opt;
};
std::vector<RecordedCall>& recordedCalls();
VstIntPtr recordingHost(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);

// A VstEvents list that stays valid until destroyed.
class EventList {
public:
    void add(int32_t deltaFrames, int status, int data1, int data2);
    void addNonMidi(int32_t deltaFrames);
    VstEvents* events();
    size_t size() const { return events_.size(); }

private:
    std::vector<VstMidiEvent> events_;
    std::vector<unsigned char> storage_;
};

// Two output channels plus guard areas either side that must stay untouched.
class Outputs {
public:
    explicit Outputs(int32_t frames, float fill = 0.0f);
    float** pointers() { return pointers_; }
    const float* left() const { return left_.data() + kGuard; }
    const float* right() const { return right_.data() + kGuard; }
    bool guardsIntact() const;

private:
    static constexpr int32_t kGuard = 16;
    static constexpr float kGuardValue = 12345.0f;
    std::vector<float> left_;
    std::vector<float> right_;
    float* pointers_[2];
};

// Renders `frames` frames into fresh zeroed buffers and returns the left channel.
std::vector<float> render(GranularEngine& engine, int32_t frames);
