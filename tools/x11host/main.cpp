// parvolino-x11host: a Linux test host on the X server named by DISPLAY.
//
//   parvolino-x11host host MODULE.so       load the module; commands on stdin
//   parvolino-x11host capture WINDOW OUT.png  write a window's pixels as PNG
//   parvolino-x11host drag X Y FILE...     drag files onto the window at X,Y
//
// Commands of the host mode, one a line (N: instance number):
//   new | open N [X Y [takesdrags]] | close N | destroyhost N | knobmode M | param N I
//   setparam N I V | path N | render N | renderclone N | chunk N FILE
//   capture N FILE | calls N | idle MS | echo TEXT | quit
//   sample N FILE (the current program's sample, as a restored project sets it)
//   play N COUNT (COUNT notes held, rendered in real time on an audio thread) | stop N
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/x11host/DragSource.h"
#include "tools/x11host/TestHost.h"
#include "tools/x11host/WindowCapture.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: parvolino-x11host host MODULE.so\n"
                 "       parvolino-x11host capture WINDOW OUT.png\n"
                 "       parvolino-x11host drag X Y FILE...\n");
    return 2;
}

Display* openDisplay() {
    XInitThreads();
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        std::fprintf(stderr, "parvolino-x11host: cannot open the X display\n");
    return display;
}

int runHost(const char* path) {
    PluginModule module;
    if (!module.load(path)) {
        std::fprintf(stderr, "parvolino-x11host: %s\n", module.error().c_str());
        return 1;
    }
    Display* display = openDisplay();
    if (!display)
        return 1;
    int status = 0;
    {
        TestHost host(display, module);
        std::printf("ready\n");
        std::fflush(stdout);
        status = host.run(STDIN_FILENO);
    }
    XCloseDisplay(display);
    return status;
}

int runCapture(const char* window, const char* path) {
    Display* display = openDisplay();
    if (!display)
        return 1;
    const Window id = std::strtoul(window, nullptr, 0);
    const bool saved = saveWindowPng(display, id, path);
    XCloseDisplay(display);
    if (!saved)
        std::fprintf(stderr, "parvolino-x11host: window %s cannot be read\n", window);
    return saved ? 0 : 1;
}

int runDrag(int x, int y, const std::vector<std::string>& files) {
    Display* display = openDisplay();
    if (!display)
        return 1;
    const DragReport report = dragFiles(display, x, y, files);
    XCloseDisplay(display);
    std::printf("drag target 0x%lx recipient 0x%lx\n", report.target, report.recipient);
    if (report.statusSeen)
        std::printf("drag status accept %d action %s\n", report.accepted ? 1 : 0, report.statusAction.c_str());
    std::printf("drag data %s\n", report.dataServed ? "served" : "not asked for");
    if (report.finishedSeen)
        std::printf("drag finished accept %d action %s\n", report.finishAccepted ? 1 : 0,
                    report.finishAction.c_str());
    // A file manager deletes the originals after a finished move.
    if (report.finishedSeen && report.finishAccepted && report.finishAction == "move")
        std::printf("drag source would delete the files\n");
    std::fflush(stdout);
    return report.recipient && report.statusSeen && report.finishedSeen ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const std::string mode = argv[1];
    if (mode == "host" && argc == 3)
        return runHost(argv[2]);
    if (mode == "capture" && argc == 4)
        return runCapture(argv[2], argv[3]);
    if (mode == "drag" && argc >= 5)
        return runDrag(std::atoi(argv[2]), std::atoi(argv[3]), std::vector<std::string>(argv + 4, argv + argc));
    return usage();
}
