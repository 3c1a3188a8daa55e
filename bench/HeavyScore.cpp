#include "bench/HeavyScore.h"

#include <algorithm>
#include <random>

std::vector<ScoreEvent> heavyScore(float rate, int32_t frames)
{
    std::vector<ScoreEvent> events;
    std::mt19937 random(2024);
    auto at = [&](double seconds) { return static_cast<int32_t>(seconds * rate); };
    auto velocity = [&] { return 40 + static_cast<int32_t>(random() % 88); };

    // Twelve notes at once, a few frames apart; then every 50 ms the oldest
    // goes up and a new one comes.
    std::vector<int32_t> held;
    for (int32_t n = 0; n < 12; ++n) {
        held.push_back(40 + 3 * n);
        events.push_back({7 * n, 0x90, held.back(), velocity()});
    }
    for (int32_t step = 1; at(0.05 * step) < frames; ++step) {
        const int32_t frame = at(0.05 * step) + static_cast<int32_t>(random() % 200);
        events.push_back({frame, 0x80, held.front(), 0});
        held.erase(held.begin());
        int32_t note;
        do
            note = 36 + static_cast<int32_t>(random() % 50);
        while (std::find(held.begin(), held.end(), note) != held.end());
        held.push_back(note);
        events.push_back({frame + 1, 0x90, note, velocity()});
    }
    // The pedal down for one second of every two, from the first second on.
    for (int32_t s = 1; at(s) < frames; ++s)
        events.push_back({at(s) + 11, 0xB0, 64, s % 2 ? 127 : 0});
    // Volume every 250 ms, expression every 700 ms.
    for (int32_t q = 1; at(0.25 * q) < frames; ++q)
        events.push_back({at(0.25 * q) + 5, 0xB0, 7, 60 + static_cast<int32_t>(random() % 68)});
    for (int32_t q = 1; at(0.7 * q) < frames; ++q)
        events.push_back({at(0.7 * q) + 3, 0xB0, 11, 80 + static_cast<int32_t>(random() % 48)});

    events.erase(std::remove_if(events.begin(), events.end(), [&](const ScoreEvent& e) { return e.frame >= frames; }),
                 events.end());
    std::stable_sort(events.begin(), events.end(),
                     [](const ScoreEvent& a, const ScoreEvent& b) { return a.frame < b.frame; });
    return events;
}
