// The headless backend's world: windows, classes, clock, input script and
// the records tests read. One instance per process, used on one thread.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/Platform.h"
#include "platform/headless/HeadlessControl.h"
#include "platform/raster/DroppedFileList.h"
#include "platform/raster/PixelImage.h"

namespace platform {

struct WindowObject {
    std::string className;
    std::string title;
    void* module = nullptr;
    uint32_t style = 0;
    uint32_t extendedStyle = 0;
    WindowProcedure procedure = nullptr;  // null: default handling (host windows)
    int32_t classBackground = systemColorButtonFace;
    WindowObject* parent = nullptr;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    void* userData = nullptr;
    bool alive = true;
    raster::PixelImage pixels;
    Bounds update;  // empty: nothing to paint
    bool erasePending = false;
    DropReceiver* dropReceiver = nullptr;
};

struct DropDataObject {
    bool hasFiles = false;
    std::vector<std::string> files;
};


}  // namespace platform

namespace headless::detail {

struct ClassRecord {
    std::string name;
    void* module = nullptr;
    platform::WindowProcedure procedure = nullptr;
    uint32_t style = 0;
    int32_t background = 0;
};

struct ScriptedInput {
    uint32_t at = 0;
    InputState state;
};

struct State {
    uint32_t clock = startTicks;
    uint32_t pollAdvance = 0;
    uint32_t sleepCalls = 0;
    uint64_t slept = 0;
    uint32_t inputQueries = 0;
    InputState input;
    std::vector<ScriptedInput> script;  // in tick order

    std::vector<ClassRecord> classes;
    std::vector<std::unique_ptr<platform::WindowObject>> windows;  // every one made, in creation order
    std::unordered_set<const platform::WindowObject*> known;
    int32_t invalidWindowUses = 0;
    uint32_t eventPumps = 0;
    int32_t screenScale = 100;
    uint32_t windowSurfaces = 0;
    platform::Bounds lastDrawn;

    struct TestResource {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint32_t> pixels;
    };
    std::map<int32_t, TestResource> resources;
    std::vector<ResourceLoad> resourceLoads;

    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<OpenFileRecord> fileRequests;
    std::vector<MessageBoxRecord> messageBoxes;

    std::map<std::string, std::string> shellLinks;
    int32_t unrevokedDropTargets = 0;
    int32_t openFileLists = 0;
};

State& state();

// The window if it is live; otherwise counts a bad use and gives null.
platform::WindowObject* liveWindow(platform::WindowHandle window);
// The window's top-left corner on the screen.
void screenOrigin(const platform::WindowObject* window, int32_t& x, int32_t& y);
// Applies scripted input that is due.
void applyDueInput();

}  // namespace headless::detail
