// The test host: plug-in instances of one module, each with a top-level X
// window of its own for the editor, idled like a Linux host idles them, and
// driven by commands read from standard input, one a line. Every command
// answers "ok <command>" or "error <why>"; host callbacks that matter to the
// tests are printed as they happen ("host 0 beginEdit 2").
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/hostlib/PluginHost.h"

class TestHost {
public:
    TestHost(Display* display, PluginModule& module);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // Runs commands from the file descriptor until "quit" or its end; idles
    // every open editor in between. Returns the exit status.
    int run(int commandInput);

private:
    struct Slot;

    bool command(const std::vector<std::string>& words);
    void idleEditors();
    void pumpHostEvents();
    Slot* slot(const std::vector<std::string>& words, size_t index);

    bool newInstance();
    bool openEditor(Slot& s, int x, int y, bool takesDrags);
    void answerDrag(const XClientMessageEvent& message);
    bool closeEditor(Slot& s);
    bool destroyHostWindow(Slot& s);
    bool capture(Slot& s, const std::string& path);
    bool render(PluginInstance& instance, const char* label, size_t index);
    bool renderClone(Slot& s, size_t index);
    bool writeChunk(Slot& s, const std::string& path);
    void printPath(Slot& s, size_t index);
    bool setSample(Slot& s, const std::string& path);
    bool play(Slot& s, int notes);
    void stop(Slot& s);
    void closeAll();

    Display* display;
    PluginModule& module;
    std::vector<std::unique_ptr<Slot>> slots;
    bool quitting = false;
};
