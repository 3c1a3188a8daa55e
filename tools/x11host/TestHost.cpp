#include "tools/x11host/TestHost.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "tools/x11host/WindowCapture.h"

namespace {

constexpr int idleIntervalMilliseconds = 20;
constexpr float sampleRate = 44100.0f;
constexpr int32_t blockSize = 512;

// Where a program's sample path sits in the chunk: four programs of 300
// bytes, each a 24-byte name, then the 260-byte path.
constexpr size_t programSize = 300;
constexpr size_t pathOffset = 24;
constexpr size_t pathSize = 260;

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::putchar('\n');
    std::fflush(stdout);
}

std::vector<std::string> splitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

uint64_t nowMilliseconds() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// Blocks enough for released voices to fall silent: the longest grain lives
// 8100 frames.
void renderUntilSilent(PluginInstance& instance) {
    for (int b = 0; b < 8100 / blockSize + 2; ++b)
        instance.runProcess(blockSize);
}

// The panel window the editor put into the host's window: its only child.
Window firstChild(Display* display, Window window) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && count > 0)
        found = children[0];
    if (children)
        XFree(children);
    return found;
}

}  // namespace

struct TestHost::Slot {
    size_t index = 0;
    PluginInstance instance;
    Window hostWindow = 0;
    Window panel = 0;
    bool editorOpen = false;
    bool idling = false;  // an idle call of ours is running
    // Notes held and rendered block by block in real time, as a host's
    // audio thread renders them while the editor idles.
    std::thread audio;
    std::atomic<bool> playing{false};
};

TestHost::TestHost(Display* display, PluginModule& module) : display(display), module(module) {}

TestHost::~TestHost() { closeAll(); }

int TestHost::run(int commandInput) {
    std::string pending;
    uint64_t nextIdle = nowMilliseconds();
    bool inputOpen = true;
    while (!quitting && inputOpen) {
        pollfd waits[2] = {{commandInput, POLLIN, 0}, {ConnectionNumber(display), POLLIN, 0}};
        const uint64_t now = nowMilliseconds();
        const int timeout = nextIdle > now ? static_cast<int>(nextIdle - now) : 0;
        poll(waits, 2, timeout);
        pumpHostEvents();
        if (waits[0].revents & (POLLIN | POLLHUP)) {
            char buffer[4096];
            const ssize_t count = read(commandInput, buffer, sizeof buffer);
            if (count <= 0)
                inputOpen = false;
            else
                pending.append(buffer, static_cast<size_t>(count));
            for (size_t end; !quitting && (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                const std::vector<std::string> words = splitWords(line);
                if (words.empty())
                    continue;
                if (command(words))
                    say("ok %s", line.c_str());
            }
        }
        if (nowMilliseconds() >= nextIdle) {
            idleEditors();
            nextIdle = nowMilliseconds() + idleIntervalMilliseconds;
        }
    }
    closeAll();
    return 0;
}

void TestHost::pumpHostEvents() {
    // The host's own windows need nothing but their drags answered; the
    // queue is only kept short.
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage)
            answerDrag(event.xclient);
    }
}

// A host window that takes drags itself: it hears them and refuses them all.
void TestHost::answerDrag(const XClientMessageEvent& message) {
    const bool position = message.message_type == XInternAtom(display, "XdndPosition", False);
    const bool drop = message.message_type == XInternAtom(display, "XdndDrop", False);
    if (!position && !drop)
        return;
    for (auto& s : slots) {
        if (s->hostWindow != message.window)
            continue;
        if (drop)
            say("host %zu refused a drop on its window", s->index);
        XEvent answer{};
        answer.xclient.type = ClientMessage;
        answer.xclient.window = static_cast<Window>(message.data.l[0]);
        answer.xclient.message_type = XInternAtom(display, position ? "XdndStatus" : "XdndFinished", False);
        answer.xclient.format = 32;
        answer.xclient.data.l[0] = static_cast<long>(s->hostWindow);
        XSendEvent(display, answer.xclient.window, False, NoEventMask, &answer);
        XFlush(display);
    }
}

void TestHost::idleEditors() {
    for (auto& s : slots) {
        if (s->editorOpen && s->instance.effect()) {
            s->idling = true;
            s->instance.dispatch(effEditIdle);
            s->idling = false;
        }
    }
}

TestHost::Slot* TestHost::slot(const std::vector<std::string>& words, size_t index) {
    if (words.size() <= index) {
        say("error %s: which instance?", words[0].c_str());
        return nullptr;
    }
    const size_t number = std::strtoul(words[index].c_str(), nullptr, 10);
    if (number >= slots.size() || !slots[number]->instance.effect()) {
        say("error %s: no instance %zu", words[0].c_str(), number);
        return nullptr;
    }
    return slots[number].get();
}

bool TestHost::command(const std::vector<std::string>& words) {
    const std::string& name = words[0];
    auto number = [&](size_t i, double fallback) {
        return words.size() > i ? std::strtod(words[i].c_str(), nullptr) : fallback;
    };
    if (name == "new")
        return newInstance();
    if (name == "quit") {
        quitting = true;
        closeAll();
        return true;
    }
    if (name == "echo") {
        std::string text;
        for (size_t i = 1; i < words.size(); ++i)
            text += (i > 1 ? " " : "") + words[i];
        say("%s", text.c_str());
        return true;
    }
    if (name == "idle") {
        // Keeps idling the editors for a while, as a host does between events.
        const uint64_t end = nowMilliseconds() + static_cast<uint64_t>(number(1, 100));
        while (nowMilliseconds() < end) {
            pumpHostEvents();
            idleEditors();
            usleep(idleIntervalMilliseconds * 1000);
        }
        return true;
    }
    if (name == "knobmode") {
        const VstIntPtr mode = static_cast<VstIntPtr>(number(1, 0));
        for (auto& s : slots) {
            if (s->instance.effect())
                say("knobmode %zu %ld", s->index, static_cast<long>(s->instance.dispatch(effSetEditKnobMode, 0, mode)));
        }
        return true;
    }
    Slot* s = slot(words, 1);
    if (!s)
        return false;
    if (name == "open")
        return openEditor(*s, static_cast<int>(number(2, 0)), static_cast<int>(number(3, 0)),
                          words.size() > 4 && words[4] == "takesdrags");
    if (name == "close")
        return closeEditor(*s);
    if (name == "destroyhost")
        return destroyHostWindow(*s);
    if (name == "capture" && words.size() > 2)
        return capture(*s, words[2]);
    if (name == "param" && words.size() > 2) {
        const int32_t i = static_cast<int32_t>(number(2, 0));
        say("param %zu %d %.6f %s", s->index, i, s->instance.getParameter(i), s->instance.parameterDisplay(i).c_str());
        return true;
    }
    if (name == "setparam" && words.size() > 3) {
        s->instance.setParameter(static_cast<int32_t>(number(2, 0)), static_cast<float>(number(3, 0)));
        return true;
    }
    if (name == "path") {
        printPath(*s, s->index);
        return true;
    }
    if (name == "sample" && words.size() > 2)
        return setSample(*s, words[2]);
    if (name == "play")
        return play(*s, static_cast<int>(number(2, 1)));
    if (name == "stop") {
        stop(*s);
        return true;
    }
    if (name == "render")
        return render(s->instance, "render", s->index);
    if (name == "renderclone")
        return renderClone(*s, s->index);
    if (name == "chunk" && words.size() > 2)
        return writeChunk(*s, words[2]);
    if (name == "calls") {
        say("calls %zu automate %zu beginEdit %zu endEdit %zu idle %zu", s->index,
            s->instance.host().count(audioMasterAutomate), s->instance.host().count(audioMasterBeginEdit),
            s->instance.host().count(audioMasterEndEdit), s->instance.host().count(audioMasterIdle));
        return true;
    }
    say("error unknown command %s", name.c_str());
    return false;
}

bool TestHost::newInstance() {
    auto s = std::make_unique<Slot>();
    s->index = slots.size();
    Slot* raw = s.get();
    HostCallbackRecorder& host = s->instance.host();
    const size_t index = s->index;
    // What a host's automation lane and undo would see, in order.
    host.setHandler(audioMasterAutomate, [index](const HostCall& call) {
        say("host %zu automate %d %.6f", index, call.index, call.opt);
        return VstIntPtr{0};
    });
    host.setHandler(audioMasterBeginEdit, [index](const HostCall& call) {
        say("host %zu beginEdit %d", index, call.index);
        return VstIntPtr{1};
    });
    host.setHandler(audioMasterEndEdit, [index](const HostCall& call) {
        say("host %zu endEdit %d", index, call.index);
        return VstIntPtr{1};
    });
    // Where a host marks its project as changed.
    host.setHandler(audioMasterUpdateDisplay, [index](const HostCall&) {
        say("host %zu updateDisplay", index);
        return VstIntPtr{1};
    });
    // A host runs its own idle work when asked, which includes idling the
    // editor again: the plug-in must cope with being called back inside
    // its own mouse loop.
    host.setHandler(audioMasterIdle, [raw](const HostCall&) {
        if (raw->editorOpen && raw->instance.effect())
            raw->instance.dispatch(effEditIdle);
        return VstIntPtr{0};
    });
    if (!s->instance.create(module)) {
        say("error new: the module's entry point returned no effect");
        return false;
    }
    s->instance.open();
    s->instance.setSampleRate(sampleRate);
    s->instance.setBlockSize(blockSize);
    s->instance.resume();
    const AEffect* effect = s->instance.effect();
    say("instance %zu uniqueID 0x%08x flags 0x%x", s->index, static_cast<unsigned>(effect->uniqueID),
        static_cast<unsigned>(effect->flags));
    slots.push_back(std::move(s));
    return true;
}

bool TestHost::openEditor(Slot& s, int x, int y, bool takesDrags) {
    if (s.editorOpen) {
        say("error open: the editor of %zu is open", s.index);
        return false;
    }
    ERect* rect = nullptr;
    if (s.instance.dispatch(effEditGetRect, 0, 0, &rect) == 0 || !rect) {
        // A plug-in without an editor: nothing to open, and that is fine.
        say("noeditor %zu", s.index);
        return true;
    }
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    if (width <= 0 || height <= 0) {
        say("error open: editor size %dx%d", width, height);
        return false;
    }
    if (!s.hostWindow) {
        const int screen = DefaultScreen(display);
        s.hostWindow = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                                           static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                           BlackPixel(display, screen));
        char title[64];
        std::snprintf(title, sizeof title, "Parvolino test host %zu", s.index);
        XStoreName(display, s.hostWindow, title);
        // Placed where asked, with no window manager in between.
        XSizeHints hints{};
        hints.flags = USPosition | PPosition;
        hints.x = x;
        hints.y = y;
        XSetWMNormalHints(display, s.hostWindow, &hints);
        XSelectInput(display, s.hostWindow, StructureNotifyMask);
        if (takesDrags) {
            const long version = 5;
            XChangeProperty(display, s.hostWindow, XInternAtom(display, "XdndAware", False), XA_ATOM, 32,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(&version), 1);
        }
        XMapWindow(display, s.hostWindow);
        XEvent event;
        do
            XWindowEvent(display, s.hostWindow, StructureNotifyMask, &event);
        while (event.type != MapNotify);
    }
    const VstIntPtr opened = s.instance.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(s.hostWindow));
    s.editorOpen = true;
    XSync(display, False);
    s.panel = firstChild(display, s.hostWindow);
    std::string className = "none";
    int panelX = 0;
    int panelY = 0;
    unsigned panelWidth = 0;
    unsigned panelHeight = 0;
    if (s.panel) {
        XClassHint hint{};
        if (XGetClassHint(display, s.panel, &hint)) {
            className = hint.res_class ? hint.res_class : "none";
            if (hint.res_name)
                XFree(hint.res_name);
            if (hint.res_class)
                XFree(hint.res_class);
        }
        Window child = 0;
        XTranslateCoordinates(display, s.panel, DefaultRootWindow(display), 0, 0, &panelX, &panelY, &child);
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, s.panel, &attributes)) {
            panelWidth = static_cast<unsigned>(attributes.width);
            panelHeight = static_cast<unsigned>(attributes.height);
        }
    }
    say("opened %zu result %ld host 0x%lx panel 0x%lx class %s at %d %d size %u %u", s.index,
        static_cast<long>(opened), s.hostWindow, s.panel, className.c_str(), panelX, panelY, panelWidth, panelHeight);
    return true;
}

bool TestHost::closeEditor(Slot& s) {
    s.instance.dispatch(effEditClose);
    s.editorOpen = false;
    XSync(display, False);
    // The panel window is gone unless the host's window went first.
    const bool panelLeft = s.hostWindow && firstChild(display, s.hostWindow) != 0;
    say("closed %zu panel %s", s.index, panelLeft ? "left" : "gone");
    s.panel = 0;
    return true;
}

bool TestHost::destroyHostWindow(Slot& s) {
    if (!s.hostWindow) {
        say("error destroyhost: no host window for %zu", s.index);
        return false;
    }
    XDestroyWindow(display, s.hostWindow);
    XSync(display, False);
    s.hostWindow = 0;
    s.panel = 0;
    return true;
}

bool TestHost::capture(Slot& s, const std::string& path) {
    if (!s.panel || !saveWindowPng(display, s.panel, path)) {
        say("error capture: the panel of %zu cannot be read", s.index);
        return false;
    }
    say("captured %zu %s", s.index, path.c_str());
    return true;
}

// A second of note 60 at full velocity; the hash tells renders apart.
bool TestHost::render(PluginInstance& instance, const char* label, size_t index) {
    MidiEventList events;
    events.noteOn(0, 0, 60, 127);
    uint64_t hash = 1469598103934665603ull;
    float peak = 0.0f;
    const int blocks = static_cast<int>(sampleRate) / blockSize;
    for (int b = 0; b < blocks; ++b) {
        instance.processEvents(events);
        instance.runProcess(blockSize);
        events.clear();
        for (int channel = 0; channel < 2; ++channel) {
            const float* samples = instance.output(channel);
            for (int i = 0; i < blockSize; ++i) {
                peak = std::max(peak, std::fabs(samples[i]));
                uint32_t bits = 0;
                std::memcpy(&bits, &samples[i], sizeof bits);
                hash = (hash ^ bits) * 1099511628211ull;
            }
        }
    }
    events.noteOff(0, 0, 60);
    instance.processEvents(events);
    instance.runProcess(blockSize);
    // The panel's strip shows no voice afterwards.
    renderUntilSilent(instance);
    say("%s %zu hash %016llx peak %.6f", label, index, static_cast<unsigned long long>(hash), peak);
    return true;
}

// The same render by a fresh instance restored from this one's chunk: what a
// host reloading the project would play.
bool TestHost::renderClone(Slot& s, size_t index) {
    const std::vector<unsigned char> chunk = s.instance.getChunk();
    PluginInstance clone;
    if (chunk.empty() || !clone.create(module)) {
        say("error renderclone: no chunk or no instance");
        return false;
    }
    clone.open();
    clone.setSampleRate(sampleRate);
    clone.setBlockSize(blockSize);
    clone.setChunk(chunk);
    clone.setProgram(s.instance.program());
    clone.resume();
    render(clone, "renderclone", index);
    clone.suspend();
    clone.close();
    return true;
}

bool TestHost::writeChunk(Slot& s, const std::string& path) {
    const std::vector<unsigned char> chunk = s.instance.getChunk();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    if (!out || chunk.empty()) {
        say("error chunk: cannot write %s", path.c_str());
        return false;
    }
    say("chunk %zu %s program %d", s.index, path.c_str(), s.instance.program());
    return true;
}

void TestHost::printPath(Slot& s, size_t index) {
    const std::vector<unsigned char> chunk = s.instance.getChunk();
    const size_t start = static_cast<size_t>(s.instance.program()) * programSize + pathOffset;
    std::string path;
    if (chunk.size() >= start + pathSize) {
        const char* text = reinterpret_cast<const char*>(chunk.data() + start);
        path.assign(text, strnlen(text, pathSize));
    }
    say("path %zu %s", index, path.empty() ? "(none)" : path.c_str());
}

bool TestHost::setSample(Slot& s, const std::string& path) {
    std::vector<unsigned char> chunk = s.instance.getChunk();
    const size_t start = static_cast<size_t>(s.instance.program()) * programSize + pathOffset;
    if (chunk.size() < start + pathSize || path.size() >= pathSize) {
        say("error sample: no chunk, or the path is too long");
        return false;
    }
    std::memset(chunk.data() + start, 0, pathSize);
    std::memcpy(chunk.data() + start, path.data(), path.size());
    s.instance.setChunk(chunk);
    printPath(s, s.index);
    return true;
}

bool TestHost::play(Slot& s, int notes) {
    stop(s);
    s.playing.store(true);
    PluginInstance* instance = &s.instance;
    std::atomic<bool>* playing = &s.playing;
    s.audio = std::thread([instance, playing, notes] {
        MidiEventList events;
        for (int i = 0; i < notes; ++i)
            events.noteOn(0, 0, 48 + i, 100);
        const auto period = std::chrono::microseconds(static_cast<int64_t>(1e6 * blockSize / sampleRate));
        auto next = std::chrono::steady_clock::now();
        while (playing->load()) {
            instance->processEvents(events);
            instance->runProcess(blockSize);
            events.clear();
            next += period;
            std::this_thread::sleep_until(next);
        }
        events.controller(0, 0, 123, 0);  // all notes off
        instance->processEvents(events);
        renderUntilSilent(*instance);
    });
    return true;
}

void TestHost::stop(Slot& s) {
    s.playing.store(false);
    if (s.audio.joinable())
        s.audio.join();
}

void TestHost::closeAll() {
    for (auto& s : slots) {
        stop(*s);
        if (!s->instance.effect())
            continue;
        if (s->editorOpen)
            s->instance.dispatch(effEditClose);
        s->editorOpen = false;
        s->instance.suspend();
        s->instance.close();
        if (s->hostWindow)
            XDestroyWindow(display, s->hostWindow);
        s->hostWindow = 0;
    }
    XSync(display, False);
}
