#include "sample/WaveFormat.h"

namespace {

constexpr uint32_t kBasicFormatBytes = 16;
constexpr uint32_t kExtensibleFormatBytes = 40;
constexpr uint32_t kSubFormatOffset = 24;

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
    if (tag == kFormatPcm && format.bitsPerSample == 16)
        return SampleEncoding::pcm16;
    if (tag == kFormatPcm && format.bitsPerSample == 24)
        return SampleEncoding::pcm24;
    if (tag == kFormatFloat && format.bitsPerSample == 32)
        return SampleEncoding::float32;
    return SampleEncoding::unsupported;
}

uint32_t expectedBlockAlign(const WaveFormat& format)
{
    return uint32_t(format.channels) * format.bitsPerSample / 8;
}
