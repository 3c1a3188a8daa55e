// A small effect over AudioEffectX, used to prove the host interface on
// every target: shaped like the instrument (no inputs, two outputs, synth,
// program chunks, an editor) with answers a host-side test can observe.
#pragma once

#include "vst2/AEffEditor.h"
#include "vst2/AudioEffectX.h"

constexpr int32_t kTestEffectID = vstFourCC('P', 'v', 'T', 'x');
constexpr int32_t kTestEffectPrograms = 4;
constexpr int32_t kTestEffectParams = 4;

// Answers the key codes and knob mode it receives so a host can check them.
class TestEditor : public AEffEditor {
 public:
  explicit TestEditor(AudioEffect* effect);
  int32_t getRect(ERect** rect) override;
  // Answer character << 16 | virt << 8 | modifier.
  int32_t onKeyDown(VstKeyCode& key) override;
  int32_t onKeyUp(VstKeyCode& key) override;
  int32_t setKnobMode(int32_t mode) override;
  void update() override;

  int32_t updates = 0;

 private:
  ERect rect;
};

class TestEffect : public AudioEffectX {
 public:
  explicit TestEffect(audioMasterCallback audioMaster, bool withEditor = true);

  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  // Adds parameter 0 to every output sample.
  void process(float** inputs, float** outputs, int32_t sampleFrames) override;
  // Writes parameter 0 to every output sample.
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  void getParameterName(int32_t index, char* text) override;
  void getParameterDisplay(int32_t index, char* text) override;
  void getParameterLabel(int32_t index, char* label) override;
  void getProgramName(char* name) override;
  // Parameter 1 doubles as the VU level.
  float getVu() override;
  void setSampleRate(float rate) override;
  void suspend() override;
  void resume() override;
  // Answers the number of events, and keeps the first note number.
  int32_t processEvents(VstEvents* events) override;
  int32_t canDo(char* text) override;
  bool getEffectName(char* text) override;
  // Answers the module handle recorded when the module was attached.
  VstIntPtr vendorSpecific(int32_t first, VstIntPtr second, void* ptr, float opt) override;

  int32_t suspends = 0;
  int32_t resumes = 0;
  int32_t sampleRateCalls = 0;
  int32_t lastNote = -1;

 private:
  float params[kTestEffectParams] = {};
};
