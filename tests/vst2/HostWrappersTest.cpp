// The requests the effect sends to the host: opcode and arguments on the
// wire, the conversion of the answer, and the answer without a host.
#include <gtest/gtest.h>

#include <functional>

#include "tests/vst2/SpyEffect.h"
#include "tools/hostlib/PluginHost.h"

namespace {
// An in-process effect hosted by a recording callback.
struct Hosted {
  PluginInstance instance;
  SpyEffect* fx = nullptr;
  Hosted() {
    instance.create([this](audioMasterCallback cb) {
      fx = new SpyEffect(cb);
      return fx->getAeffect();
    });
    instance.host().clear();
  }
  HostCall only() {
    auto calls = instance.host().calls();
    EXPECT_EQ(calls.size(), 1u);
    return calls.empty() ? HostCall{} : calls[0];
  }
};

struct Row {
  const char* name;
  int32_t opcode;
  std::function<VstIntPtr(SpyEffect&)> call;  // the wrapper's answer as an integer
  int32_t index;
  VstIntPtr value;
  void* ptr;
  float opt;
  VstIntPtr withoutHost;
};

int anyObject = 0;
VstFileSelect* const kSelect = reinterpret_cast<VstFileSelect*>(&anyObject);
char* const kText = reinterpret_cast<char*>(&anyObject);
VstSpeakerArrangement* arrangementIn = nullptr;
VstSpeakerArrangement* arrangementOut = nullptr;

// Wrappers that pass the host's answer on unchanged (as int32 or pointer).
const Row kPassThrough[] = {
    {"wantEvents", 6, [](SpyEffect& e) { return e.wantEvents(3); }, 0, 3, nullptr, 0, 0},
    {"getTimeInfo", 7, [](SpyEffect& e) { return (VstIntPtr)e.getTimeInfo(5); }, 0, 5, nullptr, 0, 0},
    {"tempoAt", 10, [](SpyEffect& e) { return e.tempoAt(99); }, 0, 99, nullptr, 0, 0},
    {"getNumAutomatableParameters", 11, [](SpyEffect& e) { return e.getNumAutomatableParameters(); }, 0, 0, nullptr, 0, 0},
    {"getParameterQuantization", 12, [](SpyEffect& e) { return e.getParameterQuantization(); }, 0, 0, nullptr, 0, 0},
    {"getInputLatency", 18, [](SpyEffect& e) { return e.getInputLatency(); }, 0, 0, nullptr, 0, 0},
    {"getOutputLatency", 19, [](SpyEffect& e) { return e.getOutputLatency(); }, 0, 0, nullptr, 0, 0},
    {"getPreviousPlug", 20, [](SpyEffect& e) { return (VstIntPtr)e.getPreviousPlug(4); }, 0, 0, nullptr, 0, 0},
    {"getNextPlug", 21, [](SpyEffect& e) { return (VstIntPtr)e.getNextPlug(4); }, 0, 0, nullptr, 0, 0},
    {"willProcessReplacing", 22, [](SpyEffect& e) { return e.willProcessReplacing(); }, 0, 0, nullptr, 0, 0},
    {"getCurrentProcessLevel", 23, [](SpyEffect& e) { return e.getCurrentProcessLevel(); }, 0, 0, nullptr, 0, 0},
    {"getAutomationState", 24, [](SpyEffect& e) { return e.getAutomationState(); }, 0, 0, nullptr, 0, 0},
    {"getHostVendorVersion", 34, [](SpyEffect& e) { return e.getHostVendorVersion(); }, 0, 0, nullptr, 0, 0},
    {"hostVendorSpecific", 35, [](SpyEffect& e) { return e.hostVendorSpecific(8, 9, kText, 0.25f); }, 8, 9, kText, 0.25f, 0},
    {"getHostLanguage", 38, [](SpyEffect& e) { return e.getHostLanguage(); }, 0, 0, nullptr, 0, 0},
    {"openWindow", 39, [](SpyEffect& e) { return (VstIntPtr)e.openWindow((VstWindow*)kText); }, 0, 0, kText, 0, 0},
    {"getDirectory", 41, [](SpyEffect& e) { return (VstIntPtr)e.getDirectory(); }, 0, 0, nullptr, 0, 0},
    {"getCurrentUniqueId", 2, [](SpyEffect& e) { return e.getCurrentUniqueId(); }, 0, 0, nullptr, 0, 0},
};

// Wrappers that answer true (1) exactly when the host's answer is not 0.
const Row kNonZero[] = {
    {"ioChanged", 13, [](SpyEffect& e) { return e.ioChanged(); }, 0, 0, nullptr, 0, 0},
    {"needIdle", 14, [](SpyEffect& e) { return e.needIdle(); }, 0, 0, nullptr, 0, 0},
    {"sizeWindow", 15, [](SpyEffect& e) { return e.sizeWindow(400, 200); }, 400, 200, nullptr, 0, 0},
    {"offlineStart", 25, [](SpyEffect& e) { return e.offlineStart((VstAudioFile*)kText, 3, 2); }, 2, 3, kText, 0, 0},
    {"offlineRead", 26, [](SpyEffect& e) { return e.offlineRead((VstOfflineTask*)kText, 5, true); }, 1, 5, kText, 0, 0},
    {"offlineRead(false)", 26, [](SpyEffect& e) { return e.offlineRead((VstOfflineTask*)kText, 5, false); }, 0, 5, kText, 0, 0},
    {"offlineWrite", 27, [](SpyEffect& e) { return e.offlineWrite((VstOfflineTask*)kText, 6); }, 0, 6, kText, 0, 0},
    {"offlineGetCurrentPass", 28, [](SpyEffect& e) { return e.offlineGetCurrentPass(); }, 0, 0, nullptr, 0, 0},
    {"offlineGetCurrentMetaPass", 29, [](SpyEffect& e) { return e.offlineGetCurrentMetaPass(); }, 0, 0, nullptr, 0, 0},
    {"getSpeakerArrangement", 31, [](SpyEffect& e) { return e.getSpeakerArrangement(&arrangementIn, &arrangementOut); }, 0, (VstIntPtr)&arrangementIn, &arrangementOut, 0, 0},
    {"getHostVendorString", 32, [](SpyEffect& e) { return e.getHostVendorString(kText); }, 0, 0, kText, 0, 0},
    {"getHostProductString", 33, [](SpyEffect& e) { return e.getHostProductString(kText); }, 0, 0, kText, 0, 0},
    {"canHostDo", 37, [](SpyEffect& e) { return e.canHostDo(kText); }, 0, 0, kText, 0, 0},
    {"closeWindow", 40, [](SpyEffect& e) { return e.closeWindow((VstWindow*)kText); }, 0, 0, kText, 0, 0},
    {"updateDisplay", 42, [](SpyEffect& e) { return e.updateDisplay(); }, 0, 0, nullptr, 0, 0},
    {"beginEdit", 43, [](SpyEffect& e) { return e.beginEdit(1); }, 1, 0, nullptr, 0, 0},
    {"endEdit", 44, [](SpyEffect& e) { return e.endEdit(1); }, 1, 0, nullptr, 0, 0},
    {"openFileSelector", 45, [](SpyEffect& e) { return e.openFileSelector(kSelect); }, 0, 0, kSelect, 0, 0},
    {"closeFileSelector", 46, [](SpyEffect& e) { return e.closeFileSelector(kSelect); }, 0, 0, kSelect, 0, 0},
    {"getChunkFile", 48, [](SpyEffect& e) { return e.getChunkFile(kText); }, 0, 0, kText, 0, 0},
    {"sendVstEventsToHost", 8, [](SpyEffect& e) { return e.sendVstEventsToHost((VstEvents*)kText); }, 0, 0, kText, 0, 0},
};

void expectCall(const HostCall& call, const Row& row, AEffect* effect) {
  EXPECT_EQ(call.effect, effect) << row.name;
  EXPECT_EQ(call.opcode, row.opcode) << row.name;
  EXPECT_EQ(call.index, row.index) << row.name;
  EXPECT_EQ(call.value, row.value) << row.name;
  EXPECT_EQ(call.ptr, row.ptr) << row.name;
  EXPECT_EQ(call.opt, row.opt) << row.name;
}
}  // namespace

TEST(HostWrappers, PassTheHostAnswerOnWithTheRightArguments) {
  for (const Row& row : kPassThrough) {
    Hosted h;
    h.instance.host().setAnswer(row.opcode, 0x1234);
    EXPECT_EQ(row.call(*h.fx), 0x1234) << row.name;
    expectCall(h.only(), row, h.instance.effect());
  }
}

TEST(HostWrappers, ConvertNonZeroAnswersToTrue) {
  for (const Row& row : kNonZero) {
    Hosted h;
    h.instance.host().setAnswer(row.opcode, 1);
    EXPECT_EQ(row.call(*h.fx), 1) << row.name;
    expectCall(h.only(), row, h.instance.effect());
    h.instance.host().setAnswer(row.opcode, 0);
    EXPECT_EQ(row.call(*h.fx), 0) << row.name;
  }
  // Answers other than 1 for the three rules that look closer.
  Hosted h;
  h.instance.host().setAnswer(audioMasterNeedIdle, -7);
  EXPECT_TRUE(h.fx->needIdle());
  h.instance.host().setAnswer(audioMasterProcessEvents, 2);
  EXPECT_FALSE(h.fx->sendVstEventsToHost(nullptr));
  h.instance.host().setAnswer(audioMasterOfflineGetCurrentPass, 5);
  EXPECT_EQ(h.fx->offlineGetCurrentPass(), 1);
  // A host that says "no" (-1) is not taken for a yes.
  h.instance.host().setAnswer(audioMasterCanDo, -1);
  EXPECT_EQ(h.fx->canHostDo(kText), 0);
  h.instance.host().setAnswer(audioMasterCanDo, 5);
  EXPECT_EQ(h.fx->canHostDo(kText), 1);
}

TEST(HostWrappers, WithoutHostNothingIsSentAndDefaultsAnswer) {
  SpyEffect fx(nullptr);
  for (const Row& row : kPassThrough) EXPECT_EQ(row.call(fx), 0) << row.name;
  for (const Row& row : kNonZero) EXPECT_EQ(row.call(fx), 0) << row.name;
  EXPECT_EQ(fx.getMasterVersion(), 1);
  EXPECT_TRUE(fx.isInputConnected(0));
  EXPECT_TRUE(fx.isOutputConnected(0));
  fx.setBlockSizeAndSampleRate(64, 22050.0f);
  EXPECT_EQ(fx.updateSampleRate(), 22050.0f);
  EXPECT_EQ(fx.updateBlockSize(), 64);
  fx.setParameterAutomated(1, 0.5f);  // must not crash without a host
  fx.masterIdle();
  fx.setOutputSamplerate(8000.0f);
}

TEST(HostWrappers, NullPointerRequestsAreNotSent) {
  Hosted h;
  h.instance.host().setAnswer(audioMasterOpenFileSelector, 1);
  h.instance.host().setAnswer(audioMasterCloseFileSelector, 1);
  h.instance.host().setAnswer(audioMasterGetChunkFile, 1);
  EXPECT_FALSE(h.fx->openFileSelector(nullptr));
  EXPECT_FALSE(h.fx->closeFileSelector(nullptr));
  EXPECT_FALSE(h.fx->getChunkFile(nullptr));
  EXPECT_EQ(h.instance.host().size(), 0u);
}

TEST(HostWrappers, BaseRequests) {
  Hosted h;
  auto& host = h.instance.host();
  host.setAnswer(audioMasterVersion, 0);
  EXPECT_EQ(h.fx->getMasterVersion(), 1);
  host.setAnswer(audioMasterVersion, 2400);
  EXPECT_EQ(h.fx->getMasterVersion(), 2400);

  // Pin connection: the host's 0 means connected; value tells input (0) from output (1).
  host.setAnswer(audioMasterPinConnected, 1);
  EXPECT_FALSE(h.fx->isInputConnected(3));
  EXPECT_FALSE(h.fx->isOutputConnected(4));
  auto pins = host.callsOf(audioMasterPinConnected);
  ASSERT_EQ(pins.size(), 2u);
  EXPECT_EQ(pins[0].index, 3);
  EXPECT_EQ(pins[0].value, 0);
  EXPECT_EQ(pins[1].index, 4);
  EXPECT_EQ(pins[1].value, 1);

  // Automation: the override runs first, the value travels in opt.
  host.clear();
  h.fx->log.clear();
  std::vector<std::string> seenByHost;
  host.setHandler(audioMasterAutomate, [&](const HostCall&) {
    seenByHost = h.fx->log;
    return VstIntPtr(0);
  });
  h.fx->setParameterAutomated(2, 0.75f);
  EXPECT_EQ(seenByHost, std::vector<std::string>{"setParameter(2,0.75)"});
  auto automate = host.callsOf(audioMasterAutomate);
  ASSERT_EQ(automate.size(), 1u);
  EXPECT_EQ(automate[0].index, 2);
  EXPECT_EQ(automate[0].value, 0);
  EXPECT_EQ(automate[0].ptr, nullptr);
  EXPECT_EQ(automate[0].opt, 0.75f);

  host.clear();
  h.fx->masterIdle();
  h.fx->setOutputSamplerate(96000.0f);
  auto calls = host.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].opcode, audioMasterIdle);
  EXPECT_EQ(calls[1].opcode, audioMasterSetOutputSampleRate);
  EXPECT_EQ(calls[1].opt, 96000.0f);
}

TEST(HostWrappers, UpdateSampleRateReturnsWhatTheHostSetsDuringTheCall) {
  Hosted h;
  h.instance.host().setHandler(audioMasterGetSampleRate, [&h](const HostCall&) {
    h.instance.setSampleRate(96000.0f);
    return VstIntPtr(12345);  // ignored
  });
  h.instance.host().setHandler(audioMasterGetBlockSize, [&h](const HostCall&) {
    h.instance.setBlockSize(128);
    return VstIntPtr(12345);
  });
  EXPECT_EQ(h.fx->updateSampleRate(), 96000.0f);
  EXPECT_EQ(h.fx->updateBlockSize(), 128);
}
