#pragma once
// Finding what a host gives in its feature list.

#include <lv2/core/lv2.h>

#include <cstring>

// The data of the first feature with the URI, or null when the host gives none.
inline const void* findLv2Feature(const LV2_Feature* const* features, const char* uri)
{
    for (const LV2_Feature* const* feature = features; feature != nullptr && *feature != nullptr; ++feature)
        if (std::strcmp((*feature)->URI, uri) == 0)
            return (*feature)->data;
    return nullptr;
}
