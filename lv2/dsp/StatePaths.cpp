#include "lv2/dsp/StatePaths.h"

#include "lv2/Features.h"

#include <cstdlib>

StatePaths::StatePaths(const LV2_Feature* const* features, const StatePaths& fallback)
{
    map_ = static_cast<const LV2_State_Map_Path*>(findLv2Feature(features, LV2_STATE__mapPath));
    make_ = static_cast<const LV2_State_Make_Path*>(findLv2Feature(features, LV2_STATE__makePath));
    free_ = static_cast<const LV2_State_Free_Path*>(findLv2Feature(features, LV2_STATE__freePath));
    if (map_ == nullptr)
        map_ = fallback.map_;
    if (make_ == nullptr)
        make_ = fallback.make_;
    if (free_ == nullptr)
        free_ = fallback.free_;
}

std::string StatePaths::take(char* path) const
{
    if (path == nullptr)
        return {};
    std::string copy;
    try {
        copy = path;
    } catch (...) {
    }
    // Freed the host's way, whatever happened.
    if (free_ != nullptr)
        free_->free_path(free_->handle, path);
    else
        std::free(path);
    return copy;
}

std::string StatePaths::abstractPath(const std::string& absolute) const
{
    if (map_ == nullptr)
        return absolute;
    return take(map_->abstract_path(map_->handle, absolute.c_str()));
}

std::string StatePaths::absolutePath(const std::string& abstract) const
{
    if (map_ == nullptr)
        return abstract;
    return take(map_->absolute_path(map_->handle, abstract.c_str()));
}

std::string StatePaths::makePath(const std::string& name) const
{
    if (make_ == nullptr)
        return {};
    return take(make_->path(make_->handle, name.c_str()));
}
