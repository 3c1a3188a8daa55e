// The extended effect base: events, time information, offline processing,
// pin and speaker queries, capability words, editing notifications and file
// selectors. Handles dispatcher opcodes 25 to 68 and hands every other opcode
// to AudioEffect. Adds no data members.
#pragma once

#include "vst2/AudioEffect.h"

class AudioEffectX : public AudioEffect {
 public:
  AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
  ~AudioEffectX() override;

  VstIntPtr dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) override;

  virtual AEffEditor* getEditor();
  // Host side (each answers its "without host" value when there is no host).
  virtual int32_t wantEvents(int32_t filter = 1);
  virtual VstTimeInfo* getTimeInfo(int32_t filter);
  virtual int32_t tempoAt(int32_t pos);
  // Plug side: the block's events; the pointers stay valid until the next process call.
  virtual int32_t processEvents(VstEvents* events);
  virtual int32_t getNumAutomatableParameters();
  virtual int32_t getParameterQuantization();
  virtual bool canParameterBeAutomated(int32_t index);
  virtual bool string2parameter(int32_t index, char* text);
  virtual float getChannelParameter(int32_t channel, int32_t index);
  virtual int32_t getNumCategories();
  virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
  virtual bool copyProgram(int32_t destination);
  virtual bool ioChanged();
  virtual bool needIdle();
  virtual bool sizeWindow(int32_t width, int32_t height);
  // Ask the host to update sampleRate / blockSize and answer the member.
  virtual float updateSampleRate();
  virtual int32_t updateBlockSize();
  virtual int32_t getInputLatency();
  virtual int32_t getOutputLatency();
  virtual AEffect* getPreviousPlug(int32_t input);
  virtual AEffect* getNextPlug(int32_t output);
  virtual void inputConnected(int32_t index, bool state);
  virtual void outputConnected(int32_t index, bool state);
  virtual bool getInputProperties(int32_t index, VstPinProperties* properties);
  virtual bool getOutputProperties(int32_t index, VstPinProperties* properties);
  // 2 (synth) when the synth flag is set, otherwise 0 (unknown).
  virtual int32_t getPlugCategory();
  virtual int32_t willProcessReplacing();
  virtual int32_t getCurrentProcessLevel();
  virtual int32_t getAutomationState();
  virtual void wantAsyncOperation(bool state = true);
  virtual void hasExternalBuffer(bool state = true);
  virtual int32_t reportCurrentPosition();
  virtual float* reportDestinationBuffer();
  virtual bool offlineRead(VstOfflineTask* task, int32_t option, bool readSource = true);
  virtual bool offlineWrite(VstOfflineTask* task, int32_t option);
  virtual bool offlineStart(VstAudioFile* files, int32_t numAudioFiles, int32_t numNewAudioFiles);
  virtual int32_t offlineGetCurrentPass();
  virtual int32_t offlineGetCurrentMetaPass();
  virtual bool offlineNotify(VstAudioFile* files, int32_t count, bool start);
  virtual bool offlinePrepare(VstOfflineTask* task, int32_t count);
  virtual bool offlineRun(VstOfflineTask* task, int32_t count);
  virtual int32_t offlineGetNumPasses();
  virtual int32_t offlineGetNumMetaPasses();
  virtual void setOutputSamplerate(float rate);
  virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
  virtual bool getHostVendorString(char* text);
  virtual bool getHostProductString(char* text);
  virtual int32_t getHostVendorVersion();
  virtual VstIntPtr hostVendorSpecific(int32_t first, VstIntPtr second, void* ptr, float opt);
  // 1 when the host says yes (a positive answer), otherwise 0.
  virtual int32_t canHostDo(char* text);
  virtual void isSynth(bool state = true);
  virtual void noTail(bool state = true);
  virtual int32_t getHostLanguage();
  virtual void* openWindow(VstWindow* window);
  virtual bool closeWindow(VstWindow* window);
  virtual void* getDirectory();
  virtual bool updateDisplay();
  virtual bool processVariableIo(VstVariableIo* variableIo);
  virtual bool setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);
  // Stores both members directly; setSampleRate and setBlockSize do not run.
  virtual void setBlockSizeAndSampleRate(int32_t blockSize, float sampleRate);
  virtual bool setBypass(bool state);
  virtual bool getEffectName(char* text);
  virtual bool getErrorText(char* text);
  virtual bool getVendorString(char* text);
  virtual bool getProductString(char* text);
  virtual int32_t getVendorVersion();
  virtual VstIntPtr vendorSpecific(int32_t first, VstIntPtr second, void* ptr, float opt);
  // 1 yes, -1 no, 0 unknown.
  virtual int32_t canDo(char* text);
  virtual void* getIcon();
  virtual bool setViewPosition(int32_t x, int32_t y);
  virtual int32_t getGetTailSize();
  virtual int32_t fxIdle();
  virtual bool getParameterProperties(int32_t index, VstParameterProperties* properties);
  virtual bool keysRequired();
  virtual int32_t getVstVersion();
  virtual int32_t getMidiProgramName(int32_t channel, MidiProgramName* name);
  virtual int32_t getCurrentMidiProgram(int32_t channel, MidiProgramName* program);
  virtual int32_t getMidiProgramCategory(int32_t channel, MidiProgramCategory* category);
  virtual bool hasMidiProgramsChanged(int32_t channel);
  virtual bool getMidiKeyName(int32_t channel, MidiKeyName* keyName);
  virtual bool beginSetProgram();
  virtual bool endSetProgram();
  // Bracket a user's gesture on parameter index (host side).
  virtual bool beginEdit(int32_t index);
  virtual bool endEdit(int32_t index);
  virtual bool openFileSelector(VstFileSelect* select);

  // True only when the host answers exactly 1.
  bool sendVstEventsToHost(VstEvents* events);
  bool closeFileSelector(VstFileSelect* select);
  bool getChunkFile(void* nativePath);
};
