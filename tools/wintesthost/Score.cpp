#include "tools/wintesthost/Score.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

std::vector<std::string> splitWords(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

bool parseInteger(const std::string& word, int64_t& out) {
  if (word.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(word.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  out = v;
  return true;
}

bool parseFloat(const std::string& word, float& out) {
  if (word.empty()) return false;
  char* end = nullptr;
  errno = 0;
  float v = std::strtof(word.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool parseDouble(const std::string& word, double& out) {
  if (word.empty()) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(word.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
  out = v;
  return true;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// Parses the words of an `at` line after "at FRAME"; fills the event's payload.
bool parseAtEvent(const std::vector<std::string>& w, ScoreEvent& ev, std::string& what) {
  const std::string& kind = w[2];
  auto dataByte = [&](size_t i, const char* name, unsigned char& out) {
    int64_t v = 0;
    if (!parseInteger(w[i], v) || v < 0 || v > 255) {
      what = std::string(name) + " must be a number from 0 to 255, not '" + w[i] + "'";
      return false;
    }
    out = static_cast<unsigned char>(v);
    return true;
  };
  auto channel = [&](size_t i, unsigned char& out) {
    out = 0;
    if (i >= w.size()) return true;
    int64_t v = 0;
    if (!parseInteger(w[i], v) || v < 1 || v > 16) {
      what = "channel must be from 1 to 16, not '" + w[i] + "'";
      return false;
    }
    out = static_cast<unsigned char>(v - 1);
    return true;
  };
  unsigned char ch = 0;
  if (kind == "on" || kind == "cc" || kind == "bend") {
    if (w.size() < 5 || w.size() > 6) {
      what = "'" + kind + "' takes two numbers and an optional channel";
      return false;
    }
    const char* n1 = kind == "on" ? "note" : kind == "cc" ? "controller" : "LSB";
    const char* n2 = kind == "on" ? "velocity" : kind == "cc" ? "value" : "MSB";
    if (!dataByte(3, n1, ev.midi[1]) || !dataByte(4, n2, ev.midi[2]) || !channel(5, ch)) return false;
    unsigned char status = kind == "on" ? 0x90 : kind == "cc" ? 0xB0 : 0xE0;
    ev.midi[0] = static_cast<unsigned char>(status + ch);
    return true;
  }
  if (kind == "off") {
    if (w.size() < 4 || w.size() > 6) {
      what = "'off' takes a note, an optional velocity and an optional channel";
      return false;
    }
    ev.midi[2] = 64;
    if (!dataByte(3, "note", ev.midi[1])) return false;
    if (w.size() >= 5 && !dataByte(4, "velocity", ev.midi[2])) return false;
    if (!channel(5, ch)) return false;
    ev.midi[0] = static_cast<unsigned char>(0x80 + ch);
    return true;
  }
  if (kind == "param") {
    int64_t index = 0;
    if (w.size() != 5 || !parseInteger(w[3], index) || index < INT32_MIN || index > INT32_MAX ||
        !parseFloat(w[4], ev.paramValue)) {
      what = "'param' takes an index and a value";
      return false;
    }
    ev.kind = ScoreEvent::kParam;
    ev.paramIndex = static_cast<int32_t>(index);
    return true;
  }
  what = "unknown event '" + kind + "'";
  return false;
}

}  // namespace

bool isAbsolutePath(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  return path.size() >= 2 && path[1] == ':';
}

bool parseScore(const std::string& text, const std::string& folder, Score& out, std::string& error) {
  out = Score();
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  auto fail = [&](const std::string& what) {
    error = std::to_string(lineNo) + ": " + what;
    return false;
  };
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = raw.substr(0, raw.find('#'));
    std::vector<std::string> w = splitWords(line);
    if (w.empty()) continue;
    const std::string& key = w[0];
    if (key == "rate") {
      if (w.size() != 2 || !parseDouble(w[1], out.rate) || out.rate <= 0.0)
        return fail("'rate' takes one positive number");
    } else if (key == "sample") {
      std::string path = trim(trim(line).substr(6));
      if (path.empty()) return fail("'sample' needs a path");
      out.samplePath = isAbsolutePath(path) ? path : folder + path;
    } else if (key == "param") {
      ScoreEvent ev;
      int64_t index = 0;
      if (w.size() != 3 || !parseInteger(w[1], index) || index < INT32_MIN || index > INT32_MAX ||
          !parseFloat(w[2], ev.paramValue))
        return fail("'param' takes an index and a value");
      ev.kind = ScoreEvent::kParam;
      ev.paramIndex = static_cast<int32_t>(index);
      out.setupParams.push_back(ev);
    } else if (key == "length") {
      if (w.size() != 2 || !parseInteger(w[1], out.length) || out.length < 0)
        return fail("'length' takes a frame count");
    } else if (key == "at") {
      ScoreEvent ev;
      if (w.size() < 3 || !parseInteger(w[1], ev.frame) || ev.frame < 0)
        return fail("'at' needs a frame number of 0 or more and an event");
      std::string what;
      if (!parseAtEvent(w, ev, what)) return fail(what);
      out.events.push_back(ev);
    } else {
      return fail("unknown statement '" + key + "'");
    }
  }
  std::stable_sort(out.events.begin(), out.events.end(),
                   [](const ScoreEvent& a, const ScoreEvent& b) { return a.frame < b.frame; });
  return true;
}

int64_t scoreFrames(const Score& score, int64_t tailFrames) {
  if (score.length >= 0) return score.length;
  int64_t last = 0;
  for (const ScoreEvent& ev : score.events) last = std::max(last, ev.frame + 1);
  return last + tailFrames;
}
