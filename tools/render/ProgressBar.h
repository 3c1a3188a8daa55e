#pragma once
// A one-line progress bar on standard error. It appears only when standard
// error is a terminal and the render has already taken about a second, so
// short renders and logs stay clean.

#include <chrono>
#include <cstdint>

class ProgressBar {
public:
    ProgressBar(int64_t totalFrames, bool enabled);
    void update(int64_t doneFrames);
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    int64_t total_;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
};

// True when standard error is a terminal.
bool standardErrorIsTerminal();
