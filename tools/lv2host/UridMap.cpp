#include "tools/lv2host/UridMap.h"

UridMap::UridMap()
{
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle self, const char* uri) { return static_cast<UridMap*>(self)->map(uri); };
    unmap_.handle = this;
    unmap_.unmap = [](LV2_URID_Unmap_Handle self, LV2_URID urid) {
        return static_cast<UridMap*>(self)->unmap(urid);
    };
}

LV2_URID UridMap::map(const char* uri)
{
    if (uri == nullptr)
        return 0;
    std::lock_guard lock(mutex_);
    auto [it, added] = ids_.try_emplace(uri, LV2_URID(uris_.size() + 1));
    if (added)
        uris_.emplace_back(uri);
    return it->second;
}

const char* UridMap::unmap(LV2_URID urid)
{
    std::lock_guard lock(mutex_);
    return urid >= 1 && urid <= uris_.size() ? uris_[urid - 1].c_str() : nullptr;
}
