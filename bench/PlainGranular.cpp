#include "bench/PlainGranular.h"

#include "engine/GrainVoice.h"
#include "engine/GrainWindow.h"
#include "engine/TouchCurve.h"

#include <cmath>

PlainGranular::PlainGranular(const float* left, const float* right, int32_t frames, const PlainSettings& settings)
    : left_(left), right_(right), length_(frames), settings_(settings)
{
}

void PlainGranular::render(const std::vector<ScoreEvent>& score, float* left, float* right, int32_t frames)
{
    size_t next = 0;
    for (int32_t frame = 0; frame < frames; ++frame) {
        while (next < score.size() && score[next].frame <= frame)
            handle(score[next++]);
        float sumLeft = 0.0f;
        float sumRight = 0.0f;
        for (int32_t v = 0; v < kVoices; ++v) {
            if (voices_[v].state != Idle)
                nextFrame(voices_[v], sumLeft, sumRight);
            if (voices_[v].state == Idle && allocator_.inUse(v))
                allocator_.freeSlot(v);
        }
        for (Voice& fade : fades_) {
            if (fade.state != Idle)
                nextFrame(fade, sumLeft, sumRight);
        }
        const float level = level_.next();
        left[frame] = keepNormal(sumLeft * 0.1f * level);
        right[frame] = keepNormal(sumRight * 0.1f * level);
    }
}

void PlainGranular::handle(const ScoreEvent& event)
{
    if (event.status == 0x90 && event.data2 > 0) {
        noteOn(event.data1, event.data2);
    } else if (event.status == 0x80 || event.status == 0x90) {
        if (pedal_) {
            allocator_.holdBack(event.data1);
        } else {
            const int32_t slot = allocator_.releaseNote(event.data1);
            if (slot >= 0 && voices_[slot].state == Playing)
                voices_[slot].state = Releasing;
        }
    } else if (event.status == 0xB0 && (event.data1 == 7 || event.data1 == 11)) {
        (event.data1 == 7 ? volume_ : expression_) = event.data2;
        level_.rampTo(squareLawGain(volume_) * squareLawGain(expression_), settings_.rampFrames);
    } else if (event.status == 0xB0 && event.data1 == 64) {
        if (event.data2 > 63) {
            pedal_ = true;
        } else if (pedal_) {
            pedal_ = false;
            int32_t released[VoiceAllocator::kMaxSlots];
            const int32_t count = allocator_.releaseHeldBack(released);
            for (int32_t i = 0; i < count; ++i) {
                if (voices_[released[i]].state == Playing)
                    voices_[released[i]].state = Releasing;
            }
        }
    }
}

void PlainGranular::noteOn(int32_t note, int32_t velocity)
{
    const int32_t slot = allocator_.allocate(note);
    Voice& voice = voices_[slot];
    // A voice still sounding hands its grains to a fade: a free one, else
    // the one nearest its end.
    if (voice.state != Idle && voice.count > 0) {
        int32_t chosen = 0;
        for (int32_t f = 0; f < kVoices; ++f) {
            if (fades_[f].state == Idle) {
                chosen = f;
                break;
            }
            if (fades_[f].fadeLength - fades_[f].fadeAge < fades_[chosen].fadeLength - fades_[chosen].fadeAge)
                chosen = f;
        }
        Voice& fade = fades_[chosen];
        fade = voice;
        if (fade.state == Playing || fade.state == Releasing) {
            fade.fadeAge = 0;
            fade.fadeLength = settings_.fadeFrames;
            fade.state = Fading;
        }
    }
    voice.gain = squareLawGain(velocity);
    voice.rate = settings_.noteRatio[note] / settings_.hostRate * settings_.fileRate;
    voice.nextStart = 0.0f;
    voice.count = 0;
    voice.frac = 0.0f;
    voice.state = Playing;
    // Grains seeded as if the voice had been playing for half a grain.
    const int32_t step = static_cast<int32_t>(static_cast<float>(settings_.spacing) * settings_.speed);
    int32_t age = settings_.grainLength / 2;
    while (age > 0 && voice.count < 32) {
        voice.grains[voice.count++] = Grain{static_cast<int32_t>(voice.nextStart), age};
        voice.nextStart = voice.nextStart + static_cast<float>(step);
        age -= settings_.spacing;
    }
    voice.countdown = -age;
}

void PlainGranular::dropOldest(Voice& voice)
{
    for (int32_t i = 1; i < voice.count; ++i)
        voice.grains[i - 1] = voice.grains[i];
    --voice.count;
}

void PlainGranular::startGrain(Voice& voice)
{
    if (voice.count == 32)
        dropOldest(voice);
    const int32_t offset = (scatter_.next() * settings_.randomRange) >> 15;
    voice.grains[voice.count++] = Grain{offset + static_cast<int32_t>(voice.nextStart), 0};
    voice.nextStart = voice.nextStart + static_cast<float>(settings_.spacing) * settings_.speed;
    const float length = static_cast<float>(length_);
    if (length < voice.nextStart) {
        voice.nextStart = voice.nextStart - length;
        if (length < voice.nextStart)
            voice.nextStart = std::fmod(voice.nextStart, length);
    }
    voice.countdown = settings_.spacing;
}

// Adds the voice's next frame to the sums.
void PlainGranular::nextFrame(Voice& voice, float& left, float& right)
{
    while (voice.count > 0 && voice.grains[0].age >= settings_.grainLength)
        dropOldest(voice);
    if ((voice.state == Releasing || voice.state == Fading) && voice.count == 0) {
        voice.state = Idle;
        return;
    }
    if (voice.state == Fading && voice.fadeAge >= voice.fadeLength) {
        voice.state = Idle;
        voice.count = 0;
        return;
    }
    if (voice.state == Playing && voice.countdown-- < 0)
        startGrain(voice);

    const float t = voice.rate + voice.frac;
    const int32_t advance = static_cast<int32_t>(t);
    voice.frac = t - static_cast<float>(advance);
    float sumLeft = 0.0f;
    float sumRight = 0.0f;
    for (int32_t i = 0; i < voice.count; ++i) {
        Grain& grain = voice.grains[i];
        grain.position += advance;
        if (grain.position >= length_)
            grain.position %= length_;
        int32_t index = static_cast<int32_t>(static_cast<float>(grain.age) * settings_.windowStep);
        if (index >= kGrainWindowSize)
            index = kGrainWindowSize - 1;
        const float w = grainWindow[index];
        ++grain.age;
        const int32_t p = grain.position;
        sumLeft += (left_[p] + (left_[p + 1] - left_[p]) * voice.frac) * w;
        if (right_ != nullptr)
            sumRight += (right_[p] + (right_[p + 1] - right_[p]) * voice.frac) * w;
    }
    const float level =
        voice.state == Fading ? GrainVoice::fadeLevel(voice.gain, voice.fadeAge++, voice.fadeLength) : voice.gain;
    left += sumLeft * level;
    right += (right_ != nullptr ? sumRight : sumLeft) * level;
}
