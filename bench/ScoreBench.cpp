// The engine playing a heavy score (see HeavyScore.h) with a stereo sample,
// as a host drives it: events, voices, stolen notes fading, the pedal and
// volume ramps all in.
//
// wholeRender: 30 s at 48 kHz in 256-frame blocks through each kernel, timed
// against the plain yardstick (PlainGranular) playing the same score right
// after it; `ratio` is how many times faster the engine is, the median of the
// iterations' ratios (each pair of renders ran in the same conditions). The
// two renders must give the same bits, else it fails.
//
// blockTimes: the same score in 32-frame blocks, each block timed; the
// distribution's median, 99th and 99.9th percentile and the worst block, and
// `p999/p50`, the slowest 0.1 % against the median. Each block is also
// timed over five renders and its fastest time kept (`min5` figures): what
// the machine's other work adds to single blocks drops out, what the engine
// does in them stays.
#include "bench/BenchClock.h"
#include "bench/BenchSample.h"
#include "bench/HeavyScore.h"
#include "bench/PlainGranular.h"
#include "engine/GranularEngine.h"
#include "sample/WaveReader.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
constexpr int32_t kScoreFrames = 30 * 48000;

const StereoBenchSample& stereoSample()
{
    static const StereoBenchSample sample;
    return sample;
}

using Clock = BenchClock;

// An engine ready to play the score: sample loaded and taken up, parameters set.
std::unique_ptr<GranularEngine> scoreEngine(GrainRenderer::Kernel kernel)
{
    auto engine = std::make_unique<GranularEngine>();
    engine->renderer().setKernel(kernel);
    if (engine->renderer().kernel() != kernel)
        return nullptr;
    engine->setSampleRate(kRate);
    if (engine->loadSampleFile(stereoSample().path()) != nullptr)
        return nullptr;
    for (const ScoreParameter& p : kHeavyScoreParameters)
        engine->setParameter(p.index, p.value);
    float silence[2] = {};
    engine->process(nullptr, 0, silence, silence + 1, 0);
    return engine;
}

// Plays the score through the engine in blocks of `block` frames; with
// `times`, each block's seconds go there.
void playEngine(GranularEngine& engine, const std::vector<ScoreEvent>& score, int32_t block, float* left,
                float* right, std::vector<double>* times)
{
    threadScatterGenerator() = ScatterGenerator{}; // the scatter sequence from its start
    BenchEvents events;
    size_t next = 0;
    for (int32_t start = 0; start < kScoreFrames; start += block) {
        const int32_t frames = std::min(block, kScoreFrames - start);
        events.clear();
        while (next < score.size() && score[next].frame < start + frames) {
            const ScoreEvent& e = score[next++];
            events.add(e.frame - start, e.status, e.data1, e.data2);
        }
        const Clock::time_point begin = Clock::now();
        // As a host that asks for replaced output.
        std::fill(left + start, left + start + frames, 0.0f);
        std::fill(right + start, right + start + frames, 0.0f);
        engine.process(events.data(), events.count(), left + start, right + start, frames);
        if (times != nullptr)
            times->push_back(secondsSince(begin));
    }
}

void wholeRender(benchmark::State& state)
{
    const auto kernel = static_cast<GrainRenderer::Kernel>(state.range(0));
    const std::vector<ScoreEvent> score = heavyScore(kRate, kScoreFrames);
    SampleStore sample;
    if (loadWaveFile(stereoSample().path(), sample, kWaveFoldToStereo) != kWaveOk) {
        state.SkipWithError("cannot write the stereo sample");
        return;
    }
    std::vector<float> left(kScoreFrames), right(kScoreFrames), plainLeft(kScoreFrames), plainRight(kScoreFrames);
    std::vector<double> engineTimes, plainTimes;
    for (auto _ : state) {
        std::unique_ptr<GranularEngine> engine = scoreEngine(kernel);
        if (engine == nullptr) {
            state.SkipWithError("this CPU lacks the kernel, or the sample did not load");
            break;
        }
        PlainSettings settings{kRate,
                               static_cast<float>(sample.sampleRate),
                               engine->grainLength(),
                               engine->voice(0).windowStep(),
                               engine->grainSpacing(),
                               engine->randomRange(),
                               engine->voice(0).speed(),
                               static_cast<int32_t>(kRate * GranularEngine::kFadeSeconds),
                               static_cast<int32_t>(kRate * GranularEngine::kLevelRampSeconds),
                               {}};
        for (int32_t note = 0; note < 128; ++note)
            settings.noteRatio[note] = engine->noteRatio(note);
        auto plain = std::make_unique<PlainGranular>(sample.leftChannel, sample.rightChannel,
                                                     static_cast<int32_t>(sample.frameCount), settings);

        Clock::time_point begin = Clock::now();
        playEngine(*engine, score, 256, left.data(), right.data(), nullptr);
        engineTimes.push_back(secondsSince(begin));
        begin = Clock::now();
        plain->render(score, plainLeft.data(), plainRight.data(), kScoreFrames);
        plainTimes.push_back(secondsSince(begin));
        state.SetIterationTime(engineTimes.back());

        if (std::memcmp(left.data(), plainLeft.data(), left.size() * sizeof(float)) != 0 ||
            std::memcmp(right.data(), plainRight.data(), right.size() * sizeof(float)) != 0) {
            state.SkipWithError("the yardstick and the engine played differently");
            break;
        }
    }
    releaseSampleStore(sample);
    if (engineTimes.empty())
        return;
    state.counters["engine_ms"] = 1000.0 * median(engineTimes);
    state.counters["plain_ms"] = 1000.0 * median(plainTimes);
    std::vector<double> ratios;
    for (size_t i = 0; i < engineTimes.size(); ++i)
        ratios.push_back(plainTimes[i] / engineTimes[i]);
    state.counters["ratio"] = median(ratios);
}

void blockTimes(benchmark::State& state)
{
    const auto kernel = static_cast<GrainRenderer::Kernel>(state.range(0));
    constexpr int32_t kBlock = 32;
    constexpr int32_t kRenders = 5;
    const std::vector<ScoreEvent> score = heavyScore(kRate, kScoreFrames);
    std::vector<float> left(kScoreFrames), right(kScoreFrames);
    std::vector<double> all, fastest;
    for (auto _ : state) {
        all.clear();
        fastest.clear();
        for (int32_t r = 0; r < kRenders; ++r) {
            std::unique_ptr<GranularEngine> engine = scoreEngine(kernel);
            if (engine == nullptr) {
                state.SkipWithError("this CPU lacks the kernel, or the sample did not load");
                return;
            }
            std::vector<double> times;
            times.reserve(kScoreFrames / kBlock + 1);
            playEngine(*engine, score, kBlock, left.data(), right.data(), &times);
            all.insert(all.end(), times.begin(), times.end());
            if (fastest.empty())
                fastest = times;
            for (size_t b = 0; b < times.size(); ++b)
                fastest[b] = std::min(fastest[b], times[b]);
        }
    }
    if (all.empty())
        return;
    auto percentile = [](std::vector<double> v, double p) {
        std::sort(v.begin(), v.end());
        return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
    };
    const double p50 = percentile(all, 0.5);
    const double p999 = percentile(all, 0.999);
    state.counters["p50_us"] = 1e6 * p50;
    state.counters["p99_us"] = 1e6 * percentile(all, 0.99);
    state.counters["p999_us"] = 1e6 * p999;
    state.counters["max_us"] = 1e6 * percentile(all, 1.0);
    state.counters["p999/p50"] = p999 / p50;
    const double minP50 = percentile(fastest, 0.5);
    const double minP999 = percentile(fastest, 0.999);
    state.counters["min5_p50_us"] = 1e6 * minP50;
    state.counters["min5_p999_us"] = 1e6 * minP999;
    state.counters["min5_max_us"] = 1e6 * percentile(fastest, 1.0);
    state.counters["min5_p999/p50"] = minP999 / minP50;
}

} // namespace

BENCHMARK(wholeRender)
    ->ArgName("kernel")
    ->Arg(1)
    ->Arg(2)
    ->Iterations(7)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(blockTimes)->ArgName("kernel")->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
