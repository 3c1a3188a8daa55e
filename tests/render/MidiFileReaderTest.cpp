// Standard MIDI Files built byte by byte: timing through tempo changes,
// both file types, running status, and the errors.

#include "tools/render/MidiFileReader.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& out, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        out.push_back(uint8_t(b));
}

Bytes header(int format, int tracks, int division)
{
    Bytes out;
    append(out, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, format, 0, tracks, (division >> 8) & 0xFF, division & 0xFF});
    return out;
}

void track(Bytes& file, const Bytes& body)
{
    uint32_t n = uint32_t(body.size());
    append(file, {'M', 'T', 'r', 'k', int(n >> 24), int((n >> 16) & 0xFF), int((n >> 8) & 0xFF), int(n & 0xFF)});
    file.insert(file.end(), body.begin(), body.end());
}

RenderPlan parseOk(const Bytes& file, uint32_t rate = 44100)
{
    RenderPlan plan;
    std::string error;
    EXPECT_TRUE(parseMidiFile(file, "t.mid", rate, plan, error)) << error;
    return plan;
}

std::string errorOf(const Bytes& file)
{
    RenderPlan plan;
    std::string error;
    EXPECT_FALSE(parseMidiFile(file, "t.mid", 44100, plan, error));
    return error;
}

void expectMidi(const TimedEvent& e, int64_t frame, int status, int data1, int data2)
{
    EXPECT_EQ(e.frame, frame);
    EXPECT_EQ(e.midi[0], status);
    EXPECT_EQ(e.midi[1], data1);
    EXPECT_EQ(e.midi[2], data2);
}

TEST(MidiFileReader, TypeZeroWithRunningStatusAndATempoChange)
{
    // 480 ticks per quarter; 120 bpm until tick 960, then 60 bpm.
    Bytes body;
    append(body, {0x00, 0x90, 60, 100});            // tick 0: note on
    append(body, {0x83, 0x60, 60, 0});              // tick 480 (0.5 s), running status: velocity 0
    append(body, {0x00, 0xFF, 0x01, 3, 'a', 'b', 'c'});  // a text event changes nothing
    append(body, {0x83, 0x60, 0xFF, 0x51, 3, 0x0F, 0x42, 0x40});  // tick 960 (1 s): 1 000 000 us/quarter
    append(body, {0x00, 0xE1, 0, 64});              // tick 960: pitch bend, channel 2
    append(body, {0x81, 0x70, 0xC0, 5});            // tick 1200 (1.5 s): program change, one data byte
    append(body, {0x00, 0xB0, 123, 0});             // controller 123
    append(body, {0x00, 0xF0, 2, 0x7E, 0xF7});      // system exclusive is skipped
    append(body, {0x01, 0x80, 61, 64});             // tick 1201
    append(body, {0x00, 0xFF, 0x2F, 0});
    append(body, {0x00, 0x90, 1, 1});               // after the end of the track: ignored
    Bytes file = header(0, 1, 480);
    track(file, body);

    RenderPlan plan = parseOk(file);
    ASSERT_EQ(plan.events.size(), 6u);
    expectMidi(plan.events[0], 0, 0x90, 60, 100);
    expectMidi(plan.events[1], 22050, 0x90, 60, 0);
    expectMidi(plan.events[2], 44100, 0xE1, 0, 64);
    expectMidi(plan.events[3], 66150, 0xC0, 5, 0);
    expectMidi(plan.events[4], 66150, 0xB0, 123, 0);
    // One tick at 60 bpm is 1/480 s: 91.875 frames, rounded to nearest.
    expectMidi(plan.events[5], 66242, 0x80, 61, 64);

    // The same file at another rate lands at the matching frames.
    RenderPlan at48k = parseOk(file, 48000);
    EXPECT_EQ(at48k.events[2].frame, 48000);
}

TEST(MidiFileReader, TypeOneMergesTracksWithTheTempoMapOfTrackOne)
{
    Bytes tempoTrack;
    append(tempoTrack, {0x00, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20});  // 500 000 us/quarter
    append(tempoTrack, {0x60, 0xFF, 0x51, 3, 0x03, 0xD0, 0x90});  // tick 96: 250 000 us/quarter
    append(tempoTrack, {0x00, 0xFF, 0x2F, 0});
    Bytes melody;
    append(melody, {0x81, 0x40, 0x93, 72, 90});     // tick 192, channel 4
    append(melody, {0x00, 0xFF, 0x2F, 0});
    Bytes bass;
    append(bass, {0x60, 0x90, 36, 90});             // tick 96
    append(bass, {0x60, 0x80, 36, 0});              // tick 192: after the melody's note at the same tick
    append(bass, {0x00, 0xFF, 0x2F, 0});
    Bytes file = header(1, 3, 96);
    track(file, tempoTrack);
    append(file, {'X', 'x', 'x', 'x', 0, 0, 0, 2, 1, 2});  // unknown chunks are skipped
    track(file, melody);
    track(file, bass);

    RenderPlan plan = parseOk(file, 1000);
    ASSERT_EQ(plan.events.size(), 3u);
    expectMidi(plan.events[0], 500, 0x90, 36, 90);   // one quarter at 0.5 s
    expectMidi(plan.events[1], 750, 0x93, 72, 90);   // then a quarter at 0.25 s
    expectMidi(plan.events[2], 750, 0x80, 36, 0);
}

TEST(MidiFileReader, SmpteDivisionCountsTicksPerFrame)
{
    Bytes body;
    append(body, {0x81, 0x48, 0x90, 60, 100});  // tick 200 = 0.25 s at 25 fps x 32
    append(body, {0x00, 0xFF, 0x2F, 0});
    Bytes file = header(0, 1, (0xE7 << 8) | 32);  // -25 fps, 32 ticks per frame
    track(file, body);
    RenderPlan plan = parseOk(file);
    ASSERT_EQ(plan.events.size(), 1u);
    EXPECT_EQ(plan.events[0].frame, 11025);
}

TEST(MidiFileReader, BrokenFilesAreReportedWithTheirPlace)
{
    EXPECT_EQ(errorOf({'R', 'I', 'F', 'F'}), "t.mid: not a Standard MIDI File (no MThd header) (at byte 0)");
    EXPECT_EQ(errorOf(header(2, 1, 96)), "t.mid: MIDI file type 2 is not supported (only 0 and 1) (at byte 8)");
    EXPECT_EQ(errorOf(header(0, 2, 96)), "t.mid: a type 0 file must have exactly one track (at byte 10)");
    EXPECT_EQ(errorOf(header(0, 1, 0)), "t.mid: invalid time division (at byte 12)");
    EXPECT_EQ(errorOf(header(0, 1, 96)), "t.mid: file ends before track 1 (at byte 14)");

    Bytes cut = header(0, 1, 96);
    append(cut, {'M', 'T', 'r', 'k', 0, 0, 0, 50, 0x00, 0x90});
    EXPECT_EQ(errorOf(cut), "t.mid: track chunk runs past the end of the file (at byte 18)");

    auto withTrack = [](std::initializer_list<int> bytes) {
        Bytes file = header(0, 1, 96);
        Bytes body;
        append(body, bytes);
        track(file, body);
        return file;
    };
    EXPECT_EQ(errorOf(withTrack({0x00, 60, 100})), "t.mid: data byte without a status byte (at byte 23)");
    EXPECT_EQ(errorOf(withTrack({0x00, 0x90, 60, 200})), "t.mid: data byte above 127 in a channel message (at byte 25)");
    EXPECT_EQ(errorOf(withTrack({0x00, 0x90, 60})), "t.mid: track ends inside a channel message (at byte 24)");
    EXPECT_EQ(errorOf(withTrack({0x80, 0x80, 0x80, 0x80, 0x00})),
              "t.mid: variable-length number longer than four bytes (at byte 26)");
    EXPECT_EQ(errorOf(withTrack({0x00, 0xFF, 0x51, 3, 0, 0, 0})), "t.mid: tempo of zero (at byte 26)");
    EXPECT_EQ(errorOf(withTrack({0x00, 0xFF, 0x01, 9, 'a'})),
              "t.mid: meta event runs past the end of its track (at byte 26)");

    RenderPlan plan;
    std::string error;
    EXPECT_FALSE(readMidiFile("/nonexistent/x.mid", 44100, plan, error));
    EXPECT_EQ(error, "/nonexistent/x.mid: cannot open the MIDI file");
}

}  // namespace
