#include "tests/conformance/ConformanceSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace conformance {

PluginModule& shippedModule() {
  static PluginModule module;
  if (!module.loaded()) {
    const bool loaded = module.load(PARVOLINO_MODULE_PATH);
    EXPECT_TRUE(loaded) << PARVOLINO_MODULE_PATH << ": " << module.error();
  }
  return module;
}

bool bringUp(PluginInstance& fx, float sampleRate, int32_t blockSize) {
  if (!fx.create(shippedModule())) return false;
  fx.open();
  fx.setSampleRate(sampleRate);
  fx.setBlockSize(blockSize);
  fx.resume();
  return true;
}

namespace {

std::string textAt(const std::vector<unsigned char>& chunk, size_t offset, size_t size) {
  const char* start = reinterpret_cast<const char*>(chunk.data() + offset);
  return std::string(start, strnlen(start, size));
}

void putText(std::vector<unsigned char>& chunk, size_t offset, size_t size, const std::string& text) {
  std::memset(chunk.data() + offset, 0, size);
  std::memcpy(chunk.data() + offset, text.data(), std::min(text.size(), size - 1));
}

}  // namespace

std::string chunkPath(const std::vector<unsigned char>& chunk, int32_t program) {
  return textAt(chunk, program * kProgramSize + kPathOffset, 260);
}

std::string chunkName(const std::vector<unsigned char>& chunk, int32_t program) {
  return textAt(chunk, program * kProgramSize + kNameOffset, 24);
}

float chunkValue(const std::vector<unsigned char>& chunk, int32_t program, int32_t index) {
  float value;
  std::memcpy(&value, chunk.data() + program * kProgramSize + kValuesOffset + 4 * index, 4);
  return value;
}

void setChunkPath(std::vector<unsigned char>& chunk, int32_t program, const std::string& path) {
  putText(chunk, program * kProgramSize + kPathOffset, 260, path);
}

void setChunkName(std::vector<unsigned char>& chunk, int32_t program, const std::string& name) {
  putText(chunk, program * kProgramSize + kNameOffset, 24, name);
}

void loadSampleThroughChunk(PluginInstance& fx, const std::string& path) {
  std::vector<unsigned char> chunk = fx.getChunk();
  ASSERT_GE(chunk.size(), size_t(kChunkSize));  // any samples kept follow the bank
  setChunkPath(chunk, fx.program(), path);
  ASSERT_EQ(fx.setChunk(chunk), kChunkSize);
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "parvolino-conformance.XXXXXX").string();
  if (mkdtemp(pattern.data())) path = pattern;
  EXPECT_FALSE(path.empty()) << "no scratch folder";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

namespace {

// Partials and seeded noise: every grain reads different material.
std::vector<float> sampleSignal(uint32_t rate, int32_t frames, uint32_t seed) {
  std::vector<float> signal(frames);
  uint32_t state = seed;
  for (int32_t i = 0; i < frames; ++i) {
    state = state * 1664525u + 1013904223u;
    const double t = double(i) / rate;
    const double noise = (double(state >> 8) / double(1u << 24)) - 0.5;
    signal[i] = float(0.5 * std::sin(2 * M_PI * 220.0 * t) + 0.2 * std::sin(2 * M_PI * 331.0 * t + seed) +
                      0.1 * noise);
  }
  return signal;
}

void writeWav(const std::string& path, uint16_t format, uint16_t bits, uint32_t rate, const void* data,
              uint32_t bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  const uint16_t channels = 1, align = bits / 8;
  const uint32_t byteRate = rate * align, fmtSize = 16, riffSize = 4 + 8 + fmtSize + 8 + bytes;
  auto put = [file](const void* p, size_t n) { std::fwrite(p, 1, n, file); };
  put("RIFF", 4), put(&riffSize, 4), put("WAVE", 4);
  put("fmt ", 4), put(&fmtSize, 4), put(&format, 2), put(&channels, 2), put(&rate, 4), put(&byteRate, 4);
  put(&align, 2), put(&bits, 2);
  put("data", 4), put(&bytes, 4), put(data, bytes);
  std::fclose(file);
}

}  // namespace

void writeSample16(const std::string& path, uint32_t rate, int32_t frames, uint32_t seed) {
  std::vector<float> signal = sampleSignal(rate, frames, seed);
  std::vector<int16_t> pcm(frames);
  for (int32_t i = 0; i < frames; ++i) pcm[i] = int16_t(std::lrint(signal[i] * 32767.0f));
  writeWav(path, 1, 16, rate, pcm.data(), uint32_t(frames * 2));
}

void writeSampleFloat(const std::string& path, uint32_t rate, int32_t frames, uint32_t seed) {
  std::vector<float> signal = sampleSignal(rate, frames, seed);
  writeWav(path, 3, 32, rate, signal.data(), uint32_t(frames * 4));
}

void writeFloatFile(const std::string& path, uint32_t rate, const std::vector<float>& samples) {
  writeWav(path, 3, 32, rate, samples.data(), uint32_t(samples.size() * 4));
}

void OutputReport::add(const float* samples, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const float v = samples[i];
    switch (std::fpclassify(v)) {
      case FP_NAN: ++nans; break;
      case FP_INFINITE: ++infinities; break;
      case FP_SUBNORMAL: ++denormals; break;
      case FP_ZERO: break;
      default: ++nonZero; peak = std::max(peak, std::fabs(v)); break;
    }
  }
}

void OutputReport::add(const OutputReport& other) {
  nans += other.nans;
  infinities += other.infinities;
  denormals += other.denormals;
  nonZero += other.nonZero;
  peak = std::max(peak, other.peak);
}

OutputReport inspect(PluginInstance& fx, int32_t frames) {
  OutputReport report;
  for (int32_t c = 0; c < fx.effect()->numOutputs; ++c) report.add(fx.output(c), frames);
  return report;
}

}  // namespace conformance

namespace conformance {

std::vector<ScoreEvent> busyScore(int64_t frames) {
  std::vector<ScoreEvent> score;
  const int64_t step = std::max<int64_t>(frames / 40, 1);
  // Fourteen notes a few frames apart on four channels: two voices are stolen.
  for (int n = 0; n < 14; ++n)
    score.push_back({n * 3, static_cast<unsigned char>(0x90 | (n % 4)), static_cast<unsigned char>(36 + 5 * n), 100});
  score.push_back({step * 4, 0x80, 36, 0});        // release the oldest
  score.push_back({step * 5, 0x91, 41, 0});        // velocity 0 releases too
  score.push_back({step * 6, 0xE0, 0, 0});         // bend to the bottom: Speed 0
  score.push_back({step * 8, 0xE0, 127, 127});     // and the top: Speed 1
  score.push_back({step * 10, 0xE0, 0, 64});       // the centre
  score.push_back({step * 12, 0xB0, 123, 0});      // all notes off
  score.push_back({step * 12, 0x90, 127, 127});    // the highest note right after
  score.push_back({step * 13, 0x90, 0, 1});        // and the lowest
  for (int n = 0; n < 6; ++n)                      // a later chord, half of it released
    score.push_back({step * 20 + n, 0x90, static_cast<unsigned char>(60 + n), 90});
  for (int n = 0; n < 3; ++n) score.push_back({step * 30, 0x80, static_cast<unsigned char>(60 + n), 0});
  return score;
}

Render playBlocks(PluginInstance& fx, const std::vector<ScoreEvent>& score, int64_t frames,
                  const std::vector<int32_t>& blockSizes, ProcessCall call) {
  Render render;
  render.left.reserve(frames);
  render.right.reserve(frames);
  MidiEventList events;
  size_t next = 0;
  int64_t start = 0;
  for (size_t b = 0; b < blockSizes.size(); ++b) {
    const int32_t size = blockSizes[b];
    events.clear();
    while (next < score.size() && score[next].frame < start + size) {
      const ScoreEvent& e = score[next++];
      events.add(int32_t(std::max<int64_t>(e.frame - start, 0)), e.status, e.data1, e.data2);
    }
    if (events.size() > 0) fx.processEvents(events);
    const bool replacing =
        call == ProcessCall::replacingOnGarbage || (call == ProcessCall::alternating && b % 2 == 1);
    if (replacing) {
      AudioBuffers& out = fx.outputBuffers();
      if (out.channels() != fx.effect()->numOutputs || out.frames() < size) out.resize(fx.effect()->numOutputs, size);
      out.fill(std::nanf(""));
      fx.runProcessReplacing(size);
    } else {
      fx.runProcess(size);
    }
    const float* left = fx.output(0);
    const float* right = fx.output(1);
    render.report.add(left, size);
    render.report.add(right, size);
    render.channelsEqual = render.channelsEqual && std::memcmp(left, right, size * sizeof(float)) == 0;
    render.left.insert(render.left.end(), left, left + size);
    render.right.insert(render.right.end(), right, right + size);
    start += size;
  }
  return render;
}

}  // namespace conformance
