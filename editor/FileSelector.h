#pragma once
// The platform's modal open-file dialog.

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
