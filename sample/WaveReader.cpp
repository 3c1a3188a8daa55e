#include "sample/WaveReader.h"

#include "sample/SampleMemory.h"
#include "sample/WaveConvert.h"
#include "sample/WaveFormat.h"
#include "sample/WaveInput.h"

#include <cstdio>

const char* const waveErrorMessages[5] = {
    "Error reading WAV-File",
    "WAV-File has bad type",
    "File not found",
    "Couldn't allocate enough memory",
    "WAV-File is too long",
};

namespace {

// (frameCount + 1) * 4 bytes per channel array must fit 32 bits.
constexpr uint32_t kMaxFrames = 0x3FFFFFFEu;

// Walks chunk headers until one with the given id; the input is then at the
// first byte of its body. Every other chunk is skipped with its pad byte.
bool findChunk(WaveInput& input, const char (&id)[5], ChunkHeader& header)
{
    for (;;) {
        if (!readChunkHeader(input, header))
            return false;
        if (chunkIdIs(header, id))
            return true;
        if (!moveBy(input, int64_t(paddedSize(header.size))))
            return false;
    }
}

bool readRiffHeader(WaveInput& input)
{
    unsigned char riff[8];
    unsigned char wave[4];
    return readExactly(input, riff, sizeof riff) && readExactly(input, wave, sizeof wave) &&
           riff[0] == 'R' && riff[1] == 'I' && riff[2] == 'F' && riff[3] == 'F' &&
           wave[0] == 'W' && wave[1] == 'A' && wave[2] == 'V' && wave[3] == 'E';
}

constexpr const char* kSupported =
    "Supported: 8-bit unsigned, 16-, 24- and 32-bit integer PCM and 32- and 64-bit float";

// Why a wave file's format is refused, into why; kWaveOk when it is not.
WaveResult checkFormat(const WaveFormat& format, int32_t requiredChannels, char* why, size_t size)
{
    char what[128];
    describeFormat(format, what, sizeof what);
    if (encodingOf(format) == SampleEncoding::unsupported) {
        std::snprintf(why, size, "%s. %s.", what, kSupported);
        return kWaveBadType;
    }
    if (requiredChannels > 0 && format.channels != requiredChannels) {
        std::snprintf(why, size, "%s; %d channel(s) wanted.", what, int(requiredChannels));
        return kWaveBadType;
    }
    const bool anyCount = requiredChannels < 0;  // kWaveMixToMono, kWaveFoldToStereo
    if (requiredChannels <= 0 && (anyCount ? format.channels == 0 : format.channels != 1 && format.channels != 2)) {
        std::snprintf(why, size, "%s; the file must have %s.", what,
                      anyCount ? "at least one channel" : "one or two channels");
        return kWaveBadType;
    }
    if (format.blockAlign == 0 || format.blockAlign != expectedBlockAlign(format)) {
        std::snprintf(why, size, "%s, with frames of %u bytes where %u were expected.", what,
                      unsigned(format.blockAlign), unsigned(expectedBlockAlign(format)));
        return kWaveBadType;
    }
    if (format.blockAlign > kMaxFrameBytes) {
        std::snprintf(why, size, "%s: too many channels (frames of at most %u bytes are read).", what,
                      unsigned(kMaxFrameBytes));
        return kWaveBadType;
    }
    return kWaveOk;
}

// Everything about the data chunk that can be refused before allocating.
// A file cut short is a read error; a whole one with more frames than a
// sample can hold is too long, and the message says how long.
WaveResult checkData(const WaveInput& input, const WaveFormat& format, uint32_t dataSize,
                     uint32_t& frameCount, char* why, size_t whySize)
{
    frameCount = dataSize / format.blockAlign;
    if (dataSize > remainingBytes(input))
        return kWaveReadError;
    if (frameCount > kMaxFrames) {
        std::snprintf(why, whySize, "%u frames (%.1f GB of audio); at most %u frames are held",
                      unsigned(frameCount), double(dataSize) / 1e9, unsigned(kMaxFrames));
        return kWaveTooLong;
    }
    return kWaveOk;
}

uint32_t convert(WaveInput& input, const WaveFormat& format, SampleStore& store, bool mix)
{
    const SampleEncoding encoding = encodingOf(format);
    if (mix)
        return readMixedToMono(input, encoding, format.channels, store.leftChannel, store.frameCount);
    if (format.channels > 2)
        return readFoldedToStereo(input, encoding, format.channels, store.leftChannel, store.rightChannel,
                                  store.frameCount);
    bool stereo = format.channels == 2;
    switch (encoding) {
    case SampleEncoding::pcm16:
        return stereo ? readStereo16(input, store.leftChannel, store.rightChannel, store.frameCount)
                      : readMono16(input, store.leftChannel, store.frameCount);
    case SampleEncoding::pcm24:
        return stereo ? readStereo24(input, store.leftChannel, store.rightChannel, store.frameCount)
                      : readMono24(input, store.leftChannel, store.frameCount);
    case SampleEncoding::float32:
        return stereo ? readStereoFloat32(input, store.leftChannel, store.rightChannel,
                                          store.frameCount)
                      : readMonoFloat32(input, store.leftChannel, store.frameCount);
    case SampleEncoding::pcm8:
    case SampleEncoding::pcm32:
    case SampleEncoding::float64:
        return readChannels(input, encoding, format.channels, store.leftChannel, store.rightChannel,
                            store.frameCount);
    case SampleEncoding::unsupported:
        break;
    }
    return 0;
}

// Allocates the arrays at their final size with the trailing 0.0 in place.
WaveResult allocateStore(SampleStore& store)
{
    uint32_t entries = store.frameCount + 1;
    if (store.channelCount == 2) {
        store.rightChannel = allocateChannel(entries);
        if (store.rightChannel == nullptr)
            return kWaveOutOfMemory;
        store.rightChannel[store.frameCount] = 0.0f;
    }
    store.leftChannel = allocateChannel(entries);
    if (store.leftChannel == nullptr)
        return kWaveOutOfMemory;
    store.leftChannel[store.frameCount] = 0.0f;
    return kWaveOk;
}

WaveResult readWave(WaveInput& input, SampleStore& loaded, int32_t requiredChannels, char* why,
                    size_t whySize)
{
    if (!readRiffHeader(input))
        return kWaveBadType;
    ChunkHeader header;
    if (!findChunk(input, "fmt ", header))
        return kWaveReadError;
    WaveFormat format;
    if (!readFormatChunk(input, header.size, format))
        return kWaveReadError;
    // The format is judged before the data chunk is looked for.
    if (WaveResult refused = checkFormat(format, requiredChannels, why, whySize))
        return refused;
    if (!findChunk(input, "data", header))
        return kWaveReadError;

    uint32_t frameCount = 0;
    WaveResult checked = checkData(input, format, header.size, frameCount, why, whySize);
    if (checked != kWaveOk)
        return checked;
    loaded.sampleRate = format.sampleRate;
    const bool mix = requiredChannels == kWaveMixToMono;
    loaded.channelCount = mix ? 1 : (format.channels > 2 ? 2 : format.channels);
    loaded.frameCount = frameCount;
    WaveResult allocated = allocateStore(loaded);
    if (allocated != kWaveOk)
        return allocated;
    return convert(input, format, loaded, mix) == frameCount ? kWaveOk : kWaveReadError;
}

}  // namespace

int waveMessageIndex(WaveResult result)
{
    switch (result) {
    case kWaveReadError: return 0;
    case kWaveBadType: return 1;
    case kWaveFileNotFound: return 2;
    case kWaveOutOfMemory: return 3;
    case kWaveTooLong: return 4;
    default: return -1;
    }
}

const char* waveResultMessage(WaveResult result)
{
    int index = waveMessageIndex(result);
    return index < 0 ? nullptr : waveErrorMessages[index];
}

WaveResult loadWaveFile(const char* path, SampleStore& store, int32_t requiredChannels)
{
    return loadWaveFile(path, store, requiredChannels, nullptr);
}

namespace {

bool stopped(const WaveReadWatch* watch)
{
    return watch != nullptr && watch->stop.load(std::memory_order_relaxed);
}

// Reads the opened input (closing it) and installs the sample or the refusal.
WaveResult loadWave(WaveInput& input, bool opened, SampleStore& store, int32_t requiredChannels,
                    WaveRefusal* refusal)
{
    WaveResult result = kWaveFileNotFound;
    // Built aside and installed whole, so a failure leaves store untouched.
    SampleStore loaded;
    char why[256] = {};
    if (opened) {
        const WaveReadWatch* watch = input.watch;
        result = readWave(input, loaded, requiredChannels, why, sizeof why);
        closeWaveInput(input);
        if (result != kWaveOk && stopped(watch)) {
            releaseSampleStore(loaded);
            return kWaveStopped;
        }
    }
    if (result != kWaveOk) {
        releaseSampleStore(loaded);
        if (refusal != nullptr) {
            const char* message = waveResultMessage(result);
            std::snprintf(refusal->text, sizeof refusal->text, why[0] != 0 ? "%s: %s" : "%s",
                          message != nullptr ? message : "", why);
        }
        return result;
    }
    store = loaded;
    return kWaveOk;
}

}  // namespace

WaveResult loadWaveFile(const char* path, SampleStore& store, int32_t requiredChannels,
                        WaveRefusal* refusal, WaveReadWatch* watch)
{
    WaveInput input;
    const bool opened = openWaveInput(path, input);
    input.watch = watch;
    return loadWave(input, opened, store, requiredChannels, refusal);
}

WaveResult loadWaveBytes(const unsigned char* bytes, size_t size, SampleStore& store, int32_t requiredChannels,
                         WaveRefusal* refusal)
{
    WaveInput input;
    openWaveBytes(bytes, size, input);
    return loadWave(input, true, store, requiredChannels, refusal);
}

bool readWaveFileBytes(const char* path, uint64_t maxBytes, std::vector<unsigned char>& bytes,
                       WaveReadWatch* watch)
{
    WaveInput input;
    if (!openWaveInput(path, input))
        return false;
    input.watch = watch;
    bool read = input.size <= maxBytes;
    if (read) {
        bytes.resize(size_t(input.size));
        // In pieces, so that a watch sees the read advance and can stop it.
        constexpr size_t kPiece = size_t(1) << 18;
        for (size_t at = 0; read && at < bytes.size(); at += kPiece)
            read = readExactly(input, bytes.data() + at, bytes.size() - at < kPiece ? bytes.size() - at : kPiece);
    }
    closeWaveInput(input);
    WaveInput inMemory;
    openWaveBytes(bytes.data(), bytes.size(), inMemory);
    if (!read || !readRiffHeader(inMemory)) {
        bytes.clear();
        return false;
    }
    return true;
}

bool waveFileHolds(const char* path, const std::vector<unsigned char>& bytes)
{
    WaveInput input;
    if (!openWaveInput(path, input))
        return false;
    const bool sameSize = input.size == bytes.size();
    closeWaveInput(input);
    std::vector<unsigned char> onDisk;
    return sameSize && readWaveFileBytes(path, bytes.size(), onDisk) && onDisk == bytes;
}

void releaseSampleStore(SampleStore& store)
{
    freeChannel(store.leftChannel);
    freeChannel(store.rightChannel);
    store = SampleStore{};
}
