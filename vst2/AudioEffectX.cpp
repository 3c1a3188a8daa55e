#include "vst2/AudioEffectX.h"

#include "vst2/AEffEditor.h"
#include "vst2/NumberConversion.h"

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

AudioEffectX::~AudioEffectX() = default;

namespace {
constexpr int32_t kFirstExtendedOpcode = effProcessEvents;
constexpr int32_t kLastExtendedOpcode = effEndSetProgram;

// Opcodes whose ptr the effect reads as text or writes through: a host that
// passes null gets "not handled" instead of a crash inside the effect.
bool needsPointer(int32_t opcode) {
  switch (opcode) {
    case effProcessEvents:
    case effString2Parameter:
    case effGetProgramNameIndexed:
    case effGetInputProperties:
    case effGetOutputProperties:
    case effGetEffectName:
    case effGetErrorText:
    case effGetVendorString:
    case effGetProductString:
    case effCanDo:
    case effGetParameterProperties:
      return true;
    default:
      return false;
  }
}

// The key code the host describes with index (character), value (virtual
// key) and opt (modifier bits).
VstKeyCode keyCodeFrom(int32_t index, VstIntPtr value, float opt) {
  VstKeyCode key{};
  key.character = index;
  key.virt = static_cast<unsigned char>(value & 0xff);
  key.modifier = static_cast<unsigned char>(truncateToInt32(opt) & 0xff);
  return key;
}

VstIntPtr asResult(bool answer) { return answer ? 1 : 0; }
}  // namespace

VstIntPtr AudioEffectX::dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
  if (opcode < kFirstExtendedOpcode || opcode > kLastExtendedOpcode)
    return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  if (!ptr && needsPointer(opcode)) return 0;

  char* text = static_cast<char*>(ptr);
  const int32_t value32 = static_cast<int32_t>(value);
  switch (opcode) {
    case effProcessEvents:
      return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
      return asResult(canParameterBeAutomated(index));
    case effString2Parameter:
      return asResult(string2parameter(index, text));
    case effGetNumProgramCategories:
      return getNumCategories();
    case effGetProgramNameIndexed:
      return asResult(getProgramNameIndexed(value32, index, text));
    case effCopyProgram:
      return asResult(copyProgram(index));
    case effConnectInput:
      inputConnected(index, value != 0);
      return 1;
    case effConnectOutput:
      outputConnected(index, value != 0);
      return 1;
    case effGetInputProperties:
      return asResult(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
      return asResult(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory:
      return getPlugCategory();
    case effGetCurrentPosition:
      return reportCurrentPosition();
    case effGetDestinationBuffer:
      return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
    case effOfflineNotify:
      return asResult(offlineNotify(static_cast<VstAudioFile*>(ptr), value32, index != 0));
    case effOfflinePrepare:
      return asResult(offlinePrepare(static_cast<VstOfflineTask*>(ptr), value32));
    case effOfflineRun:
      return asResult(offlineRun(static_cast<VstOfflineTask*>(ptr), value32));
    case effProcessVarIo:
      return asResult(processVariableIo(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
      return asResult(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                            static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate:
      setBlockSizeAndSampleRate(value32, opt);
      return 1;
    case effSetBypass:
      return asResult(setBypass(value != 0));
    case effGetEffectName:
      return asResult(getEffectName(text));
    case effGetErrorText:
      return asResult(getErrorText(text));
    case effGetVendorString:
      return asResult(getVendorString(text));
    case effGetProductString:
      return asResult(getProductString(text));
    case effGetVendorVersion:
      return getVendorVersion();
    case effVendorSpecific:
      return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
      return canDo(text);
    case effGetTailSize:
      return getGetTailSize();
    case effIdle:
      return fxIdle();
    case effGetIcon:
      return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition:
      return asResult(setViewPosition(index, value32));
    case effGetParameterProperties:
      return asResult(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effKeysRequired:
      return asResult(!keysRequired());
    case effGetVstVersion:
      return getVstVersion();
    case effEditKeyDown:
      if (editor) {
        VstKeyCode key = keyCodeFrom(index, value, opt);
        return editor->onKeyDown(key);
      }
      return 0;
    case effEditKeyUp:
      if (editor) {
        VstKeyCode key = keyCodeFrom(index, value, opt);
        return editor->onKeyUp(key);
      }
      return 0;
    case effSetEditKnobMode:
      if (editor) return editor->setKnobMode(value32);
      return 0;
    case effGetMidiProgramName:
      return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
      return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
      return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
      return asResult(hasMidiProgramsChanged(index));
    case effGetMidiKeyName:
      return asResult(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram:
      return asResult(beginSetProgram());
    case effEndSetProgram:
      return asResult(endSetProgram());
    default:
      return 0;
  }
}

// ---- plug side: the host asks, an effect class may override ----

AEffEditor* AudioEffectX::getEditor() { return editor; }
int32_t AudioEffectX::processEvents(VstEvents*) { return 0; }
bool AudioEffectX::canParameterBeAutomated(int32_t) { return true; }
bool AudioEffectX::string2parameter(int32_t, char*) { return false; }
float AudioEffectX::getChannelParameter(int32_t, int32_t) { return 0.0f; }
int32_t AudioEffectX::getNumCategories() { return 1; }
bool AudioEffectX::getProgramNameIndexed(int32_t, int32_t, char*) { return false; }
bool AudioEffectX::copyProgram(int32_t) { return false; }
void AudioEffectX::inputConnected(int32_t, bool) {}
void AudioEffectX::outputConnected(int32_t, bool) {}
bool AudioEffectX::getInputProperties(int32_t, VstPinProperties*) { return false; }
bool AudioEffectX::getOutputProperties(int32_t, VstPinProperties*) { return false; }
int32_t AudioEffectX::getPlugCategory() { return (cEffect.flags >> 7) & 2; }
void AudioEffectX::wantAsyncOperation(bool state) { setFlag(kFlagAsyncOperation, state); }
void AudioEffectX::hasExternalBuffer(bool state) { setFlag(kFlagExternalBuffer, state); }
int32_t AudioEffectX::reportCurrentPosition() { return 0; }
float* AudioEffectX::reportDestinationBuffer() { return nullptr; }
bool AudioEffectX::offlineNotify(VstAudioFile*, int32_t, bool) { return false; }
bool AudioEffectX::offlinePrepare(VstOfflineTask*, int32_t) { return false; }
bool AudioEffectX::offlineRun(VstOfflineTask*, int32_t) { return false; }
int32_t AudioEffectX::offlineGetNumPasses() { return 0; }
int32_t AudioEffectX::offlineGetNumMetaPasses() { return 0; }
void AudioEffectX::isSynth(bool state) { setFlag(kFlagIsSynth, state); }
void AudioEffectX::noTail(bool state) { setFlag(kFlagNoSoundInStop, state); }
bool AudioEffectX::processVariableIo(VstVariableIo*) { return false; }
bool AudioEffectX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) { return false; }

void AudioEffectX::setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate) {
  blockSize = newBlockSize;
  sampleRate = newSampleRate;
}

bool AudioEffectX::setBypass(bool) { return false; }
bool AudioEffectX::getEffectName(char*) { return false; }
bool AudioEffectX::getErrorText(char*) { return false; }
bool AudioEffectX::getVendorString(char*) { return false; }
bool AudioEffectX::getProductString(char*) { return false; }
int32_t AudioEffectX::getVendorVersion() { return 0; }
VstIntPtr AudioEffectX::vendorSpecific(int32_t, VstIntPtr, void*, float) { return 0; }
int32_t AudioEffectX::canDo(char*) { return 0; }
void* AudioEffectX::getIcon() { return nullptr; }
bool AudioEffectX::setViewPosition(int32_t, int32_t) { return false; }
int32_t AudioEffectX::getGetTailSize() { return 0; }
int32_t AudioEffectX::fxIdle() { return 0; }
bool AudioEffectX::getParameterProperties(int32_t, VstParameterProperties*) { return false; }
bool AudioEffectX::keysRequired() { return false; }
int32_t AudioEffectX::getVstVersion() { return 2200; }
int32_t AudioEffectX::getMidiProgramName(int32_t, MidiProgramName*) { return 0; }
int32_t AudioEffectX::getCurrentMidiProgram(int32_t, MidiProgramName*) { return -1; }
int32_t AudioEffectX::getMidiProgramCategory(int32_t, MidiProgramCategory*) { return 0; }
bool AudioEffectX::hasMidiProgramsChanged(int32_t) { return false; }
bool AudioEffectX::getMidiKeyName(int32_t, MidiKeyName*) { return false; }
bool AudioEffectX::beginSetProgram() { return false; }
bool AudioEffectX::endSetProgram() { return false; }
