// The program chunk as a host hands it back: any bytes and any size, as a
// bank or a single program, with or without the extension and the sample
// files kept in it; then saved, restored from what was saved (which must
// save the same again) and played for one block.
//
// The first byte: bit 0 a preset rather than a bank; bit 1 two chunks in a
// row (a project, then an undo or an older preset), the first as long as
// the next two bytes say. When the second is taken, the save must be
// exactly what the second alone saves: nothing of the first may outlive it.
#include "tests/fuzz/FuzzHost.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> savedChunk(AEffect* effect, bool isPreset)
{
    void* saved = nullptr;
    const VstIntPtr size = effect->dispatcher(effect, effGetChunk, isPreset ? 1 : 0, 0, &saved, 0.0f);
    if (saved == nullptr || size <= 0)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(saved);
    return std::vector<uint8_t>(bytes, bytes + size);
}

// True when the chunk was taken (a refused one leaves the instance as it was).
bool restore(AEffect* effect, std::vector<uint8_t>& chunk, bool isPreset)
{
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    return effect->dispatcher(effect, effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(chunk.size()),
                              chunk.empty() ? nullptr : chunk.data(), 0.0f) != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::InputReader input(data, size);
    const uint8_t flags = input.take<uint8_t>();
    const bool isPreset = flags & 1;
    std::vector<uint8_t> first;
    if (flags & 2) {
        const size_t length = input.take<uint16_t>();
        first.assign(input.rest(), input.rest() + (length < input.left() ? length : input.left()));
        input.skip(first.size());
    }
    std::vector<uint8_t> chunk(input.rest(), input.rest() + input.left()); // exactly as long as declared
    std::vector<uint8_t> secondAlone;
    if (flags & 2) {
        AEffect* fresh = fuzz::openEffect();
        if (fresh == nullptr)
            return 0;
        restore(fresh, chunk, isPreset);
        secondAlone = savedChunk(fresh, isPreset);
        fuzz::closeEffect(fresh);
    }
    AEffect* effect = fuzz::openEffect();
    if (effect == nullptr)
        return 0;
    if (flags & 2)
        restore(effect, first, isPreset);
    const bool taken = restore(effect, chunk, isPreset);
    // Whatever was restored saves as a chunk that restores to the same.
    std::vector<uint8_t> saved = savedChunk(effect, isPreset);
    if ((flags & 2) && taken && saved != secondAlone)
        std::abort();
    effect->dispatcher(effect, effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(saved.size()),
                       saved.empty() ? nullptr : saved.data(), 0.0f);
    if (savedChunk(effect, isPreset) != saved)
        std::abort();
    for (int32_t index = 0; index < 4; ++index) {
        char text[64] = {};
        effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0.0f);
        effect->dispatcher(effect, effGetProgramNameIndexed, index, 0, text, 0.0f);
    }
    std::vector<float> left(256), right(256);
    float* outputs[2] = {left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outputs, 256);
    fuzz::closeEffect(effect);
    return 0;
}
