// Cost of the grain engine per output frame and per live grain, for 1, 4 and
// 12 held notes, at the default settings and at the densest one (Density 1.0,
// Length 1.0: the longest grains with the most overlap), for each render
// kernel: 0 the per-sample path, 1 SSE2, 2 AVX2 (skipped where the CPU lacks
// it); and for twelve notes at the densest setting, a stereo sample too.
#include "engine/GranularEngine.h"
#include "sample/WaveReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t kBlock = 512;

// The default sample as a stereo float file: the right channel is the left
// a few frames on, upside down. Written once, removed at exit.
class StereoSample {
public:
    StereoSample()
        : path_((std::filesystem::temp_directory_path() / ("parvolino-bench-" + std::to_string(getpid()) + ".wav"))
                    .string())
    {
        SampleStore mono;
        if (loadWaveFile(PARVOLINO_BENCH_SAMPLE, mono, kWaveMixToMono) != kWaveOk)
            return;
        const uint32_t frames = mono.frameCount;
        std::vector<float> data(2 * static_cast<size_t>(frames));
        for (uint32_t i = 0; i < frames; ++i) {
            data[2 * i] = mono.leftChannel[i];
            data[2 * i + 1] = -mono.leftChannel[(i + 7) % frames];
        }
        releaseSampleStore(mono);
        const uint32_t bytes = frames * 8;
        const uint32_t header[] = {0x46464952u, 36 + bytes, 0x45564157u, 0x20746d66u, 16, 3u | (2u << 16), 44100,
                                   44100 * 8, 8u | (32u << 16), 0x61746164u, bytes};
        if (std::FILE* f = std::fopen(path_.c_str(), "wb")) {
            std::fwrite(header, 1, sizeof header, f); // little-endian, like the file
            std::fwrite(data.data(), 4, data.size(), f);
            std::fclose(f);
        }
    }
    ~StereoSample() { std::remove(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

void renderEngine(benchmark::State& state)
{
    const int32_t voices = static_cast<int32_t>(state.range(0));
    const bool densest = state.range(1) != 0;
    const auto kernel = static_cast<GrainRenderer::Kernel>(state.range(2));
    const bool stereo = state.range(3) != 0;
    static const StereoSample stereoSample;

    GranularEngine engine;
    engine.renderer().setKernel(kernel);
    if (engine.renderer().kernel() != kernel) {
        state.SkipWithError("this CPU lacks the kernel");
        return;
    }
    engine.setSampleRate(44100.0f);
    if (engine.loadSampleFile(stereo ? stereoSample.path() : PARVOLINO_BENCH_SAMPLE) != nullptr) {
        state.SkipWithError("cannot load the default sample");
        return;
    }
    if (densest) {
        engine.setParameter(1, 1.0f);
        engine.setParameter(2, 1.0f);
    }
    std::vector<MidiMessage> notes;
    for (int32_t v = 0; v < voices; ++v)
        notes.push_back({0, 0x90, static_cast<uint8_t>(48 + 3 * v), 100});
    std::vector<float> left(kBlock), right(kBlock);
    engine.process(notes.data(), static_cast<int32_t>(notes.size()), left.data(), right.data(), kBlock);
    // Settle past the seeded start, so the grain count is the steady one.
    for (int i = 0; i < 40; ++i)
        engine.process(nullptr, 0, left.data(), right.data(), kBlock);

    int64_t grainFrames = 0;
    for (auto _ : state) {
        engine.process(nullptr, 0, left.data(), right.data(), kBlock);
        benchmark::DoNotOptimize(left.data());
        int32_t live = 0;
        for (int32_t v = 0; v < GranularEngine::kNumVoices; ++v)
            live += engine.voice(v).liveGrains();
        grainFrames += static_cast<int64_t>(live) * kBlock;
    }
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    state.counters["ns/frame"] = benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["ns/grain"] = benchmark::Counter(static_cast<double>(grainFrames),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["grains"] = static_cast<double>(grainFrames) / frames;
    state.counters["xRealtime"] = benchmark::Counter(frames / 44100.0, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(renderEngine)
    ->ArgNames({"voices", "densest", "kernel", "stereo"})
    ->ArgsProduct({{1, 4, 12}, {0, 1}, {0, 1, 2}, {0}})
    ->ArgsProduct({{12}, {1}, {0, 1, 2}, {1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
