// MIDI: the block's events, the messages, capability answers.
#include "engine/GranularEngine.h"

#include <cstring>

int32_t GranularEngine::processEvents(VstEvents* events)
{
    // Events still pending from an earlier call are replaced, not added to.
    int32_t kept = 0;
    if (events != nullptr) {
        // The host allocates room for every event past the two declared ones.
        VstEvent* const* list = vstEventPointers(events);
        for (int32_t i = 0; i < events->numEvents && kept < kMaxPendingEvents; ++i) {
            VstEvent* event = list[i];
            if (event != nullptr && event->type == kVstMidiType)
                pendingEvents_[kept++] = reinterpret_cast<VstMidiEvent*>(event);
        }
    }
    pendingCount_ = kept;
    return 1;
}

void GranularEngine::handleMidiMessage(int32_t status, int32_t data1, int32_t data2)
{
    switch (status) {
    case 0x90:
        if (data2 > 0) {
            const int32_t slot = allocator_.allocate(data1);
            // File frames per output sample, formed as it always was so that
            // every render keeps its floats.
            const float rate = noteRatio_[data1] / audioRate_ * static_cast<float>(sampleFileRate_);
            voices_[slot].noteOn(rate);
            break;
        }
        [[fallthrough]]; // velocity 0 is a note-off
    case 0x80: {
        const int32_t slot = allocator_.releaseNote(data1);
        if (slot >= 0)
            voices_[slot].release();
        break;
    }
    case 0xB0:
        if (data1 == 123) {
            allocator_.releaseAll();
            for (GrainVoice& voice : voices_)
                voice.release();
        }
        break;
    case 0xE0: {
        // The wheel drives Speed; the low byte counts 1/127 of a high-byte
        // step, so centre, top and bottom give exactly 0.5, 1.0 and 0.0.
        const float value = (static_cast<float>(data2) + static_cast<float>(data1) * (1.0f / 127.0f)) * (1.0f / 128.0f);
        setParameterAutomated(kSpeed, value);
        break;
    }
    default:
        break;
    }
}

int32_t GranularEngine::canDo(char* text)
{
    if (text != nullptr && (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0))
        return 1;
    return -1;
}

void GranularEngine::resume()
{
    wantEvents(1);
}
