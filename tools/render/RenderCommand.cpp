#include "tools/render/RenderCommand.h"

#include "engine/ChunkExtension.h"
#include "sample/WaveReader.h"
#include "tools/render/BlockScheduler.h"
#include "tools/render/DemoPhrase.h"
#include "tools/render/MidiFileReader.h"
#include "tools/render/OutputFile.h"
#include "tools/render/PluginRenderer.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/ScoreReader.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

int failWith(const std::string& message)
{
    std::fprintf(stderr, "parvolino-render: %s\n", message.c_str());
    return 1;
}

bool readBank(const std::string& path, ProgramBank& bank, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the program bank";
        return false;
    }
    bank.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (bank.size() < kBankBytes) {
        error = path + ": a program bank has at least " + std::to_string(kBankBytes) + " bytes, this file has " +
                std::to_string(bank.size());
        return false;
    }
    return true;
}

bool writeBank(const std::string& path, const ProgramBank& bank, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bank.data()), std::streamsize(bank.size()));
    if (!out) {
        error = path + ": cannot write the program bank";
        return false;
    }
    return true;
}

// Reads the sample with the plug-in's own reader, so that a file the
// plug-in would refuse is reported with the plug-in's own message.
bool checkSample(const std::string& path, std::string& error)
{
    SampleStore store;
    WaveRefusal refusal;
    WaveResult result = loadWaveFile(path.c_str(), store, kWaveMixToMono, &refusal);
    releaseSampleStore(store);
    if (result == kWaveOk)
        return true;
    error = path + ": " + (refusal.text[0] != 0 ? refusal.text : "cannot be read");
    return false;
}

// True when the chunk the plug-in would save keeps the sample at path and
// the file there is not that very copy: the plug-in plays it from the project.
bool playsFromProject(const ProgramBank& saved, const std::string& path)
{
    if (saved.size() < kBankBytes)
        return false;
    ChunkExtension extension;
    readChunkExtension(saved.data() + kBankBytes, saved.size() - kBankBytes, extension);
    for (const KeptFile& file : extension.files) {
        if (file.path == path && file.bytes != nullptr)
            return !waveFileHolds(path.c_str(), *file.bytes);
    }
    return false;
}

// What the plug-in made of program 0's stored sample, asked of the chunk it
// would save now: that names where the sample was found, and keeps the
// sample itself when it played from the project. Reported when found
// elsewhere or played from the project; refused when found nowhere, unless
// silence is wanted.
bool reportBankSample(PluginRenderer& renderer, const std::string& stored, bool allowSilence, std::string& error)
{
    const ProgramBank saved = renderer.currentBank();
    const std::string playing = samplePath(saved, 0);
    if (playsFromProject(saved, playing)) {
        std::printf("program 0's sample %s plays from the project: its file is missing or has changed\n",
                    stored.c_str());
        return true;
    }
    std::string unreadable;
    if (!checkSample(playing, unreadable)) {
        if (allowSilence)
            return true;
        error = "program 0's sample " + stored + " was found nowhere by the plug-in (" + unreadable +
                "): the render would be silent (give --allow-silence to render it anyway)";
        return false;
    }
    if (playing != stored)
        std::printf("program 0's sample %s has moved: the plug-in found it at %s\n", stored.c_str(), playing.c_str());
    return true;
}

std::string formatDb(double db)
{
    if (std::isinf(db))
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", db);
    return text;
}

bool buildPlan(const RenderOptions& options, RenderPlan& plan, std::string& error)
{
    if (options.scorePath)
        return readScoreFile(*options.scorePath, plan, error);
    if (options.midiPath)
        return readMidiFile(*options.midiPath, options.sampleRate, plan, error);
    plan = demoPhrase(options.sampleRate);
    return true;
}

}  // namespace

int runRenderCommand(int argc, const char* const* argv, const RenderPaths& paths)
{
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "parvolino-render: %s\n%s", error.c_str(), renderUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(renderUsage(), stdout);
        return 0;
    }

    RenderPlan plan;
    if (!buildPlan(options, plan, error))
        return failWith(error);
    // A score's rate line sets the host rate; a MIDI file is placed at the
    // rate of the command line.
    const uint32_t rate = plan.sampleRate.value_or(options.sampleRate);

    RenderJob job;
    job.pluginPath = options.pluginPath.value_or(paths.defaultPlugin);
    if (options.classic) {
        if (paths.classicInstrument == nullptr)
            return failWith("this build cannot play the classic way (it has no instrument built in)");
        job.entry = paths.classicInstrument;
    }
    job.sampleRate = rate;
    job.blockSize = options.blockSize;
    job.bank = defaultBank();
    if (options.chunkPath && !readBank(*options.chunkPath, job.bank, error))
        return failWith(error);

    // The sample: the score's, the command line's, the restored bank's own,
    // or the bundled one, in that order. The bank's own is left to the
    // plug-in to find, as a host leaves it: a moved sample is looked for.
    const bool sampleFromBank = options.chunkPath && !plan.samplePath && !options.samplePath;
    std::string sample;
    if (plan.samplePath)
        sample = *plan.samplePath;
    else if (options.samplePath)
        sample = *options.samplePath;
    else if (sampleFromBank)
        sample = samplePath(job.bank, 0);
    else
        sample = paths.defaultSample;
    if (sample.empty() && !options.allowSilence)
        return failWith(std::string(sampleFromBank ? "program 0 of the bank names no sample" : "no sample given") +
                        ": the render would be silent (give --allow-silence to render it anyway)");
    if (!sample.empty() && !sampleFromBank) {
        std::error_code ignored;
        std::filesystem::path absolute = std::filesystem::absolute(sample, ignored);
        if (!absolute.empty())
            sample = absolute.lexically_normal().string();
        if (!checkSample(sample, error))
            return failWith(error);
        if (!setSamplePath(job.bank, 0, sample))
            return failWith(sample + ": the path is longer than a program holds (259 bytes)");
    }

    job.params = plan.initialParams;
    job.params.insert(job.params.end(), options.params.begin(), options.params.end());
    job.events = plan.events;
    job.lengthFrames = plan.lengthFrames.value_or(
        lastEventFrame(plan) + int64_t(std::llround(options.tailSeconds * double(rate))));

    const double seconds = double(job.lengthFrames) / double(rate);
    if (seconds > options.maxLengthSeconds) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "the render would be %.1f s long, more than the %.0f s allowed (the last event is at %.1f s); "
                      "give --max-length SECONDS to allow it",
                      seconds, options.maxLengthSeconds, double(lastEventFrame(plan)) / double(rate));
        return failWith(text);
    }

    PluginRenderer renderer;
    if (!renderer.setUp(job))
        return failWith(renderer.error());
    if (sampleFromBank && !sample.empty() && !reportBankSample(renderer, sample, options.allowSilence, error))
        return failWith(error);
    if (options.saveChunkPath && !writeBank(*options.saveChunkPath, renderer.currentBank(), error))
        return failWith(error);
    if (options.panelPath) {
        if (paths.writePanel == nullptr)
            return failWith("this build cannot draw the panel");
        if (!paths.writePanel(job, *options.panelPath, error))
            return failWith(error);
    }

    OutputFile output;
    if (!output.open(options.outputPath, rate, options.format, error))
        return failWith(error);
    ProgressBar progress(job.lengthFrames, standardErrorIsTerminal());
    bool rendered = renderer.render(
        [&](const float* left, const float* right, int32_t frames) { return output.write(left, right, frames, error); },
        [&](int64_t done) { progress.update(done); });
    progress.finish();
    if (!rendered) {
        output.discard();
        return failWith(error.empty() ? renderer.error() : error);
    }
    if (!output.close(error))
        return failWith(error);
    if (renderer.overfullBlocks() > 0)
        std::fprintf(stderr, "parvolino-render: warning: more than %zu MIDI events at one frame; the plug-in "
                     "keeps the first %zu of each list\n", kMaxEventsPerBlock, kMaxEventsPerBlock);

    const LevelStats& levels = output.levels();
    std::printf("%.2f s (%lld frames at %u Hz), peak %s, RMS %s -> %s\n", double(job.lengthFrames) / rate,
                static_cast<long long>(job.lengthFrames), rate, formatDb(levels.peakDb()).c_str(),
                formatDb(levels.rmsDb()).c_str(), options.outputPath.c_str());
    if (options.panelPath)
        std::printf("panel -> %s\n", options.panelPath->c_str());
    return 0;
}
