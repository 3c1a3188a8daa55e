// The desktop's own dialogs, run as programs: which program, with which
// arguments, and what its answer means. Nothing here needs a server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace x11 {

enum class DialogProgram { none, zenity, kdialog };

struct DialogTool {
    DialogProgram program = DialogProgram::none;
    std::string path;  // the executable found
};

// zenity, else kdialog, looked up in a PATH-style list of folders.
DialogTool findDialogTool(const char* searchPath);

// The pairs of a filter list ("Wave (*.wav)", "*.wav", ...), in order.
std::vector<std::pair<std::string, std::string>> filterPairs(const char* filter);

// The request's filters for a chooser that matches case: the selected one
// first, each with its patterns ("*.wav;*.aif") apart and matching either case.
std::vector<std::pair<std::string, std::vector<std::string>>> caseFreeFilters(const platform::OpenFileRequest& request);

// The command line (program path first) that asks the user for one file to
// open: the request's title, its filters (the selected one first), its
// initial file name; attachTo is the top-level window to stay above (0: none).
std::vector<std::string> openFileCommand(const DialogTool& tool, const platform::OpenFileRequest& request,
                                         unsigned long attachTo);

// The command line of a message box with one OK button.
std::vector<std::string> messageCommand(const DialogTool& tool, const char* text, const char* caption,
                                        uint32_t type, unsigned long attachTo);

// The chooser's output checked as the request demands: one path, absolute,
// that fits the request's buffer with its terminating zero, and (when the
// request says so) names an existing file. False when it does not qualify.
bool acceptChosenPath(const std::string& output, const platform::OpenFileRequest& request, std::string& path);

}  // namespace x11
