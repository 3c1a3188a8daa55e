// The list of dropped file names that the software backends (headless and
// X11) hand out as a DroppedFilesHandle, and its readers. The readers are
// inline so each backend's own object file carries them: the toolkit's
// libraries come after the backend on the link line.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

struct DroppedFilesObject {
    std::vector<std::string> files;
};

inline uint32_t droppedFileListCount(DroppedFilesHandle files) {
    return files ? static_cast<uint32_t>(files->files.size()) : 0;
}

// A name longer than the buffer is cut to fit, as the platform's call does.
inline bool droppedFileListName(DroppedFilesHandle files, uint32_t index, char* buffer, uint32_t size) {
    if (!files || index >= files->files.size() || !buffer || size == 0)
        return false;
    const std::string& name = files->files[index];
    const size_t length = std::min<size_t>(name.size(), size - 1);
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
    return true;
}

}  // namespace platform
