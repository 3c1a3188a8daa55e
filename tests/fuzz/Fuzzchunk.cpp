// The program chunk as a host hands it back: any bytes and any size, as a
// bank or a single program, then saved again and played for one block.
#include "tests/fuzz/FuzzHost.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool isPreset = data[0] & 1;
    std::vector<uint8_t> chunk(data + 1, data + size); // exactly as long as declared
    AEffect* effect = fuzz::openEffect();
    if (effect == nullptr)
        return 0;
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    effect->dispatcher(effect, effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(chunk.size()),
                       chunk.empty() ? nullptr : chunk.data(), 0.0f);
    void* saved = nullptr;
    const VstIntPtr savedSize = effect->dispatcher(effect, effGetChunk, isPreset ? 1 : 0, 0, &saved, 0.0f);
    volatile uint8_t sum = 0;
    for (VstIntPtr i = 0; saved != nullptr && i < savedSize; ++i)
        sum = sum + static_cast<uint8_t*>(saved)[i];
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
