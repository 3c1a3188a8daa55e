#pragma once
// The host's URID map and unmap: one number per URI for the instance's life.
// A plug-in may map from any of its threads, so every call takes a lock.

#include <lv2/urid/urid.h>

#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

class UridMap {
public:
    UridMap();
    UridMap(const UridMap&) = delete;
    UridMap& operator=(const UridMap&) = delete;

    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID urid);

    LV2_URID_Map* mapFeature() { return &map_; }
    LV2_URID_Unmap* unmapFeature() { return &unmap_; }

private:
    std::mutex mutex_;
    std::unordered_map<std::string, LV2_URID> ids_;
    std::deque<std::string> uris_;  // uris_[id - 1]; a deque keeps the strings in place
    LV2_URID_Map map_;
    LV2_URID_Unmap unmap_;
};
