// Files written by real tools (sox and libsndfile), read by our reader and
// compared sample for sample with what libsndfile reads from the same file.

#include "sample/WaveReader.h"
#include "tests/sample/WaveTestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

struct Reference {
    int rate = 0;
    int channels = 0;
    std::vector<float> interleaved;
};

Reference readWithLibsndfile(const std::string& path)
{
    Reference ref;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return ref;
    ref.rate = info.samplerate;
    ref.channels = info.channels;
    ref.interleaved.resize(size_t(info.frames) * size_t(info.channels));
    sf_count_t got = sf_readf_float(file, ref.interleaved.data(), info.frames);
    ref.interleaved.resize(size_t(got) * size_t(info.channels));
    sf_close(file);
    return ref;
}

// Loads path with our reader and checks every frame against libsndfile.
void expectSameAsLibsndfile(const std::string& path, int expectedChannels)
{
    SCOPED_TRACE(path);
    Reference ref = readWithLibsndfile(path);
    ASSERT_EQ(ref.channels, expectedChannels);
    ASSERT_GT(ref.interleaved.size(), 1000u);

    size_t frames = ref.interleaved.size() / size_t(ref.channels);
    size_t mismatches = 0;
    SampleStore store;
    if (ref.channels <= 2) {
        ASSERT_EQ(loadWaveFile(path.c_str(), store, 0), kWaveOk);
        EXPECT_EQ(int(store.sampleRate), ref.rate);
        ASSERT_EQ(int(store.channelCount), ref.channels);
        ASSERT_EQ(store.frameCount, frames);
        for (size_t i = 0; i < frames; ++i) {
            float left = ref.interleaved[i * ref.channels];
            if (store.leftChannel[i] != left && mismatches++ < 5)
                ADD_FAILURE() << "left frame " << i << ": " << store.leftChannel[i] << " != " << left;
            if (ref.channels == 2) {
                float right = ref.interleaved[i * 2 + 1];
                if (store.rightChannel[i] != right && mismatches++ < 5)
                    ADD_FAILURE() << "right frame " << i << ": " << store.rightChannel[i] << " != " << right;
            }
        }
        EXPECT_EQ(store.leftChannel[frames], 0.0f);
        if (ref.channels == 2)
            EXPECT_EQ(store.rightChannel[frames], 0.0f);
        else
            EXPECT_EQ(store.rightChannel, nullptr);
    } else {
        EXPECT_EQ(loadWaveFile(path.c_str(), store, 0), kWaveBadType);
    }

    // As the plug-in loads it: every channel averaged into one, in float.
    SampleStore mono;
    ASSERT_EQ(loadWaveFile(path.c_str(), mono, kWaveMixToMono), kWaveOk);
    EXPECT_EQ(int(mono.sampleRate), ref.rate);
    EXPECT_EQ(mono.channelCount, 1u);
    EXPECT_EQ(mono.rightChannel, nullptr);
    ASSERT_EQ(mono.frameCount, frames);
    for (size_t i = 0; i < frames; ++i) {
        float sum = ref.interleaved[i * ref.channels];
        for (int c = 1; c < ref.channels; ++c)
            sum += ref.interleaved[i * ref.channels + c];
        const float expected = ref.channels == 1 ? sum : sum / float(ref.channels);
        if (mono.leftChannel[i] != expected && mismatches++ < 5)
            ADD_FAILURE() << "mixed frame " << i << ": " << mono.leftChannel[i] << " != " << expected;
    }
    EXPECT_EQ(mono.leftChannel[frames], 0.0f);
    EXPECT_EQ(mismatches, 0u);

    // Asked for exactly one channel, only mono files load.
    SampleStore strict;
    EXPECT_EQ(loadWaveFile(path.c_str(), strict, 1), ref.channels == 1 ? kWaveOk : kWaveBadType);
    releaseSampleStore(strict);
    releaseSampleStore(mono);
    releaseSampleStore(store);
}

TEST(WaveReaderTools, SoxFilesMatchLibsndfile)
{
    TempDir dir;
    struct Case { const char* name; const char* format; int channels; };
    // Noise driven into clipping reaches both ends of the integer range;
    // 24-bit and 32-bit files come out of sox in the extensible form.
    const Case cases[] = {
        {"m16.wav", "-r 44100 -b 16 -c 1", 1},
        {"m24.wav", "-r 48000 -b 24 -c 1", 1},
        {"mf.wav", "-r 44100 -e floating-point -b 32 -c 1", 1},
        {"s16.wav", "-r 22050 -b 16 -c 2", 2},
        {"s24.wav", "-r 44100 -b 24 -c 2", 2},
        {"sf.wav", "-r 96000 -e floating-point -b 32 -c 2", 2},
        {"m8.wav", "-r 11025 -b 8 -e unsigned-integer -c 1", 1},
        {"s8.wav", "-r 22050 -b 8 -e unsigned-integer -c 2", 2},
        {"m32.wav", "-r 44100 -b 32 -e signed-integer -c 1", 1},
        {"s32.wav", "-r 48000 -b 32 -e signed-integer -c 2", 2},
        {"md.wav", "-r 44100 -e floating-point -b 64 -c 1", 1},
        {"sd.wav", "-r 88200 -e floating-point -b 64 -c 2", 2},
        {"t16.wav", "-r 44100 -b 16 -c 3", 3},
        {"q24.wav", "-r 48000 -b 24 -c 4", 4},
        {"h8.wav", "-r 8000 -b 8 -e unsigned-integer -c 6", 6},
        {"h32.wav", "-r 44100 -b 32 -e signed-integer -c 6", 6},
        {"hd.wav", "-r 44100 -e floating-point -b 64 -c 5", 5},
    };
    for (const Case& c : cases) {
        std::string path = dir.file(c.name);
        std::string command = std::string("sox -R -n ") + c.format + " '" + path +
                              "' synth 0.73 whitenoise synth 0.73 sine amod 3 vol 1.5 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        expectSameAsLibsndfile(path, c.channels);
    }
}

// Writes a file through libsndfile with text strings, which it puts in a
// LIST chunk ahead of the sample data.
std::string writeWithLibsndfile(const TempDir& dir, const char* name, int format, int channels)
{
    std::string path = dir.file(name);
    SF_INFO info{};
    info.samplerate = 32000;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return path;
    sf_set_string(file, SF_STR_TITLE, "Odd title");
    sf_set_string(file, SF_STR_COMMENT, "written for a reader test");
    const int frames = 4001;
    std::vector<float> data(size_t(frames) * size_t(channels));
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = float(std::sin(double(i) * 0.0123) * 1.2 - 0.1);  // some of it clips
    data[0] = -1.0f;
    data[1] = 1.0f;
    sf_writef_float(file, data.data(), frames);
    sf_close(file);
    return path;
}

TEST(WaveReaderTools, LibsndfileFilesMatchLibsndfile)
{
    TempDir dir;
    struct Case { const char* name; int format; int channels; };
    const Case cases[] = {
        {"w16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1},
        {"w24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1},
        {"wf.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1},
        {"w24s.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2},
        {"x16.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 1},
        {"x24.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 1},
        {"xf.wav", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 1},
        {"x16s.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 2},
        {"xfs.wav", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 2},
        {"w8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1},
        {"w32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 1},
        {"wd.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1},
        {"x32.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_32, 1},
        {"xds.wav", SF_FORMAT_WAVEX | SF_FORMAT_DOUBLE, 2},
        {"x8q.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_U8, 4},
    };
    for (const Case& c : cases)
        expectSameAsLibsndfile(writeWithLibsndfile(dir, c.name, c.format, c.channels), c.channels);

    // Formats the reader does not take, refused with what they are.
    for (int format : {SF_FORMAT_WAV | SF_FORMAT_ULAW, SF_FORMAT_WAV | SF_FORMAT_ALAW,
                       SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, SF_FORMAT_WAVEX | SF_FORMAT_ULAW}) {
        std::string path = writeWithLibsndfile(dir, "other.wav", format, 1);
        SampleStore store;
        WaveRefusal refusal;
        EXPECT_EQ(loadWaveFile(path.c_str(), store, kWaveMixToMono, &refusal), kWaveBadType) << std::hex << format;
        EXPECT_EQ(std::string(refusal.text).rfind("WAV-File has bad type: ", 0), 0u) << refusal.text;
        EXPECT_NE(std::string(refusal.text).find("Supported: "), std::string::npos) << refusal.text;
        EXPECT_EQ(store.leftChannel, nullptr);
    }
}

}  // namespace
