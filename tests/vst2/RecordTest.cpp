// The record handed to the host: its contents after construction, the bridges
// that lead back into the object, and effClose destroying the instance.
#include <gtest/gtest.h>

#include "vst2/testfx/TestEffect.h"
#include "tests/vst2/SpyEffect.h"

TEST(Record, BaseConstructorFillsTheRecord) {
  SpyEffect fx(nullptr, 5, 6);
  const AEffect& e = *fx.getAeffect();
  EXPECT_EQ(e.magic, 0x56737450);
  EXPECT_EQ(e.numPrograms, 5);
  EXPECT_EQ(e.numParams, 6);
  EXPECT_EQ(e.numInputs, 1);
  EXPECT_EQ(e.numOutputs, 2);
  EXPECT_EQ(e.flags, 0);
  EXPECT_EQ(e.resvd1, 0);
  EXPECT_EQ(e.resvd2, 0);
  EXPECT_EQ(e.initialDelay, 0);
  EXPECT_EQ(e.realQualities, 0);
  EXPECT_EQ(e.offQualities, 0);
  EXPECT_EQ(e.ioRatio, 1.0f);
  EXPECT_EQ(e.object, static_cast<AudioEffect*>(&fx));
  EXPECT_EQ(e.user, nullptr);
  EXPECT_EQ(e.uniqueID, 0x4E6F4566);  // 'NoEf'
  EXPECT_EQ(e.version, 1);
  EXPECT_NE(e.dispatcher, nullptr);
  EXPECT_NE(e.process, nullptr);
  EXPECT_NE(e.processReplacing, nullptr);
  EXPECT_NE(e.setParameter, nullptr);
  EXPECT_NE(e.getParameter, nullptr);
  for (char byte : e.future) EXPECT_EQ(byte, 0);
  EXPECT_EQ(fx.getSampleRate(), 44100.0f);
  EXPECT_EQ(fx.getBlockSize(), 1024);
  EXPECT_EQ(fx.getProgram(), 0);
  EXPECT_EQ(fx.getEditor(), nullptr);
}

TEST(Record, TestEffectLooksLikeTheInstrument) {
  TestEffect fx(nullptr);
  const AEffect& e = *fx.getAeffect();
  EXPECT_EQ(e.numPrograms, 4);
  EXPECT_EQ(e.numParams, 4);
  EXPECT_EQ(e.numInputs, 0);
  EXPECT_EQ(e.numOutputs, 2);
  EXPECT_EQ(e.flags, 0x121);
  EXPECT_EQ(e.uniqueID, kTestEffectID);
  EXPECT_EQ(e.object, static_cast<AudioEffect*>(&fx));
}

TEST(Record, FlagSettersSetAndClearTheirOwnBitOnly) {
  SpyEffect fx;
  const AEffect& e = *fx.getAeffect();
  const struct {
    void (*set)(SpyEffect&, bool);
    int32_t bit;
  } flags[] = {
      {[](SpyEffect& f, bool s) { f.hasClip(s); }, 0x2},
      {[](SpyEffect& f, bool s) { f.hasVu(s); }, 0x4},
      {[](SpyEffect& f, bool s) { f.canMono(s); }, 0x8},
      {[](SpyEffect& f, bool s) { f.canProcessReplacing(s); }, 0x10},
      {[](SpyEffect& f, bool s) { f.programsAreChunks(s); }, 0x20},
      {[](SpyEffect& f, bool s) { f.isSynth(s); }, 0x100},
      {[](SpyEffect& f, bool s) { f.noTail(s); }, 0x200},
      {[](SpyEffect& f, bool s) { f.wantAsyncOperation(s); }, 0x400},
      {[](SpyEffect& f, bool s) { f.hasExternalBuffer(s); }, 0x800},
  };
  int32_t all = 0;
  for (const auto& flag : flags) {
    flag.set(fx, true);
    all |= flag.bit;
    EXPECT_EQ(e.flags, all) << std::hex << flag.bit;
  }
  for (const auto& flag : flags) {
    flag.set(fx, false);
    all &= ~flag.bit;
    EXPECT_EQ(e.flags, all) << std::hex << flag.bit;
  }
}

TEST(Record, BridgesReachTheOverrides) {
  TestEffect fx(nullptr);
  AEffect* e = fx.getAeffect();
  e->setParameter(e, 0, 0.25f);
  EXPECT_EQ(fx.getParameter(0), 0.25f);
  EXPECT_EQ(e->getParameter(e, 0), 0.25f);
  float left[4] = {1, 1, 1, 1}, right[4] = {2, 2, 2, 2};
  float* outputs[2] = {left, right};
  e->process(e, nullptr, outputs, 4);  // accumulates
  EXPECT_EQ(left[3], 1.25f);
  EXPECT_EQ(right[0], 2.25f);
  e->processReplacing(e, nullptr, outputs, 3);  // replaces
  EXPECT_EQ(left[0], 0.25f);
  EXPECT_EQ(right[2], 0.25f);
  EXPECT_EQ(right[3], 2.25f);
}

TEST(Record, EffCloseRunsCloseDeletesTheObjectAndAnswersOne) {
  int editorsDeleted = 0;
  struct Closing : SpyEffect {
    int* closed;
    int* destroyed;
    Closing(int* c, int* d) : closed(c), destroyed(d) {}
    void close() override { ++*closed; }
    ~Closing() override { ++*destroyed; }
  };
  int closed = 0, destroyed = 0;
  auto* fx = new Closing(&closed, &destroyed);
  fx->setEditor(new SpyEditor(fx, &editorsDeleted));
  AEffect* e = fx->getAeffect();
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(editorsDeleted, 1);
  // The object's own dispatcher answers 0 for effClose; only the bridge answers 1.
  SpyEffect kept;
  EXPECT_EQ(kept.dispatcher(effClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(kept.last(), "close");
}
