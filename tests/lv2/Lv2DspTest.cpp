// The bundle's DSP against the VST 2 module, through the tools a user
// runs: the same score and sample give the same bits at any block lengths,
// and its state, saved and restored through lilv with mapped paths, brings
// back the sample, from the copy kept in it once the file is gone.

#include "tests/lv2/ToolRuns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

bool silent(const std::vector<float>& frames)
{
    return std::all_of(frames.begin(), frames.end(), [](float x) { return x == 0.0f; });
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Lv2Dsp, PlaysBitForBitAsTheVst2ModuleAtAnyBlockLengths)
{
    TestFolder folder;
    const std::string sample = folder.file("voice.wav");
    writeStereoSample(sample, 30000, 44100);
    // Notes, the pedal, pitch bend, all notes off and a burst of 600
    // controller messages.
    std::ofstream score(folder.file("score.txt"));
    score << "rate 48000\nparam 1 0.62\nparam 2 0.9\nparam 3 0.3\n"
             "at 0 on 60 100\nat 70 on 67 90\nat 700 cc 64 127\nat 2000 bend 0 100\n"
             "at 3000 off 60\nat 3500 cc 64 0\nat 4000 on 48 127\nat 9000 cc 123 0\nlength 12000\n";
    for (int i = 0; i < 600; ++i)
        score << "at " << 1100 + i / 2 << " cc 11 " << 127 - i % 64 << "\n";
    score.close();

    std::string output;
    const std::string common = "--score '" + folder.file("score.txt") + "' --sample '" + sample + "' ";
    ASSERT_EQ(runVst2Render(common + "--block 512 --format float -o '" + folder.file("vst2.wav") + "'", output), 0)
        << output;
    const std::vector<float> expected = readWavFrames(folder.file("vst2.wav"));
    ASSERT_EQ(expected.size(), 12000u * 2);
    ASSERT_FALSE(silent(expected));

    for (const std::string blocks : {"--block 1", "--block 63", "--block 512", "--blocks 1,63,0,512"}) {
        SCOPED_TRACE(blocks);
        const std::string out = folder.file("lv2.wav");
        ASSERT_EQ(runLv2Host(common + blocks + " -o '" + out + "'", output), 0) << output;
        EXPECT_TRUE(readWavFrames(out) == expected) << "the LV2 render differs from the VST 2 module's";
    }
}

TEST(Lv2State, KeepsTheSampleAsAMappedPathAndACopyThatPlaysOnceTheFileIsGone)
{
    TestFolder folder;
    const std::string sample = folder.file("voice.wav");
    writeStereoSample(sample, 20000, 44100);
    std::ofstream(folder.file("score.txt")) << "rate 44100\nparam 2 0.8\nat 0 on 60 100\nat 500 on 64 90\n"
                                               "at 3000 off 60\nlength 6000\n";
    const std::string score = "--score '" + folder.file("score.txt") + "' ";
    std::string output;

    // Saved with the sample: its path (a link lilv makes beside the state)
    // and the copy of its bytes, a file of the state's own.
    ASSERT_EQ(runLv2Host(score + "--sample '" + sample + "' -o '" + folder.file("first.wav") + "' --save-state '" +
                             folder.file("saved") + "'",
                         output),
              0)
        << output;
    const std::vector<float> first = readWavFrames(folder.file("first.wav"));
    ASSERT_FALSE(silent(first));
    const std::string saved = fileText(folder.file("saved/state.ttl"));
    EXPECT_NE(saved.find("<urn:parvolino:instrument#sample> <voice.wav>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<urn:parvolino:instrument#keptCopy> <kept-voice.wav>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<urn:parvolino:instrument#keepSamples> true"), std::string::npos) << saved;
    EXPECT_TRUE(fs::is_regular_file(folder.file("saved/kept-voice.wav")));

    // A fresh instance plays it from its first block, with the file in
    // place and once it has moved away (the kept copy).
    const std::string restore = score + "--restore-state '" + folder.file("saved") + "' ";
    ASSERT_EQ(runLv2Host(restore + "-o '" + folder.file("restored.wav") + "'", output), 0) << output;
    EXPECT_TRUE(readWavFrames(folder.file("restored.wav")) == first);
    fs::rename(sample, folder.file("moved.wav"));
    ASSERT_EQ(runLv2Host(restore + "-o '" + folder.file("kept.wav") + "'", output), 0) << output;
    EXPECT_TRUE(readWavFrames(folder.file("kept.wav")) == first) << "the kept copy does not play as the file did";

    // Without the copy too the state restores: the sample is missing, the
    // instrument silent, and a save still names the sample.
    fs::remove(folder.file("saved/kept-voice.wav"));
    ASSERT_EQ(runLv2Host(restore + "-o '" + folder.file("missing.wav") + "' --save-state '" +
                             folder.file("resaved") + "'",
                         output),
              0)
        << output;
    EXPECT_TRUE(silent(readWavFrames(folder.file("missing.wav"))));
    const std::string resaved = fileText(folder.file("resaved/state.ttl"));
    EXPECT_NE(resaved.find("<urn:parvolino:instrument#sample>"), std::string::npos) << resaved;
    EXPECT_EQ(resaved.find("keptCopy"), std::string::npos) << resaved;

    // No sample, no path: a state never holds an empty one.
    ASSERT_EQ(runLv2Host(score + "--save-state '" + folder.file("empty") + "'", output), 0) << output;
    const std::string empty = fileText(folder.file("empty/state.ttl"));
    EXPECT_EQ(empty.find("#sample"), std::string::npos) << empty;
    EXPECT_NE(empty.find("#keepSamples"), std::string::npos) << empty;
}

}  // namespace
