// Loading and switching on one thread while another plays (with pitch bend
// setting Speed on the audio thread), and the voices' snapshots on their way
// to the editor; also run under the thread sanitizer.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

TEST(EngineThreads, LoadingAndSwitchingWhilePlaying)
{
    TempDir dir;
    writeFloatWav(dir.file("a.wav"), testSample(5000), 44100);
    writeFloatWav(dir.file("b.wav"), testSample(300), 22050);
    writeFloatWav(dir.file("c.wav"), {}, 44100);
    GranularEngine engine;
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
            const std::vector<MidiMessage> messages = midiMessages(events);
            engine.process(messages.data(), static_cast<int32_t>(messages.size()), outputs[0], outputs[1], 64);
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
            const int32_t size = engine.getChunk(&chunk);
            std::vector<unsigned char> copy(static_cast<unsigned char*>(chunk), static_cast<unsigned char*>(chunk) + size);
            engine.setChunk(copy.data(), size);
        }
        if (round % 3 == 0)
            engine.idle();
        char text[16];
        engine.getParameterDisplay(round % 4, text);
    }
    done.store(true);
    audio.join();
}

// The voices' snapshots between the audio thread and the editor's: never
// seen half-written, always within the sample, and, once the threads are
// done, exactly what the voices hold.
TEST(EngineThreads, GrainSnapshotsReachTheEditorWhole)
{
    // The exchange alone, every field of a snapshot written with its number.
    {
        auto exchange = std::make_unique<GrainSnapshotExchange>();
        std::atomic<bool> done{false};
        std::thread writer([&] {
            for (uint32_t n = 1; !done.load(); ++n) {
                GrainSnapshot& s = exchange->writable();
                s.sampleSerial = n;
                s.sampleLength = static_cast<int32_t>(n);
                s.voiceCount = static_cast<int32_t>(n % 13);
                for (GrainSnapshot::Voice& v : s.voices) {
                    v.startPoint = static_cast<int32_t>(n);
                    for (GrainSnapshot::Grain& g : v.grains)
                        g = GrainSnapshot::Grain{static_cast<int32_t>(n), static_cast<int32_t>(n)};
                }
                exchange->publish();
            }
        });
        uint32_t last = 0;
        int taken = 0;
        for (const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
             std::chrono::steady_clock::now() < until || taken < 100;) {
            if (!exchange->take())
                continue;
            const GrainSnapshot& s = exchange->latest();
            ASSERT_GT(s.sampleSerial, last);
            last = s.sampleSerial;
            const int32_t n = static_cast<int32_t>(s.sampleSerial);
            ASSERT_EQ(s.sampleLength, n);
            ASSERT_EQ(s.voiceCount, n % 13);
            for (const GrainSnapshot::Voice& v : s.voices) {
                ASSERT_EQ(v.startPoint, n);
                for (const GrainSnapshot::Grain& g : v.grains)
                    ASSERT_TRUE(g.position == n && g.age == n);
            }
            ++taken;
        }
        done.store(true);
        writer.join();
    }

    // The engine playing on one thread while this one reads as the editor does.
    TempDir dir;
    writeFloatWav(dir.file("a.wav"), testSample(20000), 44100);
    GranularEngine engine;
    engine.setSampleRate(44100.0f);
    engine.setParameter(2, 1.0f);
    ASSERT_EQ(engine.loadSampleFile(dir.file("a.wav").c_str()), nullptr);
    const uint32_t serial = engine.sampleOverview()->serial;
    std::vector<float> left(64), right(64);
    float* outputs[2] = {left.data(), right.data()};
    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        for (int n = 0; !done.load(); ++n) {
            MidiEventList events;
            events.add(0, 0x90, 36 + n % 50, 100);
            if (n % 3 == 0)
                events.add(10, 0x80, 36 + (n + 40) % 50, 0);
            const std::vector<MidiMessage> messages = midiMessages(events);
            engine.process(messages.data(), static_cast<int32_t>(messages.size()), outputs[0], outputs[1], 64);
            blocks.fetch_add(1);
        }
    });
    int sounding = 0;
    while (blocks.load() < 2000) {
        if (!engine.takeGrainSnapshot())
            continue;
        const GrainSnapshot& s = engine.grainSnapshot();
        ASSERT_EQ(s.sampleSerial, serial);
        ASSERT_EQ(s.sampleLength, 20000);
        ASSERT_GE(s.voiceCount, 0);
        ASSERT_LE(s.voiceCount, GrainSnapshot::kMaxVoices);
        sounding += s.voiceCount > 0;
        for (int32_t v = 0; v < s.voiceCount; ++v) {
            const GrainSnapshot::Voice& voice = s.voices[v];
            ASSERT_GE(voice.grainCount, 0);
            ASSERT_LE(voice.grainCount, GrainSnapshot::kMaxGrains);
            ASSERT_GE(voice.startPoint, 0);
            ASSERT_LE(voice.startPoint, 20000);
            for (int32_t g = 0; g < voice.grainCount; ++g) {
                ASSERT_GE(voice.grains[g].position, 0);
                ASSERT_LT(voice.grains[g].position, 20000);
                ASSERT_GE(voice.grains[g].age, 0);
                ASSERT_LE(voice.grains[g].age, voice.grainLength);
            }
        }
    }
    done.store(true);
    audio.join();
    EXPECT_GT(sounding, 0);

    // The last block's snapshot is the voices as they are.
    engine.process(nullptr, 0, outputs[0], outputs[1], 64);
    ASSERT_TRUE(engine.takeGrainSnapshot());
    const GrainSnapshot& s = engine.grainSnapshot();
    int32_t shown = 0;
    for (int32_t i = 0; i < GranularEngine::kNumVoices + GranularEngine::kNumFades; ++i) {
        const GrainVoice& voice = i < GranularEngine::kNumVoices ? engine.voice(i) : engine.fade(i - GranularEngine::kNumVoices);
        if (voice.state() == GrainVoice::Idle)
            continue;
        ASSERT_LT(shown, s.voiceCount);
        const GrainSnapshot::Voice& copy = s.voices[shown++];
        EXPECT_EQ(copy.takingGrains, voice.state() == GrainVoice::Playing);
        EXPECT_EQ(copy.startPoint, static_cast<int32_t>(voice.nextStart()));
        EXPECT_EQ(copy.scatter, voice.randomRange());
        ASSERT_EQ(copy.grainCount, voice.liveGrains());
        for (int32_t g = 0; g < copy.grainCount; ++g) {
            EXPECT_EQ(copy.grains[g].position, voice.grain(g).position);
            EXPECT_EQ(copy.grains[g].age, voice.grain(g).age);
        }
    }
    EXPECT_EQ(shown, s.voiceCount);
    EXPECT_GT(shown, 0);

    // Silence is shown once, then nothing new comes while it lasts.
    MidiEventList off;
    off.add(0, 0xB0, 123, 0);
    const std::vector<MidiMessage> allOff = midiMessages(off);
    engine.process(allOff.data(), static_cast<int32_t>(allOff.size()), outputs[0], outputs[1], 64);
    for (int i = 0; i < 199; ++i)
        engine.process(nullptr, 0, outputs[0], outputs[1], 64);
    ASSERT_TRUE(engine.takeGrainSnapshot());
    EXPECT_EQ(engine.grainSnapshot().voiceCount, 0);
    engine.process(nullptr, 0, outputs[0], outputs[1], 64);
    EXPECT_FALSE(engine.takeGrainSnapshot());
}

namespace {

// A disk that takes its time: every read from a file waits first.
std::atomic<int> readDelayMs{0};
void slowDisk(void*)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(readDelayMs.load()));
}

// Takes up finished loads as the panel's idle does, until one ends.
GranularEngine::LoadOutcome waitForLoad(GranularEngine& engine)
{
    for (int i = 0; i < 2000; ++i) {
        const GranularEngine::LoadOutcome outcome = engine.finishSampleLoad();
        if (outcome != GranularEngine::LoadOutcome::none)
            return outcome;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return GranularEngine::LoadOutcome::none;
}

} // namespace

// User loads on the plug-in's own thread while the audio thread plays: the
// call returns at once, the old sample plays until the new one is taken up,
// a second load supersedes the first, a failure leaves the old sample, and
// closing the instance during a load neither waits long nor leaks.
TEST(EngineThreads, UserLoadsRunOnTheLoaderThreadWhileTheMusicGoesOn)
{
    TempDir dir;
    const std::string a = dir.file("a.wav"), big = dir.file("big.wav"), b = dir.file("b.wav");
    writeFloatWav(a, testSample(5000), 44100);
    writeFloatWav(big, testSample(400000), 44100);  // 1.6 MB: 7 slow reads
    writeFloatWav(b, testSample(700), 44100);
    auto engine = std::make_unique<GranularEngine>();
    engine->setSampleRate(44100.0f);
    engine->setLoadPacing(slowDisk, nullptr);
    ASSERT_EQ(engine->loadSampleFile(a.c_str()), nullptr);

    std::atomic<bool> done{false};
    std::atomic<int32_t> playedLength{0};
    std::thread audio([&] {
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        for (int n = 0; !done.load(); ++n) {
            MidiEventList events;
            events.add(0, 0x90, 40 + n % 40, 100);
            events.add(7, 0x80, 40 + (n + 29) % 40, 0);
            const std::vector<MidiMessage> messages = midiMessages(events);
            engine->process(messages.data(), static_cast<int32_t>(messages.size()), outputs[0], outputs[1], 64);
            playedLength.store(engine->sampleLength());
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });

    // Superseded: the large file is abandoned, never handed over.
    readDelayMs = 20;
    const char* first[] = {big.c_str()};
    ASSERT_TRUE(engine->requestSampleLoad(first, 1));
    EXPECT_EQ(engine->finishSampleLoad(), GranularEngine::LoadOutcome::none);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const LoadProgress progress = engine->sampleLoadProgress();
    EXPECT_TRUE(progress.active);
    EXPECT_EQ(progress.path, big);
    EXPECT_EQ(playedLength.load(), 5000);
    // A drop of several files: the first that loads.
    const std::string missing = dir.file("missing.wav");
    const char* second[] = {missing.c_str(), b.c_str()};
    ASSERT_TRUE(engine->requestSampleLoad(second, 2));
    EXPECT_EQ(waitForLoad(*engine), GranularEngine::LoadOutcome::loaded);
    char path[260];
    engine->getSamplePath(path);
    EXPECT_EQ(path, b);
    for (int i = 0; i < 500 && playedLength.load() != 700; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(playedLength.load(), 700);
    EXPECT_FALSE(engine->sampleLoadProgress().active);

    // A failure gives the reader's message and leaves the sample playing.
    const char* bad[] = {missing.c_str()};
    ASSERT_TRUE(engine->requestSampleLoad(bad, 1));
    EXPECT_EQ(waitForLoad(*engine), GranularEngine::LoadOutcome::failed);
    EXPECT_STREQ(engine->loadFailure(), "File not found");
    engine->getSamplePath(path);
    EXPECT_EQ(path, b);

    // Closed in the middle of a load, and of a read that does not come back
    // for a while (a stalled disk): the instance goes at once.
    readDelayMs = 400;
    ASSERT_TRUE(engine->requestSampleLoad(first, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    done.store(true);
    audio.join();
    const auto closing = std::chrono::steady_clock::now();
    engine.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::milliseconds(1000));
    // The loader's thread ends on its own; nothing of it may leak.
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
}
