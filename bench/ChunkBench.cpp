// Cost of saving and restoring a project that keeps a 16 MB sample: getChunk
// (the bytes held since the sample loaded, copied after the bank: no file is
// read) and setChunk with the file still there (compared, the sample made
// from the project's copy) and with it gone (played from the project's
// copy). Both run on the host's user-interface thread.
#include "engine/GranularEngine.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kDataBytes = 16000000 - 44;

// A 16-bit mono file of 16 MB, written once per run and removed at its end.
struct BigSample {
    std::string folder;
    std::string file;

    BigSample()
    {
        folder = (std::filesystem::temp_directory_path() / "parvolino-bench-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr)
            std::abort();
        file = folder + "/sixteen.wav";
        const uint32_t header[] = {0x46464952u, 36 + kDataBytes, 0x45564157u, 0x20746d66u, 16, 1u | (1u << 16),
                                   44100, 88200, 2u | (16u << 16), 0x61746164u, kDataBytes};
        std::vector<int16_t> data(kDataBytes / 2);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<int16_t>((i * 7919) & 0x3FFF);
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (f == nullptr)
            std::abort();
        std::fwrite(header, 1, sizeof header, f);
        std::fwrite(data.data(), 2, data.size(), f);
        std::fclose(f);
    }
    ~BigSample()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

const std::string& bigSample()
{
    static const BigSample sample;
    return sample.file;
}

std::vector<unsigned char> savedChunk(GranularEngine& engine)
{
    void* data = nullptr;
    const int32_t size = engine.getChunk(&data);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

void saveChunk(benchmark::State& state)
{
    GranularEngine engine;
    engine.setSampleRate(44100.0f);
    if (engine.loadSampleFile(bigSample().c_str()) != nullptr) {
        state.SkipWithError("cannot load the sample");
        return;
    }
    int32_t size = 0;
    for (auto _ : state) {
        void* data = nullptr;
        size = engine.getChunk(&data);
        benchmark::DoNotOptimize(data);
    }
    state.counters["chunk_MB"] = size / 1e6;
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
}

void restoreChunk(benchmark::State& state)
{
    const bool fileGone = state.range(0) != 0;
    GranularEngine saver;
    saver.setSampleRate(44100.0f);
    if (saver.loadSampleFile(bigSample().c_str()) != nullptr) {
        state.SkipWithError("cannot load the sample");
        return;
    }
    const std::vector<unsigned char> chunk = savedChunk(saver);
    const std::string moved = bigSample() + ".away";
    if (fileGone)
        std::filesystem::rename(bigSample(), moved);
    GranularEngine engine;
    engine.setSampleRate(44100.0f);
    for (auto _ : state) {
        std::vector<unsigned char> copy = chunk; // the host's buffer
        engine.setChunk(copy.data(), static_cast<int32_t>(copy.size()));
        engine.idle();
    }
    if (engine.sampleOrigin() != (fileGone ? GranularEngine::SampleOrigin::project : GranularEngine::SampleOrigin::file))
        state.SkipWithError("the sample did not come from where expected");
    if (fileGone)
        std::filesystem::rename(moved, bigSample());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(chunk.size()));
}

} // namespace

BENCHMARK(saveChunk)->Unit(benchmark::kMillisecond);
BENCHMARK(restoreChunk)->Arg(0)->Arg(1)->ArgNames({"file_gone"})->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
