// An effect that logs every plug-side operation the dispatchers reach, with
// its arguments, and answers what a test sets.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "vst2/AEffEditor.h"
#include "vst2/AudioEffectX.h"

class SpyEffect : public AudioEffectX {
 public:
  explicit SpyEffect(audioMasterCallback audioMaster = nullptr, int32_t programs = 3, int32_t params = 2)
      : AudioEffectX(audioMaster, programs, params) {}

  std::vector<std::string> log;
  bool answer = true;  // what every bool operation answers
  int32_t number = 7;  // what every int32 operation answers
  float vu = 0.0f;

  void note(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char line[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    log.push_back(line);
  }
  std::string last() const { return log.empty() ? "" : log.back(); }

  void setParameter(int32_t i, float v) override { note("setParameter(%d,%g)", i, v); }
  void process(float**, float**, int32_t frames) override { note("process(%d)", frames); }
  void open() override { note("open"); }
  void close() override { note("close"); }
  void setProgram(int32_t p) override {
    note("setProgram(%d)", p);
    AudioEffectX::setProgram(p);
  }
  void setProgramName(char* name) override { note("setProgramName(%s)", name); }
  void getProgramName(char* name) override { note("getProgramName(%p)", static_cast<void*>(name)); }
  void getParameterLabel(int32_t i, char*) override { note("getParameterLabel(%d)", i); }
  void getParameterDisplay(int32_t i, char*) override { note("getParameterDisplay(%d)", i); }
  void getParameterName(int32_t i, char*) override { note("getParameterName(%d)", i); }
  float getVu() override { return vu; }
  int32_t getChunk(void** data, bool preset) override {
    note("getChunk(%d)", preset);
    *data = this;
    return number;
  }
  int32_t setChunk(void* data, int32_t size, bool preset) override {
    note("setChunk(%p,%d,%d)", data, size, preset);
    return number;
  }
  void setSampleRate(float r) override {
    note("setSampleRate(%g)", r);
    AudioEffectX::setSampleRate(r);
  }
  void setBlockSize(int32_t b) override {
    note("setBlockSize(%d)", b);
    AudioEffectX::setBlockSize(b);
  }
  void suspend() override { note("suspend"); }
  void resume() override { note("resume"); }

  int32_t processEvents(VstEvents* e) override {
    note("processEvents(%d)", e->numEvents);
    return number;
  }
  bool canParameterBeAutomated(int32_t i) override {
    note("canParameterBeAutomated(%d)", i);
    return answer;
  }
  bool string2parameter(int32_t i, char* t) override {
    note("string2parameter(%d,%s)", i, t);
    return answer;
  }
  int32_t getNumCategories() override { return number; }
  bool getProgramNameIndexed(int32_t c, int32_t i, char*) override {
    note("getProgramNameIndexed(%d,%d)", c, i);
    return answer;
  }
  bool copyProgram(int32_t d) override {
    note("copyProgram(%d)", d);
    return answer;
  }
  void inputConnected(int32_t i, bool s) override { note("inputConnected(%d,%d)", i, s); }
  void outputConnected(int32_t i, bool s) override { note("outputConnected(%d,%d)", i, s); }
  bool getInputProperties(int32_t i, VstPinProperties*) override {
    note("getInputProperties(%d)", i);
    return answer;
  }
  bool getOutputProperties(int32_t i, VstPinProperties*) override {
    note("getOutputProperties(%d)", i);
    return answer;
  }
  bool offlineNotify(VstAudioFile* f, int32_t n, bool start) override {
    note("offlineNotify(%p,%d,%d)", static_cast<void*>(f), n, start);
    return answer;
  }
  bool offlinePrepare(VstOfflineTask*, int32_t n) override {
    note("offlinePrepare(%d)", n);
    return answer;
  }
  bool offlineRun(VstOfflineTask*, int32_t n) override {
    note("offlineRun(%d)", n);
    return answer;
  }
  bool processVariableIo(VstVariableIo*) override { return answer; }
  bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override {
    note("setSpeakerArrangement(%p,%p)", static_cast<void*>(in), static_cast<void*>(out));
    return answer;
  }
  bool setBypass(bool s) override {
    note("setBypass(%d)", s);
    return answer;
  }
  bool getEffectName(char*) override { return answer; }
  bool getErrorText(char*) override { return answer; }
  bool getVendorString(char*) override { return answer; }
  bool getProductString(char*) override { return answer; }
  int32_t getVendorVersion() override { return number; }
  VstIntPtr vendorSpecific(int32_t a, VstIntPtr b, void* p, float o) override {
    note("vendorSpecific(%d,%lld,%p,%g)", a, static_cast<long long>(b), p, o);
    return number;
  }
  bool setViewPosition(int32_t x, int32_t y) override {
    note("setViewPosition(%d,%d)", x, y);
    return answer;
  }
  bool getParameterProperties(int32_t, VstParameterProperties*) override { return answer; }
  bool keysRequired() override { return answer; }
  bool hasMidiProgramsChanged(int32_t c) override {
    note("hasMidiProgramsChanged(%d)", c);
    return answer;
  }
  bool getMidiKeyName(int32_t, MidiKeyName*) override { return answer; }
  bool beginSetProgram() override { return answer; }
  bool endSetProgram() override { return answer; }
  float* reportDestinationBuffer() override { return &vu; }
};

// An editor that logs what reaches it.
class SpyEditor : public AEffEditor {
 public:
  explicit SpyEditor(AudioEffect* effect, int* deleted = nullptr) : AEffEditor(effect), deleted(deleted) {}
  ~SpyEditor() override {
    if (deleted) ++*deleted;
  }
  int32_t getRect(ERect** r) override {
    log.push_back("getRect");
    *r = &rect;
    return 11;
  }
  int32_t open(void* w) override {
    log.push_back("open");
    AEffEditor::open(w);
    return 12;
  }
  void close() override { log.push_back("close"); }
  void idle() override { log.push_back("idle"); }
  int32_t onKeyDown(VstKeyCode& k) override {
    key = k;
    return 21;
  }
  int32_t onKeyUp(VstKeyCode& k) override {
    key = k;
    return 22;
  }
  int32_t setKnobMode(int32_t m) override {
    knobMode = m;
    return 23;
  }

  std::vector<std::string> log;
  ERect rect{1, 2, 3, 4};
  VstKeyCode key{};
  int32_t knobMode = -1;
  int* deleted;
};
