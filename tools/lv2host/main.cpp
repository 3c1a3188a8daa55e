// parvolino-lv2host: a small LV2 host on lilv for the tests and the stages.
// It instantiates any LV2 instrument from a bundle, restores a state or a
// preset, sets its file parameter through a patch message and its worker,
// plays a score in blocks of the lengths given, writes the stereo output to
// a float WAV and saves the state, in that order. See --help.
#include "tools/lv2host/Lv2HostOptions.h"
#include "tools/lv2host/Lv2Instance.h"
#include "tools/render/BlockScheduler.h"
#include "tools/render/OutputFile.h"
#include "tools/render/ScoreReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kTailSeconds = 2.0;

int fail(const std::string& message)
{
    std::fprintf(stderr, "parvolino-lv2host: %s\n", message.c_str());
    return 1;
}

// Control input values given before the first block: --set by symbol, the
// score's 'param' lines by position.
bool applySettings(Lv2Instance& plugin, const Lv2HostOptions& options, const RenderPlan& plan, std::string& error)
{
    for (const auto& [symbol, value] : options.settings) {
        Lv2Port* port = plugin.controlInput(symbol);
        if (port == nullptr)
            return error = "the plug-in has no control input '" + symbol + "'", false;
        port->value = value;
    }
    for (const ParamSetting& param : plan.initialParams) {
        Lv2Port* port = plugin.controlInput(param.index);
        if (port == nullptr)
            return error = "the plug-in has no control input " + std::to_string(param.index), false;
        port->value = param.value;
    }
    return true;
}

// Plays the score through the plug-in, the run() lengths taken in turn.
bool render(Lv2Instance& plugin, const Lv2HostOptions& options, const RenderPlan& plan, int64_t length,
            OutputFile* out, uint64_t& blocks, std::string& error)
{
    BlockScheduler scheduler(plan.events, length, options.blocks.front());
    RenderBlock block;
    std::vector<float> silence(size_t(*std::max_element(options.blocks.begin(), options.blocks.end())), 0.0f);
    for (blocks = 0;; ++blocks) {
        scheduler.setBlockSize(options.blocks[blocks % options.blocks.size()]);
        if (!scheduler.next(block))
            return true;
        for (const ParamSetting& param : block.paramsBefore)
            if (Lv2Port* port = plugin.controlInput(param.index))
                port->value = param.value;
        plugin.run(uint32_t(block.frames), block.midi);
        if (out != nullptr && block.frames > 0) {
            const float* left = plugin.output(0);
            const float* right = plugin.output(1);
            if (!out->write(left ? left : silence.data(), right ? right : silence.data(), block.frames, error))
                return false;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Lv2HostOptions options;
    std::string error;
    if (!parseLv2HostOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "parvolino-lv2host: %s\n%s", error.c_str(), lv2HostUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(lv2HostUsage(), stdout);
        return 0;
    }

    RenderPlan plan;
    if (options.scorePath && !readScoreFile(*options.scorePath, plan, error))
        return fail(error);
    const uint32_t rate = plan.sampleRate.value_or(options.sampleRate);
    int64_t length = 0;
    if (options.lengthFrames)
        length = *options.lengthFrames;
    else if (plan.lengthFrames)
        length = *plan.lengthFrames;
    else if (options.scorePath)
        length = lastEventFrame(plan) + int64_t(std::llround(kTailSeconds * rate));
    const std::optional<std::string> sample = plan.samplePath ? plan.samplePath : options.samplePath;

    Lv2Instance plugin;
    const int32_t maxBlock = *std::max_element(options.blocks.begin(), options.blocks.end());
    if (!plugin.open(options.bundle, options.uri, rate, uint32_t(maxBlock), error))
        return fail(error);
    if (options.restoreState && !plugin.restoreState(*options.restoreState, error))
        return fail(error);
    if (options.preset && !plugin.applyPreset(*options.preset, error))
        return fail(error);
    if (!applySettings(plugin, options, plan, error))
        return fail(error);
    if (sample) {
        const std::string parameter = options.sampleParameter.value_or(plugin.pathParameter());
        if (parameter.empty())
            return fail("the plug-in has no single writable atom:Path parameter: name one with --sample-param");
        // A run of no frames carries the message; the worker's load is
        // answered before the first block plays.
        plugin.queuePathParameter(parameter, *sample);
        plugin.run(0, {});
    }

    OutputFile out;
    if (options.outputPath && !out.open(*options.outputPath, rate, OutputFormat::float32, error))
        return fail(error);
    uint64_t blocks = 0;
    if (!render(plugin, options, plan, length, options.outputPath ? &out : nullptr, blocks, error)) {
        out.discard();
        return fail(error);
    }
    if (options.outputPath && !out.close(error))
        return fail(error);
    if (options.saveState && !plugin.saveState(*options.saveState, error))
        return fail(error);

    if (options.printControls)
        for (const Lv2Port* port : plugin.controlInputs())
            std::printf("control %s %.6f\n", port->symbol.c_str(), double(port->value));
    std::printf("rendered %lld frames in %llu blocks at %u Hz, peak %.1f dBFS\n", static_cast<long long>(length),
                static_cast<unsigned long long>(blocks), rate, out.levels().peakDb());
    return 0;
}
