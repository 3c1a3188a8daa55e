// The host-side requests of AudioEffectX: each calls the host callback with a
// fixed opcode and converts the answer; without a host nothing is sent.
#include "vst2/AudioEffectX.h"

namespace {
template <typename T>
T* asPointer(VstIntPtr answer) {
  return reinterpret_cast<T*>(answer);
}
int32_t asInt(VstIntPtr answer) { return static_cast<int32_t>(answer); }
}  // namespace

int32_t AudioEffectX::wantEvents(int32_t filter) { return asInt(callHost(audioMasterWantMidi, 0, filter)); }

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter) {
  return asPointer<VstTimeInfo>(callHost(audioMasterGetTime, 0, filter));
}

int32_t AudioEffectX::tempoAt(int32_t pos) { return asInt(callHost(audioMasterTempoAt, 0, pos)); }

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
  return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

int32_t AudioEffectX::getNumAutomatableParameters() {
  return asInt(callHost(audioMasterGetNumAutomatableParameters));
}

int32_t AudioEffectX::getParameterQuantization() {
  return asInt(callHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }
bool AudioEffectX::needIdle() { return callHost(audioMasterNeedIdle) != 0; }

bool AudioEffectX::sizeWindow(int32_t width, int32_t height) {
  return callHost(audioMasterSizeWindow, width, height) != 0;
}

// The host answers by setting the rate through effSetSampleRate during the call.
float AudioEffectX::updateSampleRate() {
  callHost(audioMasterGetSampleRate);
  return sampleRate;
}

int32_t AudioEffectX::updateBlockSize() {
  callHost(audioMasterGetBlockSize);
  return blockSize;
}

int32_t AudioEffectX::getInputLatency() { return asInt(callHost(audioMasterGetInputLatency)); }
int32_t AudioEffectX::getOutputLatency() { return asInt(callHost(audioMasterGetOutputLatency)); }

// The pin number is not part of the request.
AEffect* AudioEffectX::getPreviousPlug(int32_t) {
  return asPointer<AEffect>(callHost(audioMasterGetPreviousPlug));
}

AEffect* AudioEffectX::getNextPlug(int32_t) { return asPointer<AEffect>(callHost(audioMasterGetNextPlug)); }

int32_t AudioEffectX::willProcessReplacing() { return asInt(callHost(audioMasterWillReplaceOrAccumulate)); }

int32_t AudioEffectX::getCurrentProcessLevel() {
  return asInt(callHost(audioMasterGetCurrentProcessLevel));
}

int32_t AudioEffectX::getAutomationState() { return asInt(callHost(audioMasterGetAutomationState)); }

bool AudioEffectX::offlineStart(VstAudioFile* files, int32_t numAudioFiles, int32_t numNewAudioFiles) {
  return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* task, int32_t option, bool readSource) {
  return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* task, int32_t option) {
  return callHost(audioMasterOfflineWrite, 0, option, task) != 0;
}

int32_t AudioEffectX::offlineGetCurrentPass() {
  return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

int32_t AudioEffectX::offlineGetCurrentMetaPass() {
  return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

void AudioEffectX::setOutputSamplerate(float rate) {
  callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
  return callHost(audioMasterGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(input), output) != 0;
}

bool AudioEffectX::getHostVendorString(char* text) {
  return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
  return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

int32_t AudioEffectX::getHostVendorVersion() { return asInt(callHost(audioMasterGetVendorVersion)); }

VstIntPtr AudioEffectX::hostVendorSpecific(int32_t first, VstIntPtr second, void* ptr, float opt) {
  return callHost(audioMasterVendorSpecific, first, second, ptr, opt);
}

// Hosts answer 1 for yes, -1 for no and 0 for "don't know": only a yes
// counts, so a caller testing the result never mistakes a no for a yes.
int32_t AudioEffectX::canHostDo(char* text) { return callHost(audioMasterCanDo, 0, 0, text) > 0 ? 1 : 0; }

int32_t AudioEffectX::getHostLanguage() { return asInt(callHost(audioMasterGetLanguage)); }

void* AudioEffectX::openWindow(VstWindow* window) {
  return asPointer<void>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::closeWindow(VstWindow* window) {
  return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* AudioEffectX::getDirectory() { return asPointer<void>(callHost(audioMasterGetDirectory)); }

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

// Edit gestures name a parameter; the host is never told of one that does not exist.
bool AudioEffectX::beginEdit(int32_t index) {
  return index >= 0 && index < cEffect.numParams && callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int32_t index) {
  return index >= 0 && index < cEffect.numParams && callHost(audioMasterEndEdit, index) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* select) {
  return select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* select) {
  return select && callHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath) {
  return nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}
