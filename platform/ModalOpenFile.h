// The open-file dialog started where it is modal (Windows, the headless
// backend): it runs now, on a copy of the request with a buffer of its own,
// and done hears of it before this returns.
#pragma once

#include <cstring>

#include "platform/Platform.h"

namespace platform {

inline void runModalOpenFile(const OpenFileRequest& request, const OpenFileDone& done) {
    char file[4096] = {};
    OpenFileRequest copy = request;
    copy.maxFile = request.maxFile < sizeof file ? request.maxFile : static_cast<uint32_t>(sizeof file);
    if (request.file && copy.maxFile > 0)
        std::strncpy(file, request.file, copy.maxFile - 1);
    copy.file = file;
    OpenFileOutcome outcome;
    outcome.chosen = runOpenFileDialog(copy);
    outcome.path = outcome.chosen ? file : nullptr;
    if (done)
        done(outcome);
}

}  // namespace platform
