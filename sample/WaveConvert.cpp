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

// 2^-7: an 8-bit sample is unsigned, 128 being silence.
constexpr float kPcm8Scale = 0.0078125f;

float pcm8ToFloat(const unsigned char* bytes)
{
    return float(int(bytes[0]) - 128) * kPcm8Scale;
}

float pcm32ToFloat(const unsigned char* bytes)
{
    return float(int32_t(readLe32(bytes))) * kPcm24Scale;
}

float float64ToFloat(const unsigned char* bytes)
{
    uint64_t word = uint64_t(readLe32(bytes)) | (uint64_t(readLe32(bytes + 4)) << 32);
    double value;
    std::memcpy(&value, &word, sizeof value);
    return float(value);
}

using Decoder = float (*)(const unsigned char*);

Decoder decoderOf(SampleEncoding encoding)
{
    switch (encoding) {
    case SampleEncoding::pcm8: return pcm8ToFloat;
    case SampleEncoding::pcm16: return pcm16ToFloat;
    case SampleEncoding::pcm24: return pcm24ToFloat;
    case SampleEncoding::pcm32: return pcm32ToFloat;
    case SampleEncoding::float32: return float32FromBytes;
    case SampleEncoding::float64: return float64ToFloat;
    case SampleEncoding::unsupported: break;
    }
    return nullptr;
}

}  // namespace

uint32_t readMixedToMono(WaveInput& input, SampleEncoding encoding, uint32_t channels, float* left,
                         uint32_t frameCount)
{
    const Decoder decode = decoderOf(encoding);
    const uint32_t width = sampleBytes(encoding);
    const size_t frameBytes = size_t(width) * channels;
    if (decode == nullptr || channels == 0 || frameBytes > kMaxFrameBytes)
        return 0;
    const float count = float(channels);
    return convertBlocks(input, frameCount, frameBytes, uint32_t(kMaxFrameBytes / frameBytes),
                         [=](const unsigned char* frame, uint32_t i) {
                             float sum = decode(frame);
                             if (channels == 1) {
                                 left[i] = sum;
                                 return;
                             }
                             for (uint32_t c = 1; c < channels; ++c)
                                 sum += decode(frame + c * width);
                             left[i] = sum / count;
                         });
}

uint32_t readFoldedToStereo(WaveInput& input, SampleEncoding encoding, uint32_t channels, float* left,
                            float* right, uint32_t frameCount)
{
    const Decoder decode = decoderOf(encoding);
    const uint32_t width = sampleBytes(encoding);
    const size_t frameBytes = size_t(width) * channels;
    if (decode == nullptr || channels < 3 || frameBytes > kMaxFrameBytes)
        return 0;
    // An odd last channel counts on both sides.
    const bool oddLast = channels % 2 != 0;
    const float rightCount = float(channels / 2 + (oddLast ? 1 : 0));
    const float leftCount = float((channels + 1) / 2);
    return convertBlocks(input, frameCount, frameBytes, uint32_t(kMaxFrameBytes / frameBytes),
                         [=](const unsigned char* frame, uint32_t i) {
                             float leftSum = decode(frame);
                             float rightSum = decode(frame + width);
                             for (uint32_t c = 2; c < channels; ++c) {
                                 const float value = decode(frame + c * width);
                                 if (c % 2 == 0)
                                     leftSum += value;
                                 else
                                     rightSum += value;
                             }
                             if (oddLast)
                                 rightSum += decode(frame + (channels - 1) * width);
                             left[i] = leftSum / leftCount;
                             right[i] = rightSum / rightCount;
                         });
}

uint32_t readChannels(WaveInput& input, SampleEncoding encoding, uint32_t channels, float* left,
                      float* right, uint32_t frameCount)
{
    if (channels != 2)
        return readMixedToMono(input, encoding, channels, left, frameCount);
    const Decoder decode = decoderOf(encoding);
    const uint32_t width = sampleBytes(encoding);
    if (decode == nullptr)
        return 0;
    return convertBlocks(input, frameCount, 2 * width, uint32_t(kMaxFrameBytes / (2 * width)),
                         [=](const unsigned char* frame, uint32_t i) {
                             left[i] = decode(frame);
                             right[i] = decode(frame + width);
                         });
}

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
