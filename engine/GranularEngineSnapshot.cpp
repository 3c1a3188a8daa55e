// The voices as the panel shows them, published once per block.
#include "engine/GranularEngine.h"

static_assert(GrainSnapshot::kMaxVoices == GranularEngine::kNumVoices + GranularEngine::kNumFades);
static_assert(GrainSnapshot::kMaxGrains == GrainVoice::kRingSize);

void GranularEngine::publishGrainSnapshot()
{
    GrainSnapshot& snapshot = grainSnapshots_.writable();
    const LoadedSample* sample = handOver_.current();
    snapshot.sampleSerial = sample != nullptr ? sample->serial : 0;
    snapshot.sampleLength = sampleLength_;
    int32_t count = 0;
    for (const GrainVoice& voice : voices_) { // fading stolen notes included
        if (voice.state() == GrainVoice::Idle)
            continue;
        GrainSnapshot::Voice& shown = snapshot.voices[count++];
        shown.takingGrains = voice.state() == GrainVoice::Playing;
        shown.startPoint = static_cast<int32_t>(voice.nextStart());
        shown.scatter = voice.randomRange();
        shown.grainLength = voice.grainLength();
        shown.grainCount = voice.liveGrains();
        for (int32_t i = 0; i < shown.grainCount; ++i) {
            const Grain& grain = voice.grain(i);
            shown.grains[i] = GrainSnapshot::Grain{grain.position, grain.age};
        }
    }
    snapshot.voiceCount = count;
    // Silence that was already shown is not shown again, so a panel left
    // open while nothing plays has nothing to take.
    const bool quiet = count == 0;
    if (quiet && publishedQuiet_ && snapshot.sampleSerial == publishedSerial_)
        return;
    publishedQuiet_ = quiet;
    publishedSerial_ = snapshot.sampleSerial;
    grainSnapshots_.publish();
}
