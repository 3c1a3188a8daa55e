// The score format: every statement, its defaults, the order of events and
// the file:line errors.

#include "tools/render/ScoreReader.h"

#include <gtest/gtest.h>

namespace {

RenderPlan parseOk(const std::string& text)
{
    RenderPlan plan;
    std::string error;
    EXPECT_TRUE(parseScore(text, "s.score", "/scores", plan, error)) << error;
    return plan;
}

std::string errorOf(const std::string& text)
{
    RenderPlan plan;
    std::string error;
    EXPECT_FALSE(parseScore(text, "s.score", "/scores", plan, error)) << text;
    return error;
}

void expectMidi(const TimedEvent& e, int64_t frame, int status, int data1, int data2)
{
    EXPECT_EQ(e.kind, TimedEvent::Kind::midi);
    EXPECT_EQ(e.frame, frame);
    EXPECT_EQ(e.midi[0], status);
    EXPECT_EQ(e.midi[1], data1);
    EXPECT_EQ(e.midi[2], data2);
}

TEST(ScoreReader, EveryStatementWithItsDefaults)
{
    RenderPlan plan = parseOk(
        "# a comment line\n"
        "rate 48000   # trailing comment\n"
        "\n"
        "sample voices/a b.wav\n"
        "param 1 0.25\n"
        "param 3 1e-1\n"
        "length 96000\n"
        "at 10 on 60 100\n"
        "at 20 on 61 0 16\n"
        "at 30 off 60\n"
        "at 31 off 61 7\n"
        "at 32 off 62 7 2\n"
        "at 40 cc 123 0\n"
        "at 41 cc 7 127 10\n"
        "at 50 bend 0 64\n"
        "at 51 bend 127 127 3\n"
        "at 60 param 0 0.75\n"
        "\t at   70   on  120  127 \r\n");
    EXPECT_EQ(plan.sampleRate, 48000u);
    EXPECT_EQ(plan.samplePath, "/scores/voices/a b.wav");
    ASSERT_EQ(plan.initialParams.size(), 2u);
    EXPECT_EQ(plan.initialParams[0].index, 1);
    EXPECT_EQ(plan.initialParams[0].value, 0.25f);
    EXPECT_EQ(plan.initialParams[1].value, 0.1f);
    EXPECT_EQ(plan.lengthFrames, 96000);
    ASSERT_EQ(plan.events.size(), 11u);
    expectMidi(plan.events[0], 10, 0x90, 60, 100);
    expectMidi(plan.events[1], 20, 0x9F, 61, 0);
    expectMidi(plan.events[2], 30, 0x80, 60, 64);
    expectMidi(plan.events[3], 31, 0x80, 61, 7);
    expectMidi(plan.events[4], 32, 0x81, 62, 7);
    expectMidi(plan.events[5], 40, 0xB0, 123, 0);
    expectMidi(plan.events[6], 41, 0xB9, 7, 127);
    expectMidi(plan.events[7], 50, 0xE0, 0, 64);
    expectMidi(plan.events[8], 51, 0xE2, 127, 127);
    EXPECT_EQ(plan.events[9].kind, TimedEvent::Kind::param);
    EXPECT_EQ(plan.events[9].frame, 60);
    EXPECT_EQ(plan.events[9].param.index, 0);
    EXPECT_EQ(plan.events[9].param.value, 0.75f);
    expectMidi(plan.events[10], 70, 0x90, 120, 127);

    RenderPlan absolute = parseOk("sample /data/x.wav\n");
    EXPECT_EQ(absolute.samplePath, "/data/x.wav");
    RenderPlan empty = parseOk("");
    EXPECT_FALSE(empty.sampleRate);
    EXPECT_FALSE(empty.lengthFrames);
    EXPECT_TRUE(empty.events.empty());
}

TEST(ScoreReader, EventsSortByFrameAndKeepFileOrderWithinAFrame)
{
    RenderPlan plan = parseOk(
        "at 100 on 64 90\n"
        "at 5 on 60 90\n"
        "at 100 off 60\n"
        "at 100 param 2 0.5\n"
        "at 5 on 62 90\n");
    ASSERT_EQ(plan.events.size(), 5u);
    expectMidi(plan.events[0], 5, 0x90, 60, 90);
    expectMidi(plan.events[1], 5, 0x90, 62, 90);
    expectMidi(plan.events[2], 100, 0x90, 64, 90);
    expectMidi(plan.events[3], 100, 0x80, 60, 64);
    EXPECT_EQ(plan.events[4].kind, TimedEvent::Kind::param);
}

TEST(ScoreReader, ErrorsNameTheFileTheLineAndTheFault)
{
    EXPECT_EQ(errorOf("rate 44100\n\nat 10 on 300 100\n"), "s.score:3: note must be 0 to 127, got '300'");
    EXPECT_EQ(errorOf("at 10 on 60 -1\n"), "s.score:1: velocity must be 0 to 127, got '-1'");
    EXPECT_EQ(errorOf("at 10 on 60 100 0\n"), "s.score:1: channel must be 1 to 16, got '0'");
    EXPECT_EQ(errorOf("at 10 on 60 100 17\n"), "s.score:1: channel must be 1 to 16, got '17'");
    EXPECT_EQ(errorOf("at -5 on 60 100\n"), "s.score:1: frame must be a whole number from 0, got '-5'");
    EXPECT_EQ(errorOf("at 1.5 on 60 100\n"), "s.score:1: frame must be a whole number from 0, got '1.5'");
    EXPECT_EQ(errorOf("at 10 on 60x 100\n"), "s.score:1: note must be 0 to 127, got '60x'");
    EXPECT_EQ(errorOf("# ok\nplay 60\n"), "s.score:2: unknown statement 'play'");
    EXPECT_EQ(errorOf("at 10 strum 60\n"), "s.score:1: unknown event 'strum' (on, off, cc, bend or param)");
    EXPECT_EQ(errorOf("at 10 on 60\n"), "s.score:1: expected: at FRAME on NOTE VELOCITY [CHANNEL]");
    EXPECT_EQ(errorOf("at 10 off 60 1 2 3\n"), "s.score:1: expected: at FRAME off NOTE [VELOCITY] [CHANNEL]");
    EXPECT_EQ(errorOf("at 10 cc 7\n"), "s.score:1: expected: at FRAME cc CONTROLLER VALUE [CHANNEL]");
    EXPECT_EQ(errorOf("at 10 bend 0\n"), "s.score:1: expected: at FRAME bend LSB MSB [CHANNEL]");
    EXPECT_EQ(errorOf("at 10 param 1\n"), "s.score:1: expected: at FRAME param INDEX VALUE");
    EXPECT_EQ(errorOf("at 10\n"), "s.score:1: expected: at FRAME on|off|cc|bend|param ...");
    // Data bytes have seven bits; parameters are checked as on the command line.
    EXPECT_EQ(errorOf("at 10 on 60 128\n"), "s.score:1: velocity must be 0 to 127, got '128'");
    EXPECT_EQ(errorOf("\nat 10 cc 255 0\n"), "s.score:2: controller must be 0 to 127, got '255'");
    EXPECT_EQ(errorOf("at 10 bend 0 200\n"), "s.score:1: MSB must be 0 to 127, got '200'");
    EXPECT_EQ(errorOf("param 0 nan\n"), "s.score:1: parameter value must be from 0.0 to 1.0, got 'nan'");
    EXPECT_EQ(errorOf("param 1 1.5\n"), "s.score:1: parameter value must be from 0.0 to 1.0, got '1.5'");
    EXPECT_EQ(errorOf("at 5 param 2 -0.1\n"), "s.score:1: parameter value must be from 0.0 to 1.0, got '-0.1'");
    EXPECT_EQ(errorOf("param 4 0.5\n"), "s.score:1: parameter index must be 0 to 3 (Speed, Length, Density, Random), got '4'");
    EXPECT_EQ(errorOf("at 5 param -1 0.5\n"), "s.score:1: parameter index must be 0 to 3 (Speed, Length, Density, Random), got '-1'");
    EXPECT_EQ(errorOf("param x 0.5\n"), "s.score:1: parameter index must be 0 to 3 (Speed, Length, Density, Random), got 'x'");
    EXPECT_EQ(errorOf("rate 0\n"), "s.score:1: rate must be a whole number of hertz from 1 to 1000000, got '0'");
    EXPECT_EQ(errorOf("rate 44100\nrate 48000\n"), "s.score:2: rate given twice");
    EXPECT_EQ(errorOf("length 10\nlength 20\n"), "s.score:2: length given twice");
    EXPECT_EQ(errorOf("length -1\n"), "s.score:1: length must be a whole number of frames, got '-1'");
    EXPECT_EQ(errorOf("sample\n"), "s.score:1: expected: sample PATH");

    RenderPlan plan;
    std::string error;
    EXPECT_FALSE(readScoreFile("/nonexistent/x.score", plan, error));
    EXPECT_EQ(error, "/nonexistent/x.score: cannot open the score");
}

}  // namespace
