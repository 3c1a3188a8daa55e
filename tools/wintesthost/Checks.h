// A failure counter for the test host's checks: each failed check prints one
// line, and the process exits non-zero when any failed.
#pragma once

#include <cstdio>

extern int checkFailures;

inline bool check(bool condition, const char* what) {
  if (!condition) {
    ++checkFailures;
    std::printf("FAILED: %s\n", what);
    std::fflush(stdout);
  }
  return condition;
}
