#include "vst2/testfx/TestEffect.h"

#include <cstdio>
#include <cstring>

#include "platform/ModuleInstance.h"

TestEditor::TestEditor(AudioEffect* effect) : AEffEditor(effect), rect{0, 0, 100, 200} {}

int32_t TestEditor::getRect(ERect** out) {
  *out = &rect;
  return 1;
}

namespace {
int32_t encodeKey(const VstKeyCode& key) { return key.character << 16 | key.virt << 8 | key.modifier; }
}  // namespace

int32_t TestEditor::onKeyDown(VstKeyCode& key) { return encodeKey(key); }
int32_t TestEditor::onKeyUp(VstKeyCode& key) { return -encodeKey(key); }
int32_t TestEditor::setKnobMode(int32_t mode) { return mode + 1; }
void TestEditor::update() { ++updates; }

TestEffect::TestEffect(audioMasterCallback audioMaster, bool withEditor)
    : AudioEffectX(audioMaster, kTestEffectPrograms, kTestEffectParams) {
  setNumInputs(0);
  setNumOutputs(2);
  setUniqueID(kTestEffectID);
  programsAreChunks(true);
  isSynth(true);
  if (withEditor) setEditor(new TestEditor(this));
}

void TestEffect::setParameter(int32_t index, float value) {
  if (index >= 0 && index < kTestEffectParams) params[index] = value;
}

float TestEffect::getParameter(int32_t index) {
  return index >= 0 && index < kTestEffectParams ? params[index] : 0.0f;
}

void TestEffect::process(float**, float** outputs, int32_t sampleFrames) {
  for (int32_t c = 0; c < cEffect.numOutputs; ++c)
    for (int32_t i = 0; i < sampleFrames; ++i) outputs[c][i] += params[0];
}

void TestEffect::processReplacing(float**, float** outputs, int32_t sampleFrames) {
  for (int32_t c = 0; c < cEffect.numOutputs; ++c)
    for (int32_t i = 0; i < sampleFrames; ++i) outputs[c][i] = params[0];
}

void TestEffect::getParameterName(int32_t index, char* text) { std::snprintf(text, 9, "Param%d", index); }
void TestEffect::getParameterDisplay(int32_t index, char* text) { float2string(getParameter(index), text); }
void TestEffect::getParameterLabel(int32_t, char* label) { std::strcpy(label, "units"); }
void TestEffect::getProgramName(char* name) { std::snprintf(name, 24, "Program %d", curProgram); }
float TestEffect::getVu() { return params[1]; }

void TestEffect::setSampleRate(float rate) {
  AudioEffectX::setSampleRate(rate);
  ++sampleRateCalls;
}

void TestEffect::suspend() { ++suspends; }
void TestEffect::resume() { ++resumes; }

int32_t TestEffect::processEvents(VstEvents* events) {
  if (events->numEvents > 0 && vstEventPointers(events)[0]->type == kVstMidiType)
    lastNote = reinterpret_cast<VstMidiEvent*>(vstEventPointers(events)[0])->midiData[1];
  return events->numEvents;
}

int32_t TestEffect::canDo(char* text) { return std::strcmp(text, "receiveVstEvents") == 0 ? 1 : -1; }

bool TestEffect::getEffectName(char* text) {
  std::strcpy(text, "TestFx");
  return true;
}

VstIntPtr TestEffect::vendorSpecific(int32_t, VstIntPtr, void*, float) {
  return reinterpret_cast<VstIntPtr>(moduleInstance);
}
