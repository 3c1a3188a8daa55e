// State as hosts save and restore it: the chunk of one instance restored
// into another, a sample that has gone missing in between, and chunks a
// host (or a damaged project file) gets wrong.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "tests/conformance/ConformanceSupport.h"

namespace conformance {
namespace {

// One note without scatter, long enough to hear the sample.
std::vector<float> playNote(PluginInstance& fx, int note = 60) {
  fx.setParameter(3, 0.0f);
  const std::vector<ScoreEvent> score = {{10, 0x90, static_cast<unsigned char>(note), 100}};
  return play(fx, score, 8192, [] { return 512; }).left;
}

bool silent(const std::vector<float>& samples) {
  for (float v : samples)
    if (v != 0.0f) return false;
  return true;
}

TEST(State, ChunkRestoredIntoAFreshInstanceGivesBackEverything) {
  ScratchFolder folder;
  const std::string first = folder.file("first.wav"), second = folder.file("second sample.wav");
  writeSample16(first, 44100, 20000, 1);
  writeSampleFloat(second, 48000, 20000, 2);

  PluginInstance saved;
  ASSERT_TRUE(bringUp(saved, 48000.0f, 512));
  loadSampleThroughChunk(saved, first);
  const float values[4] = {0.3f, 0.6f, 0.2f, 0.0f};
  for (int i = 0; i < 4; ++i) saved.setParameter(i, values[i]);
  char name[] = "First";
  saved.dispatch(effSetProgramName, 0, 0, name);
  saved.setProgram(2);  // no sample of its own: takes over the first
  loadSampleThroughChunk(saved, second);
  saved.setParameter(1, 0.8f);
  char third[] = "Third";
  saved.dispatch(effSetProgramName, 0, 0, third);
  saved.setProgram(0);

  const std::vector<unsigned char> chunk = saved.getChunk();
  ASSERT_GT(chunk.size(), size_t(kChunkSize));  // the two samples kept after the bank
  EXPECT_EQ(saved.getChunk(true), chunk) << "a preset request answers the same bank";
  EXPECT_EQ(chunkPath(chunk, 0), first);
  EXPECT_EQ(chunkPath(chunk, 2), second);
  EXPECT_EQ(chunkName(chunk, 2), "Third");
  EXPECT_FLOAT_EQ(chunkValue(chunk, 0, 1), 0.6f);

  PluginInstance restored;
  ASSERT_TRUE(bringUp(restored, 48000.0f, 512));
  EXPECT_EQ(restored.setChunk(chunk), kChunkSize);
  EXPECT_EQ(restored.getChunk(), chunk) << "the same bytes come back";

  for (int32_t p : {1, 2, 3, 0}) {
    SCOPED_TRACE(testing::Message() << "program " << p);
    saved.setProgram(p);
    restored.setProgram(p);
    EXPECT_EQ(restored.programName(), saved.programName());
    for (int32_t i = 0; i < 4; ++i) {
      EXPECT_EQ(restored.getParameter(i), saved.getParameter(i)) << "parameter " << i;
      EXPECT_EQ(restored.parameterDisplay(i), saved.parameterDisplay(i)) << "parameter " << i;
    }
  }
  // The samples themselves: the same note sounds the same in both, and the
  // two programs' samples sound different.
  saved.setProgram(0);
  restored.setProgram(0);
  const std::vector<float> firstSaved = playNote(saved), firstRestored = playNote(restored);
  EXPECT_FALSE(silent(firstSaved));
  EXPECT_EQ(firstRestored, firstSaved);
  saved.setProgram(2);
  restored.setProgram(2);
  const std::vector<float> secondSaved = playNote(saved), secondRestored = playNote(restored);
  EXPECT_FALSE(silent(secondSaved));
  EXPECT_EQ(secondRestored, secondSaved);
  EXPECT_NE(secondSaved, firstSaved);
}

TEST(State, AMissingSampleKeepsItsPathAndComesBackWithTheFile) {
  ScratchFolder folder;
  const std::string sample = folder.file("moved.wav"), away = folder.file("elsewhere.wav");
  writeSample16(sample, 44100, 20000, 4);

  PluginInstance original;
  ASSERT_TRUE(bringUp(original, 44100.0f, 512));
  loadSampleThroughChunk(original, sample);
  // A project that names its sample only (saved with keeping off, or by an
  // earlier version): the bank alone.
  std::vector<unsigned char> chunk = original.getChunk();
  chunk.resize(kChunkSize);
  const std::vector<float> expected = playNote(original);
  ASSERT_FALSE(silent(expected));

  // The project is opened while the file is away (a drive not mounted yet).
  std::filesystem::rename(sample, away);
  PluginInstance reopened;
  ASSERT_TRUE(bringUp(reopened, 44100.0f, 512));
  EXPECT_EQ(reopened.setChunk(chunk), kChunkSize);
  const std::vector<unsigned char> resaved = reopened.getChunk();
  EXPECT_EQ(chunkPath(resaved, 0), sample) << "saving the project again keeps the reference";
  EXPECT_TRUE(silent(playNote(reopened))) << "nothing to play yet";

  // The file is back: selecting the program again, or restoring the chunk
  // saved meanwhile into a new instance, plays it.
  std::filesystem::rename(away, sample);
  reopened.setProgram(0);
  EXPECT_FALSE(silent(playNote(reopened)));
  PluginInstance later;
  ASSERT_TRUE(bringUp(later, 44100.0f, 512));
  EXPECT_EQ(later.setChunk(resaved), kChunkSize);
  EXPECT_EQ(playNote(later), expected);
}

TEST(State, DamagedChunksNeitherCrashNorPoisonTheSound) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 20000, 9);
  PluginInstance fx;
  ASSERT_TRUE(bringUp(fx, 44100.0f, 512));
  loadSampleThroughChunk(fx, sample);
  const std::vector<unsigned char> good = fx.getChunk();

  // Shorter than the bank: nothing beyond its end may be read (ASan), and
  // a half bank must not half-replace the programs.
  std::vector<unsigned char> shortChunk(good.begin(), good.begin() + kChunkSize / 2);
  fx.setChunk(shortChunk);
  EXPECT_EQ(fx.getChunk(), good);

  // Unterminated texts and values no knob can produce.
  std::vector<unsigned char> bad = good;
  const float wild[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -5.0f,
                        1e9f};
  for (int32_t p = 0; p < kPrograms; ++p) {
    std::memset(bad.data() + p * kProgramSize, 'N', 24);
    if (p > 0) std::memset(bad.data() + p * kProgramSize + kPathOffset, 'P', 260);
    for (int32_t i = 0; i < 4; ++i)
      std::memcpy(bad.data() + p * kProgramSize + kValuesOffset + 4 * i, &wild[(i + p) % 4], 4);
  }
  EXPECT_EQ(fx.setChunk(bad), kChunkSize);
  for (int32_t p = 0; p < kPrograms; ++p) {
    fx.setProgram(p);
    EXPECT_LT(fx.programName().size(), 24u) << "program " << p << " name comes back terminated";
    for (int32_t i = 0; i < 4; ++i) {
      EXPECT_LE(fx.parameterDisplay(i).size(), 8u) << "program " << p << " parameter " << i;
      const float v = fx.getParameter(i);
      EXPECT_TRUE(std::isfinite(v)) << "program " << p << " parameter " << i << " = " << v;
    }
    const Render r = play(fx, busyScore(22050), 22050, [] { return 512; });
    EXPECT_TRUE(r.report.clean()) << "program " << p;
  }
}

}  // namespace
}  // namespace conformance
