#pragma once
// The host's path features for a state: map-path (absolute paths to the
// state's abstract ones and back, so a session can move), make-path (a file
// of the plug-in's own inside the state) and free-path. A save or restore
// call's own features come first, then those given at instantiation; a
// host without them gets absolute paths and no copy file.

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <string>

class StatePaths {
public:
    StatePaths() = default;
    StatePaths(const LV2_Feature* const* features, const StatePaths& fallback);

    std::string abstractPath(const std::string& absolute) const;
    std::string absolutePath(const std::string& abstract) const;
    // A path for a file of this name in the state; empty without make-path.
    std::string makePath(const std::string& name) const;

private:
    // Copies a path the host made and gives it back.
    std::string take(char* path) const;

    const LV2_State_Map_Path* map_ = nullptr;
    const LV2_State_Make_Path* make_ = nullptr;
    const LV2_State_Free_Path* free_ = nullptr;
};
