// Hosts call process on their audio thread and everything else on their
// user-interface thread, at the same time. These run both at once; under
// ThreadSanitizer any unsynchronised hand-over shows up as a race.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/conformance/ConformanceSupport.h"

namespace conformance {
namespace {

constexpr int32_t kBlock = 256;

// Plays the busy score over and over on its own thread until told to stop
// (and at least `minimumBlocks` blocks), collecting what came out.
class AudioThread {
 public:
  AudioThread(PluginInstance& fx, int minimumBlocks) : fx(fx), minimumBlocks(minimumBlocks) {
    thread = std::thread([this] { run(); });
  }
  ~AudioThread() { finish(); }

  // Waits until the audio thread has played its minimum, then stops it.
  OutputReport finish() {
    stop.store(true);
    if (thread.joinable()) thread.join();
    return report;
  }
  bool started() const { return blocks.load() > 0; }
  bool playing() const { return !(stop.load() && blocks.load() >= minimumBlocks); }

 private:
  void run() {
    const std::vector<ScoreEvent> score = busyScore(kBlock * 32);
    while (!stop.load() || blocks.load() < minimumBlocks) {
      const Render r = play(fx, score, kBlock * 32, [] { return kBlock; }, ProcessCall::alternating);
      report.add(r.report);
      blocks.fetch_add(32);
    }
  }

  PluginInstance& fx;
  const int minimumBlocks;
  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  OutputReport report;
  std::thread thread;
};

void waitUntilStarted(const AudioThread& audio) {
  while (!audio.started()) std::this_thread::yield();
}

TEST(Threads, ParametersFromTheInterfaceThreadWhileAudioPlaysAndTheEditorIdles) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 20000, 6);
  PluginInstance fx;
  ASSERT_TRUE(bringUp(fx, 44100.0f, kBlock));
  loadSampleThroughChunk(fx, sample);
  const bool editor = (fx.effect()->flags & kFlagHasEditor) != 0;
  if (editor) fx.dispatch(effEditOpen);

  AudioThread audio(fx, 320);
  waitUntilStarted(audio);
  int changes = 0;
  for (int round = 0; round < 200; ++round) {
    for (int32_t i = 0; i < 4; ++i) {
      const float value = float((round * 7 + i * 3) % 11) / 10.0f;  // 0.0 to 1.0
      fx.setParameter(i, value);
      EXPECT_GE(fx.getParameter(i), 0.0f);
      EXPECT_LE(fx.parameterDisplay(i).size(), 8u);
      ++changes;
    }
    fx.programName();
    if (editor) fx.dispatch(effEditIdle);
  }
  const OutputReport report = audio.finish();
  if (editor) fx.dispatch(effEditClose);
  EXPECT_TRUE(report.clean()) << report.nans << " NaN, " << report.infinities << " infinite, " << report.denormals
                              << " denormal";
  EXPECT_GT(report.nonZero, 0);
  EXPECT_EQ(changes, 800);
}

TEST(Threads, ChunksAndProgramChangesFromTheInterfaceThreadWhileProcessing) {
  ScratchFolder folder;
  const std::string first = folder.file("first.wav"), second = folder.file("second.wav");
  writeSample16(first, 44100, 20000, 1);
  writeSampleFloat(second, 48000, 20000, 2);

  PluginInstance fx;
  ASSERT_TRUE(bringUp(fx, 48000.0f, kBlock));
  std::vector<unsigned char> one = fx.getChunk(), two = one;
  setChunkPath(one, 0, first);
  setChunkPath(one, 1, second);
  setChunkName(one, 0, "One");
  setChunkPath(two, 0, second);
  setChunkPath(two, 1, first);
  setChunkName(two, 0, "Two");
  fx.setChunk(one);

  AudioThread audio(fx, 320);
  waitUntilStarted(audio);
  for (int round = 0; round < 40; ++round) {
    EXPECT_EQ(fx.setChunk(round % 2 ? two : one), kChunkSize);
    fx.setProgram(round % 4);
    const std::vector<unsigned char> saved = fx.getChunk();  // a host saving meanwhile
    ASSERT_GT(saved.size(), size_t(kChunkSize));  // the samples kept after the bank
    const std::string path = chunkPath(saved, 0);
    EXPECT_TRUE(path == first || path == second) << "a torn path: " << path;
    fx.setProgram(0);
  }
  fx.setChunk(two);
  const OutputReport report = audio.finish();
  EXPECT_TRUE(report.clean());
  EXPECT_GT(report.nonZero, 0);

  // The last chunk won: the instance now sounds like a fresh one given it.
  // Bends of the busy score may have moved Speed since, so the knobs are set
  // alike on both; the voices of the busy score die away first.
  PluginInstance fresh;
  ASSERT_TRUE(bringUp(fresh, 48000.0f, kBlock));
  fresh.setChunk(two);
  for (int32_t i = 0; i < 4; ++i) {
    const float value = i == 3 ? 0.0f : chunkValue(two, 0, i);
    fx.setParameter(i, value);
    fresh.setParameter(i, value);
  }
  play(fx, {{0, 0xB0, 123, 0}}, 9000, [] { return kBlock; });
  const std::vector<ScoreEvent> note = {{0, 0x90, 64, 100}};
  EXPECT_EQ(play(fx, note, 4096, [] { return kBlock; }).left, play(fresh, note, 4096, [] { return kBlock; }).left);
  EXPECT_EQ(fx.programName(), "Two");
}

TEST(Threads, EditorOpenedAndClosedWhileTheAudioThreadBendsSpeed) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 20000, 8);
  PluginInstance fx;
  ASSERT_TRUE(bringUp(fx, 44100.0f, kBlock));
  if (!(fx.effect()->flags & kFlagHasEditor)) GTEST_SKIP() << "the module has no editor yet";
  loadSampleThroughChunk(fx, sample);

  // The busy score bends the wheel: Speed changes, and the panel is told, on
  // the audio thread while this thread builds and tears down the panel.
  AudioThread audio(fx, 320);
  waitUntilStarted(audio);
  for (int round = 0; round < 30; ++round) {
    EXPECT_NE(fx.dispatch(effEditOpen), 0);
    for (int i = 0; i < 3; ++i) fx.dispatch(effEditIdle);
    fx.setParameter(round % 4, 0.5f);
    fx.dispatch(effEditIdle);
    fx.dispatch(effEditClose);
  }
  const OutputReport report = audio.finish();
  EXPECT_TRUE(report.clean());
  EXPECT_GT(report.nonZero, 0);
}

}  // namespace
}  // namespace conformance
