// The shipped module, loaded the way a host loads it.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ShippedModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.load(PARVOLINO_TEST_MODULE)) << module.error();
        writeFloatWav(dir.file("s.wav"), testSample(20000), 44100);
    }
    // Restores a bank whose program 0 names the sample, as a project does.
    void restoreSample(PluginInstance& fx)
    {
        std::vector<unsigned char> chunk = fx.getChunk();
        ASSERT_EQ(chunk.size(), 1200u);
        copyText(reinterpret_cast<GranularProgram*>(chunk.data())->samplePath, 260, dir.file("s.wav").c_str());
        ASSERT_EQ(fx.setChunk(chunk), 1200);
        // The same bank comes back, the sample's file kept after it.
        const std::vector<unsigned char> saved = fx.getChunk();
        EXPECT_EQ(std::vector<unsigned char>(saved.begin(), saved.begin() + 1200), chunk);
        EXPECT_GT(saved.size(), 1200u + 80000u);
    }
    TempDir dir;
    PluginModule module;
};

} // namespace

TEST_F(ShippedModule, IdentityChunkPlayAndAutomation)
{
    PluginInstance fx;
    AEffect* effect = fx.create(module);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->uniqueID, 0x48655061);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(fx.text(effGetProductString, 0), "Parvolino");
    EXPECT_EQ(fx.parameterName(2), "Density");
    fx.setSampleRate(44100.0f);
    fx.setBlockSize(256);
    fx.resume();
    restoreSample(fx);

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
    EXPECT_EQ(automated[0].opt, 0.5f);
}
