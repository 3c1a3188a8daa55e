// Playing: notes, voices, events at their frames, pitch bend.
#include "EngineTestSupport.h"

#include "engine/GrainWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

// An engine at 44100 Hz with a 44100 Hz sample of `frames` frames loaded.
class EnginePlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = std::make_unique<GranularEngine>(recordingHost);
        engine->setSampleRate(44100.0f);
        writeFloatWav(dir.file("s.wav"), testSample(60000), 44100);
        ASSERT_EQ(engine->loadSampleFile(dir.file("s.wav").c_str()), nullptr);
        render(*engine, 1);
        recordedCalls().clear();
    }

    // Sends the events and renders `frames` frames.
    std::vector<float> play(EventList& list, int32_t frames)
    {
        engine->processEvents(list.events());
        return render(*engine, frames);
    }

    void send(int status, int data1, int data2)
    {
        EventList list;
        list.add(0, status, data1, data2);
        play(list, 1);
    }

    TempDir dir;
    std::unique_ptr<GranularEngine> engine;
};

} // namespace

TEST(EngineNoSample, OutputsUntouchedAndEventsDropped)
{
    GranularEngine engine(recordingHost);
    EventList list;
    list.add(0, 0x90, 60, 100);
    list.add(3, 0xE0, 0, 0);
    engine.processEvents(list.events());
    Outputs out(64, 0.25f);
    engine.process(nullptr, out.pointers(), 64);
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(out.left()[i], 0.25f);
        ASSERT_EQ(out.right()[i], 0.25f);
    }
    EXPECT_EQ(engine.allocator().activeCount(), 0);
    EXPECT_EQ(engine.getParameter(0), 0.5f); // the bend was not handled
}

TEST_F(EnginePlay, SilentWithoutNotesAndAccumulatingWithThem)
{
    Outputs out(256, 0.5f);
    engine->process(nullptr, out.pointers(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(out.left()[i], 0.5f);

    // One note at the default settings: both channels carry 0.1 times the
    // voice, added to what was there. A voice fed the same way shows it.
    ScatterGenerator scatter = threadScatterGenerator();
    std::vector<float> data = testSample(60000);
    data.push_back(0.0f);
    GrainVoice reference;
    reference.setSample(data.data(), 60000);
    reference.noteOn(1.0f);

    EventList list;
    list.add(0, 0x90, 60, 100);
    engine->processEvents(list.events());
    Outputs played(3000, 0.5f);
    engine->process(nullptr, played.pointers(), 3000);
    ASSERT_EQ(engine->voice(0).state(), GrainVoice::Playing);
    for (int i = 0; i < 3000; ++i) {
        const float expected = 0.5f + reference.nextSample(scatter) * 0.1f;
        ASSERT_EQ(played.left()[i], expected) << i;
        ASSERT_EQ(played.right()[i], expected) << i;
    }
    EXPECT_TRUE(played.guardsIntact());
}

TEST_F(EnginePlay, EventsTakeEffectAtTheirFrame)
{
    EventList list;
    list.add(100, 0x90, 60, 100);
    list.add(100, 0x90, 64, 100);
    list.add(200, 0x80, 60, 0);
    const std::vector<float> out = play(list, 256);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(out[i], 0.0f) << i;
    EXPECT_NE(out[100], 0.0f);
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Releasing);
    EXPECT_EQ(engine->voice(1).state(), GrainVoice::Playing);
    // Both notes at frame 100 started together: their grains are equally old.
    EXPECT_EQ(engine->voice(0).grain(0).age, engine->voice(1).grain(0).age);
}

TEST_F(EnginePlay, OffsetsOutsideTheBlockNeverWriteOutsideIt)
{
    EventList list;
    list.add(-50, 0x90, 60, 100);   // behind: acts at once
    list.add(40, 0x90, 62, 100);
    list.add(10, 0x90, 64, 100);    // behind the frame reached: acts at 40
    list.add(5000, 0x90, 67, 100);  // past the end: acts after the last frame
    engine->processEvents(list.events());
    Outputs out(64);
    engine->process(nullptr, out.pointers(), 64);
    EXPECT_TRUE(out.guardsIntact());
    EXPECT_NE(out.left()[0], 0.0f);
    EXPECT_EQ(engine->allocator().activeCount(), 4);
    EXPECT_EQ(engine->voice(1).grain(0).age, engine->voice(2).grain(0).age);
    EXPECT_EQ(engine->voice(3).grain(0).age, 2050);

    // A block of no frames still handles its events and writes nothing.
    EventList late;
    late.add(0, 0xB0, 123, 0);
    engine->processEvents(late.events());
    Outputs none(0);
    engine->process(nullptr, none.pointers(), 0);
    EXPECT_TRUE(none.guardsIntact());
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Releasing);
}

TEST_F(EnginePlay, PitchFollowsTheNoteAndTheFileRate)
{
    send(0x90, 60, 100);
    send(0x90, 72, 100);
    send(0x90, 48, 100);
    EXPECT_EQ(engine->voice(0).noteRate(), 1.0f);
    EXPECT_EQ(engine->voice(1).noteRate(), 2.0f);
    EXPECT_EQ(engine->voice(2).noteRate(), 0.5f);
    // An octave up reads twice as far per sample.
    const int p0 = engine->voice(0).grain(1).position;
    const int p1 = engine->voice(1).grain(1).position;
    render(*engine, 10);
    EXPECT_EQ(engine->voice(0).grain(1).position - p0, 10);
    EXPECT_EQ(engine->voice(1).grain(1).position - p1, 20);

    // A sample recorded at half the host's rate plays an octave lower.
    writeFloatWav(dir.file("low.wav"), testSample(1000), 22050);
    ASSERT_EQ(engine->loadSampleFile(dir.file("low.wav").c_str()), nullptr);
    send(0x90, 60, 100);
    EXPECT_EQ(engine->voice(0).noteRate(), 0.5f);
}

TEST_F(EnginePlay, ReleaseToIdleFreesTheSlotInThatFrame)
{
    send(0x90, 60, 100);
    send(0x90, 62, 100);
    send(0x80, 60, 64);
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Releasing);
    EXPECT_TRUE(engine->allocator().inUse(0));
    int frames = 0;
    while (engine->voice(0).state() != GrainVoice::Idle && frames < 10000) {
        ASSERT_TRUE(engine->allocator().inUse(0));
        render(*engine, 1);
        ++frames;
    }
    EXPECT_LT(frames, 4102);
    EXPECT_FALSE(engine->allocator().inUse(0));
    EXPECT_TRUE(engine->allocator().inUse(1));
    // The next note takes the lowest free voice.
    send(0x90, 70, 100);
    EXPECT_EQ(engine->allocator().noteOf(0), 70);
}

TEST_F(EnginePlay, StealingVelocityZeroAndChannels)
{
    for (int i = 0; i < 12; ++i)
        send(0x90 + (i % 16), 50 + i, 100); // channels do not matter
    EXPECT_EQ(engine->allocator().activeCount(), 12);
    // None released: the thirteenth note takes the first note's voice.
    send(0x90, 80, 100);
    EXPECT_EQ(engine->allocator().noteOf(0), 80);
    EXPECT_EQ(engine->voice(0).grain(0).age, 2050 + 1); // seeded anew, one frame played

    // Note-off on another channel, and note-on with velocity 0, release.
    send(0x85, 55, 0);
    send(0x9F, 53, 0);
    EXPECT_EQ(engine->voice(5).state(), GrainVoice::Releasing);
    EXPECT_EQ(engine->voice(3).state(), GrainVoice::Releasing);
    // The voice released earliest is taken next.
    send(0x90, 81, 100);
    EXPECT_EQ(engine->allocator().noteOf(5), 81);
    EXPECT_EQ(engine->voice(5).state(), GrainVoice::Playing);
    send(0x90, 82, 100);
    EXPECT_EQ(engine->allocator().noteOf(3), 82);
    // A note-off for a note that holds no voice does nothing.
    send(0x80, 50, 0);
    EXPECT_EQ(engine->allocator().releasedCount(), 0);
}

TEST_F(EnginePlay, AllNotesOffReleasesEveryVoice)
{
    for (int i = 0; i < 5; ++i)
        send(0x90, 60 + i, 100);
    send(0xB0, 7, 100); // any other controller: nothing
    EXPECT_EQ(engine->allocator().releasedCount(), 0);
    send(0xB3, 123, 0);
    EXPECT_EQ(engine->allocator().releasedCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(engine->voice(i).state(), GrainVoice::Releasing);
    render(*engine, 4200);
    EXPECT_EQ(engine->allocator().activeCount(), 0);
}

TEST_F(EnginePlay, PitchBendDrivesSpeedAndIsAutomated)
{
    struct Bend { int lsb, msb; float value; };
    for (Bend bend : {Bend{0, 64, 0.5f}, Bend{127, 127, 1.0f}, Bend{0, 0, 0.0f}}) {
        recordedCalls().clear();
        send(0xE2, bend.lsb, bend.msb);
        EXPECT_EQ(engine->getParameter(0), bend.value);
        EXPECT_EQ(engine->speedFactor(), bend.value * 2.0f);
        EXPECT_EQ(engine->program(0).values[0], bend.value);
        EXPECT_EQ(engine->voice(7).speed(), bend.value * 2.0f);
        ASSERT_EQ(recordedCalls().size(), 1u);
        EXPECT_EQ(recordedCalls()[0].opcode, audioMasterAutomate);
        EXPECT_EQ(recordedCalls()[0].index, 0);
        EXPECT_EQ(recordedCalls()[0].opt, bend.value);
    }
    // Data bytes are masked to seven bits.
    send(0xE0, 0x80, 0xC0);
    EXPECT_EQ(engine->getParameter(0), 0.5f);
}

TEST_F(EnginePlay, EventListLimits)
{
    // 150 events: only the first 100 count. Events 100 on are note-ons.
    EventList list;
    for (int i = 0; i < 100; ++i)
        list.add(0, 0xB0, 1, i);
    for (int i = 0; i < 50; ++i)
        list.add(0, 0x90, 60 + (i % 12), 100);
    play(list, 8);
    EXPECT_EQ(engine->allocator().activeCount(), 0);

    // Non-MIDI events are skipped and do not count towards the 100.
    EventList mixed;
    for (int i = 0; i < 120; ++i)
        mixed.addNonMidi(0);
    mixed.add(2, 0x90, 60, 100);
    play(mixed, 8);
    EXPECT_EQ(engine->allocator().activeCount(), 1);

    // A later list replaces what was pending.
    EventList first, second;
    first.add(0, 0x90, 70, 100);
    second.add(0, 0x90, 71, 100);
    engine->processEvents(first.events());
    engine->processEvents(second.events());
    render(*engine, 4);
    EXPECT_EQ(engine->allocator().activeCount(), 2);
    EXPECT_EQ(engine->allocator().noteOf(1), 71);

    // Pending events are used once.
    render(*engine, 4);
    EXPECT_EQ(engine->allocator().activeCount(), 2);
}

TEST_F(EnginePlay, LoadingSilencesVoicesAndFreesSlots)
{
    send(0x90, 60, 100);
    send(0x90, 61, 100);
    ASSERT_EQ(engine->allocator().activeCount(), 2);
    ASSERT_EQ(engine->loadSampleFile(dir.file("s.wav").c_str()), nullptr);
    // The switch happens at the start of the next block.
    const std::vector<float> out = render(*engine, 16);
    EXPECT_EQ(engine->allocator().activeCount(), 0);
    for (float v : out)
        ASSERT_EQ(v, 0.0f);

    // A sample of no frames loads and stays silent.
    writeFloatWav(dir.file("empty.wav"), {}, 44100);
    ASSERT_EQ(engine->loadSampleFile(dir.file("empty.wav").c_str()), nullptr);
    EventList list;
    list.add(0, 0x90, 60, 100);
    for (float v : play(list, 500))
        ASSERT_EQ(v, 0.0f);
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Idle);
}
