// The open-file dialog and the message box: the desktop's dialog program runs
// as a child process while the panel keeps painting; the call returns when
// the user has closed the dialog.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/x11/DialogCommand.h"
#include "platform/x11/X11Session.h"

extern char** environ;

namespace {

constexpr size_t outputLimit = 64 * 1024;
constexpr int pumpMilliseconds = 20;

struct ChildResult {
    bool started = false;
    bool exitedNormally = false;  // known only when the host left us the child to reap
    int exitCode = -1;
    std::string output;
};

// The environment for the child: ours, with DISPLAY naming the display our
// windows are on.
std::vector<std::string> childEnvironment() {
    std::vector<std::string> entries;
    Display* d = x11::connection();
    for (char** e = environ; e && *e; ++e) {
        if (d && std::strncmp(*e, "DISPLAY=", 8) == 0)
            continue;
        entries.emplace_back(*e);
    }
    if (d)
        entries.push_back(std::string("DISPLAY=") + DisplayString(d));
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> list;
    for (std::string& text : texts)
        list.push_back(text.data());
    list.push_back(nullptr);
    return list;
}

// Runs the command and keeps the panel painting until it has finished.
ChildResult runWhilePainting(std::vector<std::string> command) {
    ChildResult result;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    // The dialog programs' toolkit chatter is not the host's business.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> environment = childEnvironment();
    std::vector<char*> argv = pointers(command);
    std::vector<char*> envp = pointers(environment);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return result;
    }
    result.started = true;

    bool open = true;
    while (open) {
        pollfd waits[2] = {{pipeEnds[0], POLLIN, 0}, {-1, POLLIN, 0}};
        if (Display* d = x11::connection())
            waits[1].fd = ConnectionNumber(d);
        if (poll(waits, 2, pumpMilliseconds) < 0 && errno != EINTR)
            break;
        if (waits[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
            if (count > 0 && result.output.size() < outputLimit)
                result.output.append(buffer, static_cast<size_t>(count));
            else if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN))
                open = false;
        }
        x11::pumpModal();
    }
    close(pipeEnds[0]);

    // The dialog has closed its output; wait for it to end, still painting.
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            result.exitedNormally = WIFEXITED(status);
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (done < 0 && errno != EINTR)
            break;  // reaped by the host already
        x11::pumpModal();
        poll(nullptr, 0, pumpMilliseconds);
    }
    return result;
}

// The top-level window holding the owner, for the dialog to stay above.
unsigned long topLevelOf(platform::WindowHandle owner) {
    Display* d = x11::connection();
    Window window = x11::toXid(owner);
    if (!d || !window)
        return 0;
    x11::installErrorHandler();
    const unsigned long errorsBefore = x11::errorCount();
    for (int depth = 0; depth < 64; ++depth) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(d, window, &root, &parent, &children, &count) || x11::errorCount() != errorsBefore)
            return 0;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            return window;
        window = parent;
    }
    return 0;
}

}  // namespace

namespace platform {

bool runOpenFileDialog(OpenFileRequest& request) {
    const x11::DialogTool tool = x11::findDialogTool(std::getenv("PATH"));
    if (tool.program == x11::DialogProgram::none) {
        std::fprintf(stderr, "parvolino: no file chooser found (install zenity or kdialog); no file was chosen\n");
        return false;
    }
    const ChildResult result = runWhilePainting(x11::openFileCommand(tool, request, topLevelOf(request.owner)));
    if (!result.started) {
        std::fprintf(stderr, "parvolino: the file chooser %s could not be started\n", tool.path.c_str());
        return false;
    }
    // Cancel is a non-zero exit; a host that reaps children itself leaves
    // only the output to go by, which is empty on cancel.
    if (result.exitCode > 0)
        return false;
    std::string path;
    if (!x11::acceptChosenPath(result.output, request, path))
        return false;
    std::memcpy(request.file, path.c_str(), path.size() + 1);
    return true;
}

int32_t showMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
    const x11::DialogTool tool = x11::findDialogTool(std::getenv("PATH"));
    const ChildResult result = tool.program == x11::DialogProgram::none
                                   ? ChildResult{}
                                   : runWhilePainting(x11::messageCommand(tool, text, caption, type, topLevelOf(owner)));
    if (!result.started) {
        // Said where the user may still see it.
        std::fprintf(stderr, "parvolino: %s: %s\n", caption ? caption : "", text ? text : "");
        return 0;
    }
    return 1;  // the one button, however the box was closed
}

}  // namespace platform
