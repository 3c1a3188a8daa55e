#pragma once
// What one render plays: the host sample rate, the sample, the parameter
// values set before frame 0 and the timed events. Filled from a score, a
// MIDI file or the built-in demo phrase.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ParamSetting {
    int32_t index = 0;
    float value = 0.0f;
};

// A MIDI message of up to three bytes, or a host parameter change.
struct TimedEvent {
    enum class Kind { midi, param };

    int64_t frame = 0;
    Kind kind = Kind::midi;
    uint8_t midi[3] = {0, 0, 0};
    ParamSetting param;

    static TimedEvent midiMessage(int64_t frame, uint8_t status, uint8_t data1, uint8_t data2)
    {
        TimedEvent e;
        e.frame = frame;
        e.midi[0] = status;
        e.midi[1] = data1;
        e.midi[2] = data2;
        return e;
    }

    static TimedEvent paramChange(int64_t frame, int32_t index, float value)
    {
        TimedEvent e;
        e.frame = frame;
        e.kind = Kind::param;
        e.param = {index, value};
        return e;
    }
};

struct RenderPlan {
    std::optional<uint32_t> sampleRate;    // from the score; else the command line
    std::optional<std::string> samplePath;  // from the score; overrides --sample
    std::vector<ParamSetting> initialParams;
    std::vector<TimedEvent> events;         // in frame order, ties in given order
    std::optional<int64_t> lengthFrames;    // exact length; no tail is added
};

// Puts events in frame order, keeping the given order within one frame.
void sortEvents(std::vector<TimedEvent>& events);

// Frame of the last event, or 0 when there is none.
int64_t lastEventFrame(const RenderPlan& plan);
