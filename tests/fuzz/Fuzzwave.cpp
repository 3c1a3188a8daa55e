// The WAV reader on any bytes: the file is written as given and read as a
// mono sample (as the plug-in reads it) and as mono or stereo.
#include "sample/WaveReader.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                    "/parvolino-fuzz-wave-" + std::to_string(getpid()) + ".wav";
    static const struct Remover {
        ~Remover() { std::remove(path.c_str()); }
    } remover;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
    for (int32_t channels : {1, 0}) {
        SampleStore store;
        if (loadWaveFile(path.c_str(), store, channels) == kWaveOk) {
            // Every frame and the closing zero are there to be read.
            volatile float sum = 0.0f;
            for (uint32_t i = 0; i <= store.frameCount; ++i)
                sum = sum + store.leftChannel[i] + (store.rightChannel ? store.rightChannel[i] : 0.0f);
            releaseSampleStore(store);
        }
    }
    return 0;
}
