// What a sample the user loads costs the host: the longest the
// user-interface thread spends in a load call (asking, and taking up the
// finished load) for a 1 GB and a 10 MB file, the time until the new sample
// plays, and the audio thread's 32-frame blocks at 48 kHz (twelve voices at
// the densest setting, a stereo sample) with and without a large load
// running. The audio thread has a core of its own; the user-interface thread
// and the loader share the other, as in a host on a machine of two cores.
#include "engine/GranularEngine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A 16-bit stereo file of about `bytes`, in a folder removed at the end.
struct WaveFile {
    std::string folder;
    std::string path;

    WaveFile(const char* name, uint64_t bytes)
    {
        folder = (std::filesystem::temp_directory_path() / "parvolino-load-bench-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr)
            std::abort();
        path = folder + "/" + name;
        const uint32_t dataBytes = static_cast<uint32_t>(bytes / 4 * 4);
        const uint32_t header[] = {0x46464952u, 36 + dataBytes, 0x45564157u, 0x20746d66u, 16, 1u | (2u << 16),
                                   48000, 192000, 4u | (16u << 16), 0x61746164u, dataBytes};
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr)
            std::abort();
        std::fwrite(header, 1, sizeof header, f);
        std::vector<int16_t> piece(1 << 20);
        for (size_t i = 0; i < piece.size(); ++i)
            piece[i] = static_cast<int16_t>((i * 7919) & 0x3FFF);
        for (uint64_t left = dataBytes; left > 0;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(left, piece.size() * 2));
            std::fwrite(piece.data(), 1, n, f);
            left -= n;
        }
        std::fclose(f);
    }
    ~WaveFile()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

void pinTo(int core)
{
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(core, &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
#else
    (void)core;
#endif
}

int coreCount()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

// One 32-frame block, as a host that asks for replaced output.
void process32(GranularEngine& engine, float** outputs, const MidiMessage* events = nullptr, int32_t count = 0)
{
    std::fill(outputs[0], outputs[0] + 32, 0.0f);
    std::fill(outputs[1], outputs[1] + 32, 0.0f);
    engine.process(events, count, outputs[0], outputs[1], 32);
}

struct BlockTimes {
    double median = 0, slow = 0, slowest = 0; // microseconds; slow: the 99.9th percentile
};

// The instrument playing twelve dense notes on a stereo sample in 32-frame
// blocks at 48 kHz, on its own core, for `blocks` blocks; `during` runs on
// the calling thread meanwhile.
template <typename During>
BlockTimes playBlocks(GranularEngine& engine, int blocks, During during)
{
    std::vector<double> times(static_cast<size_t>(blocks));
    std::atomic<bool> done{false};
    std::thread audio([&] {
        pinTo(coreCount() - 1);
        std::vector<float> left(32), right(32);
        float* outputs[2] = {left.data(), right.data()};
        for (int b = 0; b < blocks; ++b) {
            const Clock::time_point start = Clock::now();
            process32(engine, outputs);
            times[static_cast<size_t>(b)] = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
            // As a host at 48 kHz: one block every 0.67 ms.
            std::this_thread::sleep_until(start + std::chrono::microseconds(667));
        }
        done = true;
    });
    during(done);
    audio.join();
    std::sort(times.begin(), times.end());
    BlockTimes result;
    result.median = times[times.size() / 2];
    result.slow = times[times.size() * 999 / 1000];
    result.slowest = times.back();
    return result;
}

void startTwelveNotes(GranularEngine& engine)
{
    MidiMessage notes[12];
    for (int n = 0; n < 12; ++n)
        notes[n] = MidiMessage{0, 0x90, static_cast<uint8_t>(48 + n * 2), 100};
    std::vector<float> left(32), right(32);
    float* outputs[2] = {left.data(), right.data()};
    process32(engine, outputs, notes, 12);
}

struct LoadFigures {
    double longestCall = 0; // ms, either call
    double untilPlaying = 0; // ms
};

// Asks for the file as the panel does and idles every 10 ms until the
// audio thread plays it (or until `until` says stop).
LoadFigures loadAsThePanelDoes(GranularEngine& engine, const std::string& path, uint32_t frames,
                               const std::atomic<bool>* stop = nullptr)
{
    LoadFigures figures;
    const char* paths[] = {path.c_str()};
    const Clock::time_point asked = Clock::now();
    engine.requestSampleLoad(paths, 1);
    figures.longestCall = msSince(asked);
    while (stop == nullptr || !stop->load()) {
        const Clock::time_point idle = Clock::now();
        const GranularEngine::LoadOutcome outcome = engine.finishSampleLoad();
        figures.longestCall = std::max(figures.longestCall, msSince(idle));
        if (outcome == GranularEngine::LoadOutcome::failed) {
            std::fprintf(stderr, "load failed: %s\n", engine.loadFailure());
            std::exit(1);
        }
        if (outcome == GranularEngine::LoadOutcome::loaded)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The next audio block takes it up.
    std::vector<float> left(32), right(32);
    float* outputs[2] = {left.data(), right.data()};
    while (engine.sampleLength() != static_cast<int32_t>(frames) && (stop == nullptr || !stop->load()))
        process32(engine, outputs);
    figures.untilPlaying = msSince(asked);
    return figures;
}

} // namespace

int main()
{
    // The process may come pinned to one core: the user-interface thread
    // and the loader take the first, the audio thread the last.
    pinTo(0);
    std::printf("writing the samples...\n");
    const WaveFile small("ten.wav", 10u << 20);
    const WaveFile large("one-gigabyte.wav", 1u << 30);
    const uint32_t smallFrames = (10u << 20) / 4, largeFrames = (1u << 30) / 4;

    GranularEngine engine;
    engine.setSampleRate(48000.0f);
    engine.setParameter(kDensity, 1.0f);
    if (engine.loadSampleFile(small.path.c_str()) != nullptr)
        return 1;
    startTwelveNotes(engine);

    const LoadFigures tenMb = loadAsThePanelDoes(engine, small.path, smallFrames);
    const LoadFigures oneGb = loadAsThePanelDoes(engine, large.path, largeFrames);
    // Back to the small one; the large one is freed on the loader's thread.
    loadAsThePanelDoes(engine, small.path, smallFrames);
    startTwelveNotes(engine);

    const int blocks = 12000; // 8 s of 32-frame blocks at 48 kHz
    const BlockTimes quiet = playBlocks(engine, blocks, [](std::atomic<bool>&) {});
    // Loads of the large file, one after the other, each abandoned once read
    // (and freed on the loader's thread), so the voices go on with the small
    // sample and only the loading differs.
    double longestDuring = 0;
    int loadsDuring = 0;
    const BlockTimes loading = playBlocks(engine, blocks, [&](std::atomic<bool>& done) {
        const char* paths[] = {large.path.c_str()};
        while (!done.load()) {
            Clock::time_point call = Clock::now();
            engine.requestSampleLoad(paths, 1);
            longestDuring = std::max(longestDuring, msSince(call));
            while (!done.load() && engine.sampleLoadProgress().active)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            call = Clock::now();
            engine.cancelSampleLoad();
            longestDuring = std::max(longestDuring, msSince(call));
            ++loadsDuring;
        }
    });

    std::printf("\nuser-interface thread, longest call   time until the new sample plays\n");
    std::printf("  10 MB file: %8.3f ms                %8.1f ms\n", tenMb.longestCall, tenMb.untilPlaying);
    std::printf("  1 GB file:  %8.3f ms                %8.1f ms\n", oneGb.longestCall, oneGb.untilPlaying);
    std::printf("  1 GB loads while playing (%d): %.3f ms\n", loadsDuring, longestDuring);
    std::printf("\naudio thread, 32-frame blocks at 48 kHz, 12 dense stereo voices (us)\n");
    std::printf("                      median   99.9 %%   slowest\n");
    std::printf("  no load          %8.2f %8.2f %9.2f\n", quiet.median, quiet.slow, quiet.slowest);
    std::printf("  1 GB loading     %8.2f %8.2f %9.2f\n", loading.median, loading.slow, loading.slowest);
    return 0;
}
