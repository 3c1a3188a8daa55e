// Whole renders: a fixed phrase checked by hash (it guards every output bit
// against changes to the engine), and a fuzz run of hostile input.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>

namespace {

uint64_t fnv1a(const std::vector<float>& samples)
{
    uint64_t hash = 1469598103934665603ull;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(samples.data());
    for (size_t i = 0; i < samples.size() * sizeof(float); ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// Overlapping notes at several velocities, stealing, releases, all-notes-off,
// pitch bend and parameter changes between blocks, and the controllers the
// classic playing ignores (volume, expression, pedal, all sound off, reset),
// rendered in the classic playing on a fresh thread (whose grain scatter
// sequence starts from the beginning).
std::vector<float> renderPhrase(const std::string& samplePath)
{
    std::vector<float> left;
    std::thread([&] {
        PluginInstance fx;
        GranularEngine& engine = createEngine(fx);
        engine.setClassic(true);
        fx.setSampleRate(44100.0f);
        fx.setBlockSize(512);
        if (engine.loadSampleFile(samplePath.c_str()) != nullptr)
            return;
        fx.setParameter(3, 0.3f);
        for (int b = 0; b < 200; ++b) {
            MidiEventList events;
            if (b % 8 == 0)
                events.add(b % 512, 0x90, 48 + (b * 7) % 36, 20 + b % 108);
            if (b % 8 == 5)
                events.add(100, 0x80, 48 + ((b - 5) * 7) % 36, 0);
            if (b == 60 || b == 120)
                events.add(b == 60 ? 17 : 0, 0xE0, 0, b == 60 ? 96 : 20);
            if (b == 100)
                events.add(300, 0xB0, 123, 0);
            const int ignored[] = {7, 11, 64, 120, 121};
            if (b % 16 == 3)
                events.add(b % 400, 0xB0, ignored[(b / 16) % 5], b % 128);
            for (int n = 0; b == 130 && n < 14; ++n)
                events.add(n * 30, 0x90, 40 + n * 3, 90);
            fx.processEvents(events);
            if (b == 40 || b == 150)
                fx.setParameter(1, b == 40 ? 1.0f : 0.05f);
            if (b == 80)
                fx.setParameter(2, 1.0f);
            fx.runProcess(512);
            left.insert(left.end(), fx.output(0), fx.output(0) + 512);
        }
    }).join();
    return left;
}

} // namespace

TEST(EngineRender, PhraseIsBitExact)
{
    TempDir dir;
    writeFloatWav(dir.file("s.wav"), testSample(30000), 44100);
    const std::vector<float> first = renderPhrase(dir.file("s.wav"));
    ASSERT_EQ(first.size(), 200u * 512u);
    EXPECT_EQ(renderPhrase(dir.file("s.wav")), first);
    EXPECT_EQ(fnv1a(first), 0x9879816bd0302dd7ull) << std::hex << fnv1a(first);
    // A stereo file of two equal channels plays averaged, the same.
    std::vector<float> both;
    for (float x : testSample(30000))
        both.insert(both.end(), {x, x});
    writeFloatWav(dir.file("both.wav"), both, 44100, 2);
    EXPECT_EQ(renderPhrase(dir.file("both.wav")), first);
}

TEST(EngineRender, FuzzOfChunksParametersAndEvents)
{
    TempDir dir;
    writeFloatWav(dir.file("s.wav"), testSample(50), 44100);
    PluginInstance fx;
    GranularEngine& engine = createEngine(fx);
    fx.setSampleRate(44100.0f);
    fx.setBlockSize(128);
    std::mt19937 random(12345);
    std::vector<unsigned char> chunk(1400);
    for (int round = 0; round < 400; ++round) {
        switch (random() % 4) {
        case 0: {
            for (unsigned char& c : chunk)
                c = static_cast<unsigned char>(random());
            if (random() % 3 == 0)
                copyText(reinterpret_cast<GranularProgram*>(chunk.data())[fx.program()].samplePath, 260,
                         dir.file("s.wav").c_str());
            const size_t size = random() % chunk.size();
            ASSERT_EQ(fx.setChunk(std::vector<unsigned char>(chunk.begin(), chunk.begin() + size)),
                      size >= 1200 ? 1200 : 0);
            break;
        }
        case 1: {
            const uint32_t bits = random();
            float value;
            std::memcpy(&value, &bits, sizeof value);
            fx.setParameter(static_cast<int32_t>(random() % 8) - 2, value);
            break;
        }
        case 2:
            engine.setProgram(static_cast<int32_t>(random() % 9) - 4);
            break;
        default: {
            MidiEventList events;
            for (int i = 0; i < 6; ++i)
                events.add(static_cast<int32_t>(random() % 300) - 50, random(), random(), random());
            fx.processEvents(events);
            fx.runProcess(128);
            for (int i = 0; i < 128; ++i)
                ASSERT_TRUE(std::isfinite(fx.output(0)[i]));
        }
        }
        for (int32_t i = 0; i < 4; ++i)
            ASSERT_LE(fx.parameterDisplay(i).size(), 8u);
        ASSERT_LT(fx.programName().size(), 24u);
        ASSERT_GE(engine.grainLength(), 100);
        ASSERT_LE(engine.grainLength(), 8100);
        ASSERT_GT(engine.grainSpacing(), 0);
        ASSERT_LE(static_cast<uint32_t>(engine.randomRange()), 500u);
    }
}

namespace {

// A random score (notes at any velocity, stealing with fades overlapping,
// releases, all-notes-off, bends, volume, expression, the pedal, all sound
// off, controller resets, parameter changes, the sample loaded again under
// held notes, block sizes from 1 to 700 frames) rendered through one kernel
// on a fresh thread; seed picks the score.
std::vector<float> renderRandomScore(const std::string& samplePath, GrainRenderer::Kernel kernel, uint32_t seed)
{
    std::vector<float> out;
    std::thread([&] {
        PluginInstance fx;
        GranularEngine& engine = createEngine(fx);
        engine.renderer().setKernel(kernel);
        fx.setSampleRate(seed % 2 ? 44100.0f : 96000.0f);
        fx.setBlockSize(700);
        if (engine.loadSampleFile(samplePath.c_str()) != nullptr)
            return;
        std::mt19937 random(seed);
        for (int b = 0; b < 160; ++b) {
            const int32_t frames = 1 + static_cast<int32_t>(random() % 700);
            MidiEventList events;
            const int controllers[] = {7, 11, 64, 64, 120, 121, 123};
            for (int n = static_cast<int>(random() % 6); n > 0; --n) {
                const int32_t at = static_cast<int32_t>(random() % (frames + 20)) - 10;
                switch (random() % 10) {
                case 0: case 1: case 2: case 3: events.add(at, 0x90, 24 + random() % 90, 1 + random() % 127); break;
                case 4: case 5: events.add(at, 0x80, 24 + random() % 90, 0); break;
                case 6: events.add(at, 0xE0, random() % 128, random() % 128); break;
                case 7: case 8: events.add(at, 0xB0, controllers[random() % 7], random() % 128); break;
                default: events.add(at, 0x90, 60, 0); break;
                }
            }
            fx.processEvents(events);
            if (random() % 6 == 0)
                fx.setParameter(static_cast<int32_t>(random() % 4), static_cast<float>(random() % 1001) / 1000.0f);
            if (random() % 25 == 0 && engine.loadSampleFile(samplePath.c_str()) != nullptr)
                return;
            fx.runProcess(frames);
            out.insert(out.end(), fx.output(0), fx.output(0) + frames);
            out.insert(out.end(), fx.output(1), fx.output(1) + frames);
        }
    }).join();
    return out;
}

} // namespace

TEST(EngineRender, EveryKernelMatchesThePerSamplePathOnRandomScores)
{
    TempDir dir;
    // Long, short and very short samples, mono and stereo: the short ones
    // wrap inside grains and inside kernel blocks.
    const int lengths[] = {30000, 700, 3, 30000, 700, 3};
    for (int i = 0; i < 6; ++i) {
        const std::string path = dir.file("s" + std::to_string(i) + ".wav");
        std::vector<float> frames = testSample(lengths[i]);
        if (i >= 3) {
            const std::vector<float> other = testSample(lengths[i] + 50);
            std::vector<float> stereo;
            for (int f = 0; f < lengths[i]; ++f)
                stereo.insert(stereo.end(), {frames[f], other[f + 50]});
            frames = stereo;
        }
        writeFloatWav(path, frames, 44100, i >= 3 ? 2 : 1);
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            const std::vector<float> reference = renderRandomScore(path, GrainRenderer::Scalar, seed);
            ASSERT_FALSE(reference.empty());
            for (GrainRenderer::Kernel kernel : {GrainRenderer::Sse2, GrainRenderer::Avx2}) {
                const std::vector<float> fast = renderRandomScore(path, kernel, seed);
                ASSERT_EQ(fast.size(), reference.size());
                // Bits, not values: a sign of zero or a NaN payload must match too.
                EXPECT_EQ(std::memcmp(fast.data(), reference.data(), fast.size() * sizeof(float)), 0)
                    << "sample " << lengths[i] << " seed " << seed << " kernel " << kernel;
            }
        }
    }
}
