// Real-time safety, proven by counting: while notes start, are stolen,
// released and bent, and while a new sample is adopted, the audio thread
// must not call the allocator, take a lock or open a file. And the
// constructor, which hosts run for every scan, must not touch files and must
// stay quick.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "tests/conformance/AllocationCounter.h"
#include "tests/conformance/ConformanceSupport.h"

namespace conformance {
namespace {

std::atomic<int> automations{0};

// A host callback that itself neither allocates nor locks, so whatever the
// counters see on the audio thread is the plug-in's doing.
VstIntPtr quietHost(AEffect*, int32_t opcode, int32_t, VstIntPtr, void*, float) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate) automations.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

AEffect* createQuiet(PluginInstance& fx) {
  const std::function<AEffect*(audioMasterCallback)> factory = [](audioMasterCallback) {
    return shippedModule().entry()(quietHost);
  };
  return fx.create(factory);
}

bool silent(const AudioBuffers& out, int32_t frames) {
  for (int32_t c = 0; c < out.channels(); ++c)
    for (int32_t i = 0; i < frames; ++i)
      if (out.channel(c)[i] != 0.0f) return false;
  return true;
}

TEST(Realtime, TheAudioThreadNeverAllocatesLocksOrOpensFiles) {
  if (!allocationCountingAvailable()) GTEST_SKIP() << "sanitizer builds bring their own allocator";
  ScratchFolder folder;
  const std::string first = folder.file("first.wav"), second = folder.file("second.wav");
  writeSample16(first, 44100, 30000, 1);
  writeSampleFloat(second, 48000, 30000, 2);

  PluginInstance fx;
  ASSERT_NE(createQuiet(fx), nullptr);
  AEffect* e = fx.effect();
  constexpr int32_t block = 256;
  fx.open();
  fx.setSampleRate(48000.0f);
  fx.setBlockSize(block);
  fx.resume();
  loadSampleThroughChunk(fx, first);
  fx.setParameter(3, 0.5f);  // scatter on: the generator runs too
  const bool editor = (e->flags & kFlagHasEditor) != 0;
  if (editor) fx.dispatch(effEditOpen);  // bends then notify an open panel

  std::vector<unsigned char> secondChunk = fx.getChunk();
  setChunkPath(secondChunk, 0, second);

  // Every block's events, built before the audio starts.
  constexpr int kBlocks = 40, kSwap = 14;
  std::vector<std::unique_ptr<MidiEventList>> events;
  for (int b = 0; b < kBlocks; ++b) events.push_back(std::make_unique<MidiEventList>());
  for (int n = 0; n < 12; ++n) events[0]->noteOn(n * 7, n % 16, 40 + n * 3, 100);  // every voice
  for (int n = 0; n < 3; ++n) events[2]->noteOn(100 + n, 0, 90 + n, 100);          // three stolen
  for (int n = 0; n < 4; ++n) events[4]->noteOff(n * 10, n % 16, 43 + n * 3);      // releases
  events[6]->pitchBend(0, 0, 0);
  events[6]->pitchBend(128, 0, 16383);
  events[7]->pitchBend(3, 0, 8192);
  events[8]->noteOn(0, 0, 60, 0);  // velocity 0
  events[10]->controller(50, 0, 123, 0);
  for (int n = 0; n < 5; ++n) events[11]->noteOn(n, 0, 60 + n, 100);
  // kSwap: the new sample is handed over before this block; nothing else happens.
  for (int n = 0; n < 14; ++n) events[kSwap + 2]->noteOn(n, 0, 30 + n * 5, 110);
  for (int n = 0; n < 6; ++n) events[kSwap + 6]->noteOff(0, 0, 30 + n * 5);
  events[kSwap + 8]->pitchBend(17, 1, 4000);
  events[kSwap + 12]->controller(0, 0, 123, 0);
  std::vector<VstEvents*> lists;
  for (auto& list : events) lists.push_back(list->get());

  AudioBuffers out(2, block);
  std::atomic<bool> loadRequested{false}, loadDone{false};
  std::thread loader([&] {
    while (!loadRequested.load()) std::this_thread::yield();
    fx.setChunk(secondChunk);  // reads the file here, hands it over to the audio thread
    loadDone.store(true);
  });

  resetAudioThreadCounts();
  automations = 0;
  bool soundBeforeSwap = false, soundAtSwap = false, soundAfterSwap = false;
  for (int b = 0; b < kBlocks; ++b) {
    if (b == kSwap) {
      loadRequested.store(true);
      while (!loadDone.load()) std::this_thread::yield();
    }
    {
      AudioThreadScope audio;
      if (events[b]->size() > 0) e->dispatcher(e, effProcessEvents, 0, 0, lists[b], 0.0f);
      if (b % 2)
        e->processReplacing(e, nullptr, out.pointers(), block);
      else {
        out.clear();
        e->process(e, nullptr, out.pointers(), block);
      }
    }
    if (b == kSwap - 1) soundBeforeSwap = !silent(out, block);
    if (b == kSwap) soundAtSwap = !silent(out, block);
    if (b == kSwap + 2) soundAfterSwap = !silent(out, block);
  }
  const AllocationCounts counts = audioThreadCounts();
  loader.join();
  if (editor) fx.dispatch(effEditClose);

  EXPECT_EQ(counts.allocations, 0u);
  EXPECT_EQ(counts.frees, 0u);
  EXPECT_EQ(counts.locks, 0u);
  EXPECT_EQ(counts.fileOpens, 0u);
  EXPECT_GE(automations.load(), 4) << "the bends reached the host as automation of Speed";
  EXPECT_TRUE(soundBeforeSwap);
  EXPECT_TRUE(soundAtSwap) << "the held notes go on with the new sample in that very block";
  EXPECT_TRUE(soundAfterSwap);
  std::cout << "audio thread over " << kBlocks << " blocks: " << counts.allocations << " allocations, "
            << counts.frees << " frees, " << counts.locks << " locks, " << counts.fileOpens << " file opens"
            << std::endl;
}

TEST(Realtime, TheCountersSeeWhatTheModuleDoes) {
  if (!allocationCountingAvailable()) GTEST_SKIP() << "sanitizer builds bring their own allocator";
  // Loading a sample on a watched thread opens the file and allocates the
  // sample's memory inside the module: both must be counted, or a zero
  // elsewhere proves nothing.
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 1000, 1);
  PluginInstance fx;
  ASSERT_NE(createQuiet(fx), nullptr);
  resetAudioThreadCounts();
  {
    AudioThreadScope watched;
    loadSampleThroughChunk(fx, sample);
  }
  const AllocationCounts counts = audioThreadCounts();
  EXPECT_GE(counts.fileOpens, 1u);
  EXPECT_GE(counts.allocations, 1u);
}

TEST(Realtime, ConstructionIsQuickAndTouchesNoFile) {
  // A scan creates one instance per module and closes it again at once.
  constexpr int kInstances = 200;
  std::vector<double> micros;
  uint64_t fileOpens = 0, allocations = 0;
  for (int i = 0; i < kInstances; ++i) {
    PluginInstance fx;
    resetAudioThreadCounts();
    const auto start = std::chrono::steady_clock::now();
    {
      AudioThreadScope watched;  // counts file opens on this thread
      ASSERT_NE(createQuiet(fx), nullptr);
    }
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    fileOpens += audioThreadCounts().fileOpens;
    allocations += audioThreadCounts().allocations;
    fx.close();
  }
  std::sort(micros.begin(), micros.end());
  const double median = micros[kInstances / 2], worst = micros.back();
  std::cout << "construction: median " << median << " us, slowest " << worst << " us" << std::endl;
  if (allocationCountingAvailable()) {  // sanitizer builds intercept files their own way, and run slower
    EXPECT_EQ(fileOpens, 0u) << "the constructor opened files";
    // The counters do reach into the module: main allocates the effect.
    EXPECT_GE(allocations, uint64_t(kInstances));
    EXPECT_LT(median, 1000.0) << "microseconds";
    EXPECT_LT(micros[kInstances * 9 / 10], 3000.0) << "microseconds, 90th percentile";
  }
}

}  // namespace
}  // namespace conformance
