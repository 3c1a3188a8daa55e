// Opcode routing and result conversion of both dispatchers, reached the way
// a host reaches them: through the record's dispatcher bridge.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/vst2/SpyEffect.h"

namespace {
VstIntPtr dispatch(AudioEffect& fx, int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
  AEffect* e = fx.getAeffect();
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}
}  // namespace

TEST(BaseDispatcher, RoutesOpcodesToOperationsWithTheirArguments) {
  SpyEffect fx;
  char name[32] = "Pad";
  EXPECT_EQ(dispatch(fx, effOpen), 0);
  EXPECT_EQ(fx.last(), "open");
  EXPECT_EQ(dispatch(fx, effSetProgram, 0, 2), 0);
  EXPECT_EQ(fx.last(), "setProgram(2)");
  EXPECT_EQ(dispatch(fx, effGetProgram), 2);
  EXPECT_EQ(dispatch(fx, effSetProgramName, 0, 0, name), 0);
  EXPECT_EQ(fx.last(), "setProgramName(Pad)");
  dispatch(fx, effGetParamLabel, 1, 0, name);
  EXPECT_EQ(fx.last(), "getParameterLabel(1)");
  dispatch(fx, effGetParamDisplay, 0, 0, name);
  EXPECT_EQ(fx.last(), "getParameterDisplay(0)");
  dispatch(fx, effGetParamName, 1, 0, name);
  EXPECT_EQ(fx.last(), "getParameterName(1)");
  EXPECT_EQ(dispatch(fx, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
  EXPECT_EQ(fx.last(), "setSampleRate(48000)");
  EXPECT_EQ(fx.getSampleRate(), 48000.0f);
  EXPECT_EQ(dispatch(fx, effSetBlockSize, 0, 256), 0);
  EXPECT_EQ(fx.last(), "setBlockSize(256)");
  EXPECT_EQ(fx.getBlockSize(), 256);

  dispatch(fx, effMainsChanged, 0, 0);
  EXPECT_EQ(fx.last(), "suspend");
  dispatch(fx, effMainsChanged, 0, 1);
  EXPECT_EQ(fx.last(), "resume");
  dispatch(fx, effMainsChanged, 0, -5);
  EXPECT_EQ(fx.last(), "resume");

  EXPECT_EQ(dispatch(fx, effIdentify), 0x4E764566);

  void* chunk = nullptr;
  EXPECT_EQ(dispatch(fx, effGetChunk, 1, 0, &chunk), 7);
  EXPECT_EQ(fx.last(), "getChunk(1)");
  EXPECT_EQ(chunk, &fx);
  EXPECT_EQ(dispatch(fx, effGetChunk, 0, 0, &chunk), 7);
  EXPECT_EQ(fx.last(), "getChunk(0)");
  char data[4];
  fx.number = 1;
  EXPECT_EQ(dispatch(fx, effSetChunk, 0, 4, data), 1);
  char expected[64];
  std::snprintf(expected, sizeof expected, "setChunk(%p,4,0)", static_cast<void*>(data));
  EXPECT_EQ(fx.last(), expected);
}

TEST(BaseDispatcher, ProgramIndexOutsideTheRangeIsIgnored) {
  SpyEffect fx(nullptr, 3);
  dispatch(fx, effSetProgram, 0, 1);
  fx.log.clear();
  for (VstIntPtr bad : {VstIntPtr(3), VstIntPtr(-1), VstIntPtr(1000)}) dispatch(fx, effSetProgram, 0, bad);
  EXPECT_TRUE(fx.log.empty());
  EXPECT_EQ(fx.getProgram(), 1);
#if INTPTR_MAX == INT64_MAX
  // A 64-bit value whose low 32 bits are a valid program is still out of range.
  dispatch(fx, effSetProgram, 0, (VstIntPtr(1) << 32) | 2);
  EXPECT_EQ(fx.getProgram(), 1);
#endif
}

TEST(BaseDispatcher, VuIsScaledAndTruncatedAndNeverOverflows) {
  SpyEffect fx;
  fx.vu = 0.5f;
  EXPECT_EQ(dispatch(fx, effGetVu), 16383);
  fx.vu = -0.5f;
  EXPECT_EQ(dispatch(fx, effGetVu), -16383);
  fx.vu = 1.0f;
  EXPECT_EQ(dispatch(fx, effGetVu), 32767);
  fx.vu = 1e30f;
  EXPECT_EQ(dispatch(fx, effGetVu), INT32_MAX);
  fx.vu = -std::numeric_limits<float>::infinity();
  EXPECT_EQ(dispatch(fx, effGetVu), INT32_MIN);
  fx.vu = std::nanf("");
  EXPECT_EQ(dispatch(fx, effGetVu), 0);
}

TEST(BaseDispatcher, UnhandledOpcodesAnswerZeroAndCallNothing) {
  SpyEffect fx;
  for (int32_t opcode : {16, 17, 18, 20, 21, 69, 70, 100, 5000, -1}) {
    EXPECT_EQ(dispatch(fx, opcode, 1, 1, &fx, 1.0f), 0) << opcode;
  }
  EXPECT_TRUE(fx.log.empty());
  // At the base level every opcode above 24 is unknown as well.
  EXPECT_EQ(fx.AudioEffect::dispatcher(effCanDo, 0, 0, const_cast<char*>("x"), 0), 0);
  EXPECT_EQ(fx.AudioEffect::dispatcher(effGetVstVersion, 0, 0, nullptr, 0), 0);
}

TEST(BaseDispatcher, NullHostPointersAreNotPassedOn) {
  SpyEffect fx;
  for (int32_t opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
                         effGetParamName, effGetChunk, effSetChunk, effProcessEvents, effString2Parameter,
                         effGetProgramNameIndexed, effGetInputProperties, effCanDo})
    EXPECT_EQ(dispatch(fx, opcode, 0, 4, nullptr), 0) << opcode;
  EXPECT_TRUE(fx.log.empty());
}

TEST(ExtendedDispatcher, BoolRowsAnswerOneOrZero) {
  SpyEffect fx;
  char text[16] = "0.5";
  VstPinProperties pin{};
  const struct {
    int32_t opcode;
    int32_t index;
    VstIntPtr value;
    void* ptr;
  } rows[] = {
      {effCanBeAutomated, 1, 0, nullptr},     {effString2Parameter, 1, 0, text},
      {effGetProgramNameIndexed, 1, 0, text}, {effCopyProgram, 1, 0, nullptr},
      {effGetInputProperties, 0, 0, &pin},    {effGetOutputProperties, 0, 0, &pin},
      {effOfflineNotify, 0, 0, nullptr},      {effOfflinePrepare, 0, 0, nullptr},
      {effOfflineRun, 0, 0, nullptr},         {effProcessVarIo, 0, 0, nullptr},
      {effSetSpeakerArrangement, 0, 0, nullptr}, {effSetBypass, 0, 1, nullptr},
      {effGetEffectName, 0, 0, text},         {effGetErrorText, 0, 0, text},
      {effGetVendorString, 0, 0, text},       {effGetProductString, 0, 0, text},
      {effSetViewPosition, 0, 0, nullptr},    {effGetParameterProperties, 0, 0, text},
      {effHasMidiProgramsChanged, 0, 0, nullptr}, {effGetMidiKeyName, 0, 0, nullptr},
      {effBeginSetProgram, 0, 0, nullptr},    {effEndSetProgram, 0, 0, nullptr},
  };
  for (bool answer : {true, false}) {
    fx.answer = answer;
    for (const auto& row : rows)
      EXPECT_EQ(dispatch(fx, row.opcode, row.index, row.value, row.ptr), answer ? 1 : 0) << row.opcode;
  }
  // effKeysRequired is inverted: 0 when keys are required.
  fx.answer = true;
  EXPECT_EQ(dispatch(fx, effKeysRequired), 0);
  fx.answer = false;
  EXPECT_EQ(dispatch(fx, effKeysRequired), 1);
}

TEST(ExtendedDispatcher, PassesArgumentsAsTheHostSendsThem) {
  SpyEffect fx;
  char text[8] = "abc";
  dispatch(fx, effString2Parameter, 3, 0, text);
  EXPECT_EQ(fx.last(), "string2parameter(3,abc)");
  dispatch(fx, effGetProgramNameIndexed, 2, 5, text);  // category travels in value
  EXPECT_EQ(fx.last(), "getProgramNameIndexed(5,2)");
  dispatch(fx, effCopyProgram, 2);
  EXPECT_EQ(fx.last(), "copyProgram(2)");
  dispatch(fx, effOfflineNotify, 1, 3, text);
  char expected[96];
  std::snprintf(expected, sizeof expected, "offlineNotify(%p,3,1)", static_cast<void*>(text));
  EXPECT_EQ(fx.last(), expected);
  dispatch(fx, effOfflinePrepare, 0, 4);
  EXPECT_EQ(fx.last(), "offlinePrepare(4)");
  int inputArrangement = 0, outputArrangement = 0;
  dispatch(fx, effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inputArrangement), &outputArrangement);
  std::snprintf(expected, sizeof expected, "setSpeakerArrangement(%p,%p)", static_cast<void*>(&inputArrangement),
                static_cast<void*>(&outputArrangement));
  EXPECT_EQ(fx.last(), expected);
  dispatch(fx, effSetBypass, 0, 2);
  EXPECT_EQ(fx.last(), "setBypass(1)");
  dispatch(fx, effSetViewPosition, 10, 20);
  EXPECT_EQ(fx.last(), "setViewPosition(10,20)");
  dispatch(fx, effHasMidiProgramsChanged, 9);
  EXPECT_EQ(fx.last(), "hasMidiProgramsChanged(9)");
  EXPECT_EQ(dispatch(fx, effVendorSpecific, 1, 2, nullptr, 0.5f), 7);
  EXPECT_EQ(fx.last(), "vendorSpecific(1,2,(nil),0.5)");

  VstMidiEvent midi{};
  VstEvents events{1, 0, {reinterpret_cast<VstEvent*>(&midi), nullptr}};
  EXPECT_EQ(dispatch(fx, effProcessEvents, 0, 0, &events), 7);
  EXPECT_EQ(fx.last(), "processEvents(1)");
  EXPECT_EQ(dispatch(fx, effGetDestinationBuffer), reinterpret_cast<VstIntPtr>(&fx.vu));
  EXPECT_EQ(dispatch(fx, effGetNumProgramCategories), 7);
  EXPECT_EQ(dispatch(fx, effGetVendorVersion), 7);
}

TEST(ExtendedDispatcher, ConnectAndBlockSizeRowsAlwaysAnswerOne) {
  SpyEffect fx;
  EXPECT_EQ(dispatch(fx, effConnectInput, 1, 0), 1);
  EXPECT_EQ(fx.last(), "inputConnected(1,0)");
  EXPECT_EQ(dispatch(fx, effConnectOutput, 0, 7), 1);
  EXPECT_EQ(fx.last(), "outputConnected(0,1)");
  fx.log.clear();
  EXPECT_EQ(dispatch(fx, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
  EXPECT_EQ(fx.getBlockSize(), 512);
  EXPECT_EQ(fx.getSampleRate(), 48000.0f);
  EXPECT_TRUE(fx.log.empty()) << "setSampleRate / setBlockSize must not run: " << fx.last();
}

TEST(ExtendedDispatcher, DefaultsOfTheExtendedBase) {
  int anyRecord = 0;
  struct Plain : AudioEffectX {
    Plain() : AudioEffectX(nullptr, 1, 1) {}
    void process(float**, float**, int32_t) override {}
  } fx;
  EXPECT_EQ(dispatch(fx, effGetVstVersion), 2200);
  EXPECT_EQ(dispatch(fx, effGetPlugCategory), 0);
  fx.isSynth(true);
  EXPECT_EQ(dispatch(fx, effGetPlugCategory), 2);
  EXPECT_EQ(dispatch(fx, effKeysRequired), 1);
  EXPECT_EQ(dispatch(fx, effCanBeAutomated, 0), 1);
  EXPECT_EQ(dispatch(fx, effGetNumProgramCategories), 1);
  EXPECT_EQ(dispatch(fx, effGetCurrentMidiProgram, 0, 0, &anyRecord), -1);
  char word[] = "receiveVstEvents";
  EXPECT_EQ(dispatch(fx, effCanDo, 0, 0, word), 0);
  char name[8] = "keep";
  EXPECT_EQ(dispatch(fx, effGetEffectName, 0, 0, name), 0);
  EXPECT_STREQ(name, "keep");
  for (int32_t opcode : {effGetCurrentPosition, effGetDestinationBuffer, effGetTailSize, effIdle, effGetIcon,
                         effGetVendorVersion, effVendorSpecific, effProcessVarIo, effBeginSetProgram})
    EXPECT_EQ(dispatch(fx, opcode), 0) << opcode;
  // Opcodes below 25 still reach the base dispatcher.
  EXPECT_EQ(dispatch(fx, effIdentify), 0x4E764566);
  EXPECT_EQ(dispatch(fx, effSetProgram, 0, 0), 0);
}
