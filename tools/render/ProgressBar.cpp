#include "tools/render/ProgressBar.h"

#include <cstdio>
#include <unistd.h>

ProgressBar::ProgressBar(int64_t totalFrames, bool enabled)
    : total_(totalFrames > 0 ? totalFrames : 1), enabled_(enabled), start_(Clock::now()), lastDraw_(start_)
{
}

void ProgressBar::update(int64_t doneFrames)
{
    if (!enabled_)
        return;
    Clock::time_point now = Clock::now();
    if (now - start_ < std::chrono::seconds(1) || (shown_ && now - lastDraw_ < std::chrono::milliseconds(100)))
        return;
    lastDraw_ = now;
    shown_ = true;
    const int width = 40;
    double fraction = double(doneFrames) / double(total_);
    int filled = int(fraction * width);
    char bar[width + 1];
    for (int i = 0; i < width; ++i)
        bar[i] = i < filled ? '#' : '-';
    bar[width] = '\0';
    std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, int(fraction * 100.0));
    std::fflush(stderr);
}

void ProgressBar::finish()
{
    if (shown_) {
        std::fprintf(stderr, "\r%60s\r", "");
        std::fflush(stderr);
    }
    shown_ = false;
}

bool standardErrorIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}
