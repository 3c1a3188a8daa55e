// What the instrument costs per block in each plug-in format: the heavy
// score (see HeavyScore.h: twelve dense stereo voices, a steal every 50 ms,
// the pedal, volume and expression) played through the LV2 DSP
// (parvolino.lv2/parvolino_dsp.so, through lilv as a host drives it) and
// through the VST 2 module (parvolino.so, through the test host library),
// block by block in turn, 256 frames at 48 kHz. Only the plug-in's own calls
// are timed: run() for LV2, processEvents and processReplacing for VST 2.
// The two must give the same bits.
//
// lv2_us and vst2_us: microseconds per block over the whole score (the
// iterations' median); lv2/vst2: the median of the iterations' ratios.
#include "bench/BenchClock.h"
#include "bench/BenchSample.h"
#include "bench/HeavyScore.h"
#include "lv2/Uris.h"
#include "tools/hostlib/PluginHost.h"
#include "tools/lv2host/Lv2Instance.h"
#include "tools/render/ProgramBank.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
constexpr int32_t kBlock = 256;
constexpr int32_t kScoreFrames = 20 * 48000;

using Clock = BenchClock;

// The VST 2 module with the score's sample and parameters, as a host that
// restored a project holding them.
bool prepareVst2(PluginModule& module, PluginInstance& instance, const char* sample)
{
    if (!module.load(PARVOLINO_VST2_MODULE) || instance.create(module) == nullptr)
        return false;
    instance.setSampleRate(kRate);
    instance.setBlockSize(kBlock);
    ProgramBank bank = defaultBank();
    if (!setSamplePath(bank, 0, sample) || instance.setChunk(bank) == 0)
        return false;
    for (const ScoreParameter& p : kHeavyScoreParameters)
        instance.setParameter(p.index, p.value);
    instance.resume();
    return true;
}

// The LV2 DSP with the same: its control ports set, the sample set through
// its file parameter and loaded by its worker before the first block.
bool prepareLv2(Lv2Instance& instance, const char* sample)
{
    std::string error;
    if (!instance.open(PARVOLINO_LV2_BUNDLE, parvolino::lv2uris::kPlugin, kRate, kBlock, error))
        return false;
    for (const ScoreParameter& p : kHeavyScoreParameters)
        if (Lv2Port* port = instance.controlInput(p.index))
            port->value = p.value;
    instance.queuePathParameter(parvolino::lv2uris::kSample, sample);
    instance.run(0, {});
    return true;
}

void blockCost(benchmark::State& state)
{
    const StereoBenchSample sample;
    const std::vector<ScoreEvent> score = heavyScore(kRate, kScoreFrames);
    const int32_t blocks = kScoreFrames / kBlock;
    std::vector<double> lv2Seconds, vst2Seconds, ratios;
    for (auto _ : state) {
        // Fresh modules each time: each keeps its own scatter sequence,
        // which starts afresh with the module.
        auto module = std::make_unique<PluginModule>();
        auto vst2 = std::make_unique<PluginInstance>();
        auto lv2 = std::make_unique<Lv2Instance>();
        if (!prepareVst2(*module, *vst2, sample.path()) || !prepareLv2(*lv2, sample.path())) {
            state.SkipWithError("a plug-in did not load: build parvolino_module and parvolino_lv2 first");
            return;
        }
        double lv2Time = 0.0;
        double vst2Time = 0.0;
        bool same = true;
        size_t next = 0;
        MidiEventList events;
        std::vector<BlockMidi> midi;
        for (int32_t b = 0; b < blocks; ++b) {
            const int32_t start = b * kBlock;
            events.clear();
            midi.clear();
            while (next < score.size() && score[next].frame < start + kBlock) {
                const ScoreEvent& e = score[next++];
                events.add(e.frame - start, uint8_t(e.status), uint8_t(e.data1), uint8_t(e.data2));
                midi.push_back({e.frame - start, {uint8_t(e.status), uint8_t(e.data1), uint8_t(e.data2)}});
            }
            lv2->writeInputs(midi);
            // Which goes first alternates, so neither always finds the
            // caches the other left.
            for (int32_t turn = 0; turn < 2; ++turn) {
                if ((b + turn) % 2 == 0) {
                    const Clock::time_point begin = Clock::now();
                    vst2->processEvents(events);
                    vst2->runProcessReplacing(kBlock);
                    vst2Time += secondsSince(begin);
                } else {
                    const Clock::time_point begin = Clock::now();
                    lv2->runPlugin(kBlock);
                    lv2Time += secondsSince(begin);
                }
            }
            lv2->finishBlock();
            for (int channel = 0; channel < 2; ++channel)
                same = same && std::memcmp(lv2->output(channel), vst2->output(channel), kBlock * sizeof(float)) == 0;
        }
        if (!same) {
            state.SkipWithError("the LV2 DSP and the VST 2 module played differently");
            return;
        }
        lv2Seconds.push_back(lv2Time);
        vst2Seconds.push_back(vst2Time);
        ratios.push_back(lv2Time / vst2Time);
        state.SetIterationTime(lv2Time);
        vst2.reset();  // the instance goes before its module
    }
    state.counters["lv2_us"] = median(lv2Seconds) * 1e6 / blocks;
    state.counters["vst2_us"] = median(vst2Seconds) * 1e6 / blocks;
    state.counters["lv2/vst2"] = median(ratios);
}

}  // namespace

BENCHMARK(blockCost)->UseManualTime()->Iterations(7)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
