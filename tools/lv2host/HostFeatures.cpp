#include "tools/lv2host/HostFeatures.h"

#include <lv2/buf-size/buf-size.h>
#include <lv2/parameters/parameters.h>
#include <lv2/worker/worker.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

int logVprintf(LV2_Log_Handle handle, LV2_URID type, const char* format, va_list args)
{
    const char* kind = static_cast<UridMap*>(handle)->unmap(type);
    const char* hash = kind != nullptr ? std::strrchr(kind, '#') : nullptr;
    std::fprintf(stderr, "lv2host: plug-in %s: ", hash != nullptr ? hash + 1 : "log");
    return std::vfprintf(stderr, format, args);
}

int logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int written = logVprintf(handle, type, format, args);
    va_end(args);
    return written;
}

// A path inside the scratch folder, its folders made; malloc'ed, as the
// plug-in frees it with free() or state:freePath.
char* makePath(LV2_State_Make_Path_Handle handle, const char* path)
{
    const auto* folder = static_cast<const std::string*>(handle);
    std::filesystem::path full = std::filesystem::path(*folder) / std::filesystem::path(path).relative_path();
    std::error_code ignored;
    std::filesystem::create_directories(full.parent_path(), ignored);
    return strdup(full.string().c_str());
}

void freePath(LV2_State_Free_Path_Handle, char* path)
{
    std::free(path);
}

}  // namespace

HostFeatures::HostFeatures(UridMap& urids, Lv2Worker& worker, double sampleRate, uint32_t maxBlock,
                           uint32_t sequenceSize, std::string scratchDir)
    : scratchDir_(std::move(scratchDir)),
      maxBlock_(int32_t(maxBlock)),
      sequenceSize_(int32_t(sequenceSize)),
      sampleRate_(float(sampleRate))
{
    const LV2_URID intType = urids.map(LV2_ATOM__Int);
    auto option = [&](const char* key, uint32_t size, LV2_URID type, const void* value) {
        options_.push_back({LV2_OPTIONS_INSTANCE, 0, urids.map(key), size, type, value});
    };
    option(LV2_BUF_SIZE__minBlockLength, sizeof minBlock_, intType, &minBlock_);
    option(LV2_BUF_SIZE__maxBlockLength, sizeof maxBlock_, intType, &maxBlock_);
    option(LV2_BUF_SIZE__nominalBlockLength, sizeof maxBlock_, intType, &maxBlock_);
    option(LV2_BUF_SIZE__sequenceSize, sizeof sequenceSize_, intType, &sequenceSize_);
    option(LV2_PARAMETERS__sampleRate, sizeof sampleRate_, urids.map(LV2_ATOM__Float), &sampleRate_);
    options_.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});

    log_ = {&urids, logPrintf, logVprintf};
    makePath_ = {&scratchDir_, makePath};
    freePath_ = {nullptr, freePath};

    features_ = {
        {LV2_URID__map, urids.mapFeature()},
        {LV2_URID__unmap, urids.unmapFeature()},
        {LV2_WORKER__schedule, worker.scheduleFeature()},
        {LV2_BUF_SIZE__boundedBlockLength, nullptr},
        {LV2_OPTIONS__options, options_.data()},
        {LV2_LOG__log, &log_},
        {LV2_STATE__makePath, &makePath_},
        {LV2_STATE__freePath, &freePath_},
        {LV2_STATE__loadDefaultState, nullptr},  // done by Lv2Instance::open
    };
    for (const LV2_Feature& feature : features_)
        list_.push_back(&feature);
    list_.push_back(nullptr);
}

bool HostFeatures::gives(const char* uri) const
{
    for (const LV2_Feature& feature : features_)
        if (std::strcmp(feature.URI, uri) == 0)
            return true;
    return false;
}
