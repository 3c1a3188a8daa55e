// Our test host against instruments nobody on this team wrote: if it can
// list and play them, its view of the interface is the one real plug-ins
// share, and the battery's checks of our module mean something.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/hostlib/PluginHost.h"

namespace {

struct Peer {
  const char* path;
  const char* product;  // what effGetProductString or effGetEffectName answers
};

void PrintTo(const Peer& peer, std::ostream* out) { *out << peer.path; }

const Peer kPeers[] = {
    {"/usr/lib/vst/amsynth_vst.so", "amsynth"},
    {"/usr/lib/vst/Kars-vst.so", "Kars"},
};

struct Heard {
  double energy = 0.0;
  bool finite = true;
};

// Renders blocks and measures what came out on every output channel.
Heard render(PluginInstance& fx, int blocks, int32_t frames, bool replacing) {
  Heard heard;
  for (int b = 0; b < blocks; ++b) {
    if (replacing) {
      fx.outputBuffers().clear();
      fx.runProcessReplacing(frames);
    } else {
      fx.runProcess(frames);
    }
    for (int32_t c = 0; c < fx.effect()->numOutputs; ++c) {
      for (int32_t i = 0; i < frames; ++i) {
        const float v = fx.output(c)[i];
        heard.finite = heard.finite && std::isfinite(v);
        heard.energy += double(v) * v;
      }
    }
  }
  return heard;
}

class PeerInstrument : public ::testing::TestWithParam<Peer> {};

TEST_P(PeerInstrument, ListsItselfAndPlaysNotes) {
  const Peer peer = GetParam();
  if (!std::filesystem::exists(peer.path)) GTEST_SKIP() << peer.path << " is not installed";

  // Kept resident after the test, so a leak report can still name the
  // module (their leaks are suppressed by name; they are not ours to fix).
  ASSERT_NE(dlopen(peer.path, RTLD_NOW | RTLD_NODELETE), nullptr) << dlerror();
  PluginModule module;
  ASSERT_TRUE(module.load(peer.path)) << module.error();
  PluginInstance fx;
  AEffect* e = fx.create(module);
  ASSERT_NE(e, nullptr) << peer.path;
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_NE(e->flags & kFlagIsSynth, 0) << "an instrument";
  EXPECT_EQ(e->numInputs, 0);
  ASSERT_GE(e->numOutputs, 1);

  fx.open();
  std::string product = fx.text(effGetProductString, 0);
  if (product.empty()) product = fx.text(effGetEffectName, 0);
  EXPECT_NE(product.find(peer.product), std::string::npos) << "product '" << product << "'";
  EXPECT_EQ(fx.canDo("receiveVstMidiEvent"), 1);

  // Listing: every parameter has a name and a value in range, and the
  // program names come back one by one.
  std::string listing;
  for (int32_t i = 0; i < e->numParams; ++i) {
    const std::string name = fx.parameterName(i);
    EXPECT_FALSE(name.empty()) << "parameter " << i;
    EXPECT_LT(name.size(), 64u) << "parameter " << i << " name is unterminated";
    const float value = fx.getParameter(i);
    EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << name << " = " << value;
    listing += name + " ";
  }
  for (int32_t p = 0; p < std::min(e->numPrograms, 4); ++p) {
    fx.setProgram(p);
    EXPECT_EQ(fx.program(), p);
    listing += "[" + fx.programName() + "] ";
  }
  if (e->numPrograms > 0) fx.setProgram(0);
  std::cout << peer.product << ": " << e->numParams << " parameters, " << e->numPrograms << " programs: " << listing
            << std::endl;

  const bool replacing = (e->flags & kFlagCanReplacing) != 0;
  const int32_t block = 256;
  fx.setSampleRate(48000.0f);
  fx.setBlockSize(block);
  fx.resume();

  Heard before = render(fx, 4, block, replacing);
  EXPECT_EQ(before.energy, 0.0) << "silent before any note";

  MidiEventList notes;
  notes.noteOn(0, 0, 60, 110);
  notes.noteOn(17, 0, 64, 110);
  notes.noteOn(33, 0, 67, 110);
  fx.processEvents(notes);
  Heard held = render(fx, 40, block, replacing);  // about 0.2 s
  EXPECT_TRUE(held.finite);
  EXPECT_GT(held.energy, 1e-3) << peer.product << " stayed silent under three held notes";

  MidiEventList off;
  for (int note : {60, 64, 67}) off.noteOff(0, 0, note);
  fx.processEvents(off);
  Heard released = render(fx, 4, block, replacing);
  EXPECT_TRUE(released.finite);

  fx.suspend();
  fx.close();
}

INSTANTIATE_TEST_SUITE_P(Debian, PeerInstrument, ::testing::ValuesIn(kPeers),
                         [](const ::testing::TestParamInfo<Peer>& info) {
                           return std::string(info.param.product);
                         });

}  // namespace
