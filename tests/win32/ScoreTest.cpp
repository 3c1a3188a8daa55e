#include "tools/wintesthost/Score.h"

#include <gtest/gtest.h>

namespace {

Score parseOk(const std::string& text, const std::string& folder = "/scores/") {
  Score s;
  std::string error;
  EXPECT_TRUE(parseScore(text, folder, s, error)) << error;
  return s;
}

std::string parseError(const std::string& text) {
  Score s;
  std::string error;
  EXPECT_FALSE(parseScore(text, "", s, error));
  return error;
}

}  // namespace

TEST(Score, EveryStatementBecomesTheEventBytesAHostSends) {
  Score s = parseOk(
      "# a comment line\n"
      "\n"
      "rate 48000\n"
      "sample voice.wav   # relative to the score\n"
      "param 1 0.75\n"
      "length 9000\n"
      "at 10 on 60 100\n"
      "at 20 off 60\n"
      "at 30 off 61 12 16\n"
      "at 40 cc 123 0 2\n"
      "at 50 bend 0 127\n"
      "at 60 param 0 0.25\n"
      "at 70 on 255 0 1\n");
  EXPECT_EQ(s.rate, 48000.0);
  EXPECT_EQ(s.samplePath, "/scores/voice.wav");
  ASSERT_EQ(s.setupParams.size(), 1u);
  EXPECT_EQ(s.setupParams[0].paramIndex, 1);
  EXPECT_FLOAT_EQ(s.setupParams[0].paramValue, 0.75f);
  EXPECT_EQ(s.length, 9000);
  ASSERT_EQ(s.events.size(), 7u);
  auto bytes = [&](size_t i) {
    const unsigned char* m = s.events[i].midi;
    return std::vector<int>{m[0], m[1], m[2]};
  };
  EXPECT_EQ(bytes(0), (std::vector<int>{0x90, 60, 100}));
  EXPECT_EQ(bytes(1), (std::vector<int>{0x80, 60, 64}));  // note-off velocity defaults to 64
  EXPECT_EQ(bytes(2), (std::vector<int>{0x8F, 61, 12}));  // channel 16
  EXPECT_EQ(bytes(3), (std::vector<int>{0xB1, 123, 0}));
  EXPECT_EQ(bytes(4), (std::vector<int>{0xE0, 0, 127}));
  EXPECT_EQ(s.events[5].kind, ScoreEvent::kParam);
  EXPECT_EQ(s.events[5].frame, 60);
  EXPECT_EQ(bytes(6), (std::vector<int>{0x90, 255, 0}));  // data bytes go out as written
}

TEST(Score, PathsAndOrdering) {
  EXPECT_EQ(parseOk("sample /abs/x.wav\n").samplePath, "/abs/x.wav");
  EXPECT_EQ(parseOk("sample Z:\\w\\x.wav\n").samplePath, "Z:\\w\\x.wav");
  EXPECT_EQ(parseOk("sample my file.wav\n", "C:\\s\\").samplePath, "C:\\s\\my file.wav");

  // Sorted by frame; events of one frame keep their file order.
  Score s = parseOk("at 50 on 1 1\nat 10 on 2 2\nat 50 on 3 3\nat 10 on 4 4\n");
  std::vector<int> notes;
  for (const ScoreEvent& e : s.events) notes.push_back(e.midi[1]);
  EXPECT_EQ(notes, (std::vector<int>{2, 4, 1, 3}));

  EXPECT_EQ(scoreFrames(parseOk("length 5\nat 100 on 1 1\n"), 7), 5);
  EXPECT_EQ(scoreFrames(parseOk("at 100 on 1 1\n"), 7), 108);
}

TEST(Score, ErrorsNameTheLineAndTheProblem) {
  EXPECT_EQ(parseError("rate 44100\nat 5 on 60 256\n"), "2: velocity must be a number from 0 to 255, not '256'");
  EXPECT_EQ(parseError("at 5 on 60 1 17\n"), "1: channel must be from 1 to 16, not '17'");
  EXPECT_EQ(parseError("at 5 on 60 1 0\n"), "1: channel must be from 1 to 16, not '0'");
  EXPECT_EQ(parseError("\n\nplay 60\n"), "3: unknown statement 'play'");
  EXPECT_EQ(parseError("at -1 on 60 1\n"), "1: 'at' needs a frame number of 0 or more and an event");
  EXPECT_EQ(parseError("at 5 on 60\n"), "1: 'on' takes two numbers and an optional channel");
  EXPECT_EQ(parseError("at 5 wobble 1 2\n"), "1: unknown event 'wobble'");
  EXPECT_EQ(parseError("at 5 off x\n"), "1: note must be a number from 0 to 255, not 'x'");
  EXPECT_EQ(parseError("param 0 fast\n"), "1: 'param' takes an index and a value");
  EXPECT_EQ(parseError("length -3\n"), "1: 'length' takes a frame count");
  EXPECT_EQ(parseError("rate 0\n"), "1: 'rate' takes one positive number");
  EXPECT_EQ(parseError("sample   # nothing\n"), "1: 'sample' needs a path");
}
