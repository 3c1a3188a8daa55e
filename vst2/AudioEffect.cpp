#include "vst2/AudioEffect.h"

#include <cstring>

#include "vst2/AEffEditor.h"
#include "vst2/EffectBridge.h"
#include "vst2/NumberConversion.h"

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : sampleRate(44100.0f),
      editor(nullptr),
      audioMaster(audioMaster),
      numPrograms(numPrograms),
      numParams(numParams),
      curProgram(0),
      blockSize(1024) {
  std::memset(&cEffect, 0, sizeof(cEffect));
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = dispatchEffectClass;
  cEffect.process = processClass;
  cEffect.setParameter = setParameterClass;
  cEffect.getParameter = getParameterClass;
  cEffect.numPrograms = numPrograms;
  cEffect.numParams = numParams;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.uniqueID = kDefaultUniqueID;
  cEffect.version = 1;
  cEffect.processReplacing = processClassReplacing;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
  editor = newEditor;
  setFlag(kFlagHasEditor, newEditor != nullptr);
}

VstIntPtr AudioEffect::callHost(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
  if (!audioMaster) return 0;
  return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setFlag(int32_t flag, bool state) {
  if (state)
    cEffect.flags |= flag;
  else
    cEffect.flags &= ~flag;
}

namespace {
// Opcodes whose ptr the effect writes through or reads as text: a host that
// passes null gets "not handled" instead of a crash inside the effect.
bool needsPointer(int32_t opcode) {
  switch (opcode) {
    case effSetProgramName:
    case effGetProgramName:
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
    case effEditGetRect:
    case effGetChunk:
    case effSetChunk:
      return true;
    default:
      return false;
  }
}
}  // namespace

VstIntPtr AudioEffect::dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
  if (!ptr && needsPointer(opcode)) return 0;
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen:
      open();
      break;
    case effClose:
      close();
      break;
    case effSetProgram:
      if (value >= 0 && value < numPrograms) setProgram(static_cast<int32_t>(value));
      break;
    case effGetProgram:
      return getProgram();
    case effSetProgramName:
      setProgramName(text);
      break;
    case effGetProgramName:
      getProgramName(text);
      break;
    case effGetParamLabel:
      getParameterLabel(index, text);
      break;
    case effGetParamDisplay:
      getParameterDisplay(index, text);
      break;
    case effGetParamName:
      getParameterName(index, text);
      break;
    case effGetVu:
      return truncateToInt32(static_cast<double>(getVu()) * 32767.0);
    case effSetSampleRate:
      setSampleRate(opt);
      break;
    case effSetBlockSize:
      setBlockSize(static_cast<int32_t>(value));
      break;
    case effMainsChanged:
      if (value == 0)
        suspend();
      else
        resume();
      break;
    case effEditGetRect:
      if (editor) return editor->getRect(static_cast<ERect**>(ptr));
      break;
    case effEditOpen:
      if (editor) return editor->open(ptr);
      break;
    case effEditClose:
      if (editor) editor->close();
      break;
    case effEditIdle:
      if (editor) editor->idle();
      break;
    case effIdentify:
      return kEffectIdentify;
    case effGetChunk:
      return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
      return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
      break;
  }
  return 0;
}

void AudioEffect::setParameter(int32_t, float) {}
float AudioEffect::getParameter(int32_t) { return 0.0f; }

void AudioEffect::setParameterAutomated(int32_t index, float value) {
  setParameter(index, value);
  callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::processReplacing(float**, float**, int32_t) {}
void AudioEffect::open() {}
void AudioEffect::close() {}
int32_t AudioEffect::getProgram() { return curProgram; }
void AudioEffect::setProgram(int32_t program) { curProgram = program; }
void AudioEffect::setProgramName(char* name) { name[0] = 0; }
void AudioEffect::getProgramName(char* name) { name[0] = 0; }
void AudioEffect::getParameterLabel(int32_t, char* label) { label[0] = 0; }
void AudioEffect::getParameterDisplay(int32_t, char* text) { text[0] = 0; }
void AudioEffect::getParameterName(int32_t, char* text) { text[0] = 0; }
float AudioEffect::getVu() { return 0.0f; }
int32_t AudioEffect::getChunk(void**, bool) { return 0; }
int32_t AudioEffect::setChunk(void*, int32_t, bool) { return 0; }
void AudioEffect::setSampleRate(float rate) { sampleRate = rate; }
void AudioEffect::setBlockSize(int32_t size) { blockSize = size; }
void AudioEffect::suspend() {}
void AudioEffect::resume() {}
void AudioEffect::setUniqueID(int32_t id) { cEffect.uniqueID = id; }
void AudioEffect::setNumInputs(int32_t count) { cEffect.numInputs = count; }
void AudioEffect::setNumOutputs(int32_t count) { cEffect.numOutputs = count; }
void AudioEffect::hasVu(bool state) { setFlag(kFlagHasVu, state); }
void AudioEffect::hasClip(bool state) { setFlag(kFlagHasClip, state); }
void AudioEffect::canMono(bool state) { setFlag(kFlagCanMono, state); }
void AudioEffect::canProcessReplacing(bool state) { setFlag(kFlagCanReplacing, state); }
void AudioEffect::programsAreChunks(bool state) { setFlag(kFlagProgramChunks, state); }
void AudioEffect::setRealtimeQualities(int32_t qualities) { cEffect.realQualities = qualities; }
void AudioEffect::setOfflineQualities(int32_t qualities) { cEffect.offQualities = qualities; }
void AudioEffect::setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }
float AudioEffect::getSampleRate() { return sampleRate; }
int32_t AudioEffect::getBlockSize() { return blockSize; }

int32_t AudioEffect::getMasterVersion() {
  int32_t version = static_cast<int32_t>(callHost(audioMasterVersion));
  return version == 0 ? 1 : version;
}

int32_t AudioEffect::getCurrentUniqueId() { return static_cast<int32_t>(callHost(audioMasterCurrentId)); }

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(int32_t input) { return callHost(audioMasterPinConnected, input, 0) == 0; }

bool AudioEffect::isOutputConnected(int32_t output) {
  return callHost(audioMasterPinConnected, output, 1) == 0;
}
