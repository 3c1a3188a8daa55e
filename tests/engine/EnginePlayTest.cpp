// Playing: notes, voices, events at their frames, pitch bend.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// An engine at 44100 Hz, blocks of 64 frames (the exact size of the output
// buffers, so a write outside a block shows under the address sanitizer).
class EnginePlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = &createEngine(fx);
        fx.setSampleRate(44100.0f);
        fx.setBlockSize(64);
        writeFloatWav(dir.file("s.wav"), testSample(60000), 44100);
    }
    void load(const std::string& name)
    {
        ASSERT_EQ(engine->loadSampleFile(dir.file(name).c_str()), nullptr);
        fx.runProcess(1);
    }
    // One event, then one frame.
    void send(int status, int data1, int data2)
    {
        MidiEventList events;
        events.add(0, status, data1, data2);
        fx.processEvents(events);
        fx.runProcess(1);
    }
    void renderFrames(int frames)
    {
        for (; frames > 0; frames -= 64)
            fx.runProcess(std::min(frames, 64));
    }

    TempDir dir;
    PluginInstance fx;
    GranularEngine* engine = nullptr;
};

} // namespace

TEST_F(EnginePlay, NoSampleLeavesOutputsAndDropsEvents)
{
    MidiEventList events;
    events.noteOn(0, 0, 60, 100);
    events.pitchBend(3, 0, 0);
    fx.processEvents(events);
    fx.runProcess(64);
    fx.outputBuffers().fill(0.25f);
    fx.effect()->process(fx.effect(), nullptr, fx.outputBuffers().pointers(), 64);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(fx.output(1)[i], 0.25f);
    EXPECT_EQ(engine->allocator().activeCount(), 0);
    EXPECT_EQ(fx.getParameter(0), 0.5f);
}

TEST_F(EnginePlay, OutputIsTenthOfTheVoicesAddedToBothChannels)
{
    load("s.wav");
    fx.outputBuffers().fill(0.5f);
    fx.effect()->process(fx.effect(), nullptr, fx.outputBuffers().pointers(), 64);
    EXPECT_EQ(fx.output(0)[63], 0.5f); // no note: exact zeros added

    // A voice fed the same way as voice 0, with the same scatter sequence.
    std::vector<float> data = testSample(60000);
    data.push_back(0.0f);
    GrainVoice reference;
    reference.setSample(data.data(), 60000);
    reference.noteOn(1.0f);
    ScatterGenerator scatter = threadScatterGenerator();
    send(0x90, 60, 100);
    EXPECT_EQ(fx.output(0)[0], reference.nextSample(scatter) * 0.1f);
    for (int block = 0; block < 40; ++block) {
        fx.outputBuffers().fill(0.5f);
        fx.effect()->process(fx.effect(), nullptr, fx.outputBuffers().pointers(), 64);
        for (int i = 0; i < 64; ++i) {
            const float expected = 0.5f + reference.nextSample(scatter) * 0.1f;
            ASSERT_EQ(fx.output(0)[i], expected);
            ASSERT_EQ(fx.output(1)[i], expected);
        }
    }
}

TEST_F(EnginePlay, EventsActAtTheirFrameAndNeverOutsideTheBlock)
{
    load("s.wav");
    MidiEventList events;
    events.noteOn(40, 0, 60, 100);
    events.noteOn(40, 0, 64, 100);
    events.noteOff(50, 0, 60);
    fx.processEvents(events);
    fx.runProcess(64);
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(fx.output(0)[i], 0.0f);
    EXPECT_NE(fx.output(0)[40], 0.0f);
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Releasing);
    EXPECT_EQ(engine->voice(0).grain(0).age, engine->voice(1).grain(0).age);

    // Behind the block or the frame reached: at once; past the end: after
    // the last frame.
    MidiEventList odd;
    odd.add(-50, 0x90, 70, 100);
    odd.add(30, 0x90, 71, 100);
    odd.add(10, 0x90, 72, 100);
    odd.add(5000, 0x90, 73, 100);
    fx.processEvents(odd);
    fx.runProcess(64);
    EXPECT_EQ(engine->voice(3).grain(0).age, engine->voice(4).grain(0).age);
    EXPECT_EQ(engine->voice(5).grain(0).age, 2050);
    // A block of no frames still handles its events.
    MidiEventList allOff;
    allOff.controller(0, 0, 123, 0);
    fx.processEvents(allOff);
    fx.effect()->process(fx.effect(), nullptr, fx.outputBuffers().pointers(), 0);
    EXPECT_EQ(engine->voice(5).state(), GrainVoice::Releasing);
}

TEST_F(EnginePlay, PitchFollowsTheNoteAndTheFileRate)
{
    load("s.wav");
    send(0x90, 60, 100);
    send(0x90, 72, 100);
    send(0x90, 48, 100);
    EXPECT_EQ(engine->voice(0).noteRate(), 1.0f);
    EXPECT_EQ(engine->voice(1).noteRate(), 2.0f);
    EXPECT_EQ(engine->voice(2).noteRate(), 0.5f);
    const int p0 = engine->voice(0).grain(1).position, p1 = engine->voice(1).grain(1).position;
    renderFrames(10);
    EXPECT_EQ(engine->voice(0).grain(1).position - p0, 10);
    EXPECT_EQ(engine->voice(1).grain(1).position - p1, 20);
    writeFloatWav(dir.file("low.wav"), testSample(1000), 22050);
    load("low.wav");
    send(0x90, 60, 100);
    EXPECT_EQ(engine->voice(0).noteRate(), 0.5f);
}

TEST_F(EnginePlay, VoicesReleaseStealAndFree)
{
    load("s.wav");
    for (int i = 0; i < 12; ++i)
        send(0x90 + i, 50 + i, 100); // the channel plays no part
    send(0x90, 80, 100); // none released: the first note's voice
    EXPECT_EQ(engine->allocator().noteOf(0), 80);
    send(0x85, 55, 0);   // note-off on another channel
    send(0x9F, 53, 0);   // note-on with velocity 0
    EXPECT_EQ(engine->voice(5).state(), GrainVoice::Releasing);
    EXPECT_EQ(engine->voice(3).state(), GrainVoice::Releasing);
    send(0x90, 81, 100); // the voice released earliest
    EXPECT_EQ(engine->allocator().noteOf(5), 81);
    send(0x80, 50, 0);   // holds no voice any more
    EXPECT_EQ(engine->allocator().releasedCount(), 1);

    // The released voice runs out and is freed in the frame it turns idle;
    // then a new note takes the lowest free voice.
    int frames = 0;
    while (engine->voice(3).state() != GrainVoice::Idle) {
        ASSERT_TRUE(engine->allocator().inUse(3));
        fx.runProcess(1);
        ASSERT_LT(++frames, 4200);
    }
    EXPECT_FALSE(engine->allocator().inUse(3));
    send(0x90, 90, 100);
    EXPECT_EQ(engine->allocator().noteOf(3), 90);

    send(0xB0, 7, 100); // another controller: nothing
    EXPECT_EQ(engine->allocator().releasedCount(), 0);
    send(0xB3, 123, 0);
    EXPECT_EQ(engine->allocator().releasedCount(), 12);
    renderFrames(8200);
    EXPECT_EQ(engine->allocator().activeCount(), 0);
}

TEST_F(EnginePlay, PitchBendDrivesSpeedAndIsAutomated)
{
    load("s.wav");
    struct Bend { int lsb, msb; float value; };
    for (Bend bend : {Bend{0, 64, 0.5f}, Bend{127, 127, 1.0f}, Bend{0, 0, 0.0f}, Bend{0x80, 0xC0, 0.5f}}) {
        fx.host().clear();
        send(0xE2, bend.lsb, bend.msb);
        EXPECT_EQ(fx.getParameter(0), bend.value);
        EXPECT_EQ(engine->program(0).values[0], bend.value);
        EXPECT_EQ(engine->voice(7).speed(), bend.value * 2.0f);
        const std::vector<HostCall> calls = fx.host().callsOf(audioMasterAutomate);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].index, 0);
        EXPECT_EQ(calls[0].opt, bend.value);
    }
}

TEST_F(EnginePlay, EventListsAndSampleChanges)
{
    load("s.wav");
    // Of 150 events the first 100 count: the note-ons after them do not.
    MidiEventList many;
    for (int i = 0; i < 100; ++i)
        many.add(0, 0xB0, 1, i);
    for (int i = 0; i < 50; ++i)
        many.add(0, 0x90, 60, 100);
    fx.processEvents(many);
    fx.runProcess(8);
    EXPECT_EQ(engine->allocator().activeCount(), 0);
    // Other event types are skipped and do not count.
    MidiEventList mixed;
    for (int i = 0; i < 120; ++i)
        mixed.add(0, 0x90, 60, 100);
    for (int i = 0; i < 120; ++i)
        mixed[i].type = 6;
    mixed.add(2, 0x90, 61, 100);
    fx.processEvents(mixed);
    fx.runProcess(8);
    EXPECT_EQ(engine->allocator().activeCount(), 1);
    fx.runProcess(8); // pending events are used once
    EXPECT_EQ(engine->allocator().activeCount(), 1);

    // A new sample silences every voice and frees its slot at the next block.
    ASSERT_EQ(engine->loadSampleFile(dir.file("s.wav").c_str()), nullptr);
    fx.runProcess(64);
    EXPECT_EQ(engine->allocator().activeCount(), 0);
    EXPECT_EQ(fx.output(0)[10], 0.0f);
    // A sample of no frames loads and stays silent.
    writeFloatWav(dir.file("empty.wav"), {}, 44100);
    load("empty.wav");
    send(0x90, 60, 100);
    renderFrames(500);
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Idle);
    EXPECT_EQ(fx.output(0)[20], 0.0f);
}

namespace {

// Frequency from the rising zero crossings of the left output, in Hz.
double measuredFrequency(const std::vector<float>& out, double rate)
{
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] <= 0.0f && out[i + 1] > 0.0f) {
            last = double(i) + double(-out[i]) / double(out[i + 1] - out[i]);
            if (crossings++ == 0)
                first = last;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) / ((last - first) / rate);
}

} // namespace

// A 44.1 kHz sine played in a host that switches to 48 kHz after the sample
// loaded (through the combined block size and rate call), as a host restoring
// a project does. With no scatter and the start point travelling exactly as
// fast as the grains read, the grains line up into one steady sine.
TEST_F(EnginePlay, NoteSixtyKeepsTheRecordedPitchAtAnyHostRate)
{
    std::vector<float> sine(88200);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = float(std::sin(2.0 * 3.14159265358979323846 * 441.0 * double(i) / 44100.0));
    writeFloatWav(dir.file("sine.wav"), sine, 44100);
    load("sine.wav");
    fx.setParameter(3, 0.0f);
    // A grain starts every spacing + 2 output samples while the start point
    // moves on by spacing × speed.
    const int spacing = engine->grainSpacing();
    fx.setParameter(0, float(spacing + 2) / float(spacing) * 0.5f);
    fx.dispatch(effSetBlockSizeAndSampleRate, 0, 64, nullptr, 48000.0f);
    EXPECT_FLOAT_EQ(engine->samplesPerMs(), 48.0f);
    EXPECT_EQ(engine->getSampleRate(), 48000.0f);
    send(0x90, 60, 100);
    std::vector<float> out;
    for (int b = 0; b < 48000 / 64; ++b) {
        fx.runProcess(64);
        if (b >= 150)
            out.insert(out.end(), fx.output(0), fx.output(0) + 64);
    }
    const double cents = 1200.0 * std::log2(measuredFrequency(out, 48000.0) / 441.0);
    EXPECT_NEAR(cents, 0.0, 0.1) << cents;
}
