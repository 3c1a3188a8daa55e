// MIDI: notes, controllers, pitch bend, and which voice a note takes.
#include "engine/GranularEngine.h"

#include "engine/TouchCurve.h"


void GranularEngine::handleMidiMessage(int32_t status, int32_t data1, int32_t data2)
{
    switch (status) {
    case 0x90:
        if (data2 > 0) {
            handleNoteOn(data1, data2);
            break;
        }
        [[fallthrough]]; // velocity 0 is a note-off
    case 0x80:
        handleNoteOff(data1);
        break;
    case 0xB0:
        handleController(data1, data2);
        break;
    case 0xE0: {
        // The wheel drives Speed; the low byte counts 1/127 of a high-byte
        // step, so centre, top and bottom give exactly 0.5, 1.0 and 0.0.
        const float value = (static_cast<float>(data2) + static_cast<float>(data1) * (1.0f / 127.0f)) * (1.0f / 128.0f);
        setParameter(kSpeed, value);
        if (listener_ != nullptr)
            listener_->parameterAutomated(kSpeed, value);
        break;
    }
    default:
        break;
    }
}

void GranularEngine::handleNoteOn(int32_t note, int32_t velocity)
{
    const bool classic = isClassic();
    const int32_t slot = allocator_.allocate(note);
    // A voice still sounding was taken from another note: its grains fade
    // out while the new note starts on it. A note struck at this very frame
    // has not sounded yet: it gives way without a fade, and never takes a
    // fade slot from a note the listener hears.
    const int64_t now = blockStartFrame_ + nextEventFrame_;
    if (!classic && voices_[slot].state() != GrainVoice::Idle && noteOnFrame_[slot] != now)
        fadeOutStolen(slot);
    noteOnFrame_[slot] = now;
    // File frames per output sample, formed as it always was so that
    // every render keeps its floats.
    const float rate = noteRatio_[note] / audioRate_ * static_cast<float>(sampleFileRate_);
    voices_[slot].noteOn(rate, classic ? 1.0f : squareLawGain(velocity));
}

void GranularEngine::handleNoteOff(int32_t note)
{
    // Under the pedal the release waits for the pedal to come up.
    if (pedalDown_ && !isClassic()) {
        allocator_.holdBack(note);
        return;
    }
    const int32_t slot = allocator_.releaseNote(note);
    if (slot >= 0)
        voices_[slot].release();
}

namespace {

// How loud a voice is now, as far as its level goes.
float levelOf(const GrainVoice& voice)
{
    switch (voice.state()) {
    case GrainVoice::Idle:
        return 0.0f;
    case GrainVoice::Fading:
        return GrainVoice::fadeLevel(voice.gain(), voice.fadeAge(), voice.fadeLength());
    default:
        return voice.gain();
    }
}

} // namespace

void GranularEngine::fadeOutStolen(int32_t slot)
{
    GrainVoice& stolen = voices_[slot];
    if (stolen.liveGrains() == 0)
        return;
    // A free fade slot, else the quietest fade; when even that one is
    // louder than the stolen note, the stolen note is the one cut.
    GrainVoice* fades = voices_ + kNumVoices;
    int32_t chosen = 0;
    for (int32_t f = 0; f < kNumFades; ++f) {
        if (fades[f].state() == GrainVoice::Idle) {
            chosen = f;
            break;
        }
        if (levelOf(fades[f]) < levelOf(fades[chosen]))
            chosen = f;
    }
    if (fades[chosen].state() != GrainVoice::Idle && levelOf(fades[chosen]) >= levelOf(stolen))
        return;
    fades[chosen].fadeOutFrom(stolen, fadeFrames_);
}

void GranularEngine::releasePedal()
{
    pedalDown_ = false;
    int32_t released[VoiceAllocator::kMaxSlots];
    const int32_t count = allocator_.releaseHeldBack(released);
    for (int32_t i = 0; i < count; ++i)
        voices_[released[i]].release();
}

void GranularEngine::handleController(int32_t controller, int32_t value)
{
    if (controller == 123) { // all notes off
        allocator_.releaseAll();
        for (int32_t v = 0; v < kNumVoices; ++v)
            voices_[v].release();
        return;
    }
    if (isClassic())
        return;
    switch (controller) {
    case 7:  // volume
    case 11: // expression
        (controller == 7 ? volume_ : expression_) = value;
        outputLevel_.rampTo(squareLawGain(volume_) * squareLawGain(expression_), rampFrames_);
        break;
    case 64: // sustain pedal
        if (value > 63)
            pedalDown_ = true;
        else if (pedalDown_)
            releasePedal();
        break;
    case 120: // all sound off: every voice fades out and is freed as it ends
        allocator_.releaseAll();
        for (int32_t v = 0; v < kNumVoices; ++v)
            voices_[v].fadeOut(fadeFrames_);
        break;
    case 121: // reset all controllers
        volume_ = 127;
        expression_ = 127;
        outputLevel_.rampTo(1.0f, rampFrames_);
        releasePedal();
        break;
    default:
        break;
    }
}
