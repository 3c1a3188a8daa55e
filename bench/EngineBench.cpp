// Cost of the grain engine per output frame and per live grain, for 1, 4 and
// 12 held notes, at the default settings and at the densest one (Density 1.0,
// Length 1.0: the longest grains with the most overlap), for each render
// kernel: 0 the per-sample path, 1 SSE2, 2 AVX2 (skipped where the CPU lacks
// it); and at the densest setting, a stereo sample too.
#include "bench/BenchSample.h"
#include "engine/GranularEngine.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int32_t kBlock = 512;

void renderEngine(benchmark::State& state)
{
    const int32_t voices = static_cast<int32_t>(state.range(0));
    const bool densest = state.range(1) != 0;
    const auto kernel = static_cast<GrainRenderer::Kernel>(state.range(2));
    const bool stereo = state.range(3) != 0;
    static const StereoBenchSample stereoSample;

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
    ->ArgsProduct({{1, 4, 12}, {1}, {0, 1, 2}, {1}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
