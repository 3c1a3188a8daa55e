#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// One program as stored in the host's project: a plain little-endian record
// of 300 bytes. The bank of four is the chunk exchanged with the host.
struct GranularProgram {
    char name[24];
    char samplePath[260];
    float values[4]; // Speed, Length, Density, Random
};

static_assert(sizeof(GranularProgram) == 300);
static_assert(offsetof(GranularProgram, samplePath) == 24);
static_assert(offsetof(GranularProgram, values) == 284);
static_assert(std::endian::native == std::endian::little, "the chunk is stored little-endian");

constexpr int32_t kNumPrograms = 4;
constexpr int32_t kNumParams = 4;
constexpr int32_t kBankSize = kNumPrograms * static_cast<int32_t>(sizeof(GranularProgram));

enum ParameterIndex : int32_t { kSpeed = 0, kLength = 1, kDensity = 2, kRandom = 3 };

constexpr float kDefaultValues[kNumParams] = {0.5f, 0.5f, 0.5f, 0.1f};

// Copies zero-terminated text into a field of `size` bytes, cutting it to
// size - 1 characters; never reads past what it copies.
void copyText(char* destination, size_t size, const char* source);

void initProgram(GranularProgram& program);
