// The effect as a hostile host drives it: any opcode with any index, value
// and opt, event lists of any length and content, parameters of any index
// and value, sample rates and block sizes of any number, and audio blocks of
// any size in between. Pointers are always to memory the host owns (that
// much every host guarantees), with text zero-terminated.
#include "tests/fuzz/FuzzHost.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kMaxFrames = 4096;

// Opcodes whose pointer must be something a fuzzer cannot make up: the
// editor's parent window, and the close that ends the instance.
bool skipped(int32_t opcode) { return opcode == effClose || opcode == effEditOpen; }

struct EventList {
    std::vector<VstMidiEvent> events;
    std::vector<VstIntPtr> storage;

    VstEvents* build(fuzz::InputReader& in)
    {
        const size_t count = in.take<uint16_t>() % 301;
        events.assign(count, VstMidiEvent{});
        for (VstMidiEvent& event : events) {
            const uint8_t kind = in.take<uint8_t>();
            event.type = kind < 240 ? kVstMidiType : kind;
            event.byteSize = in.take<uint8_t>();
            event.deltaFrames = (kind & 1) ? in.take<int32_t>() : in.take<uint16_t>() % kMaxFrames;
            for (char& byte : event.midiData)
                byte = static_cast<char>(in.take<uint8_t>());
        }
        const size_t slots = std::max<size_t>(count, 2);
        storage.assign(offsetof(VstEvents, events) / sizeof(VstIntPtr) + slots, 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<int32_t>(count);
        VstEvent** pointers = vstEventPointers(list);
        for (size_t i = 0; i < count; ++i)
            pointers[i] = (in.take<uint8_t>() == 0xFF) ? nullptr : reinterpret_cast<VstEvent*>(&events[i]);
        return list;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::InputReader in(data, size);
    AEffect* effect = fuzz::openEffect();
    if (effect == nullptr)
        return 0;
    std::vector<float> left(kMaxFrames), right(kMaxFrames);
    float* outputs[2] = {left.data(), right.data()};
    EventList list; // the host keeps it until the next block has been processed
    std::vector<char> buffer(4096), other(4096);
    for (int step = 0; step < 64 && in.left() > 0; ++step) {
        switch (in.take<uint8_t>() % 6) {
        case 0: { // any opcode
            const int32_t opcode = in.take<uint8_t>() % 80;
            const int32_t index = in.take<int32_t>();
            VstIntPtr value = in.take<int32_t>();
            const float opt = in.take<float>();
            if (skipped(opcode) || opcode == effProcessEvents)
                break;
            const size_t textLength = std::min<size_t>(in.left(), buffer.size() - 1);
            std::fill(buffer.begin(), buffer.end(), 0);
            std::copy(in.rest(), in.rest() + textLength, buffer.begin());
            in.skip(in.take<uint8_t>());
            if (opcode == effSetSpeakerArrangement || opcode == effSetChunk)
                value = opcode == effSetChunk ? std::clamp<VstIntPtr>(value, -8, 4095)
                                              : reinterpret_cast<VstIntPtr>(other.data());
            effect->dispatcher(effect, opcode, index, value, buffer.data(), opt);
            break;
        }
        case 1:
            effect->dispatcher(effect, effProcessEvents, 0, 0, list.build(in), 0.0f);
            break;
        case 2: {
            const int32_t frames = std::clamp<int32_t>(in.take<int16_t>(), -16, kMaxFrames);
            const float fill = in.take<float>();
            std::fill(left.begin(), left.end(), fill);
            std::fill(right.begin(), right.end(), fill);
            if (in.take<uint8_t>() & 1)
                effect->processReplacing(effect, nullptr, outputs, frames);
            else
                effect->process(effect, nullptr, outputs, frames);
            break;
        }
        case 3: {
            const int32_t index = in.take<int8_t>();
            effect->setParameter(effect, index, in.take<float>());
            break;
        }
        case 4:
            effect->getParameter(effect, in.take<int8_t>());
            break;
        case 5: {
            const float rate = in.take<float>();
            const int32_t block = in.take<int32_t>();
            switch (in.take<uint8_t>() % 3) {
            case 0: effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, rate); break;
            case 1: effect->dispatcher(effect, effSetBlockSize, 0, block, nullptr, 0.0f); break;
            default: effect->dispatcher(effect, effSetBlockSizeAndSampleRate, 0, block, nullptr, rate); break;
            }
            break;
        }
        }
    }
    fuzz::closeEffect(effect);
    return 0;
}
