#pragma once
// Everything a host hands an LV2 plug-in at instantiate(): URID map and
// unmap, the worker's schedule, bounded block lengths with the options that
// give them, a log, state:makePath / state:freePath into a scratch folder
// of the host's own (lilv copies what the plug-in made there into a saved
// state), and the promise to load the plug-in's default state.

#include "tools/lv2host/Lv2Worker.h"
#include "tools/lv2host/UridMap.h"

#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>

#include <cstdint>
#include <string>
#include <vector>

class HostFeatures {
public:
    HostFeatures(UridMap& urids, Lv2Worker& worker, double sampleRate, uint32_t maxBlock, uint32_t sequenceSize,
                 std::string scratchDir);
    HostFeatures(const HostFeatures&) = delete;
    HostFeatures& operator=(const HostFeatures&) = delete;

    // The null-terminated list for instantiate() and for state calls.
    const LV2_Feature* const* list() const { return list_.data(); }
    bool gives(const char* uri) const;
    const std::string& scratchDir() const { return scratchDir_; }

private:
    std::string scratchDir_;
    int32_t minBlock_ = 0;
    int32_t maxBlock_;
    int32_t sequenceSize_;
    float sampleRate_;
    std::vector<LV2_Options_Option> options_;
    LV2_Log_Log log_;
    LV2_State_Make_Path makePath_;
    LV2_State_Free_Path freePath_;
    std::vector<LV2_Feature> features_;
    std::vector<const LV2_Feature*> list_;
};
