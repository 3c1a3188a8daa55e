// Audio as validators drive it: every common rate and block size, blocks
// that change size on every call, a block larger than announced, and a rate
// change while switched on. Nothing but clean numbers may come out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/conformance/ConformanceSupport.h"

namespace conformance {
namespace {

constexpr float kRates[] = {44100.0f, 48000.0f, 96000.0f};
constexpr int32_t kBlocks[] = {1, 64, 256, 512, 1024, 4096};

// Random 0: the grain scatter depends on how many grains the calling thread
// has started before, so only renders without scatter can be compared.
void withoutScatter(PluginInstance& fx) { fx.setParameter(3, 0.0f); }

std::string firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return "lengths " + std::to_string(a.size()) + " and " + std::to_string(b.size());
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
      return "frame " + std::to_string(i) + ": " + std::to_string(a[i]) + " vs " + std::to_string(b[i]);
  return "";
}

TEST(Processing, EveryRateAndBlockSizePlaysTheSameCleanSound) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 30000, 7);

  for (float rate : kRates) {
    const int64_t frames = int64_t(rate) / 2;  // half a second
    const std::vector<ScoreEvent> score = busyScore(frames);
    std::vector<float> reference;
    for (int32_t block : kBlocks) {
      SCOPED_TRACE(testing::Message() << rate << " Hz, blocks of " << block);
      PluginInstance fx;
      ASSERT_TRUE(bringUp(fx, rate, block));
      loadSampleThroughChunk(fx, sample);
      withoutScatter(fx);
      const Render r = play(fx, score, frames, [block] { return block; });
      EXPECT_TRUE(r.report.clean()) << r.report.nans << " NaN, " << r.report.infinities << " infinite, "
                                    << r.report.denormals << " denormal samples";
      EXPECT_GT(r.report.nonZero, frames) << "the notes are heard";
      EXPECT_LT(r.report.peak, 8.0f);
      EXPECT_TRUE(r.channelsEqual) << "both outputs carry the same signal";
      // Events land on their exact frame, so the block size changes nothing.
      if (reference.empty())
        reference = r.left;
      else
        EXPECT_EQ(firstDifference(r.left, reference), "") << "differs from the render in blocks of 1";
    }
  }
}

TEST(Processing, BlocksThatChangeSizeOnEveryCallAndBothProcessForms) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSampleFloat(sample, 48000, 20000, 3);
  const int64_t frames = 48000;
  const std::vector<ScoreEvent> score = busyScore(frames);

  auto varying = [] {
    uint32_t state = 12345;
    return [state]() mutable {
      state = state * 1103515245u + 12345u;
      return int32_t(1 + (state >> 8) % 4096);
    };
  };

  PluginInstance steady;
  ASSERT_TRUE(bringUp(steady, 48000.0f, 4096));
  loadSampleThroughChunk(steady, sample);
  withoutScatter(steady);
  const Render reference = play(steady, score, frames, [] { return 512; });

  // Sizes 1 to 4096 in a fixed pseudo-random order; odd blocks through
  // processReplacing onto outputs full of NaN, which every frame must overwrite.
  PluginInstance fx;
  ASSERT_TRUE(bringUp(fx, 48000.0f, 4096));
  loadSampleThroughChunk(fx, sample);
  withoutScatter(fx);
  const Render r = play(fx, score, frames, varying(), ProcessCall::alternating);
  EXPECT_TRUE(r.report.clean()) << r.report.nans << " NaN (a frame processReplacing did not write?), "
                                << r.report.infinities << " infinite, " << r.report.denormals << " denormal";
  EXPECT_TRUE(r.channelsEqual);
  EXPECT_EQ(firstDifference(r.left, reference.left), "");

  // The same with the widest scatter and the extreme ends of every knob.
  PluginInstance wild;
  ASSERT_TRUE(bringUp(wild, 48000.0f, 4096));
  loadSampleThroughChunk(wild, sample);
  for (float length : {0.0f, 1.0f}) {
    wild.setParameter(0, 1.0f);
    wild.setParameter(1, length);
    wild.setParameter(2, 1.0f - length);
    wild.setParameter(3, 1.0f);
    const Render w = play(wild, score, frames / 2, varying(), ProcessCall::replacingOnGarbage);
    EXPECT_TRUE(w.report.clean()) << "Length " << length;
    EXPECT_GT(w.report.nonZero, 0);
  }
}

TEST(Processing, AFloatSampleFileWithoutNumbersNeverReachesTheOutputAsSuch) {
  // Float WAV files can hold anything: NaN, infinities, subnormals, values far
  // beyond full scale, and normal values so small that any envelope weight
  // turns them subnormal. None of it may reach the host's mix as such.
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const float weird[] = {nan, inf, -inf, 1e-40f, -1e-42f, 1e-37f, 3e38f, -3e38f, 0.5f, -0.25f};
  std::vector<float> samples(20000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = weird[(i * 7) % 10];
  ScratchFolder folder;
  const std::string sample = folder.file("hostile.wav");
  writeFloatFile(sample, 44100, samples);

  for (float length : {0.0f, 0.5f, 1.0f}) {
    PluginInstance fx;
    ASSERT_TRUE(bringUp(fx, 44100.0f, 512));
    loadSampleThroughChunk(fx, sample);
    fx.setParameter(1, length);
    const Render r = play(fx, busyScore(44100), 44100, [] { return 512; }, ProcessCall::alternating);
    EXPECT_TRUE(r.report.clean()) << "Length " << length << ": " << r.report.nans << " NaN, "
                                  << r.report.infinities << " infinite, " << r.report.denormals << " denormal";
    EXPECT_GT(r.report.nonZero, 0) << "the finite part of the file is still played";
  }
}

TEST(Processing, ABlockTwiceTheAnnouncedSize) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 30000, 11);
  const int64_t frames = 44100;
  const std::vector<ScoreEvent> score = busyScore(frames);

  PluginInstance announced;
  ASSERT_TRUE(bringUp(announced, 44100.0f, 512));
  loadSampleThroughChunk(announced, sample);
  withoutScatter(announced);
  const Render expected = play(announced, score, frames, [] { return 512; });

  // The host announced 512 and then sends 1024 (ASan watches the buffers).
  PluginInstance doubled;
  ASSERT_TRUE(bringUp(doubled, 44100.0f, 512));
  loadSampleThroughChunk(doubled, sample);
  withoutScatter(doubled);
  const Render r = play(doubled, score, frames, [] { return 1024; });
  EXPECT_TRUE(r.report.clean());
  EXPECT_EQ(firstDifference(r.left, expected.left), "");
}

// Hosts allocate the list with room for all its events, past the two the
// record declares (the sanitizer build checks every index against that).
TEST(Processing, AHundredEventsInOneListAreAllRead) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 30000, 3);
  PluginInstance fx;
  ASSERT_TRUE(bringUp(fx, 44100.0f, 1024));
  loadSampleThroughChunk(fx, sample);
  std::vector<ScoreEvent> score;
  for (int i = 0; i < 99; ++i) score.push_back({i, 0xB0, 7, 100});  // nothing to hear
  score.push_back({200, 0x90, 60, 100});  // the hundredth is the only note
  const Render r = play(fx, score, 8192, [] { return 1024; });
  EXPECT_TRUE(r.report.clean());
  EXPECT_GT(r.report.nonZero, 8192) << "the last event of the list was played";
}

TEST(Processing, SampleRateChangeWhileSwitchedOn) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 30000, 5);

  PluginInstance fx;
  ASSERT_TRUE(bringUp(fx, 44100.0f, 256));
  loadSampleThroughChunk(fx, sample);
  const std::vector<ScoreEvent> score = busyScore(44100);
  Render before = play(fx, score, 22050, [] { return 256; });
  EXPECT_TRUE(before.report.clean());

  // No suspend: some hosts just send the new rate, and notes keep sounding.
  for (float rate : {96000.0f, 22050.0f, 48000.0f}) {
    SCOPED_TRACE(rate);
    fx.setSampleRate(rate);
    std::vector<ScoreEvent> more = {{0, 0x90, 72, 100}, {100, 0x90, 50, 100}, {2000, 0x80, 72, 0}};
    const Render after = play(fx, more, int64_t(rate) / 4, [] { return 256; });
    EXPECT_TRUE(after.report.clean());
    EXPECT_GT(after.report.nonZero, int64_t(rate) / 8) << "still playing after the change";
    EXPECT_TRUE(after.channelsEqual);
  }
  // The millisecond displays follow the new rate: Length 0.5 is 4100 samples.
  fx.setParameter(1, 0.5f);
  EXPECT_EQ(fx.parameterDisplay(1).substr(0, 5), "85.41") << "4100 samples at 48 kHz";
}

}  // namespace
}  // namespace conformance
