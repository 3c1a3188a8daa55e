#include "sample/WaveFormat.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kBasicFormatBytes = 16;
constexpr uint32_t kExtensibleFormatBytes = 40;
constexpr uint32_t kSubFormatOffset = 24;

// Every sub-format GUID that stands for a format tag ends in these 14 bytes
// after the tag's two.
constexpr unsigned char kTagGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

const char* tagName(uint16_t tag)
{
    switch (tag) {
    case kFormatPcm: return "integer PCM";
    case 2: return "ADPCM";
    case kFormatFloat: return "float";
    case 6: return "A-law";
    case 7: return "mu-law";
    case 0x11: return "IMA ADPCM";
    case 0x31: return "GSM 6.10";
    case 0x55: return "MPEG layer 3";
    default: return nullptr;
    }
}

}  // namespace

bool readFormatChunk(WaveInput& input, uint32_t chunkSize, WaveFormat& format)
{
    unsigned char body[kExtensibleFormatBytes];
    if (!readExactly(input, body, kBasicFormatBytes))
        return false;
    format.formatTag = readLe16(body);
    format.channels = readLe16(body + 2);
    format.sampleRate = readLe32(body + 4);
    format.blockAlign = readLe16(body + 12);
    format.bitsPerSample = readLe16(body + 14);
    format.subFormat = 0;
    uint32_t consumed = kBasicFormatBytes;
    if (format.formatTag == kFormatExtensible && chunkSize >= kExtensibleFormatBytes) {
        if (!readExactly(input, body + kBasicFormatBytes, kExtensibleFormatBytes - kBasicFormatBytes))
            return false;
        if (std::memcmp(body + kSubFormatOffset + 2, kTagGuidTail, sizeof kTagGuidTail) == 0)
            format.subFormat = readLe16(body + kSubFormatOffset);
        consumed = kExtensibleFormatBytes;
    }
    // A format chunk shorter than 16 bytes moves the input back, so the
    // walk resumes exactly at the next chunk.
    return moveBy(input, int64_t(paddedSize(chunkSize)) - int64_t(consumed));
}

SampleEncoding encodingOf(const WaveFormat& format)
{
    uint16_t tag = format.formatTag;
    if (tag == kFormatExtensible)
        tag = format.subFormat;  // 0 when the chunk was too short to hold one
    if (tag == kFormatPcm) {
        switch (format.bitsPerSample) {
        case 8: return SampleEncoding::pcm8;
        case 16: return SampleEncoding::pcm16;
        case 24: return SampleEncoding::pcm24;
        case 32: return SampleEncoding::pcm32;
        default: break;
        }
    }
    if (tag == kFormatFloat && format.bitsPerSample == 32)
        return SampleEncoding::float32;
    if (tag == kFormatFloat && format.bitsPerSample == 64)
        return SampleEncoding::float64;
    return SampleEncoding::unsupported;
}

uint32_t sampleBytes(SampleEncoding encoding)
{
    switch (encoding) {
    case SampleEncoding::pcm8: return 1;
    case SampleEncoding::pcm16: return 2;
    case SampleEncoding::pcm24: return 3;
    case SampleEncoding::pcm32: return 4;
    case SampleEncoding::float32: return 4;
    case SampleEncoding::float64: return 8;
    case SampleEncoding::unsupported: break;
    }
    return 0;
}

void describeFormat(const WaveFormat& format, char* text, size_t size)
{
    char kind[64];
    uint16_t tag = format.formatTag == kFormatExtensible ? format.subFormat : format.formatTag;
    if (format.formatTag == kFormatExtensible && tag == 0)
        std::snprintf(kind, sizeof kind, "an extensible format of unknown sub-format");
    else if (const char* name = tagName(tag))
        std::snprintf(kind, sizeof kind, "%u-bit %s", unsigned(format.bitsPerSample), name);
    else
        std::snprintf(kind, sizeof kind, "%u-bit format 0x%04X", unsigned(format.bitsPerSample), unsigned(tag));
    std::snprintf(text, size, "%s, %u channel%s, %u Hz", kind, unsigned(format.channels),
                  format.channels == 1 ? "" : "s", unsigned(format.sampleRate));
}

uint32_t expectedBlockAlign(const WaveFormat& format)
{
    return uint32_t(format.channels) * format.bitsPerSample / 8;
}
