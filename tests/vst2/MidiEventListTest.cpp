// The host library's event lists and its recorder under concurrent calls.
#include <gtest/gtest.h>

#include <thread>

#include "tools/hostlib/PluginHost.h"

TEST(MidiEventList, BuildsListsOfAnyLength) {
  MidiEventList list;
  EXPECT_EQ(list.get()->numEvents, 0);
  list.noteOn(5, 2, 60, 100);
  list.noteOff(6, 2, 60);
  list.controller(7, 15, 123, 0);
  list.pitchBend(8, 0, 16383);
  VstEvents* events = list.get();
  ASSERT_EQ(events->numEvents, 4);
  auto midi = [events](int i) { return reinterpret_cast<VstMidiEvent*>(vstEventPointers(events)[i]); };
  EXPECT_EQ(midi(0)->type, kVstMidiType);
  EXPECT_EQ(midi(0)->byteSize, static_cast<int32_t>(sizeof(VstMidiEvent)));
  EXPECT_EQ(midi(0)->deltaFrames, 5);
  EXPECT_EQ(static_cast<unsigned char>(midi(0)->midiData[0]), 0x92);
  EXPECT_EQ(midi(0)->midiData[1], 60);
  EXPECT_EQ(midi(0)->midiData[2], 100);
  EXPECT_EQ(static_cast<unsigned char>(midi(1)->midiData[0]), 0x82);
  EXPECT_EQ(static_cast<unsigned char>(midi(2)->midiData[0]), 0xBF);
  EXPECT_EQ(midi(2)->midiData[1], 123);
  EXPECT_EQ(static_cast<unsigned char>(midi(3)->midiData[0]), 0xE0);
  EXPECT_EQ(midi(3)->midiData[1], 127);
  EXPECT_EQ(midi(3)->midiData[2], 127);

  for (int i = 0; i < 300; ++i) list.noteOn(i, 0, i % 128, 1);
  events = list.get();
  ASSERT_EQ(events->numEvents, 304);
  VstEvent** pointers = vstEventPointers(events);
  EXPECT_EQ(reinterpret_cast<VstMidiEvent*>(pointers[303])->deltaFrames, 299);
  list.clear();
  EXPECT_EQ(list.get()->numEvents, 0);
}

TEST(HostCallbackRecorder, RecordsCallsFromSeveralThreadsInOneLog) {
  PluginInstance instance;
  AEffect record{};
  record.dispatcher = [](AEffect*, int32_t, int32_t, VstIntPtr, void*, float) -> VstIntPtr { return 1; };
  instance.create([&record](audioMasterCallback) { return &record; });
  audioMasterCallback callback = HostCallbackRecorder::callback();
  instance.host().setAnswer(audioMasterGetTime, 77);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) EXPECT_EQ(callback(&record, audioMasterGetTime, t, i, nullptr, 0.0f), 77);
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(instance.host().count(audioMasterGetTime), 2000u);
  // Calls from a record nobody hosts are answered 0 and not recorded anywhere.
  AEffect stranger{};
  EXPECT_EQ(callback(&stranger, audioMasterGetTime, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(instance.host().size(), 2000u);
}
