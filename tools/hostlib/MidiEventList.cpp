#include <algorithm>
#include <cstddef>

#include "tools/hostlib/PluginHost.h"

void MidiEventList::add(int32_t deltaFrames, unsigned char status, unsigned char data1, unsigned char data2) {
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = deltaFrames;
  event.midiData[0] = static_cast<char>(status);
  event.midiData[1] = static_cast<char>(data1);
  event.midiData[2] = static_cast<char>(data2);
  events.push_back(event);
  dirty = true;
}

void MidiEventList::noteOn(int32_t deltaFrames, int channel, int note, int velocity) {
  add(deltaFrames, static_cast<unsigned char>(0x90 | (channel & 15)), static_cast<unsigned char>(note & 127),
      static_cast<unsigned char>(velocity & 127));
}

void MidiEventList::noteOff(int32_t deltaFrames, int channel, int note, int velocity) {
  add(deltaFrames, static_cast<unsigned char>(0x80 | (channel & 15)), static_cast<unsigned char>(note & 127),
      static_cast<unsigned char>(velocity & 127));
}

void MidiEventList::controller(int32_t deltaFrames, int channel, int number, int value) {
  add(deltaFrames, static_cast<unsigned char>(0xB0 | (channel & 15)), static_cast<unsigned char>(number & 127),
      static_cast<unsigned char>(value & 127));
}

void MidiEventList::pitchBend(int32_t deltaFrames, int channel, int value) {
  add(deltaFrames, static_cast<unsigned char>(0xE0 | (channel & 15)), static_cast<unsigned char>(value & 127),
      static_cast<unsigned char>((value >> 7) & 127));
}

void MidiEventList::clear() {
  events.clear();
  dirty = true;
}

// The header is followed by one pointer per event; never smaller than the
// declared record, so a plug-in reading the declared fields stays inside.
void MidiEventList::rebuild() {
  const size_t slots = std::max<size_t>(events.size(), 2);
  const size_t bytes = offsetof(VstEvents, events) + slots * sizeof(VstEvent*);
  storage.assign((bytes + sizeof(VstIntPtr) - 1) / sizeof(VstIntPtr), 0);
  auto* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = static_cast<int32_t>(events.size());
  VstEvent** pointers = vstEventPointers(list);
  for (size_t i = 0; i < events.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&events[i]);
  dirty = false;
}

VstEvents* MidiEventList::get() {
  if (dirty) rebuild();
  return reinterpret_cast<VstEvents*>(storage.data());
}
