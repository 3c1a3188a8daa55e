// Loading and switching on one thread while another plays (with pitch bend
// setting Speed on the audio thread); also run under the thread sanitizer.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

TEST(EngineThreads, LoadingAndSwitchingWhilePlaying)
{
    TempDir dir;
    writeFloatWav(dir.file("a.wav"), testSample(5000), 44100);
    writeFloatWav(dir.file("b.wav"), testSample(300), 22050);
    writeFloatWav(dir.file("c.wav"), {}, 44100);
    GranularEngine engine(nullptr);
    engine.setSampleRate(44100.0f);
    ASSERT_EQ(engine.loadSampleFile(dir.file("a.wav").c_str()), nullptr);

    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        for (int n = 0; !done.load(); ++n) {
            MidiEventList events;
            events.add(0, 0x90, 40 + n % 40, 100);
            events.add(7, 0x80, 40 + (n + 29) % 40, 0);
            if (n % 5 == 0)
                events.add(20, 0xE0, n % 128, (n * 3) % 128);
            if (n % 23 == 0)
                events.add(30, 0xB0, 123, 0);
            engine.processEvents(events.get());
            engine.process(nullptr, outputs, 64);
            blocks.fetch_add(1);
        }
    });
    const char* files[] = {"a.wav", "b.wav", "c.wav", "missing.wav"};
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (int round = 0; std::chrono::steady_clock::now() < until || blocks.load() < 50; ++round) {
        engine.loadSampleFile(dir.file(files[round % 4]).c_str());
        engine.setProgram(round % 4);
        engine.setParameter(round % 4, static_cast<float>(round % 10) / 9.0f);
        if (round % 5 == 0) {
            void* chunk = nullptr;
            const int32_t size = engine.getChunk(&chunk, false);
            std::vector<unsigned char> copy(static_cast<unsigned char*>(chunk), static_cast<unsigned char*>(chunk) + size);
            engine.setChunk(copy.data(), size, false);
        }
        if (round % 3 == 0)
            engine.fxIdle();
        char text[16];
        engine.getParameterDisplay(round % 4, text);
    }
    done.store(true);
    audio.join();
}
