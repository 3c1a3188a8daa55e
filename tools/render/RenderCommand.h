#pragma once
// The whole renderer behind main(): options in, WAV file and summary out.

#include "tools/hostlib/PluginHost.h"

#include <string>

struct RenderJob;

struct RenderPaths {
    std::string defaultPlugin;  // used when --plugin is not given
    std::string defaultSample;  // used when no sample is named anywhere
    // Draws the editor panel of the instrument built into the program, set
    // up as the job says, as a PNG (--panel); null when the program has none.
    bool (*writePanel)(const RenderJob& job, const std::string& path, std::string& error) = nullptr;
    // The instrument built into the program playing the classic way
    // (--classic); null when the program has none.
    PluginEntryProc classicInstrument = nullptr;
};

// Returns the process exit code: 0 done, 1 failed, 2 bad command line.
int runRenderCommand(int argc, const char* const* argv, const RenderPaths& paths);
