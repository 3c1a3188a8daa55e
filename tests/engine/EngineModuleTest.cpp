// The shipped module, loaded the way a host loads it.
#include "TestWavFiles.h"
#include "engine/GranularProgram.h"
#include "tools/hostlib/PluginHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

class ShippedModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.load(PARVOLINO_TEST_MODULE)) << module.error();
        writeFloatWav(dir.file("s.wav"), testSample(20000), 44100);
    }

    // A bank whose program 0 names the sample, as a saved project holds it.
    std::vector<unsigned char> bankWithSample(PluginInstance& fx)
    {
        std::vector<unsigned char> chunk = fx.getChunk();
        EXPECT_EQ(chunk.size(), 1200u);
        GranularProgram program;
        std::memcpy(&program, chunk.data(), sizeof program);
        const std::string path = dir.file("s.wav");
        std::memset(program.samplePath, 0, sizeof program.samplePath);
        std::memcpy(program.samplePath, path.c_str(), path.size());
        std::memcpy(chunk.data(), &program, sizeof program);
        return chunk;
    }

    // Renders 4096 frames in blocks of `block` on a fresh thread (the grain
    // scatter sequence is per thread) with notes at fixed frames.
    std::vector<float> renderInBlocks(int32_t block)
    {
        std::vector<float> left;
        std::thread([&] {
            PluginInstance fx;
            if (fx.create(module) == nullptr)
                return;
            fx.setSampleRate(44100.0f);
            fx.setBlockSize(block);
            fx.resume();
            fx.setChunk(bankWithSample(fx));
            const int32_t noteFrames[] = {10, 700, 1500, 2900};
            for (int32_t start = 0; start < 4096; start += block) {
                // Hosts deliver events sorted by frame.
                MidiEventList events;
                for (int32_t n = 0; n < 4; ++n) {
                    if (noteFrames[n] == 2900 && 2000 >= start && 2000 < start + block)
                        events.pitchBend(2000 - start, 0, 12000);
                    if (noteFrames[n] >= start && noteFrames[n] < start + block)
                        events.noteOn(noteFrames[n] - start, n, 55 + 5 * n, 100);
                }
                fx.processEvents(events);
                fx.runProcess(block);
                left.insert(left.end(), fx.output(0), fx.output(0) + block);
            }
        }).join();
        return left;
    }

    TempDir dir;
    PluginModule module;
};

} // namespace

TEST_F(ShippedModule, IdentityProgramsAndParameters)
{
    PluginInstance fx;
    AEffect* effect = fx.create(module);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->uniqueID, 0x48655061);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numPrograms, 4);
    EXPECT_EQ(effect->numParams, 4);
    EXPECT_EQ(effect->flags & (kFlagProgramChunks | kFlagIsSynth), kFlagProgramChunks | kFlagIsSynth);
    EXPECT_EQ(fx.text(effGetVendorString, 0), "Hevarun");
    EXPECT_EQ(fx.text(effGetProductString, 0), "Parvolino");
    EXPECT_EQ(fx.parameterName(2), "Density");
    EXPECT_EQ(fx.programName(), "Default");
    EXPECT_EQ(fx.getParameter(3), 0.1f);
    EXPECT_EQ(fx.canDo("receiveVstMidiEvent"), 1);
    fx.setSampleRate(44100.0f);
    EXPECT_EQ(fx.parameterDisplay(2), "6.000000");
}

TEST_F(ShippedModule, PlaysFromARestoredChunkAndReportsTheBend)
{
    PluginInstance fx;
    ASSERT_NE(fx.create(module), nullptr);
    fx.setSampleRate(44100.0f);
    fx.setBlockSize(256);
    fx.resume();
    EXPECT_EQ(fx.host().count(audioMasterWantMidi), 1u);
    ASSERT_EQ(fx.setChunk(bankWithSample(fx)), 1200);
    EXPECT_EQ(fx.getChunk(), bankWithSample(fx));

    MidiEventList events;
    events.noteOn(0, 0, 60, 100);
    events.pitchBend(5, 3, 8192);
    fx.processEvents(events);
    fx.runProcess(256);
    float peak = 0.0f;
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(fx.output(0)[i], fx.output(1)[i]);
        peak = std::max(peak, std::abs(fx.output(0)[i]));
    }
    EXPECT_GT(peak, 0.01f);
    const std::vector<HostCall> automated = fx.host().callsOf(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, 0);
    EXPECT_EQ(automated[0].opt, 0.5f);
}

TEST_F(ShippedModule, OutputDoesNotDependOnTheBlockSize)
{
    const std::vector<float> large = renderInBlocks(4096);
    ASSERT_EQ(large.size(), 4096u);
    for (int32_t block : {512, 64, 1}) {
        const std::vector<float> other = renderInBlocks(block);
        ASSERT_EQ(other.size(), large.size());
        for (size_t i = 0; i < large.size(); ++i)
            ASSERT_EQ(other[i], large[i]) << "block " << block << ", frame " << i;
    }
}
