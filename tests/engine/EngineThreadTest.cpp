// Loading and switching on one thread while another plays: run under the
// thread sanitizer. The audio side must never see a half-made or freed sample.
#include "EngineTestSupport.h"

#include "engine/SampleHandOver.h"
#include "sample/SampleMemory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

LoadedSample* makeSample(uint32_t frames, float value)
{
    SampleStore store;
    store.leftChannel = allocateChannel(frames + 1);
    for (uint32_t i = 0; i < frames; ++i)
        store.leftChannel[i] = value;
    store.leftChannel[frames] = 0.0f;
    store.channelCount = 1;
    store.frameCount = frames;
    store.sampleRate = 44100;
    return new LoadedSample(store);
}

} // namespace

TEST(SampleHandOverThreads, AudioSideOnlySeesCompleteSamples)
{
    SampleHandOver handOver;
    std::atomic<bool> done{false};
    std::atomic<int> adopted{0};
    std::thread audio([&] {
        while (!done.load()) {
            handOver.adopt();
            const LoadedSample* current = handOver.current();
            if (current == nullptr)
                continue;
            // Every frame of a sample holds the same value, set before publishing.
            const SampleStore& s = current->store;
            const float first = s.leftChannel[0];
            for (uint32_t i = 0; i < s.frameCount; ++i)
                ASSERT_EQ(s.leftChannel[i], first);
            ASSERT_EQ(s.leftChannel[s.frameCount], 0.0f);
            adopted.fetch_add(1);
        }
    });
    // Keep publishing until the audio side has switched many times.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0; i < 3000 || (adopted.load() < 100 && std::chrono::steady_clock::now() < limit); ++i) {
        handOver.publish(makeSample(64 + i % 100, static_cast<float>(i)));
        if (i % 7 == 0)
            handOver.collectRetired();
    }
    done.store(true);
    audio.join();
    EXPECT_GT(adopted.load(), 0);
    // The destructor frees the current, the waiting and the retired samples;
    // the leak checker tells.
}

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
        int note = 0;
        while (!done.load()) {
            EventList list;
            list.add(0, 0x90, 40 + note % 40, 100);
            list.add(7, 0x80, 40 + (note + 29) % 40, 0);
            if (note % 5 == 0)
                list.add(20, 0xE0, note % 128, (note * 3) % 128);
            if (note % 23 == 0)
                list.add(30, 0xB0, 123, 0);
            ++note;
            engine.processEvents(list.events());
            Outputs out(64);
            engine.process(nullptr, out.pointers(), 64);
            for (int i = 0; i < 64; ++i)
                ASSERT_TRUE(std::isfinite(out.left()[i]));
            blocks.fetch_add(1);
        }
    });

    const char* files[] = {"a.wav", "b.wav", "c.wav", "missing.wav"};
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int round = 0;
    while (std::chrono::steady_clock::now() < until || blocks.load() < 50) {
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
        ++round;
    }
    done.store(true);
    audio.join();
    EXPECT_GT(blocks.load(), 0);
    EXPECT_GT(round, 0);
}
