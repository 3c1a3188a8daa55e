// A frame-exact score: the text format the command-line renderer reads, so
// the same file can be rendered by the Linux module and by the Windows DLLs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScoreEvent {
  enum Kind { kMidi, kParam };
  int64_t frame = 0;
  Kind kind = kMidi;
  unsigned char midi[3] = {0, 0, 0};  // status, data1, data2
  int32_t paramIndex = 0;
  float paramValue = 0.0f;
};

struct Score {
  double rate = 44100.0;
  std::string samplePath;                    // resolved against the score's folder; empty = none
  std::vector<ScoreEvent> setupParams;       // `param` lines, applied in file order before frame 0
  int64_t length = -1;                       // -1 = not given
  std::vector<ScoreEvent> events;            // `at` lines, ordered by frame, file order within a frame
};

// Parses a score. `folder` is the folder of the score file (with its trailing
// separator, or empty), against which a relative sample path is resolved.
// On failure returns false and sets `error` to "LINE: what was wrong".
bool parseScore(const std::string& text, const std::string& folder, Score& out, std::string& error);

// The number of frames to render: `length` when given, otherwise the frame
// after the last event plus `tailFrames`.
int64_t scoreFrames(const Score& score, int64_t tailFrames);

// True for an absolute path in either Windows or POSIX form.
bool isAbsolutePath(const std::string& path);
