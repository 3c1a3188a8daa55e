#include "EngineTestSupport.h"

#include <cstring>

std::vector<RecordedCall>& recordedCalls()
{
    static std::vector<RecordedCall> calls;
    return calls;
}

VstIntPtr recordingHost(AEffect*, int32_t opcode, int32_t index, VstIntPtr value, void*, float opt)
{
    recordedCalls().push_back({opcode, index, value, opt});
    return opcode == audioMasterVersion ? 2400 : 0;
}

void EventList::add(int32_t deltaFrames, int status, int data1, int data2)
{
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof e;
    e.deltaFrames = deltaFrames;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    events_.push_back(e);
}

void EventList::addNonMidi(int32_t deltaFrames)
{
    VstMidiEvent e{};
    e.type = 6; // a system-exclusive record, say
    e.byteSize = sizeof e;
    e.deltaFrames = deltaFrames;
    e.midiData[0] = static_cast<char>(0x90);
    e.midiData[1] = 60;
    e.midiData[2] = 100;
    events_.push_back(e);
}

VstEvents* EventList::events()
{
    const size_t count = events_.size();
    storage_.assign(sizeof(VstEvents) + count * sizeof(VstEvent*), 0);
    VstEvents* list = reinterpret_cast<VstEvents*>(storage_.data());
    list->numEvents = static_cast<int32_t>(count);
    for (size_t i = 0; i < count; ++i)
        list->events[i] = reinterpret_cast<VstEvent*>(&events_[i]);
    return list;
}

Outputs::Outputs(int32_t frames, float fill)
    : left_(frames + 2 * kGuard, fill), right_(frames + 2 * kGuard, fill)
{
    for (int32_t i = 0; i < kGuard; ++i) {
        left_[i] = right_[i] = kGuardValue;
        left_[left_.size() - 1 - i] = right_[right_.size() - 1 - i] = kGuardValue;
    }
    pointers_[0] = left_.data() + kGuard;
    pointers_[1] = right_.data() + kGuard;
}

bool Outputs::guardsIntact() const
{
    for (int32_t i = 0; i < kGuard; ++i) {
        if (left_[i] != kGuardValue || right_[i] != kGuardValue)
            return false;
        if (left_[left_.size() - 1 - i] != kGuardValue || right_[right_.size() - 1 - i] != kGuardValue)
            return false;
    }
    return true;
}

std::vector<float> render(GranularEngine& engine, int32_t frames)
{
    Outputs out(frames);
    engine.process(nullptr, out.pointers(), frames);
    return std::vector<float>(out.left(), out.left() + frames);
}
