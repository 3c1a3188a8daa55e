#pragma once
// The whole renderer behind main(): options in, WAV file and summary out.

#include <string>

struct RenderPaths {
    std::string defaultPlugin;  // used when --plugin is not given
    std::string defaultSample;  // used when no sample is named anywhere
};

// Returns the process exit code: 0 done, 1 failed, 2 bad command line.
int runRenderCommand(int argc, const char* const* argv, const RenderPaths& paths);
