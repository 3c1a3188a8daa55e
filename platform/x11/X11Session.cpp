#include "platform/x11/X11Session.h"

#include <cstdio>

namespace x11 {

namespace {

Display* display = nullptr;
bool reportedNoDisplay = false;
unsigned long errors = 0;
XErrorHandler previousHandler = nullptr;
std::map<std::string, Atom> atomCache;
int dispatchDepth = 0;

int onError(Display* d, XErrorEvent* event) {
    if (d == display && display) {
        ++errors;
        return 0;
    }
    return previousHandler ? previousHandler(d, event) : 0;
}

// Puts the handler that was there before ours back, unless someone has
// replaced ours since (then theirs stays).
void removeErrorHandler() {
    XErrorHandler current = XSetErrorHandler(previousHandler);
    if (current != onError)
        XSetErrorHandler(current);
    previousHandler = nullptr;
}

// The module may be unloaded with a panel still open: leave no handler of
// ours behind in the host.
struct UnloadGuard {
    ~UnloadGuard() {
        if (!display)
            return;
        removeErrorHandler();
        XCloseDisplay(display);
        display = nullptr;
    }
} unloadGuard;

}  // namespace

Display* connection(bool open) {
    if (display || !open)
        return display;
    // Harmless when the host (or Xlib itself) already did it; the host may
    // use Xlib from other threads, so ours must be the thread-safe kind.
    XInitThreads();
    display = XOpenDisplay(nullptr);
    if (!display) {
        if (!reportedNoDisplay)
            std::fprintf(stderr, "parvolino: cannot open the X display; the editor panel is not shown\n");
        reportedNoDisplay = true;
        return nullptr;
    }
    installErrorHandler();
    return display;
}

DispatchScope::DispatchScope() { ++dispatchDepth; }
DispatchScope::~DispatchScope() { --dispatchDepth; }

void closeIfUnused() {
    if (!display || dispatchDepth > 0 || !windows().empty() || !classes().empty())
        return;
    atomCache.clear();
    // Requests still on their way may fail on windows the host destroyed:
    // their errors are ours to ignore, so they are waited for first.
    installErrorHandler();
    XSync(display, False);
    removeErrorHandler();
    XCloseDisplay(display);
    display = nullptr;
}

void installErrorHandler() {
    // Another library may have put its handler in since: chain to that one.
    XErrorHandler current = XSetErrorHandler(onError);
    if (current != onError)
        previousHandler = current;
}

unsigned long errorCount() { return errors; }

bool syncWithoutErrors(unsigned long errorsBefore) {
    if (!display)
        return false;
    installErrorHandler();
    XSync(display, False);
    return errors == errorsBefore;
}

Atom atom(const char* name) {
    auto found = atomCache.find(name);
    if (found != atomCache.end())
        return found->second;
    const Atom value = display ? XInternAtom(display, name, False) : None;
    if (value != None)
        atomCache.emplace(name, value);
    return value;
}

std::map<Window, std::unique_ptr<WindowState>>& windows() {
    static std::map<Window, std::unique_ptr<WindowState>> all;
    return all;
}

std::vector<ClassRecord>& classes() {
    static std::vector<ClassRecord> all;
    return all;
}

WindowState* findWindow(Window id) {
    auto found = windows().find(id);
    return found == windows().end() ? nullptr : found->second.get();
}

}  // namespace x11
