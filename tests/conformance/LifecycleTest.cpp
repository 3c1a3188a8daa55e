// Lifecycles hosts put a plug-in through: scanning creates and closes
// instances by the hundred, some hosts open and close without ever
// processing, modules are loaded and unloaded, and editors are opened cold,
// reopened, and opened twice without a close in between.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/conformance/ConformanceSupport.h"

namespace conformance {
namespace {

TEST(Lifecycle, AHundredCreateOpenCloseCycles) {
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 8000, 2);
  std::set<int32_t> flags;
  for (int cycle = 0; cycle < 100; ++cycle) {
    SCOPED_TRACE(cycle);
    PluginInstance fx;
    ASSERT_TRUE(bringUp(fx, cycle % 2 ? 44100.0f : 96000.0f, 256));
    flags.insert(fx.effect()->flags);
    EXPECT_EQ(fx.effect()->uniqueID, vstFourCC('H', 'e', 'P', 'a'));
    if (cycle % 3 == 0) loadSampleThroughChunk(fx, sample);
    if (cycle % 2 == 0) {
      const Render r = play(fx, busyScore(2048), 2048, [] { return 256; });
      EXPECT_TRUE(r.report.clean());
      if (cycle % 3 == 0) {
        EXPECT_GT(r.report.nonZero, 0);
      }
    }
    fx.suspend();
    EXPECT_EQ(fx.close(), 1) << "effClose answers 1";
  }
  EXPECT_EQ(flags.size(), 1u) << "every instance reports the same flags";
}

TEST(Lifecycle, OpenAndCloseWithoutProcessingAndManyInstancesAtOnce) {
  {  // created and closed, nothing else
    PluginInstance fx;
    ASSERT_NE(fx.create(shippedModule()), nullptr);
    EXPECT_EQ(fx.close(), 1);
  }
  {  // opened, switched on and off, closed: never processed
    PluginInstance fx;
    ASSERT_NE(fx.create(shippedModule()), nullptr);
    fx.open();
    fx.setSampleRate(48000.0f);
    fx.resume();
    fx.suspend();
    EXPECT_EQ(fx.close(), 1);
  }
  // Sixteen instances alive together, each with its own record and state.
  ScratchFolder folder;
  const std::string sample = folder.file("sample.wav");
  writeSample16(sample, 44100, 8000, 3);
  std::vector<std::unique_ptr<PluginInstance>> many;
  std::set<AEffect*> records;
  for (int i = 0; i < 16; ++i) {
    many.push_back(std::make_unique<PluginInstance>());
    ASSERT_TRUE(bringUp(*many.back(), 44100.0f, 128));
    records.insert(many.back()->effect());
    many.back()->setParameter(1, i / 16.0f);
    if (i % 2) loadSampleThroughChunk(*many.back(), sample);
  }
  EXPECT_EQ(records.size(), 16u);
  for (int i = 0; i < 16; ++i) {
    EXPECT_FLOAT_EQ(many[i]->getParameter(1), i / 16.0f) << "instance " << i << " keeps its own value";
    const Render r = play(*many[i], busyScore(1024), 1024, [] { return 128; });
    EXPECT_EQ(r.report.nonZero > 0, i % 2 == 1) << "only instances with a sample sound, instance " << i;
  }
  many.clear();
}

TEST(Lifecycle, ModuleLoadedAndUnloadedRepeatedly) {
  // A copy of its own, so each unload really unmaps the module (a scan does this).
  ScratchFolder folder;
  const std::string copy = folder.file("parvolino-copy.so");
  std::filesystem::copy_file(PARVOLINO_MODULE_PATH, copy);
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    PluginModule module;
    ASSERT_TRUE(module.load(copy)) << module.error();
    PluginInstance fx;
    ASSERT_NE(fx.create(module), nullptr);
    fx.open();
    fx.setSampleRate(44100.0f);
    fx.resume();
    fx.runProcess(512);
    char name[64] = {};
    fx.dispatch(effGetProductString, 0, 0, name);
    EXPECT_STREQ(name, "Parvolino");
    fx.close();
    module.unload();
  }
}

TEST(Lifecycle, EditorOpenedColdWarmAndTwice) {
  PluginInstance fx;
  ASSERT_TRUE(bringUp(fx, 44100.0f, 512));
  if (!(fx.effect()->flags & kFlagHasEditor)) GTEST_SKIP() << "the module has no editor yet";

  // Hosts ask the size before opening, and again while it is open.
  std::optional<ERect> rect = fx.editorRect();
  ASSERT_TRUE(rect.has_value());
  EXPECT_EQ(rect->right - rect->left, 400);
  EXPECT_EQ(rect->bottom - rect->top, 290);  // the panel and the sample strip under it

  fx.dispatch(effEditIdle);   // idle before any open
  fx.dispatch(effEditClose);  // close before any open
  EXPECT_NE(fx.dispatch(effEditOpen, 0, 0, nullptr), 0) << "cold open";
  for (int i = 0; i < 5; ++i) fx.dispatch(effEditIdle);
  fx.setParameter(2, 0.25f);  // a host change reaches the open panel
  fx.dispatch(effEditIdle);
  rect = fx.editorRect();
  ASSERT_TRUE(rect.has_value());
  EXPECT_EQ(rect->right - rect->left, 400);
  fx.dispatch(effEditClose);

  EXPECT_NE(fx.dispatch(effEditOpen, 0, 0, nullptr), 0) << "warm open";
  fx.dispatch(effEditIdle);
  EXPECT_NE(fx.dispatch(effEditOpen, 0, 0, nullptr), 0) << "second open without a close";
  fx.dispatch(effEditIdle);
  fx.dispatch(effEditClose);
  fx.dispatch(effEditClose);  // and a second close

  // Closing the instance with the editor still open (a host that forgets).
  EXPECT_NE(fx.dispatch(effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(fx.close(), 1);
}

}  // namespace
}  // namespace conformance
