#include "sample/WaveConvert.h"

#include <cstring>

namespace {

constexpr size_t kBufferBytes = 4096;

// Reads frames of frameBytes, at most blockFrames per read, and hands each
// frame's bytes with its index to store.
template <typename Store>
uint32_t convertBlocks(WaveInput& input, uint32_t frameCount, size_t frameBytes,
                       uint32_t blockFrames, Store store)
{
    unsigned char buffer[kBufferBytes];
    uint32_t done = 0;
    while (done < frameCount) {
        uint32_t wanted = frameCount - done < blockFrames ? frameCount - done : blockFrames;
        size_t got = readItems(input, buffer, frameBytes, wanted);
        if (got == 0)
            break;
        for (size_t i = 0; i < got; ++i)
            store(buffer + i * frameBytes, done + uint32_t(i));
        done += uint32_t(got);
    }
    return done;
}

}  // namespace

float float32FromBytes(const unsigned char* bytes)
{
    uint32_t word = readLe32(bytes);
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

uint32_t readMonoFloat32(WaveInput& input, float* left, uint32_t frameCount)
{
    return convertBlocks(input, frameCount, 4, 1024, [=](const unsigned char* frame, uint32_t i) {
        left[i] = float32FromBytes(frame);
    });
}

uint32_t readStereoFloat32(WaveInput& input, float* left, float* right, uint32_t frameCount)
{
    return convertBlocks(input, frameCount, 8, 512, [=](const unsigned char* frame, uint32_t i) {
        left[i] = float32FromBytes(frame);
        right[i] = float32FromBytes(frame + 4);
    });
}

uint32_t readMono24(WaveInput& input, float* left, uint32_t frameCount)
{
    return convertBlocks(input, frameCount, 3, 1024, [=](const unsigned char* frame, uint32_t i) {
        left[i] = pcm24ToFloat(frame);
    });
}

uint32_t readStereo24(WaveInput& input, float* left, float* right, uint32_t frameCount)
{
    return convertBlocks(input, frameCount, 6, 512, [=](const unsigned char* frame, uint32_t i) {
        left[i] = pcm24ToFloat(frame);
        right[i] = pcm24ToFloat(frame + 3);
    });
}

uint32_t readMono16(WaveInput& input, float* left, uint32_t frameCount)
{
    return convertBlocks(input, frameCount, 2, 1024, [=](const unsigned char* frame, uint32_t i) {
        left[i] = pcm16ToFloat(frame);
    });
}

uint32_t readStereo16(WaveInput& input, float* left, float* right, uint32_t frameCount)
{
    return convertBlocks(input, frameCount, 4, 1024, [=](const unsigned char* frame, uint32_t i) {
        left[i] = pcm16ToFloat(frame);
        right[i] = pcm16ToFloat(frame + 2);
    });
}
