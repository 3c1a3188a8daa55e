#pragma once
// The part of a WAVE format chunk the reader uses, and the sample encoding
// it resolves to.

#include "sample/WaveInput.h"

#include <cstddef>
#include <cstdint>

enum class SampleEncoding { unsupported, pcm8, pcm16, pcm24, pcm32, float32, float64 };

struct WaveFormat {
    uint16_t formatTag = 0;   // as stored; 0xFFFE for the extensible form
    uint16_t subFormat = 0;   // the extensible sub-format's tag; 0 when its GUID is not a tag's
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

inline constexpr uint16_t kFormatPcm = 1;
inline constexpr uint16_t kFormatFloat = 3;
inline constexpr uint16_t kFormatExtensible = 0xFFFE;

// Reads the body of a format chunk of chunkSize bytes, leaving the input at
// the first byte after its body. False on a short read.
bool readFormatChunk(WaveInput& input, uint32_t chunkSize, WaveFormat& format);

// Which converter the format asks for; unsupported for anything else.
SampleEncoding encodingOf(const WaveFormat& format);

// Bytes per frame the encoding needs for the format's channels.
uint32_t expectedBlockAlign(const WaveFormat& format);

// Bytes of one sample of the encoding; 0 for unsupported.
uint32_t sampleBytes(SampleEncoding encoding);

// Writes what the format is ("16-bit ADPCM, 2 channels, 44100 Hz") into text.
void describeFormat(const WaveFormat& format, char* text, size_t size);
