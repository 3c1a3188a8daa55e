#pragma once
// Shared by the engine tests: sample files made on the spot, and the effect
// created in this process behind the test host's instance.

#include "engine/GranularEngine.h"
#include "tools/hostlib/PluginHost.h"
#include "vst2/GranularPlugin.h"

#include <string>
#include <vector>

// A folder under the system's temporary folder, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A 32-bit float WAV file of interleaved frames.
void writeFloatWav(const std::string& path, const std::vector<float>& frames, uint32_t rate, int channels = 1);
// A mono sample that differs at every frame.
std::vector<float> testSample(int frames);

// Creates the VST 2 plug-in in this process behind the test host's
// instance, and answers the instrument inside it.
GranularEngine& createEngine(PluginInstance& fx);

// The block's events as the instrument takes them.
std::vector<MidiMessage> midiMessages(const MidiEventList& events);
