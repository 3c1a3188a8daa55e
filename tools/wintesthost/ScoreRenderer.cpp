#include "tools/wintesthost/ScoreRenderer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kProgramSize = 300;
constexpr size_t kPathOffset = 24;
constexpr size_t kPathSize = 260;

VstIntPtr dispatch(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                   float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

// A VstEvents list with room for any number of MIDI events.
class EventList {
 public:
  void clear() { midi_.clear(); }
  void add(const unsigned char bytes[3], int32_t deltaFrames) {
    VstMidiEvent ev{};
    ev.type = kVstMidiType;
    ev.byteSize = sizeof(VstMidiEvent);
    ev.deltaFrames = deltaFrames;
    ev.midiData[0] = static_cast<char>(bytes[0]);
    ev.midiData[1] = static_cast<char>(bytes[1]);
    ev.midiData[2] = static_cast<char>(bytes[2]);
    midi_.push_back(ev);
  }
  bool empty() const { return midi_.empty(); }
  VstEvents* build() {
    size_t count = midi_.size();
    storage_.assign(offsetof(VstEvents, events) + std::max<size_t>(count, 2) * sizeof(VstEvent*), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage_.data());
    list->numEvents = static_cast<int32_t>(count);
    for (size_t i = 0; i < count; ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi_[i]);
    return list;
  }

 private:
  std::vector<VstMidiEvent> midi_;
  std::vector<VstIntPtr> storage_;  // pointer-aligned room for the header and pointers
};

}  // namespace

void prepareInstance(AEffect* effect, double rate, int32_t blockSize) {
  dispatch(effect, effOpen, 0, 0, nullptr, 0.0f);
  dispatch(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  dispatch(effect, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
  dispatch(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
}

bool loadSampleThroughChunk(AEffect* effect, const std::string& path, std::string& error) {
  if (path.size() >= kPathSize) {
    error = "sample path longer than 259 characters: " + path;
    return false;
  }
  void* data = nullptr;
  VstIntPtr size = dispatch(effect, effGetChunk, 0, 0, &data, 0.0f);
  if (data == nullptr || size < static_cast<VstIntPtr>(kProgramSize)) {
    error = "the instance gave no program bank";
    return false;
  }
  std::vector<char> bank(static_cast<const char*>(data), static_cast<const char*>(data) + size);
  std::memset(bank.data() + kPathOffset, 0, kPathSize);
  std::memcpy(bank.data() + kPathOffset, path.c_str(), path.size());
  dispatch(effect, effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data(), 0.0f);
  return true;
}

bool renderScore(AEffect* effect, const Score& score, int64_t frames, int32_t blockSize,
                 RenderResult& out, std::string& error) {
  if (blockSize <= 0) {
    error = "block size must be positive";
    return false;
  }
  for (const ScoreEvent& p : score.setupParams) effect->setParameter(effect, p.paramIndex, p.paramValue);

  out.left.assign(static_cast<size_t>(frames), 0.0f);
  out.right.assign(static_cast<size_t>(frames), 0.0f);
  std::vector<float> inL(static_cast<size_t>(blockSize), 0.0f), inR(inL);
  float* inputs[2] = {inL.data(), inR.data()};

  // Parameter changes and MIDI go separately: a change at frame F lands
  // before every MIDI event of frame F, whatever their order in the file.
  std::vector<const ScoreEvent*> params, midi;
  for (const ScoreEvent& ev : score.events) (ev.kind == ScoreEvent::kParam ? params : midi).push_back(&ev);

  EventList list;
  size_t nextParam = 0, nextMidi = 0;
  int64_t pos = 0;
  while (pos < frames) {
    while (nextParam < params.size() && params[nextParam]->frame <= pos) {
      effect->setParameter(effect, params[nextParam]->paramIndex, params[nextParam]->paramValue);
      ++nextParam;
    }
    int64_t end = std::min(frames, pos + blockSize);
    if (nextParam < params.size()) end = std::min(end, params[nextParam]->frame);
    list.clear();
    for (; nextMidi < midi.size() && midi[nextMidi]->frame < end; ++nextMidi)
      list.add(midi[nextMidi]->midi, static_cast<int32_t>(midi[nextMidi]->frame - pos));
    if (!list.empty()) dispatch(effect, effProcessEvents, 0, 0, list.build(), 0.0f);
    float* outputs[2] = {out.left.data() + pos, out.right.data() + pos};
    effect->process(effect, inputs, outputs, static_cast<int32_t>(end - pos));
    pos = end;
  }
  return true;
}
