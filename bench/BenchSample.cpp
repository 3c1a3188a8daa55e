#include "bench/BenchSample.h"

#include "sample/WaveReader.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

StereoBenchSample::StereoBenchSample()
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

StereoBenchSample::~StereoBenchSample()
{
    std::remove(path_.c_str());
}

bool BenchEvents::add(int32_t frame, int32_t status, int32_t data1, int32_t data2)
{
    if (count_ >= kMaxEvents)
        return false;
    events_[count_++] = MidiMessage{frame, static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
                                    static_cast<uint8_t>(data2)};
    return true;
}
