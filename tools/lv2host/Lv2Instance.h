#pragma once
// One LV2 plug-in instance driven the way a host drives it, through lilv:
// found by URI in a bundle, given the host's features, its ports connected
// for good, run block by block with MIDI and patch messages on its atom
// inputs, its worker on a thread, and its state saved and restored through
// lilv (which maps the plug-in's paths into the state's folder).

#include "tools/lv2host/HostFeatures.h"
#include "tools/lv2host/Lv2Ports.h"
#include "tools/lv2host/Lv2Worker.h"
#include "tools/lv2host/UridMap.h"
#include "tools/render/BlockScheduler.h"

#include <lilv/lilv.h>

#include <memory>
#include <string>
#include <vector>

class Lv2Instance {
public:
    Lv2Instance() = default;
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    // Loads the bundle, finds the plug-in, checks its required features,
    // instantiates and activates it for blocks of at most maxBlock frames.
    bool open(const std::string& bundle, const std::string& uri, double sampleRate, uint32_t maxBlock,
              std::string& error);

    // Control inputs by symbol, or the n-th control input in port order.
    Lv2Port* controlInput(const std::string& symbol);
    Lv2Port* controlInput(int n);
    std::vector<const Lv2Port*> controlInputs() const;

    // The plug-in's one writable parameter with an atom:Path range ("" when
    // it has none, or several).
    std::string pathParameter() const;
    // Sends patch:Set parameter = path (an atom:Path) at the first frame of
    // the next block.
    void queuePathParameter(const std::string& parameter, const std::string& path);

    // Runs one block of any length (0 too): the MIDI events at their frames
    // on the MIDI input, then the worker's answers and end_run.
    void run(uint32_t frames, const std::vector<BlockMidi>& midi);
    // The same in its three steps, for a benchmark that times the plug-in's
    // run() alone: the inputs written, run(), the worker's answers.
    void writeInputs(const std::vector<BlockMidi>& midi);
    void runPlugin(uint32_t frames) { lilv_instance_run(instance_, frames); }
    void finishBlock() { worker_.finishBlock(); }
    // The first two audio outputs as left and right (a mono plug-in's one
    // output as both); nullptr where the plug-in has none.
    const float* output(int channel) const;

    bool saveState(const std::string& folder, std::string& error);
    bool restoreState(const std::string& folder, std::string& error);
    bool applyPreset(const std::string& uri, std::string& error);

private:
    struct PathMessage {
        std::string parameter;
        std::string path;
    };
    // Restores and frees a state; false for none.
    bool restore(LilvState* state);
    // The state the plug-in's description gives it, for a plug-in that asks
    // for it with state:loadDefaultState.
    void loadDefaultState();
    // lilv's port value callbacks for state; self is the instance.
    static const void* portValue(const char* symbol, void* self, uint32_t* size, uint32_t* type);
    static void setPortValue(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type);

    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    UridMap urids_;
    Lv2Worker worker_;
    std::unique_ptr<HostFeatures> features_;
    std::vector<Lv2Port> ports_;
    std::vector<PathMessage> pending_;
    std::vector<int> audioOutputs_;
    int midiInput_ = -1;
    int messageInput_ = -1;
    uint32_t maxBlock_ = 0;
};
