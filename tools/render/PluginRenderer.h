#pragma once
// Plays a render plan through a plug-in module the way a host would: loads
// the module, sets rate and block size, switches it on, restores the
// program bank (which makes the plug-in read program 0's sample), applies
// the parameters, then feeds MIDI and renders block by block.

#include "tools/hostlib/PluginHost.h"
#include "tools/render/ProgramBank.h"
#include "tools/render/RenderPlan.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RenderJob {
    std::string pluginPath;
    PluginEntryProc entry = nullptr;   // when set, used instead of loading pluginPath
    uint32_t sampleRate = 44100;
    int32_t blockSize = 512;
    ProgramBank bank;                  // restored through effSetChunk
    std::vector<ParamSetting> params;  // set in order before frame 0
    std::vector<TimedEvent> events;    // in frame order
    int64_t lengthFrames = 0;
};

// Receives each rendered block; false stops the render (error already set).
using BlockSink = std::function<bool(const float* left, const float* right, int32_t frames)>;
using ProgressSink = std::function<void(int64_t framesDone)>;

class PluginRenderer {
public:
    PluginRenderer() = default;
    ~PluginRenderer();
    PluginRenderer(const PluginRenderer&) = delete;
    PluginRenderer& operator=(const PluginRenderer&) = delete;

    // Loads the module and sets the instance up. False with error() set.
    bool setUp(const RenderJob& job);
    // The bank as the plug-in holds it after set-up.
    ProgramBank currentBank();
    // Renders the job's length. False with error() set.
    bool render(const BlockSink& sink, const ProgressSink& progress = nullptr);

    const std::string& error() const { return error_; }
    // The instance as set up, e.g. to open its editor.
    PluginInstance& instance() { return instance_; }
    // Blocks that held more events at one frame than a list carries.
    int overfullBlocks() const { return overfull_; }

private:
    bool fail(const std::string& what);

    RenderJob job_;
    PluginModule module_;
    PluginInstance instance_;
    std::string error_;
    int overfull_ = 0;
};
