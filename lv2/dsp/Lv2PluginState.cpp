// The plug-in's state: the sample's path through the host's path mapping,
// the keep setting, and the kept copy of the sample's bytes as a file of
// the state's own. The control ports' values are the host's to save.
#include "lv2/dsp/KeptCopyFile.h"
#include "lv2/dsp/Lv2Plugin.h"

#include <lv2/atom/atom.h>

#include <cstring>
#include <string>

namespace {

constexpr uint32_t kStoreFlags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;

}  // namespace

LV2_State_Status Lv2Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                                 const LV2_Feature* const* features)
{
    try {
        const StatePaths paths(features, paths_);
        GranularEngine::SampleState state;
        {
            const std::lock_guard<std::mutex> hold(engineMutex_);
            state = engine_.sampleState();
        }
        // No sample, no path: a state never names an empty one.
        if (!state.path.empty()) {
            const std::string mapped = paths.abstractPath(state.path);
            store(handle, urids_.sample, mapped.c_str(), mapped.size() + 1, urids_.atomPath, kStoreFlags);
        }
        const int32_t keep = state.keepSamples ? 1 : 0;
        store(handle, urids_.keepSamples, &keep, sizeof keep, urids_.atomBool, kStoreFlags);
        if (state.keptCopy == nullptr)
            return LV2_STATE_SUCCESS;
        const std::string copy = paths.makePath(keptCopyName(state.path));
        if (copy.empty())
            return LV2_STATE_SUCCESS;  // the host keeps no files of ours: the path only
        if (!writeKeptCopy(copy, *state.keptCopy)) {
            lv2_log_error(&logger_, "parvolino: could not write the sample's copy %s\n", copy.c_str());
            return LV2_STATE_SUCCESS;
        }
        const std::string mapped = paths.abstractPath(copy);
        store(handle, urids_.keptCopy, mapped.c_str(), mapped.size() + 1, urids_.atomPath, kStoreFlags);
        return LV2_STATE_SUCCESS;
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status Lv2Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                                    const LV2_Feature* const* features)
{
    try {
        const StatePaths paths(features, paths_);
        // A path the state holds for key, made absolute; empty when there is none.
        auto pathOf = [&](LV2_URID key, bool* present) -> std::string {
            size_t size = 0;
            uint32_t type = 0;
            uint32_t flags = 0;
            const void* value = retrieve(handle, key, &size, &type, &flags);
            if (present != nullptr)
                *present = value != nullptr;
            if (value == nullptr || type != urids_.atomPath || size == 0)
                return {};
            const char* text = static_cast<const char*>(value);
            const std::string stored(text, strnlen(text, size));
            return stored.empty() ? stored : paths.absolutePath(stored);
        };
        GranularEngine::SampleState state;
        bool hasSample = false;
        state.path = pathOf(urids_.sample, &hasSample);
        const std::string copy = pathOf(urids_.keptCopy, nullptr);
        size_t size = 0;
        uint32_t type = 0;
        uint32_t flags = 0;
        const void* keep = retrieve(handle, urids_.keepSamples, &size, &type, &flags);
        // A state without any of ours (a preset: ports only) leaves the sample as it is.
        if (!hasSample && keep == nullptr)
            return LV2_STATE_SUCCESS;
        if (keep != nullptr && type == urids_.atomBool && size == sizeof(int32_t))
            state.keepSamples = *static_cast<const int32_t*>(keep) != 0;
        // A copy that cannot be read is no copy: the sample plays from its
        // file, or shows as missing.
        if (!copy.empty()) {
            state.keptCopy = readKeptCopy(copy);
            if (state.keptCopy == nullptr)
                lv2_log_warning(&logger_, "parvolino: the sample's copy %s could not be read\n", copy.c_str());
        }
        // Loaded before this returns, so the first block after it plays.
        const std::lock_guard<std::mutex> hold(engineMutex_);
        engine_.restoreSampleState(state);
        publishReport();
        return LV2_STATE_SUCCESS;
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}
