// The binary interface shared with a VST 2 host: the effect record, the
// function types both sides call, opcodes, flags and the event records.
// Every layout here is fixed by the hosts that read it; the static_asserts
// below pin each offset for 32-bit and 64-bit builds.
#pragma once

#include <cstddef>
#include <cstdint>

// The dispatcher's value and result and the host callback's value and result
// are pointer-width, so they can carry pointers in 64-bit builds. Every other
// integer of the interface is 32-bit.
typedef intptr_t VstIntPtr;
typedef int32_t VstInt32;

// A four-character code as a 32-bit integer whose most significant byte is
// the first character.
constexpr int32_t vstFourCC(char a, char b, char c, char d) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32_t kEffectMagic = vstFourCC('V', 's', 't', 'P');     // 0x56737450
constexpr int32_t kEffectIdentify = vstFourCC('N', 'v', 'E', 'f');  // answer to effIdentify
constexpr int32_t kDefaultUniqueID = vstFourCC('N', 'o', 'E', 'f');

struct AEffect;

// The host callback, and the five entry points a host calls through the record.
// All use the platform's default C calling convention.
typedef VstIntPtr (*audioMasterCallback)(AEffect* effect, int32_t opcode, int32_t index,
                                         VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr (*DispatcherProc)(AEffect* effect, int32_t opcode, int32_t index,
                                    VstIntPtr value, void* ptr, float opt);
typedef void (*ProcessProc)(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames);
typedef void (*ProcessReplacingProc)(AEffect* effect, float** inputs, float** outputs,
                                     int32_t sampleFrames);
typedef void (*SetParameterProc)(AEffect* effect, int32_t index, float parameter);
typedef float (*GetParameterProc)(AEffect* effect, int32_t index);

// The record the host receives from main and drives the instance through.
// 144 bytes with 32-bit pointers, 192 bytes with 64-bit pointers.
struct AEffect {
  int32_t magic;  // kEffectMagic
  DispatcherProc dispatcher;
  ProcessProc process;
  SetParameterProc setParameter;
  GetParameterProc getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;  // VstEffectFlags
  VstIntPtr resvd1;
  VstIntPtr resvd2;
  int32_t initialDelay;
  int32_t realQualities;
  int32_t offQualities;
  float ioRatio;
  void* object;  // the effect object that contains this record
  void* user;
  int32_t uniqueID;
  int32_t version;
  ProcessReplacingProc processReplacing;
  char future[sizeof(void*) == 8 ? 64 : 60];  // always zero
};

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(void*) == 4);
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 4);
static_assert(offsetof(AEffect, process) == 8);
static_assert(offsetof(AEffect, setParameter) == 12);
static_assert(offsetof(AEffect, getParameter) == 16);
static_assert(offsetof(AEffect, numPrograms) == 20);
static_assert(offsetof(AEffect, numParams) == 24);
static_assert(offsetof(AEffect, numInputs) == 28);
static_assert(offsetof(AEffect, numOutputs) == 32);
static_assert(offsetof(AEffect, flags) == 36);
static_assert(offsetof(AEffect, resvd1) == 40);
static_assert(offsetof(AEffect, resvd2) == 44);
static_assert(offsetof(AEffect, initialDelay) == 48);
static_assert(offsetof(AEffect, realQualities) == 52);
static_assert(offsetof(AEffect, offQualities) == 56);
static_assert(offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64);
static_assert(offsetof(AEffect, user) == 68);
static_assert(offsetof(AEffect, uniqueID) == 72);
static_assert(offsetof(AEffect, version) == 76);
static_assert(offsetof(AEffect, processReplacing) == 80);
static_assert(offsetof(AEffect, future) == 84);
static_assert(sizeof(AEffect) == 144);
#elif INTPTR_MAX == INT64_MAX
static_assert(sizeof(void*) == 8);
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, future) == 128);
static_assert(sizeof(AEffect) == 192);
#else
#error "unsupported pointer width"
#endif

// Bits of AEffect::flags.
enum VstEffectFlags : int32_t {
  kFlagHasEditor = 0x1,
  kFlagHasClip = 0x2,
  kFlagHasVu = 0x4,
  kFlagCanMono = 0x8,
  kFlagCanReplacing = 0x10,
  kFlagProgramChunks = 0x20,
  kFlagIsSynth = 0x100,
  kFlagNoSoundInStop = 0x200,
  kFlagAsyncOperation = 0x400,
  kFlagExternalBuffer = 0x800,
};

// Opcodes the host sends through the dispatcher.
enum VstEffectOpcode : int32_t {
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effGetVu = 9,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditDraw = 16,
  effEditMouse = 17,
  effEditKey = 18,
  effEditIdle = 19,
  effEditTop = 20,
  effEditSleep = 21,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetNumProgramCategories = 28,
  effGetProgramNameIndexed = 29,
  effCopyProgram = 30,
  effConnectInput = 31,
  effConnectOutput = 32,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effGetCurrentPosition = 36,
  effGetDestinationBuffer = 37,
  effOfflineNotify = 38,
  effOfflinePrepare = 39,
  effOfflineRun = 40,
  effProcessVarIo = 41,
  effSetSpeakerArrangement = 42,
  effSetBlockSizeAndSampleRate = 43,
  effSetBypass = 44,
  effGetEffectName = 45,
  effGetErrorText = 46,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effGetTailSize = 52,
  effIdle = 53,
  effGetIcon = 54,
  effSetViewPosition = 55,
  effGetParameterProperties = 56,
  effKeysRequired = 57,
  effGetVstVersion = 58,
  effEditKeyDown = 59,
  effEditKeyUp = 60,
  effSetEditKnobMode = 61,
  effGetMidiProgramName = 62,
  effGetCurrentMidiProgram = 63,
  effGetMidiProgramCategory = 64,
  effHasMidiProgramsChanged = 65,
  effGetMidiKeyName = 66,
  effBeginSetProgram = 67,
  effEndSetProgram = 68,
};

// Opcodes the plug-in sends to the host callback.
enum VstHostOpcode : int32_t {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterPinConnected = 4,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterTempoAt = 10,
  audioMasterGetNumAutomatableParameters = 11,
  audioMasterGetParameterQuantization = 12,
  audioMasterIOChanged = 13,
  audioMasterNeedIdle = 14,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetInputLatency = 18,
  audioMasterGetOutputLatency = 19,
  audioMasterGetPreviousPlug = 20,
  audioMasterGetNextPlug = 21,
  audioMasterWillReplaceOrAccumulate = 22,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetAutomationState = 24,
  audioMasterOfflineStart = 25,
  audioMasterOfflineRead = 26,
  audioMasterOfflineWrite = 27,
  audioMasterOfflineGetCurrentPass = 28,
  audioMasterOfflineGetCurrentMetaPass = 29,
  audioMasterSetOutputSampleRate = 30,
  audioMasterGetSpeakerArrangement = 31,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterVendorSpecific = 35,
  audioMasterCanDo = 37,
  audioMasterGetLanguage = 38,
  audioMasterOpenWindow = 39,
  audioMasterCloseWindow = 40,
  audioMasterGetDirectory = 41,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
  audioMasterOpenFileSelector = 45,
  audioMasterCloseFileSelector = 46,
  audioMasterGetChunkFile = 48,
};

// A rectangle in pixels, as the host reads the editor's size.
struct ERect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};
static_assert(sizeof(ERect) == 8);

// A key the host forwards to the editor.
struct VstKeyCode {
  int32_t character;
  unsigned char virt;      // virtual key code
  unsigned char modifier;  // modifier key bits
  unsigned char padding[2];
};
static_assert(sizeof(VstKeyCode) == 8);
static_assert(offsetof(VstKeyCode, virt) == 4 && offsetof(VstKeyCode, modifier) == 5);

enum VstEventType : int32_t {
  kVstMidiType = 1,
};

// A generic event; `type` tells which record it really is.
struct VstEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;  // frame offset of the event within the block
  int32_t flags;
  char data[16];
};
static_assert(sizeof(VstEvent) == 32);

// A MIDI message of up to three bytes.
struct VstMidiEvent {
  int32_t type;  // kVstMidiType
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t noteLength;
  int32_t noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(offsetof(VstMidiEvent, detune) == 28);

// A list of events. Declared with two entries; hosts allocate it with room
// for numEvents pointers.
struct VstEvents {
  int32_t numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];
};
static_assert(offsetof(VstEvents, reserved) == sizeof(void*));
static_assert(offsetof(VstEvents, events) == 2 * sizeof(void*));

// The pointer array of a list as long as the host allocated it. Index it
// through this rather than `events[i]`: past the two declared entries the
// compiler would take the declared size for the real one.
inline VstEvent** vstEventPointers(VstEvents* list) {
  return reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(list) + offsetof(VstEvents, events));
}
inline VstEvent* const* vstEventPointers(const VstEvents* list) {
  return reinterpret_cast<VstEvent* const*>(reinterpret_cast<const char*>(list) + offsetof(VstEvents, events));
}

// Describes one audio input or output.
struct VstPinProperties {
  char label[64];
  int32_t flags;
  int32_t arrangementType;
  char shortLabel[8];
  char future[48];
};
static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, shortLabel) == 72);

// Records the plug-in only passes between the host and an overriding effect
// class; their contents are never read here.
struct VstTimeInfo;
struct VstOfflineTask;
struct VstAudioFile;
struct VstSpeakerArrangement;
struct VstVariableIo;
struct VstWindow;
struct VstFileSelect;
struct VstParameterProperties;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
