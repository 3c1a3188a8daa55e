#include "tools/wintesthost/ScoreRenderer.h"

#include <algorithm>
#include <cstddef>

#include "tools/render/BlockScheduler.h"
#include "tools/render/ProgramBank.h"

namespace {

VstIntPtr dispatch(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

// A VstEvents list with room for any number of MIDI events.
class EventList {
public:
  void clear() { midi_.clear(); }
  void add(const BlockMidi& m) {
    VstMidiEvent ev{};
    ev.type = kVstMidiType;
    ev.byteSize = sizeof(VstMidiEvent);
    ev.deltaFrames = m.deltaFrames;
    for (int i = 0; i < 3; ++i) ev.midiData[i] = static_cast<char>(m.bytes[i]);
    midi_.push_back(ev);
  }
  bool empty() const { return midi_.empty(); }
  VstEvents* build() {
    const size_t count = midi_.size();
    // Pointer-sized cells: the header is two of them, then one per event.
    storage_.assign(offsetof(VstEvents, events) / sizeof(VstIntPtr) + std::max<size_t>(count, 2), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage_.data());
    list->numEvents = static_cast<int32_t>(count);
    VstEvent** pointers = vstEventPointers(list);
    for (size_t i = 0; i < count; ++i) pointers[i] = reinterpret_cast<VstEvent*>(&midi_[i]);
    return list;
  }

private:
  std::vector<VstMidiEvent> midi_;
  std::vector<VstIntPtr> storage_;
};

}  // namespace

void prepareInstance(AEffect* effect, double rate, int32_t blockSize) {
  dispatch(effect, effOpen, 0, 0, nullptr, 0.0f);
  dispatch(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  dispatch(effect, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
  dispatch(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
}

bool loadBank(AEffect* effect, const std::string& path, std::string& error) {
  ProgramBank bank = defaultBank();
  if (!setSamplePath(bank, 0, path)) {
    error = "sample path longer than 259 characters: " + path;
    return false;
  }
  if (dispatch(effect, effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data(), 0.0f) == 0) {
    error = "the instance refused the program bank";
    return false;
  }
  return true;
}

void renderPlan(AEffect* effect, const RenderPlan& plan, int64_t frames, int32_t blockSize, RenderResult& out) {
  for (const ParamSetting& p : plan.initialParams) effect->setParameter(effect, p.index, p.value);
  out.left.assign(static_cast<size_t>(frames), 0.0f);
  out.right.assign(static_cast<size_t>(frames), 0.0f);
  std::vector<float> silence(static_cast<size_t>(blockSize), 0.0f);
  float* inputs[2] = {silence.data(), silence.data()};

  BlockScheduler scheduler(plan.events, frames, blockSize);
  RenderBlock block;
  EventList list;
  while (scheduler.next(block)) {
    for (const ParamSetting& p : block.paramsBefore) effect->setParameter(effect, p.index, p.value);
    list.clear();
    for (const BlockMidi& m : block.midi) list.add(m);
    if (!list.empty()) dispatch(effect, effProcessEvents, 0, 0, list.build(), 0.0f);
    // The instance adds into the buffers: they start out silent.
    float* outputs[2] = {out.left.data() + block.startFrame, out.right.data() + block.startFrame};
    effect->process(effect, inputs, outputs, block.frames);
  }
}

int64_t planFrames(const RenderPlan& plan, uint32_t rate) {
  return plan.lengthFrames.value_or(lastEventFrame(plan) + 2 * static_cast<int64_t>(rate));
}
