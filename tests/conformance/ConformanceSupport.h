// Shared by the battery: the shipped module loaded once, instances set up the
// way hosts set them up, sample files made on the spot, the chunk's layout,
// and checks of what comes out of process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostlib/PluginHost.h"

namespace conformance {

// The module the build ships (build/parvolino.so), loaded once per process.
PluginModule& shippedModule();

// Creates an instance through the exported entry point and brings it up as a
// host does: open, sample rate, block size, switched on.
bool bringUp(PluginInstance& fx, float sampleRate, int32_t blockSize);

// The program chunk: four programs of 24-byte name, 260-byte path, 4 floats.
constexpr int32_t kPrograms = 4;
constexpr int32_t kProgramSize = 300;
constexpr int32_t kNameOffset = 0;
constexpr int32_t kPathOffset = 24;
constexpr int32_t kValuesOffset = 284;
constexpr int32_t kChunkSize = kPrograms * kProgramSize;

std::string chunkPath(const std::vector<unsigned char>& chunk, int32_t program);
std::string chunkName(const std::vector<unsigned char>& chunk, int32_t program);
float chunkValue(const std::vector<unsigned char>& chunk, int32_t program, int32_t index);
void setChunkPath(std::vector<unsigned char>& chunk, int32_t program, const std::string& path);
void setChunkName(std::vector<unsigned char>& chunk, int32_t program, const std::string& name);

// Gives the current program a sample the way a host restoring a project
// does: the path goes into the chunk, the chunk goes back through effSetChunk.
void loadSampleThroughChunk(PluginInstance& fx, const std::string& path);

// A folder under the system's temporary folder, removed with its files.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string file(const std::string& name) const { return path + "/" + name; }

 private:
  std::string path;
};

// Mono sample files: 16-bit PCM or 32-bit float, a mix of partials and noise
// (seeded, so every run writes the same file) that never repeats exactly.
void writeSample16(const std::string& path, uint32_t rate, int32_t frames, uint32_t seed);
void writeSampleFloat(const std::string& path, uint32_t rate, int32_t frames, uint32_t seed);
// A 32-bit float file with exactly these samples.
void writeFloatFile(const std::string& path, uint32_t rate, const std::vector<float>& samples);

// What process wrote into a set of output buffers.
struct OutputReport {
  int64_t nans = 0;
  int64_t infinities = 0;
  int64_t denormals = 0;
  int64_t nonZero = 0;
  float peak = 0.0f;
  bool clean() const { return nans == 0 && infinities == 0 && denormals == 0; }
  void add(const float* samples, int32_t count);
  void add(const OutputReport& other);
};

// The outputs of one process call, both channels.
OutputReport inspect(PluginInstance& fx, int32_t frames);

}  // namespace conformance

namespace conformance {

// A MIDI event at an absolute frame of a render.
struct ScoreEvent {
  int64_t frame;
  unsigned char status, data1, data2;
};

// The busy score every battery render plays over `frames` frames: a chord
// that outgrows the twelve voices (stealing), notes on several channels,
// releases, all-notes-off, pitch bends across the wheel, and new notes after.
std::vector<ScoreEvent> busyScore(int64_t frames);

// How each block is processed.
enum class ProcessCall {
  accumulating,        // process on zeroed outputs
  replacingOnGarbage,  // processReplacing on outputs full of NaN: every frame must be written
  alternating,         // one then the other, block by block
};

struct Render {
  std::vector<float> left, right;
  OutputReport report;
  bool channelsEqual = true;
};

// Plays the score in blocks whose sizes come from nextBlock (called once per
// block), sending each event with its offset inside its block.
template <typename NextBlock>
Render play(PluginInstance& fx, const std::vector<ScoreEvent>& score, int64_t frames, NextBlock nextBlock,
            ProcessCall call = ProcessCall::accumulating);

Render playBlocks(PluginInstance& fx, const std::vector<ScoreEvent>& score, int64_t frames,
                  const std::vector<int32_t>& blockSizes, ProcessCall call);

template <typename NextBlock>
Render play(PluginInstance& fx, const std::vector<ScoreEvent>& score, int64_t frames, NextBlock nextBlock,
            ProcessCall call) {
  std::vector<int32_t> sizes;
  for (int64_t done = 0; done < frames;) {
    const int32_t size = int32_t(std::min<int64_t>(nextBlock(), frames - done));
    sizes.push_back(size);
    done += size;
  }
  return playBlocks(fx, score, frames, sizes, call);
}

}  // namespace conformance
