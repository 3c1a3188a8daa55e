#include "tools/render/DemoPhrase.h"

#include <cmath>

namespace {

constexpr double kBaseSpeed = 0.25;

struct Note {
    double start;   // seconds
    double length;  // seconds
    uint8_t note;
    uint8_t velocity;
};

// A minor, F major, C major, G major, back to A minor; a melody on top.
const Note kNotes[] = {
    {0.00, 1.70, 45, 90}, {0.00, 1.70, 57, 80}, {0.00, 1.70, 60, 80}, {0.00, 1.70, 64, 80},
    {0.90, 0.70, 69, 100},
    {1.75, 1.70, 41, 90}, {1.75, 1.70, 57, 80}, {1.75, 1.70, 60, 80}, {1.75, 1.70, 65, 80},
    {2.60, 0.80, 72, 100},
    {3.50, 1.70, 48, 90}, {3.50, 1.70, 55, 80}, {3.50, 1.70, 64, 80}, {3.50, 1.70, 67, 80},
    {4.35, 0.80, 76, 100},
    {5.25, 0.80, 43, 90}, {5.25, 0.80, 55, 80}, {5.25, 0.80, 59, 80}, {5.25, 0.80, 62, 80},
    {5.25, 0.80, 74, 95},
    {6.10, 1.10, 45, 95}, {6.10, 1.10, 57, 85}, {6.10, 1.10, 60, 85}, {6.10, 1.10, 64, 85},
    {6.10, 1.10, 69, 100},
};

// The wheel is the Speed parameter. The phrase starts at a quarter (the
// grains crawl through the sample at half its speed), rises to near the top
// over the C chord, so that the words rush past, falls back, dips to a near
// standstill over the G chord and returns for the last chord.
double bendAt(double seconds)
{
    auto ramp = [](double t, double t0, double t1) { return std::fmin(1.0, std::fmax(0.0, (t - t0) / (t1 - t0))); };
    double up = ramp(seconds, 3.5, 4.3) - ramp(seconds, 4.6, 5.3);
    double down = ramp(seconds, 5.3, 5.6) - ramp(seconds, 5.9, 6.1);
    return kBaseSpeed + 0.45 * up - 0.2 * down;
}

}  // namespace

RenderPlan demoPhrase(uint32_t sampleRate)
{
    RenderPlan plan;
    // Speed as the wheel leaves it between bends; Random spreads the voices'
    // grain starts a little so that chord notes do not all read the same frames.
    plan.initialParams = {{0, float(kBaseSpeed)}, {3, 0.4f}};
    auto frameAt = [&](double seconds) { return int64_t(std::llround(seconds * sampleRate)); };
    for (const Note& n : kNotes) {
        plan.events.push_back(TimedEvent::midiMessage(frameAt(n.start), 0x90, n.note, n.velocity));
        plan.events.push_back(TimedEvent::midiMessage(frameAt(n.start + n.length), 0x80, n.note, 64));
    }
    // Bend in 20 ms steps; the low byte carries the fine part of the wheel.
    int lastValue = -1;
    for (double t = 3.5; t <= 6.12; t += 0.02) {
        int value = int(std::lround(bendAt(t) * 16383.0));
        if (value == lastValue)
            continue;
        lastValue = value;
        plan.events.push_back(TimedEvent::midiMessage(frameAt(t), 0xE0, uint8_t(value & 0x7F), uint8_t(value >> 7)));
    }
    int rest = int(std::lround(kBaseSpeed * 16383.0));
    plan.events.push_back(TimedEvent::midiMessage(frameAt(6.12), 0xE0, uint8_t(rest & 0x7F), uint8_t(rest >> 7)));
    sortEvents(plan.events);
    return plan;
}
