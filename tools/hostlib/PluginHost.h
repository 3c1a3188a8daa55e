// A small VST 2 host for tests and tools: loads a module, creates instances
// with a recording host callback, talks to them through the dispatcher and
// runs their audio on buffers of its own. Linux only (dlopen).
//
//   PluginModule module;
//   if (!module.load("build/parvolino.so")) fail(module.error());
//   PluginInstance fx;
//   fx.host().setAnswer(audioMasterVersion, 2400);  // the default
//   if (!fx.create(module)) fail("main returned null");
//   fx.setSampleRate(44100); fx.setBlockSize(512); fx.resume();
//   MidiEventList events; events.noteOn(0, 0, 60, 100);
//   fx.processEvents(events); fx.runProcess(512);
//   fx.output(0)[0] ...
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "vst2/VstInterface.h"

typedef AEffect* (*PluginEntryProc)(audioMasterCallback audioMaster);

// One call the plug-in made to the host callback.
struct HostCall {
  AEffect* effect;
  int32_t opcode;
  int32_t index;
  VstIntPtr value;
  void* ptr;
  float opt;
};

// Records every host-callback call in order and answers them. Answers are
// set per opcode (default 0; audioMasterVersion answers 2400) or computed by
// a handler. Safe to call from several threads at once.
class HostCallbackRecorder {
 public:
  using Handler = std::function<VstIntPtr(const HostCall& call)>;

  HostCallbackRecorder();
  ~HostCallbackRecorder();
  HostCallbackRecorder(const HostCallbackRecorder&) = delete;
  HostCallbackRecorder& operator=(const HostCallbackRecorder&) = delete;

  void setAnswer(int32_t opcode, VstIntPtr answer);
  // The handler runs outside the recorder's lock, so it may call back into
  // the plug-in (e.g. answer audioMasterGetSampleRate with effSetSampleRate).
  void setHandler(int32_t opcode, Handler handler);

  std::vector<HostCall> calls() const;
  std::vector<HostCall> callsOf(int32_t opcode) const;
  size_t count(int32_t opcode) const;
  size_t size() const;
  void clear();

  // The plain function to hand to a plug-in. It finds the recorder bound to
  // the calling record; calls without a record (or from a record not bound
  // yet, i.e. during construction) go to the recorder marked as creating on
  // the calling thread.
  static audioMasterCallback callback();

  // Routes calls from effect to this recorder until unbind or destruction.
  void bind(AEffect* effect);
  void unbind(AEffect* effect);

  // Marks this recorder as the one creating an instance on this thread.
  class CreationScope {
   public:
    explicit CreationScope(HostCallbackRecorder& recorder);
    ~CreationScope();
    CreationScope(const CreationScope&) = delete;
    CreationScope& operator=(const CreationScope&) = delete;

   private:
    HostCallbackRecorder* previous;
  };

  VstIntPtr answer(const HostCall& call);

 private:
  mutable std::mutex mutex;
  std::vector<HostCall> log;
  std::map<int32_t, VstIntPtr> answers;
  std::map<int32_t, Handler> handlers;
};

// A loaded module (dlopen). Unloads on destruction: close every instance first.
class PluginModule {
 public:
  PluginModule() = default;
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  // Loads path and resolves VSTPluginMain, else main. False with error() set
  // when the module cannot be loaded or has neither entry point.
  bool load(const std::string& path);
  void unload();
  bool loaded() const { return handle != nullptr; }
  const std::string& error() const { return lastError; }

  PluginEntryProc entry() const { return entryProc; }
  // The name the entry was found under ("VSTPluginMain" or "main").
  const std::string& entryName() const { return foundEntryName; }
  // Any exported symbol, or null.
  void* symbol(const char* name) const;

 private:
  void* handle = nullptr;
  PluginEntryProc entryProc = nullptr;
  std::string foundEntryName;
  std::string lastError;
};

// Audio channels of equal length, with the float** view process takes.
class AudioBuffers {
 public:
  AudioBuffers() = default;
  AudioBuffers(int32_t channels, int32_t frames) { resize(channels, frames); }
  void resize(int32_t channels, int32_t frames);
  void clear();
  void fill(float value);
  int32_t channels() const { return static_cast<int32_t>(data.size()); }
  int32_t frames() const { return numFrames; }
  float* channel(int32_t index) { return data[index].data(); }
  const float* channel(int32_t index) const { return data[index].data(); }
  // Null when there are no channels, as hosts pass for a plug-in without inputs.
  float** pointers() { return views.empty() ? nullptr : views.data(); }

 private:
  std::vector<std::vector<float>> data;
  std::vector<float*> views;
  int32_t numFrames = 0;
};

// A VstEvents list of MIDI events, of any length. Keep it alive until the
// next process call: plug-ins may hold on to the event pointers until then.
class MidiEventList {
 public:
  MidiEventList() { rebuild(); }
  MidiEventList(const MidiEventList&) = delete;
  MidiEventList& operator=(const MidiEventList&) = delete;

  void add(int32_t deltaFrames, unsigned char status, unsigned char data1, unsigned char data2);
  void noteOn(int32_t deltaFrames, int channel, int note, int velocity);
  void noteOff(int32_t deltaFrames, int channel, int note, int velocity = 0);
  void controller(int32_t deltaFrames, int channel, int number, int value);
  // value 0..16383, 8192 is the centre.
  void pitchBend(int32_t deltaFrames, int channel, int value);
  void clear();
  int32_t size() const { return static_cast<int32_t>(events.size()); }
  VstMidiEvent& operator[](int32_t index) { return events[index]; }
  VstEvents* get();

 private:
  void rebuild();
  std::vector<VstMidiEvent> events;
  std::vector<VstIntPtr> storage;  // the VstEvents header and its pointer array
  bool dirty = true;
};

// One plug-in instance: created through a module's entry point (or any
// factory) with a recording host callback, closed with effClose.
class PluginInstance {
 public:
  PluginInstance() = default;
  ~PluginInstance();  // close()
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  HostCallbackRecorder& host() { return recorder; }

  // Calls the module's entry point. Null when it returns null; the
  // recorder then holds the calls made (e.g. the version request).
  AEffect* create(const PluginModule& module);
  AEffect* create(PluginEntryProc entry);
  // Any factory taking the host callback, e.g. one constructing an effect in
  // this process.
  AEffect* create(const std::function<AEffect*(audioMasterCallback)>& factory);
  AEffect* effect() const { return record; }

  // Sends effClose and forgets the record; answers effClose's result (0 if none).
  VstIntPtr close();

  VstIntPtr dispatch(int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);

  // Typed helpers for the common opcodes.
  void open() { dispatch(effOpen); }
  void setSampleRate(float rate) { dispatch(effSetSampleRate, 0, 0, nullptr, rate); }
  void setBlockSize(int32_t frames);
  void resume() { dispatch(effMainsChanged, 0, 1); }
  void suspend() { dispatch(effMainsChanged, 0, 0); }
  void setProgram(int32_t program) { dispatch(effSetProgram, 0, program); }
  int32_t program() { return static_cast<int32_t>(dispatch(effGetProgram)); }
  // Texts are read into a buffer pre-filled with garbage, as hosts do; a text
  // the plug-in left unterminated comes back as the whole buffer.
  std::string programName() { return text(effGetProgramName, 0); }
  std::string parameterName(int32_t index) { return text(effGetParamName, index); }
  std::string parameterLabel(int32_t index) { return text(effGetParamLabel, index); }
  std::string parameterDisplay(int32_t index) { return text(effGetParamDisplay, index); }
  std::string text(int32_t opcode, int32_t index);
  void setParameter(int32_t index, float value);
  float getParameter(int32_t index);
  VstIntPtr canDo(const std::string& word);
  // Copies the plug-in's chunk; empty when it has none.
  std::vector<unsigned char> getChunk(bool isPreset = false);
  VstIntPtr setChunk(const std::vector<unsigned char>& chunk, bool isPreset = false);
  VstIntPtr processEvents(MidiEventList& events) { return dispatch(effProcessEvents, 0, 0, events.get()); }
  std::optional<ERect> editorRect();

  // Audio on the instance's own buffers, sized by the record's channel counts
  // and the block size (setBlockSize, default 1024). runProcess zeroes the
  // outputs first and calls the accumulating process; runProcessReplacing
  // calls processReplacing on the outputs as they are.
  void runProcess(int32_t frames);
  void runProcessReplacing(int32_t frames);
  float* output(int32_t channel) { return outputs.channel(channel); }
  AudioBuffers& inputBuffers() { return inputs; }
  AudioBuffers& outputBuffers() { return outputs; }

 private:
  void prepareBuffers(int32_t frames);

  HostCallbackRecorder recorder;
  AEffect* record = nullptr;
  int32_t blockSize = 1024;
  AudioBuffers inputs;
  AudioBuffers outputs;
};
