#include "tools/wintesthost/ScoreRenderer.h"

#include "tools/render/ProgramBank.h"
#include "tools/render/ScoreReader.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// An instance that writes what it was told into its output, so the rendered
// audio shows at which frame each parameter and event arrived: every frame
// carries the current parameter 0, plus the note number on the event's frame.
struct FakeEffect {
  AEffect record{};
  float param = 0.0f;
  std::vector<VstMidiEvent> pending;
  std::vector<int> blockSizes;
  char bank[1200] = {};
  float rate = 0.0f;

  FakeEffect() {
    record.magic = kEffectMagic;
    record.dispatcher = &FakeEffect::dispatcher;
    record.process = &FakeEffect::process;
    record.setParameter = &FakeEffect::setParameter;
    record.object = this;
    record.numOutputs = 2;
  }
  static FakeEffect* self(AEffect* e) { return static_cast<FakeEffect*>(e->object); }
  static VstIntPtr dispatcher(AEffect* e, int32_t op, int32_t, VstIntPtr value, void* ptr, float opt) {
    FakeEffect* f = self(e);
    switch (op) {
      case effSetSampleRate:
        f->rate = opt;
        return 1;
      case effProcessEvents: {
        auto* list = static_cast<VstEvents*>(ptr);
        for (int i = 0; i < list->numEvents; ++i)
          f->pending.push_back(*reinterpret_cast<VstMidiEvent*>(list->events[i]));
        return 1;
      }
      case effGetChunk:
        *static_cast<void**>(ptr) = f->bank;
        return sizeof f->bank;
      case effSetChunk:
        std::memcpy(f->bank, ptr, static_cast<size_t>(value));
        return value;
      default:
        return 0;
    }
  }
  static void setParameter(AEffect* e, int32_t, float v) { self(e)->param = v; }
  static void process(AEffect* e, float**, float** out, int32_t frames) {
    FakeEffect* f = self(e);
    f->blockSizes.push_back(frames);
    for (int32_t i = 0; i < frames; ++i) {
      out[0][i] += f->param;
      out[1][i] += f->param;
    }
    for (const VstMidiEvent& ev : f->pending) {
      EXPECT_GE(ev.deltaFrames, 0);
      EXPECT_LT(ev.deltaFrames, frames);
      out[0][ev.deltaFrames] += static_cast<unsigned char>(ev.midiData[1]);
    }
    f->pending.clear();
  }
};

RenderResult render(const std::string& text, int32_t block, FakeEffect& fx) {
  RenderPlan plan;
  std::string error;
  EXPECT_TRUE(parseScore(text, "test", "", plan, error)) << error;
  prepareInstance(&fx.record, plan.sampleRate.value_or(44100), block);
  RenderResult out;
  renderPlan(&fx.record, plan, planFrames(plan, 44100), block, out);
  return out;
}

}  // namespace

TEST(ScoreRenderer, ParametersAndEventsLandOnTheirFramesWhateverTheBlockSize) {
  const std::string text =
      "rate 48000\n"
      "param 0 0.25\n"
      "length 1500\n"
      "at 700 on 9 1\n"     // MIDI listed before the change of the same frame...
      "at 700 param 0 0.5\n"  // ...still finds the new value in place
      "at 513 on 3 1\n"
      "at 1499 on 5 1\n"
      "at 1500 on 7 1\n";  // beyond the end: never delivered
  FakeEffect a, b;
  RenderResult big = render(text, 512, a), small = render(text, 37, b);
  EXPECT_EQ(a.rate, 48000.0f);
  ASSERT_EQ(big.left.size(), 1500u);
  EXPECT_EQ(big.left, small.left);
  EXPECT_EQ(big.right, small.right);
  EXPECT_FLOAT_EQ(big.left[0], 0.25f);
  EXPECT_FLOAT_EQ(big.left[699], 0.25f);
  EXPECT_FLOAT_EQ(big.left[700], 9.5f);
  EXPECT_FLOAT_EQ(big.left[513], 3.25f);
  EXPECT_FLOAT_EQ(big.left[1499], 5.5f);
  EXPECT_FLOAT_EQ(big.right[700], 0.5f);
  // The change splits the block at 700; nothing else is split.
  EXPECT_EQ(a.blockSizes, (std::vector<int>{512, 188, 512, 288}));
}

TEST(ScoreRenderer, TheSampleGoesIntoProgramZeroOfADefaultBankAndLongPathsAreRefused) {
  FakeEffect fx;
  std::string error;
  ASSERT_TRUE(loadBank(&fx.record, "Z:\\s\\a.wav", error)) << error;
  ProgramBank bank(fx.bank, fx.bank + sizeof fx.bank);
  EXPECT_EQ(samplePath(bank, 0), "Z:\\s\\a.wav");
  EXPECT_EQ(samplePath(bank, 1), "");
  EXPECT_STREQ(fx.bank + 300, "Default");
  EXPECT_FLOAT_EQ(programValue(bank, 0, 3), 0.1f);
  EXPECT_FALSE(loadBank(&fx.record, std::string(260, 'p'), error));
  EXPECT_EQ(samplePath(ProgramBank(fx.bank, fx.bank + sizeof fx.bank), 0), "Z:\\s\\a.wav");
}
