#include "editor/GrainColumns.h"

#include <algorithm>
#include <cmath>

#include "engine/GrainSnapshot.h"

namespace {

// The grain's raised-cosine envelope at its age, as a mark level.
uint8_t grainLevel(int32_t age, int32_t length) {
    if (length <= 0 || age < 0 || age >= length)
        return 0;
    const double envelope = 0.5 - 0.5 * std::cos(6.283185307179586 * age / length);
    return static_cast<uint8_t>(std::lround(envelope * grainLevels));
}

}  // namespace

void placeGrains(const GrainSnapshot& snapshot, ColumnLook* looks, int32_t columns) {
    std::fill(looks, looks + columns, ColumnLook{});
    const int64_t frames = snapshot.sampleLength;
    if (frames <= 0 || columns <= 0)
        return;
    auto columnOf = [&](int64_t frame) {
        frame = std::clamp<int64_t>(frame, 0, frames - 1);
        return static_cast<int32_t>(frame * columns / frames);
    };
    const int32_t voices = std::clamp(snapshot.voiceCount, 0, GrainSnapshot::kMaxVoices);
    for (int32_t v = 0; v < voices; ++v) {
        const GrainSnapshot::Voice& voice = snapshot.voices[v];
        if (voice.takingGrains) {
            // Grains start up to scatter - 1 frames after the start point,
            // over the sample's end onto its beginning.
            const int64_t first = std::clamp<int64_t>(voice.startPoint, 0, frames - 1);
            const int64_t last = first + std::clamp<int64_t>(voice.scatter - 1, 0, frames - 1);
            for (int32_t c = columnOf(first); c <= columnOf(std::min(last, frames - 1)); ++c)
                looks[c].scatter = true;
            if (last >= frames) {
                for (int32_t c = 0; c <= columnOf(last - frames); ++c)
                    looks[c].scatter = true;
            }
            looks[columnOf(first)].start = true;
        }
        const int32_t grains = std::clamp(voice.grainCount, 0, GrainSnapshot::kMaxGrains);
        for (int32_t g = 0; g < grains; ++g) {
            ColumnLook& look = looks[columnOf(voice.grains[g].position)];
            look.grain = std::max(look.grain, grainLevel(voice.grains[g].age, voice.grainLength));
        }
    }
}
