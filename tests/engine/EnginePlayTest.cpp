// Playing: notes, voices, events at their frames, pitch bend.
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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
    send(0x90, 60, 127); // full velocity: exactly the voice's own level
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

    // A new sample takes over the held note on its voice at the next block;
    // the classic playing silences every voice and frees its slot.
    ASSERT_EQ(engine->loadSampleFile(dir.file("s.wav").c_str()), nullptr);
    fx.runProcess(64);
    EXPECT_EQ(engine->allocator().activeCount(), 1);
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Playing);
    engine->setClassic(true);
    ASSERT_EQ(engine->loadSampleFile(dir.file("s.wav").c_str()), nullptr);
    fx.runProcess(64);
    EXPECT_EQ(engine->allocator().activeCount(), 0);
    EXPECT_EQ(fx.output(0)[10], 0.0f);
    engine->setClassic(false);
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
    EXPECT_EQ(engine->sampleRate(), 48000.0f);
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

namespace {

struct Timed {
    int frame, status, data1, data2;
};

struct Played {
    std::vector<float> left, right;
};

// The score played from frame 0 by a fresh instance in blocks of 64 frames,
// with no grain scatter (so that renders line up whatever the scatter
// sequence has reached).
Played play(const std::string& sample, std::vector<Timed> score, int frames, bool classic = false)
{
    std::stable_sort(score.begin(), score.end(), [](const Timed& a, const Timed& b) { return a.frame < b.frame; });
    PluginInstance fx;
    GranularEngine& engine = createEngine(fx);
    engine.setClassic(classic);
    fx.setSampleRate(44100.0f);
    fx.setBlockSize(64);
    EXPECT_EQ(engine.loadSampleFile(sample.c_str()), nullptr);
    fx.setParameter(3, 0.0f);
    Played out;
    for (int start = 0; start < frames; start += 64) {
        MidiEventList events;
        for (const Timed& t : score) {
            if (t.frame >= start && t.frame < start + 64)
                events.add(t.frame - start, t.status, t.data1, t.data2);
        }
        fx.processEvents(events);
        fx.runProcess(64);
        out.left.insert(out.left.end(), fx.output(0), fx.output(0) + 64);
        out.right.insert(out.right.end(), fx.output(1), fx.output(1) + 64);
    }
    return out;
}

// The largest step from one frame to the next over frames [from, to).
float largestStep(const std::vector<float>& out, int from, int to)
{
    float step = 0.0f;
    for (int i = from + 1; i < to; ++i)
        step = std::max(step, std::fabs(out[i] - out[i - 1]));
    return step;
}

} // namespace

TEST_F(EnginePlay, VelocityVolumeAndExpressionSetTheLevel)
{
    const std::string sample = dir.file("s.wav");
    const Played full = play(sample, {{0, 0x90, 60, 127}}, 6400);
    // The square of velocity / 127.
    const float quarter = (64.0f / 127.0f) * (64.0f / 127.0f);
    const Played soft = play(sample, {{0, 0x90, 60, 64}}, 6400);
    for (int i = 0; i < 6400; i += 7)
        ASSERT_NEAR(soft.left[i], full.left[i] * quarter, 1e-6f) << i;

    // Volume and expression ramp the whole output over 5 ms (220 frames) to
    // their product; a reset returns it to exactly full level.
    const Played controlled =
        play(sample, {{0, 0x90, 60, 127}, {1000, 0xB0, 7, 64}, {3000, 0xB2, 11, 64}, {5000, 0xB0, 121, 0}}, 6400);
    EXPECT_EQ(std::memcmp(controlled.left.data(), full.left.data(), 1000 * sizeof(float)), 0);
    for (int i = 1220; i < 3000; i += 7)
        ASSERT_NEAR(controlled.left[i], full.left[i] * quarter, 1e-6f) << i;
    for (int i = 3220; i < 5000; i += 7)
        ASSERT_NEAR(controlled.left[i], full.left[i] * quarter * quarter, 1e-6f) << i;
    EXPECT_EQ(std::memcmp(controlled.left.data() + 5220, full.left.data() + 5220, 1180 * sizeof(float)), 0);
    // Half-way through a ramp the level is half-way: no jump, no click.
    auto levelAt = [&](int from) {
        int loudest = from;
        for (int i = from; i < from + 20; ++i)
            loudest = std::fabs(full.left[i]) > std::fabs(full.left[loudest]) ? i : loudest;
        return controlled.left[loudest] / full.left[loudest];
    };
    EXPECT_NEAR(levelAt(1100), (1.0f + quarter) / 2.0f, 0.05f);
    EXPECT_NEAR(levelAt(5100), (quarter * quarter + 1.0f) / 2.0f, 0.05f);
}

TEST_F(EnginePlay, PedalHoldsNoteOffsUntilItComesUp)
{
    load("s.wav");
    send(0xB0, 64, 127);
    send(0x90, 60, 100);
    send(0x80, 60, 0);
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Playing);
    EXPECT_TRUE(engine->allocator().isHeldBack(0));
    // Struck again while held back: a voice of its own, held back in turn.
    send(0x90, 60, 100);
    EXPECT_EQ(engine->allocator().noteOf(1), 60);
    send(0x90, 62, 0);
    send(0x90, 60, 0);
    EXPECT_TRUE(engine->allocator().isHeldBack(1));
    send(0x90, 64, 100);
    send(0xB0, 64, 63);
    EXPECT_EQ(engine->voice(0).state(), GrainVoice::Releasing);
    EXPECT_EQ(engine->voice(1).state(), GrainVoice::Releasing);
    EXPECT_EQ(engine->voice(2).state(), GrainVoice::Playing);
    EXPECT_EQ(engine->allocator().releasedCount(), 2);
    // Up again: note-offs act at once.
    send(0x80, 64, 0);
    EXPECT_EQ(engine->voice(2).state(), GrainVoice::Releasing);

    // Resetting the controllers lifts the pedal; all-notes-off releases
    // under it too.
    send(0xB0, 64, 100);
    send(0x90, 70, 100);
    send(0x80, 70, 0);
    send(0xB0, 121, 0);
    EXPECT_FALSE(engine->isPedalDown());
    EXPECT_EQ(engine->voice(3).state(), GrainVoice::Releasing);
    send(0xB0, 64, 100);
    send(0x90, 71, 100);
    send(0x80, 71, 0);
    send(0xB0, 123, 0);
    EXPECT_EQ(engine->voice(4).state(), GrainVoice::Releasing);
    EXPECT_FALSE(engine->allocator().isHeldBack(4));
}

TEST_F(EnginePlay, UnderThePedalAKeyStillDownIsStolenLast)
{
    load("s.wav");
    auto slotOf = [&](int note) {
        for (int32_t v = 0; v < 12; ++v) {
            if (engine->allocator().inUse(v) && engine->allocator().noteOf(v) == note)
                return v;
        }
        return -1;
    };
    send(0x90, 41, 100); // released before the pedal: rings out
    send(0x80, 41, 0);
    send(0x90, 40, 100); // a bass key held down
    send(0xB0, 64, 127);
    for (int note = 50; note < 60; ++note) { // staccato: only the pedal holds them
        send(0x90, note, 100);
        send(0x80, note, 0);
    }
    const int bass = slotOf(40), released = slotOf(41);
    // Notes only the pedal holds go first, oldest first...
    for (int note = 60; note < 70; ++note) {
        const int oldest = slotOf(note - 10);
        send(0x90, note, 100);
        EXPECT_EQ(slotOf(note), oldest) << note;
    }
    // ...then the released note, and the key held down last.
    send(0x90, 70, 100);
    EXPECT_EQ(slotOf(70), released);
    EXPECT_EQ(slotOf(40), bass);
    send(0x90, 71, 100);
    EXPECT_EQ(slotOf(71), bass);
}

TEST_F(EnginePlay, AllSoundOffFadesEveryVoiceOutWithoutAClick)
{
    const std::string sample = dir.file("s.wav");
    std::vector<Timed> score;
    for (int n = 0; n < 12; ++n)
        score.push_back({n * 30, 0x90, 48 + n * 3, 127});
    const Played held = play(sample, score, 6400);
    score.push_back({4000, 0xB0, 120, 0});
    const Played off = play(sample, score, 6400);
    EXPECT_EQ(std::memcmp(off.left.data(), held.left.data(), 4000 * sizeof(float)), 0);
    // Silent 8 ms (352 frames) on, and no step on the way larger than the
    // sound's own.
    for (int i = 4000 + 353; i < 6400; ++i)
        ASSERT_EQ(off.left[i], 0.0f) << i;
    EXPECT_LE(largestStep(off.left, 3999, 4400), largestStep(held.left, 3000, 4000));
}

TEST_F(EnginePlay, AStolenVoiceFadesOutWithoutAStep)
{
    // Twelve held notes and a thirteenth that takes the first one's voice,
    // against the same score without that first note (the new note finds a
    // free voice): the difference is the stolen note's own part.
    const std::string sample = dir.file("s.wav");
    auto stolenPart = [&](bool classic) {
        std::vector<Timed> score;
        for (int n = 1; n < 12; ++n)
            score.push_back({n * 20, 0x90, 50 + n * 2, 127});
        score.push_back({3000, 0x90, 80, 127});
        const Played without = play(sample, score, 4800, classic);
        score.push_back({0, 0x90, 47, 127});
        const Played with = play(sample, score, 4800, classic);
        std::vector<float> part(with.left.size());
        for (size_t i = 0; i < part.size(); ++i)
            part[i] = with.left[i] - without.left[i];
        return part;
    };
    const std::vector<float> faded = stolenPart(false);
    const float before = largestStep(faded, 1000, 3000);
    ASSERT_GT(before, 1e-3f);
    EXPECT_LE(largestStep(faded, 2999, 4800), before);
    for (int i = 3000 + 353; i < 4800; ++i)
        ASSERT_NEAR(faded[i], 0.0f, 1e-6f) << i;
    // The classic playing cuts it off: a jump several times the note's own
    // steps.
    const std::vector<float> cut = stolenPart(true);
    EXPECT_GT(largestStep(cut, 2999, 3001), 3.0f * largestStep(cut, 1000, 3000));
}

TEST_F(EnginePlay, AChordThatStealsEveryFadeSlotCutsNoSoundingNote)
{
    // Twelve notes under the pedal, then a thirteen-note chord at one frame:
    // twelve steals fill the twelve fade slots, and the thirteenth takes the
    // voice of a chord note that has not sounded yet. Against the chord
    // alone, the difference is the twelve stolen notes fading out.
    const std::string sample = dir.file("s.wav");
    std::vector<Timed> chord;
    for (int n = 0; n < 13; ++n)
        chord.push_back({3000, 0x90, 70 + n, 100});
    std::vector<Timed> score = chord;
    score.push_back({0, 0xB0, 64, 127});
    for (int n = 0; n < 12; ++n) {
        score.push_back({10 + n * 20, 0x90, 40 + n * 2, 127});
        score.push_back({20 + n * 20, 0x80, 40 + n * 2, 0});
    }
    const Played alone = play(sample, chord, 4800);
    const Played with = play(sample, score, 4800);
    std::vector<float> stolen(with.left.size());
    for (size_t i = 0; i < stolen.size(); ++i)
        stolen[i] = with.left[i] - alone.left[i];
    const float before = largestStep(stolen, 1000, 3000);
    ASSERT_GT(before, 1e-3f);
    EXPECT_LE(largestStep(stolen, 2999, 4800), before);
    for (int i = 3000 + 353; i < 4800; ++i)
        ASSERT_NEAR(stolen[i], 0.0f, 1e-5f) << i;
}

TEST_F(EnginePlay, HeldNotesGoOnWithANewSampleWithoutAStep)
{
    // Twelve held notes; a shorter stereo sample at another rate arrives
    // under them. The notes go on with it on their voices, the old grains
    // fade out, and the output never steps more than it does by itself.
    std::vector<float> stereo;
    for (float value : testSample(9000))
        stereo.insert(stereo.end(), {value, -0.5f * value});
    writeFloatWav(dir.file("short.wav"), stereo, 22050, 2);
    load("s.wav");
    std::vector<float> left, right;
    MidiEventList chord;
    for (int n = 0; n < 12; ++n)
        chord.add(n * 5, 0x90, 48 + n * 3, 127);
    fx.processEvents(chord);
    for (int block = 0; block < 150; ++block) {
        if (block == 50) {
            ASSERT_EQ(engine->loadSampleFile(dir.file("short.wav").c_str()), nullptr);
        }
        fx.runProcess(64);
        left.insert(left.end(), fx.output(0), fx.output(0) + 64);
        right.insert(right.end(), fx.output(1), fx.output(1) + 64);
    }
    const int handOver = 50 * 64;
    EXPECT_LE(largestStep(left, handOver - 1, handOver + 600), largestStep(left, 1000, handOver));
    EXPECT_LE(largestStep(right, handOver - 1, handOver + 600), largestStep(left, 1000, handOver));
    EXPECT_EQ(engine->allocator().activeCount(), 12);
    for (int v = 0; v < 12; ++v) {
        EXPECT_EQ(engine->voice(v).state(), GrainVoice::Playing) << v;
        EXPECT_LT(engine->voice(v).nextStart(), 9000.0f) << v;
    }
    // The right side now plays the right channel: the opposite sign.
    float correlation = 0.0f;
    for (int i = 8000; i < 9600; ++i)
        correlation += left[i] * right[i];
    EXPECT_LT(correlation, 0.0f);
}

TEST_F(EnginePlay, AStereoSamplePlaysEachChannelToItsSide)
{
    // Each side is exactly what that channel alone plays, through steals,
    // releases and fades.
    const std::vector<float> left = testSample(30000), right = testSample(30077);
    std::vector<float> stereo;
    for (int i = 0; i < 30000; ++i)
        stereo.insert(stereo.end(), {left[i], -right[i + 77]});
    std::vector<float> rightAlone(right.begin() + 77, right.end());
    for (float& x : rightAlone)
        x = -x;
    writeFloatWav(dir.file("left.wav"), left, 44100);
    writeFloatWav(dir.file("right.wav"), rightAlone, 44100);
    writeFloatWav(dir.file("stereo.wav"), stereo, 44100, 2);
    std::vector<Timed> score;
    for (int n = 0; n < 16; ++n)
        score.push_back({n * 150, 0x90, 40 + n * 5, 30 + n * 6});
    score.push_back({2000, 0x80, 45, 0});
    score.push_back({3000, 0xB0, 7, 90});
    const Played both = play(dir.file("stereo.wav"), score, 4800);
    const Played leftOnly = play(dir.file("left.wav"), score, 4800);
    const Played rightOnly = play(dir.file("right.wav"), score, 4800);
    EXPECT_EQ(both.left, leftOnly.left);
    EXPECT_EQ(both.right, rightOnly.right);
    EXPECT_NE(both.left, both.right);
}
