#pragma once
// The LV2 tests' tools: parvolino-lv2host on the bundle's plug-in and
// parvolino-render on the VST 2 module, run as a user runs them, and what
// they write read back.

#include <string>
#include <vector>

// Runs the LV2 test host on the bundle's plug-in with args, or the renderer
// on the VST 2 module; returns the exit code and fills output with what it
// printed (both streams).
int runLv2Host(const std::string& args, std::string& output);
int runVst2Render(const std::string& args, std::string& output);

// A float WAV's frames, interleaved; empty when it cannot be read.
std::vector<float> readWavFrames(const std::string& path, int* channels = nullptr, int* rate = nullptr);
// A stereo 16-bit WAV of a few sines, as a user's sample.
void writeStereoSample(const std::string& path, int frames, int rate);

// A folder of its own under the temporary folder, removed afterwards.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
