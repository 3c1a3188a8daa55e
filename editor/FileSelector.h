#pragma once
// The platform's open-file dialog.

#include <functional>

class Frame;

// Size of the path buffer selectFile fills, terminator included.
constexpr unsigned selectFilePathSize = 260;

// owner may be null. path holds selectFilePathSize characters: in, the
// initial file name; out, the chosen path. filter is a list of pairs of
// zero-terminated texts (description, pattern) ended by an extra zero.
// initialFolder, if not null or empty, is where the dialog opens.
// Returns false when the user cancelled or the dialog failed.
bool selectFile(Frame* owner, char* path, const char* title, const char* filter,
                const char* initialFolder = nullptr);

// What the file selection that ran beside the caller came to.
struct FileSelection {
    bool chosen = false;            // path holds the chosen file
    const char* path = nullptr;     // valid during the call
    const char* failure = nullptr;  // why no dialog could be shown
};

// The same dialog without holding the host's thread where the platform
// allows it: returns at once and done runs from a later idle; where the
// dialog is modal, done runs before this returns. initialFolder is read
// before this returns.
void startFileSelection(Frame* owner, const char* title, const char* filter, const char* initialFolder,
                        std::function<void(const FileSelection&)> done);
