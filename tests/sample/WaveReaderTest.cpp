// The reader on files made byte by byte: every result code, the chunk walk,
// the conversions and the guarantees around failure.

#include "sample/WaveReader.h"
#include "tests/sample/WaveTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Loads bytes written to a file and frees whatever was loaded at the end.
struct Loaded {
    SampleStore store;
    WaveResult result = -1;
    ~Loaded() { releaseSampleStore(store); }
};

class WaveReader : public ::testing::Test {
protected:
    WaveResult load(const Bytes& bytes, Loaded& loaded, int32_t requiredChannels = 1)
    {
        std::string path = dir.file("test" + std::to_string(counter++) + ".wav");
        writeFile(path, bytes);
        loaded.result = loadWaveFile(path.c_str(), loaded.store, requiredChannels);
        expectTheSameFromMemory(bytes, loaded, requiredChannels);
        return loaded.result;
    }

    // The same bytes in memory (a sample kept in a project) read exactly as
    // the file; a buffer of exactly their size lets the sanitizer catch any
    // read past the end.
    static void expectTheSameFromMemory(const Bytes& bytes, const Loaded& fromFile, int32_t requiredChannels)
    {
        std::unique_ptr<unsigned char[]> exact(new unsigned char[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), exact.get());
        Loaded fromMemory;
        fromMemory.result = loadWaveBytes(exact.get(), bytes.size(), fromMemory.store, requiredChannels, nullptr);
        ASSERT_EQ(fromMemory.result, fromFile.result);
        const SampleStore& a = fromFile.store;
        const SampleStore& b = fromMemory.store;
        ASSERT_EQ(b.frameCount, a.frameCount);
        EXPECT_EQ(b.sampleRate, a.sampleRate);
        EXPECT_EQ(b.channelCount, a.channelCount);
        for (auto channel : {&SampleStore::leftChannel, &SampleStore::rightChannel}) {
            ASSERT_EQ(b.*channel == nullptr, a.*channel == nullptr);
            if (a.*channel != nullptr) {
                EXPECT_EQ(std::memcmp(a.*channel, b.*channel, (a.frameCount + 1) * sizeof(float)), 0);
            }
        }
    }

    WaveResult resultOf(const Bytes& bytes, int32_t requiredChannels = 1)
    {
        Loaded loaded;
        return load(bytes, loaded, requiredChannels);
    }

    TempDir dir;
    int counter = 0;
};

Bytes floatData(std::initializer_list<float> values)
{
    Bytes out;
    for (float v : values) {
        uint32_t word;
        std::memcpy(&word, &v, 4);
        append32(out, word);
    }
    return out;
}

TEST(WaveMessages, TableOrderAndCodeMapping)
{
    EXPECT_STREQ(waveErrorMessages[0], "Error reading WAV-File");
    EXPECT_STREQ(waveErrorMessages[1], "WAV-File has bad type");
    EXPECT_STREQ(waveErrorMessages[2], "File not found");
    EXPECT_STREQ(waveErrorMessages[3], "Couldn't allocate enough memory");

    EXPECT_EQ(kWaveOk, 0);
    EXPECT_EQ(kWaveFileNotFound, 1);
    EXPECT_EQ(kWaveBadType, 2);
    EXPECT_EQ(kWaveReadError, 4);
    EXPECT_EQ(kWaveOutOfMemory, 6);

    EXPECT_STREQ(waveResultMessage(kWaveFileNotFound), "File not found");
    EXPECT_STREQ(waveResultMessage(kWaveBadType), "WAV-File has bad type");
    EXPECT_STREQ(waveResultMessage(kWaveReadError), "Error reading WAV-File");
    EXPECT_STREQ(waveResultMessage(kWaveOutOfMemory), "Couldn't allocate enough memory");
    for (WaveResult notFailure : {0, 3, 5, 7, -1})
        EXPECT_EQ(waveResultMessage(notFailure), nullptr) << notFailure;
}

TEST_F(WaveReader, MissingFileAndHeadersThatAreNotRiffWave)
{
    SampleStore store;
    EXPECT_EQ(loadWaveFile(dir.file("absent.wav").c_str(), store, 1), kWaveFileNotFound);
    EXPECT_EQ(loadWaveFile(nullptr, store, 1), kWaveFileNotFound);
    // Only regular files are opened: a FIFO with no writer would block the
    // open (and a read) for good.
    EXPECT_EQ(loadWaveFile(dir.file("").c_str(), store, 1), kWaveFileNotFound);
#ifndef _WIN32
    ASSERT_EQ(mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(loadWaveFile(dir.file("pipe.wav").c_str(), store, 1), kWaveFileNotFound);
#endif
    EXPECT_EQ(store.leftChannel, nullptr);

    EXPECT_EQ(resultOf({}), kWaveBadType);
    Bytes good = mono16File({1, 2});
    EXPECT_EQ(resultOf(Bytes(good.begin(), good.begin() + 11)), kWaveBadType);
    Bytes rifx = good;
    rifx[3] = 'X';
    EXPECT_EQ(resultOf(rifx), kWaveBadType);
    Bytes avi = good;
    std::memcpy(avi.data() + 8, "AVI ", 4);
    EXPECT_EQ(resultOf(avi), kWaveBadType);
    EXPECT_EQ(resultOf(good), kWaveOk);
}

TEST_F(WaveReader, WalksPastOtherChunksIncludingOddSizedOnes)
{
    Bytes fmt = chunk("fmt ", formatBody(1, 1, 22050, 16));
    Bytes data = chunk("data", pcm16({100, -100, 7}));
    Bytes list = chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 4, 0, 0, 0, 'a', 'b', 'c', 0});
    Bytes odd = chunk("junk", Bytes{1, 2, 3, 4, 5});  // five bytes and a pad byte
    Bytes oddText = chunk("note", Bytes{'h', 'i', '!'});

    for (const Bytes& file : {riffWave({list, fmt, data}), riffWave({fmt, list, data}),
                              riffWave({odd, fmt, oddText, data}), riffWave({fmt, odd, list, oddText, data})}) {
        Loaded loaded;
        ASSERT_EQ(load(file, loaded), kWaveOk);
        EXPECT_EQ(loaded.store.sampleRate, 22050u);
        ASSERT_EQ(loaded.store.frameCount, 3u);
        EXPECT_EQ(loaded.store.leftChannel[0], 100.0f / 32768.0f);
        EXPECT_EQ(loaded.store.leftChannel[1], -100.0f / 32768.0f);
    }

    // Format chunks of 18 bytes and of an odd 17 bytes load as one of 16.
    Bytes fmt18 = formatBody(1, 1, 22050, 16);
    append16(fmt18, 0);
    Bytes fmt17 = formatBody(1, 1, 22050, 16);
    fmt17.push_back(9);
    for (const Bytes& body : {fmt18, fmt17}) {
        Loaded loaded;
        ASSERT_EQ(load(riffWave({chunk("fmt ", body), odd, data}), loaded), kWaveOk);
        EXPECT_EQ(loaded.store.frameCount, 3u);
        EXPECT_EQ(loaded.store.leftChannel[2], 7.0f / 32768.0f);
    }
}

TEST_F(WaveReader, MissingMisplacedOrCutChunksAreReadErrors)
{
    Bytes fmt = chunk("fmt ", formatBody(1, 1, 44100, 16));
    Bytes data = chunk("data", pcm16({1, 2, 3, 4}));
    EXPECT_EQ(resultOf(riffWave({data, fmt})), kWaveReadError);
    EXPECT_EQ(resultOf(riffWave({fmt})), kWaveReadError);
    EXPECT_EQ(resultOf(riffWave({data})), kWaveReadError);
    EXPECT_EQ(resultOf(riffWave({})), kWaveReadError);

    Bytes cutHeader = riffWave({fmt});
    cutHeader.insert(cutHeader.end(), {'d', 'a', 't'});
    EXPECT_EQ(resultOf(cutHeader), kWaveReadError);
    Bytes cutFormat = riffWave({fmt});
    cutFormat.resize(12 + 8 + 10);
    EXPECT_EQ(resultOf(cutFormat), kWaveReadError);
    // A chunk claiming to run past the end of the file.
    EXPECT_EQ(resultOf(riffWave({chunk("LIST", Bytes(4, 0), true, 1000), fmt, data})), kWaveReadError);
    // An odd chunk whose writer left out the pad byte hides what follows.
    EXPECT_EQ(resultOf(riffWave({fmt, chunk("note", Bytes{'x'}, false), data})), kWaveReadError);
    // Extensible form cut inside its 40-byte format body.
    Bytes ext = extensibleBody(1, 1, 44100, 16);
    Bytes cutExt = riffWave({chunk("fmt ", ext)});
    cutExt.resize(12 + 8 + 30);
    EXPECT_EQ(resultOf(cutExt), kWaveReadError);
}

TEST_F(WaveReader, IntegerConversionsAreExact)
{
    Loaded pcm;
    ASSERT_EQ(load(mono16File({-32768, 32767, 0, 1, -1, 16384}), pcm), kWaveOk);
    const float* left = pcm.store.leftChannel;
    EXPECT_EQ(left[0], -1.0f);
    EXPECT_EQ(left[1], 0.999969482421875f);
    EXPECT_EQ(left[2], 0.0f);
    EXPECT_EQ(left[3], std::ldexp(1.0f, -15));
    EXPECT_EQ(left[4], -std::ldexp(1.0f, -15));
    EXPECT_EQ(left[5], 0.5f);

    Bytes bytes24 = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x00,
                     0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x40};
    Loaded deep;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 1, 96000, 24)), chunk("data", bytes24)}), deep),
              kWaveOk);
    ASSERT_EQ(deep.store.frameCount, 5u);
    EXPECT_EQ(deep.store.sampleRate, 96000u);
    EXPECT_EQ(deep.store.leftChannel[0], -1.0f);
    EXPECT_EQ(deep.store.leftChannel[1], 8388607.0f / 8388608.0f);
    EXPECT_EQ(deep.store.leftChannel[2], 1.0f / 8388608.0f);
    EXPECT_EQ(deep.store.leftChannel[3], -1.0f / 8388608.0f);
    EXPECT_EQ(deep.store.leftChannel[4], 0.5f);
    EXPECT_EQ(deep.store.leftChannel[5], 0.0f);
}

TEST_F(WaveReader, FloatValuesAreTakenAsStored)
{
    float tiny = std::numeric_limits<float>::denorm_min();
    Loaded loaded;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(3, 1, 44100, 32)),
                             chunk("data", floatData({1.5f, -3.25f, tiny, -0.0f, 0.1f}))}),
                   loaded),
              kWaveOk);
    const float* left = loaded.store.leftChannel;
    EXPECT_EQ(left[0], 1.5f);
    EXPECT_EQ(left[1], -3.25f);
    EXPECT_EQ(left[2], tiny);
    EXPECT_TRUE(std::signbit(left[3]));
    EXPECT_EQ(left[4], 0.1f);
    EXPECT_EQ(left[5], 0.0f);
}

TEST_F(WaveReader, UnsupportedFormatsAndChannelCountsAreBadType)
{
    Bytes data = Bytes(24, 0);
    auto file = [&](const Bytes& fmt) { return riffWave({chunk("fmt ", fmt), chunk("data", data)}); };
    EXPECT_EQ(resultOf(file(formatBody(1, 1, 44100, 12))), kWaveBadType);
    EXPECT_EQ(resultOf(file(formatBody(3, 1, 44100, 16))), kWaveBadType);
    EXPECT_EQ(resultOf(file(formatBody(2, 1, 44100, 16))), kWaveBadType);   // ADPCM
    EXPECT_EQ(resultOf(file(formatBody(0, 1, 44100, 32))), kWaveBadType);
    EXPECT_EQ(resultOf(file(formatBody(1, 3, 44100, 16)), 0), kWaveBadType);
    EXPECT_EQ(resultOf(file(formatBody(1, 0, 44100, 16, 2)), 0), kWaveBadType);
    EXPECT_EQ(resultOf(file(formatBody(1, 1, 44100, 16)), 2), kWaveBadType);
    EXPECT_EQ(resultOf(file(formatBody(1, 2, 44100, 16)), 2), kWaveOk);
    EXPECT_EQ(resultOf(file(formatBody(1, 2, 44100, 16)), 1), kWaveBadType);
    // The channel check comes before the data chunk is looked for.
    EXPECT_EQ(resultOf(riffWave({chunk("fmt ", formatBody(1, 2, 44100, 16))}), 1), kWaveBadType);
    // Mixed to mono, any count but none loads; frames wider than the
    // converters' buffer are refused before anything is allocated.
    EXPECT_EQ(resultOf(file(formatBody(1, 3, 44100, 16)), kWaveMixToMono), kWaveOk);
    EXPECT_EQ(resultOf(file(formatBody(1, 0, 44100, 16, 2)), kWaveMixToMono), kWaveBadType);
    EXPECT_EQ(resultOf(file(formatBody(3, 513, 44100, 64)), kWaveMixToMono), kWaveBadType);
    EXPECT_EQ(resultOf(file(formatBody(3, 512, 44100, 64)), kWaveMixToMono), kWaveOk);

    // The message says what the file is and what is taken; a file that is
    // no wave file at all keeps the plain text.
    auto refusal = [&](const Bytes& bytes, int32_t channels) {
        std::string path = dir.file("refused" + std::to_string(counter++) + ".wav");
        writeFile(path, bytes);
        SampleStore store;
        WaveRefusal why;
        EXPECT_NE(loadWaveFile(path.c_str(), store, channels, &why), kWaveOk);
        EXPECT_EQ(store.leftChannel, nullptr);
        return std::string(why.text);
    };
    EXPECT_EQ(refusal(file(formatBody(2, 2, 22050, 4)), kWaveMixToMono),
              "WAV-File has bad type: 4-bit ADPCM, 2 channels, 22050 Hz. Supported: 8-bit unsigned, "
              "16-, 24- and 32-bit integer PCM and 32- and 64-bit float.");
    EXPECT_EQ(refusal(file(formatBody(1, 2, 44100, 16)), 1),
              "WAV-File has bad type: 16-bit integer PCM, 2 channels, 44100 Hz; 1 channel(s) wanted.");
    EXPECT_EQ(refusal(Bytes(40, 'x'), kWaveMixToMono), "WAV-File has bad type");
    EXPECT_EQ(refusal(Bytes(), kWaveMixToMono), "WAV-File has bad type");
    EXPECT_EQ(refusal(riffWave({chunk("fmt ", formatBody(1, 1, 44100, 16))}), 1), "Error reading WAV-File");
}

TEST_F(WaveReader, EveryCommonEncodingAndChannelsAveragedInFloat)
{
    // 8-bit: unsigned, 128 silent.
    Loaded u8;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 1, 8000, 8)), chunk("data", Bytes{0x00, 0x80, 0xFF})}),
                   u8),
              kWaveOk);
    EXPECT_EQ(u8.store.leftChannel[0], -1.0f);
    EXPECT_EQ(u8.store.leftChannel[1], 0.0f);
    EXPECT_EQ(u8.store.leftChannel[2], 127.0f / 128.0f);
    // 32-bit integer: full scale is 2^31.
    Loaded i32;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 1, 8000, 32)),
                             chunk("data", Bytes{0, 0, 0, 0x80, 0, 0, 0, 0x40})}),
                   i32),
              kWaveOk);
    EXPECT_EQ(i32.store.leftChannel[0], -1.0f);
    EXPECT_EQ(i32.store.leftChannel[1], 0.5f);
    // 64-bit float: rounded to float, not scaled or clipped.
    Bytes doubles;
    for (double value : {0.1, -3.5, 1e300}) {
        uint64_t word;
        std::memcpy(&word, &value, sizeof word);
        append32(doubles, uint32_t(word));
        append32(doubles, uint32_t(word >> 32));
    }
    Loaded f64;
    ASSERT_EQ(load(riffWave({chunk("fmt ", extensibleBody(3, 1, 8000, 64)), chunk("data", doubles)}), f64),
              kWaveOk);
    EXPECT_EQ(f64.store.leftChannel[0], 0.1f);
    EXPECT_EQ(f64.store.leftChannel[1], -3.5f);
    EXPECT_TRUE(std::isinf(f64.store.leftChannel[2]));
    // Three channels: added in float from the first, then divided by three.
    Loaded mixed;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 3, 8000, 16)),
                             chunk("data", pcm16({16384, 8192, -32768, 1, 1, 1}))}),
                   mixed, kWaveMixToMono),
              kWaveOk);
    EXPECT_EQ(mixed.store.channelCount, 1u);
    EXPECT_EQ(mixed.store.rightChannel, nullptr);
    EXPECT_EQ(mixed.store.leftChannel[0], (0.5f + 0.25f + -1.0f) / 3.0f);
    EXPECT_EQ(mixed.store.leftChannel[1], (3.0517578125e-05f * 3.0f) / 3.0f);
    EXPECT_EQ(mixed.store.leftChannel[2], 0.0f);
    // Folded to two: pairs split left and right, an odd last channel to both;
    // one and two channels stay as they are.
    Loaded folded;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 3, 8000, 16)),
                             chunk("data", pcm16({16384, 8192, -32768, 1, 2, 3}))}),
                   folded, kWaveFoldToStereo),
              kWaveOk);
    ASSERT_EQ(folded.store.channelCount, 2u);
    EXPECT_EQ(folded.store.leftChannel[0], (0.5f + -1.0f) / 2.0f);
    EXPECT_EQ(folded.store.rightChannel[0], (0.25f + -1.0f) / 2.0f);
    EXPECT_EQ(folded.store.rightChannel[1], (2.0f * 3.0517578125e-05f + 3.0f * 3.0517578125e-05f) / 2.0f);
    EXPECT_EQ(folded.store.rightChannel[2], 0.0f);
    Loaded quad;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 4, 8000, 16)), chunk("data", pcm16({16384, 8192, 4096, 2048}))}),
                   quad, kWaveFoldToStereo),
              kWaveOk);
    EXPECT_EQ(quad.store.leftChannel[0], (0.5f + 0.125f) / 2.0f);
    EXPECT_EQ(quad.store.rightChannel[0], (0.25f + 0.0625f) / 2.0f);
    Loaded pair, single;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 2, 8000, 16)), chunk("data", pcm16({16384, -8192}))}), pair,
                   kWaveFoldToStereo),
              kWaveOk);
    EXPECT_EQ(pair.store.leftChannel[0], 0.5f);
    EXPECT_EQ(pair.store.rightChannel[0], -0.25f);
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 1, 8000, 16)), chunk("data", pcm16({16384}))}), single,
                   kWaveFoldToStereo),
              kWaveOk);
    EXPECT_EQ(single.store.channelCount, 1u);
    EXPECT_EQ(single.store.rightChannel, nullptr);
    // A mono -0.0 stays -0.0 when mixing: one channel is taken as it is.
    Loaded negativeZero;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(3, 1, 8000, 32)), chunk("data", floatData({-0.0f}))}),
                   negativeZero, kWaveMixToMono),
              kWaveOk);
    EXPECT_TRUE(std::signbit(negativeZero.store.leftChannel[0]));
}

TEST_F(WaveReader, ExtensibleFormatReadsItsSubFormat)
{
    Bytes bytes24 = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F};
    Loaded pcm;
    ASSERT_EQ(load(riffWave({chunk("fmt ", extensibleBody(1, 1, 48000, 24)), chunk("data", bytes24)}), pcm),
              kWaveOk);
    ASSERT_EQ(pcm.store.frameCount, 2u);
    EXPECT_EQ(pcm.store.leftChannel[0], -1.0f);
    EXPECT_EQ(pcm.store.leftChannel[1], 8388607.0f / 8388608.0f);

    Loaded flt;
    ASSERT_EQ(load(riffWave({chunk("fmt ", extensibleBody(3, 1, 48000, 32)),
                             chunk("data", floatData({0.5f, -1.5f}))}),
                   flt),
              kWaveOk);
    EXPECT_EQ(flt.store.leftChannel[1], -1.5f);

    Loaded s16;
    ASSERT_EQ(load(riffWave({chunk("fmt ", extensibleBody(1, 2, 48000, 16)),
                             chunk("data", pcm16({16384, -16384}))}),
                   s16, 0),
              kWaveOk);
    EXPECT_EQ(s16.store.rightChannel[0], -0.5f);

    EXPECT_EQ(resultOf(riffWave({chunk("fmt ", extensibleBody(2, 1, 48000, 16)), chunk("data", bytes24)})),
              kWaveBadType);
    EXPECT_EQ(resultOf(riffWave({chunk("fmt ", extensibleBody(3, 1, 48000, 24)), chunk("data", bytes24)})),
              kWaveBadType);
    Bytes otherGuid = extensibleBody(1, 1, 48000, 16);
    otherGuid.back() ^= 1;
    EXPECT_EQ(resultOf(riffWave({chunk("fmt ", otherGuid), chunk("data", pcm16({1}))}), kWaveMixToMono),
              kWaveBadType);
    Bytes shortExt = formatBody(0xFFFE, 1, 48000, 16);
    append16(shortExt, 0);
    EXPECT_EQ(resultOf(riffWave({chunk("fmt ", shortExt), chunk("data", pcm16({1}))})), kWaveBadType);
}

TEST_F(WaveReader, ImplausibleSizesAreRefused)
{
    Bytes fmt = chunk("fmt ", formatBody(1, 1, 44100, 16));
    EXPECT_EQ(resultOf(riffWave({chunk("fmt ", formatBody(1, 1, 44100, 16, 0)), chunk("data", pcm16({1, 2}))})),
              kWaveBadType);
    EXPECT_EQ(resultOf(riffWave({chunk("fmt ", formatBody(1, 1, 44100, 16, 4)), chunk("data", pcm16({1, 2}))})),
              kWaveBadType);
    EXPECT_EQ(resultOf(riffWave({chunk("fmt ", formatBody(1, 2, 44100, 16, 2)), chunk("data", pcm16({1, 2}))}), 0),
              kWaveBadType);
    // A header declaring 0x7FFFFFFF frames in a short file is cut short; a
    // whole file that large cannot be held in arrays of 32-bit byte size
    // and says so (a sparse file: nothing of its 3.9 GB is written).
    EXPECT_EQ(resultOf(riffWave({fmt, chunk("data", pcm16({1, 2}), true, 0xFFFFFFFF)})), kWaveReadError);
#ifndef _WIN32
    {
        std::string huge = dir.file("huge.wav");
        writeFile(huge, riffWave({fmt, chunk("data", {}, true, 0xF0000000u)}));
        ASSERT_EQ(truncate(huge.c_str(), off_t(44) + 0xF0000000ll), 0);
        SampleStore store;
        WaveRefusal refusal;
        // Nothing was allocated: the file is too long, not memory too short.
        EXPECT_EQ(loadWaveFile(huge.c_str(), store, 1, &refusal), kWaveTooLong);
        EXPECT_STREQ(refusal.text, "WAV-File is too long: 2013265920 frames (4.0 GB of audio); "
                                   "at most 1073741822 frames are held");
        EXPECT_EQ(store.leftChannel, nullptr);
    }
#endif
    // More data declared than the file holds, by one byte or by gigabytes.
    EXPECT_EQ(resultOf(riffWave({fmt, chunk("data", pcm16({1, 2}), true, 6)})), kWaveReadError);
    EXPECT_EQ(resultOf(riffWave({fmt, chunk("data", pcm16({1, 2}), true, 0x7FFFFFF0)})), kWaveReadError);
    // The pad byte after an odd data chunk is not sample data.
    Bytes oddData = riffWave({fmt, chunk("data", Bytes{1, 0, 2, 0, 3})});
    Loaded loaded;
    ASSERT_EQ(load(oddData, loaded), kWaveOk);
    EXPECT_EQ(loaded.store.frameCount, 2u);
    EXPECT_EQ(loaded.store.leftChannel[1], 2.0f / 32768.0f);
    EXPECT_EQ(loaded.store.leftChannel[2], 0.0f);
}

TEST_F(WaveReader, EmptyDataChunkIsAnEmptySample)
{
    Loaded loaded;
    ASSERT_EQ(load(riffWave({chunk("fmt ", formatBody(1, 1, 44100, 16)), chunk("data", {})}), loaded), kWaveOk);
    EXPECT_EQ(loaded.store.frameCount, 0u);
    EXPECT_EQ(loaded.store.channelCount, 1u);
    ASSERT_NE(loaded.store.leftChannel, nullptr);
    EXPECT_EQ(loaded.store.leftChannel[0], 0.0f);
    EXPECT_EQ(loaded.store.rightChannel, nullptr);
}

TEST_F(WaveReader, FailedLoadLeavesTheStoreAsItWas)
{
    Loaded first;
    ASSERT_EQ(load(mono16File({5, 6, 7}), first), kWaveOk);
    const SampleStore before = first.store;
    std::string missing = dir.file("missing.wav");
    std::string bad = dir.file("bad.wav");
    std::string shortData = dir.file("short.wav");
    writeFile(bad, riffWave({chunk("fmt ", formatBody(1, 2, 44100, 16)), chunk("data", pcm16({1, 2}))}));
    writeFile(shortData,
              riffWave({chunk("fmt ", formatBody(1, 1, 44100, 16)), chunk("data", pcm16({1, 2}), true, 400)}));
    for (const std::string& path : {missing, bad, shortData}) {
        EXPECT_NE(loadWaveFile(path.c_str(), first.store, 1), kWaveOk) << path;
        EXPECT_EQ(first.store.leftChannel, before.leftChannel);
        EXPECT_EQ(first.store.rightChannel, before.rightChannel);
        EXPECT_EQ(first.store.frameCount, before.frameCount);
        EXPECT_EQ(first.store.sampleRate, before.sampleRate);
        EXPECT_EQ(first.store.channelCount, before.channelCount);
        EXPECT_EQ(first.store.leftChannel[2], 7.0f / 32768.0f);
    }
    releaseSampleStore(first.store);
    EXPECT_EQ(first.store.leftChannel, nullptr);
    EXPECT_EQ(first.store.frameCount, 0u);
    releaseSampleStore(first.store);  // a second release does nothing
}

}  // namespace
