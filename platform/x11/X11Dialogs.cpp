// The open-file dialog and the message box: the desktop's file chooser
// portal where the session has one, else the desktop's dialog program as a
// child process, either running beside the host while the panel keeps
// painting.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/x11/DialogCommand.h"
#include "platform/x11/PortalChooser.h"
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

// A dialog program started and not yet finished with.
struct RunningChild {
    pid_t pid = 0;
    int output = -1;  // our end of its standard output; -1 once it is closed
    ChildResult result;
};

// Starts the command with its standard output on a pipe of ours.
bool startChild(std::vector<std::string> command, RunningChild& child) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    // The dialog programs' toolkit chatter is not the host's business.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> environment = childEnvironment();
    std::vector<char*> argv = pointers(command);
    std::vector<char*> envp = pointers(environment);
    const int spawned = posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return false;
    }
    // Read without waiting, so the idle never stops on it.
    fcntl(pipeEnds[0], F_SETFL, fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    child.output = pipeEnds[0];
    child.result.started = true;
    return true;
}

// Takes what the child has written and, once it has closed its output,
// whether it has ended. Never waits; true when the child is done with.
bool childFinished(RunningChild& child) {
    while (child.output >= 0) {
        char buffer[4096];
        const ssize_t count = read(child.output, buffer, sizeof buffer);
        if (count > 0) {
            if (child.result.output.size() < outputLimit)
                child.result.output.append(buffer, static_cast<size_t>(count));
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            return false;
        close(child.output);
        child.output = -1;
    }
    int status = 0;
    const pid_t done = waitpid(child.pid, &status, WNOHANG);
    if (done == child.pid) {
        child.result.exitedNormally = WIFEXITED(status);
        child.result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
    // Still ending (0), or reaped by the host already (an error).
    return done != 0 && errno != EINTR;
}

// Runs the command and keeps the panel painting until it has finished.
ChildResult runWhilePainting(std::vector<std::string> command) {
    RunningChild child;
    if (!startChild(std::move(command), child))
        return child.result;
    while (!childFinished(child)) {
        pollfd waits[2] = {{child.output, POLLIN, 0}, {-1, POLLIN, 0}};
        if (Display* d = x11::connection())
            waits[1].fd = ConnectionNumber(d);
        poll(waits, 2, pumpMilliseconds);
        x11::pumpModal();
    }
    return child.result;
}

// What the chooser's answer means for the request: the chosen path, or none.
bool chosenPath(const ChildResult& result, const platform::OpenFileRequest& request, std::string& path) {
    // Cancel is a non-zero exit; a host that reaps children itself leaves
    // only the output to go by, which is empty on cancel.
    if (result.exitCode > 0)
        return false;
    return x11::acceptChosenPath(result.output, request, path);
}

// The portal's answer checked as the dialog program's is.
bool acceptPortalPath(const std::string& chosen, const platform::OpenFileRequest& request, std::string& path) {
    return chosen.find('\n') == std::string::npos && x11::acceptChosenPath(chosen, request, path);
}

// Waits for the portal's answer with the panel painting: false when the
// portal refused, and the dialog programs are to be tried.
bool portalWhilePainting(x11::PortalChooser& portal, x11::PortalChooser::State& state) {
    while ((state = portal.poll()) == x11::PortalChooser::State::waiting) {
        pollfd wait{-1, POLLIN, 0};
        if (Display* d = x11::connection())
            wait.fd = ConnectionNumber(d);
        poll(&wait, 1, pumpMilliseconds);
        x11::pumpModal();
    }
    return state != x11::PortalChooser::State::failed;
}

constexpr char noChooser[] =
    "No file chooser was found, so no sample can be chosen here. Install zenity or kdialog "
    "to load samples with the Load button.";

// A dialog running beside the host, with the copies of what it was asked.
struct PendingDialog {
    std::unique_ptr<x11::PortalChooser> portal;  // set while the portal has the request
    x11::PortalChooser::State portalState = x11::PortalChooser::State::waiting;
    unsigned long parentWindow = 0;
    RunningChild child;
    bool chooser = false;
    std::string filter;  // the filter list with its terminators
    std::string title;
    std::vector<char> file;
    platform::OpenFileRequest request;
    std::string failure;  // set: no dialog runs, done hears why
    platform::OpenFileDone done;
};

std::vector<std::unique_ptr<PendingDialog>>& pendingDialogs() {
    static std::vector<std::unique_ptr<PendingDialog>> all;
    return all;
}

std::string filterListCopy(const char* filter) {
    std::string copy;
    for (const auto& [description, pattern] : x11::filterPairs(filter)) {
        copy += description;
        copy += '\0';
        copy += pattern;
        copy += '\0';
    }
    copy += '\0';
    return copy;
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
    const unsigned long parent = topLevelOf(request.owner);
    if (auto portal = x11::PortalChooser::start(request, parent)) {
        x11::PortalChooser::State state;
        if (portalWhilePainting(*portal, state)) {
            std::string path;
            if (state != x11::PortalChooser::State::chosen || !acceptPortalPath(portal->path(), request, path))
                return false;
            std::memcpy(request.file, path.c_str(), path.size() + 1);
            return true;
        }
    }
    const x11::DialogTool tool = x11::findDialogTool(std::getenv("PATH"));
    if (tool.program == x11::DialogProgram::none) {
        std::fprintf(stderr, "parvolino: no file chooser found (install zenity or kdialog); no file was chosen\n");
        return false;
    }
    const ChildResult result = runWhilePainting(x11::openFileCommand(tool, request, parent));
    if (!result.started) {
        std::fprintf(stderr, "parvolino: the file chooser %s could not be started\n", tool.path.c_str());
        return false;
    }
    std::string path;
    if (!chosenPath(result, request, path))
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

namespace {

// Starts the dialog program for the request, or notes why there is none.
void startDialogProgram(PendingDialog& dialog) {
    const x11::DialogTool tool = x11::findDialogTool(std::getenv("PATH"));
    if (tool.program == x11::DialogProgram::none)
        dialog.failure = noChooser;
    else if (!startChild(x11::openFileCommand(tool, dialog.request, dialog.parentWindow), dialog.child))
        dialog.failure = "The file chooser " + tool.path + " could not be started.";
}

// Whether the dialog has come to an end; never waits.
bool dialogEnded(PendingDialog& dialog) {
    if (!dialog.failure.empty())
        return true;
    if (dialog.portal) {
        dialog.portalState = dialog.portal->poll();
        if (dialog.portalState == x11::PortalChooser::State::waiting)
            return false;
        if (dialog.portalState != x11::PortalChooser::State::failed)
            return true;
        // The portal turned the request down before showing anything: the
        // dialog programs take it over at once.
        dialog.portal.reset();
        startDialogProgram(dialog);
        return !dialog.failure.empty();
    }
    return childFinished(dialog.child);
}

}  // namespace

namespace x11 {

void finishEndedDialogs() {
    auto& all = pendingDialogs();
    for (size_t i = 0; i < all.size();) {
        PendingDialog& dialog = *all[i];
        if (!dialogEnded(dialog)) {
            ++i;
            continue;
        }
        // Off the list before done runs: done may start the next dialog.
        std::unique_ptr<PendingDialog> ended = std::move(all[i]);
        all.erase(all.begin() + static_cast<std::ptrdiff_t>(i));
        if (!ended->chooser || !ended->done)
            continue;
        platform::OpenFileOutcome outcome;
        std::string path;
        bool chosen = false;
        if (!ended->failure.empty())
            outcome.failure = ended->failure.c_str();
        else if (ended->portal)
            chosen = ended->portalState == PortalChooser::State::chosen &&
                     acceptPortalPath(ended->portal->path(), ended->request, path);
        else
            chosen = chosenPath(ended->child.result, ended->request, path);
        if (chosen)
            outcome = platform::OpenFileOutcome{true, path.c_str(), nullptr};
        ended->done(outcome);
    }
}

}  // namespace x11

namespace platform {

void startOpenFileDialog(const OpenFileRequest& request, OpenFileDone done) {
    auto dialog = std::make_unique<PendingDialog>();
    dialog->chooser = true;
    dialog->done = std::move(done);
    dialog->filter = filterListCopy(request.filter);
    dialog->title = request.title ? request.title : "";
    dialog->file.assign(std::max<uint32_t>(request.maxFile, 1), '\0');
    if (request.file && request.maxFile > 0)
        std::strncpy(dialog->file.data(), request.file, request.maxFile - 1);
    dialog->request = request;
    dialog->request.filter = dialog->filter.c_str();
    dialog->request.title = dialog->title.c_str();
    dialog->request.file = dialog->file.data();
    dialog->request.maxFile = static_cast<uint32_t>(dialog->file.size());

    dialog->parentWindow = topLevelOf(request.owner);
    // The desktop's portal first; without one, the dialog programs.
    dialog->portal = x11::PortalChooser::start(dialog->request, dialog->parentWindow);
    if (!dialog->portal)
        startDialogProgram(*dialog);
    // Even a failure is told from the idle, never from inside this call.
    pendingDialogs().push_back(std::move(dialog));
}

bool startMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
    const x11::DialogTool tool = x11::findDialogTool(std::getenv("PATH"));
    if (tool.program == x11::DialogProgram::none)
        return false;
    auto dialog = std::make_unique<PendingDialog>();
    if (!startChild(x11::messageCommand(tool, text, caption, type, topLevelOf(owner)), dialog->child))
        return false;
    pendingDialogs().push_back(std::move(dialog));
    return true;
}

}  // namespace platform
