// The base of every effect object: owns the record the host holds, keeps the
// host callback and the host's settings, and turns dispatcher opcodes 0 to 24
// into virtual calls. Every operation the host may ask for has a default.
#pragma once

#include "vst2/VstInterface.h"

class AEffEditor;

class AudioEffect {
 public:
  // audioMaster may be null: every call to the host is then skipped.
  AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
  // Deletes the editor, if any.
  virtual ~AudioEffect();

  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  virtual void setParameter(int32_t index, float value);
  virtual float getParameter(int32_t index);
  // Sets the parameter and reports the change to the host for automation.
  virtual void setParameterAutomated(int32_t index, float value);
  // Accumulates into outputs; every effect supplies it.
  virtual void process(float** inputs, float** outputs, int32_t sampleFrames) = 0;
  virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);
  // Opcodes 0 to 24; every other opcode answers 0.
  virtual VstIntPtr dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);
  virtual void open();
  virtual void close();
  virtual int32_t getProgram();
  virtual void setProgram(int32_t program);
  virtual void setProgramName(char* name);
  virtual void getProgramName(char* name);
  virtual void getParameterLabel(int32_t index, char* label);
  virtual void getParameterDisplay(int32_t index, char* text);
  virtual void getParameterName(int32_t index, char* text);
  virtual float getVu();
  // Stores a pointer to the chunk in *data and answers its size in bytes.
  virtual int32_t getChunk(void** data, bool isPreset = false);
  virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset = false);
  virtual void setSampleRate(float sampleRate);
  virtual void setBlockSize(int32_t blockSize);
  virtual void suspend();
  virtual void resume();
  virtual void setUniqueID(int32_t id);
  virtual void setNumInputs(int32_t count);
  virtual void setNumOutputs(int32_t count);
  virtual void hasVu(bool state = true);
  virtual void hasClip(bool state = true);
  virtual void canMono(bool state = true);
  virtual void canProcessReplacing(bool state = true);
  virtual void programsAreChunks(bool state = true);
  virtual void setRealtimeQualities(int32_t qualities);
  virtual void setOfflineQualities(int32_t qualities);
  virtual void setInitialDelay(int32_t delay);
  virtual float getSampleRate();
  virtual int32_t getBlockSize();
  // The host's interface version; 1 when the host answers 0 or is missing.
  virtual int32_t getMasterVersion();
  virtual int32_t getCurrentUniqueId();
  virtual void masterIdle();
  virtual bool isInputConnected(int32_t input);
  virtual bool isOutputConnected(int32_t output);
  // Formatters for parameter displays: at most 8 characters plus the zero.
  virtual void dB2string(float value, char* text);
  virtual void Hz2string(float samples, char* text);
  virtual void ms2string(float samples, char* text);
  virtual void float2string(float value, char* text);
  virtual void long2string(int32_t value, char* text);

  // Takes ownership of editor (may be null) and keeps the has-editor flag in step.
  void setEditor(AEffEditor* editor);
  AEffect* getAeffect() { return &cEffect; }
  audioMasterCallback getAudioMaster() const { return audioMaster; }

 protected:
  // Every call to the host goes through here; answers 0 without a host.
  VstIntPtr callHost(int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  void setFlag(int32_t flag, bool state);

  float sampleRate;
  AEffEditor* editor;  // owned
  audioMasterCallback audioMaster;
  int32_t numPrograms;
  int32_t numParams;
  int32_t curProgram;
  int32_t blockSize;
  AEffect cEffect;
};
