#pragma once
// Converters from the file's sample data to float channel arrays. Each
// reads whole frames block by block through a fixed local buffer and
// returns the number of frames it stored; it stops early when a read
// delivers no frame.

#include "sample/WaveFormat.h"
#include "sample/WaveInput.h"

#include <cstdint>

// 2^-15 and 2^-31 (the float nearest to 4.656613e-10 is exactly 2^-31).
inline constexpr float kPcm16Scale = 3.0517578125e-05f;
inline constexpr float kPcm24Scale = 4.656613e-10f;

inline float pcm16ToFloat(const unsigned char* bytes)
{
    return float(int16_t(readLe16(bytes))) * kPcm16Scale;
}

// The three bytes go into bits 8 to 31 of a signed 32-bit integer.
inline float pcm24ToFloat(const unsigned char* bytes)
{
    uint32_t word = (uint32_t(bytes[0]) << 8) | (uint32_t(bytes[1]) << 16) |
                    (uint32_t(bytes[2]) << 24);
    return float(int32_t(word)) * kPcm24Scale;
}

float float32FromBytes(const unsigned char* bytes);

// The largest frame the converters take, in bytes (their buffer's size).
inline constexpr uint32_t kMaxFrameBytes = 4096;

// Any supported encoding and channel count (frames of at most
// kMaxFrameBytes): one channel is stored as it is, more are added up in
// float from the first to the last and divided by their number.
uint32_t readMixedToMono(WaveInput& input, SampleEncoding encoding, uint32_t channels, float* left,
                         uint32_t frameCount);
// Any supported encoding and more than two channels (frames of at most
// kMaxFrameBytes), folded to two: the channels are taken in pairs, the first
// of each pair to the left and the second to the right, an odd last channel
// to both; each side is added up in float from its first channel to its last
// and divided by their number.
uint32_t readFoldedToStereo(WaveInput& input, SampleEncoding encoding, uint32_t channels, float* left,
                            float* right, uint32_t frameCount);
// Any supported encoding, one or two channels kept apart (right null for one).
uint32_t readChannels(WaveInput& input, SampleEncoding encoding, uint32_t channels, float* left,
                      float* right, uint32_t frameCount);

uint32_t readMonoFloat32(WaveInput& input, float* left, uint32_t frameCount);
uint32_t readStereoFloat32(WaveInput& input, float* left, float* right, uint32_t frameCount);
uint32_t readMono24(WaveInput& input, float* left, uint32_t frameCount);
uint32_t readStereo24(WaveInput& input, float* left, float* right, uint32_t frameCount);
uint32_t readMono16(WaveInput& input, float* left, uint32_t frameCount);
uint32_t readStereo16(WaveInput& input, float* left, float* right, uint32_t frameCount);
