// Control of the headless backend for tests and for programs that draw the
// panel without a display: a virtual screen with host windows, scripted
// input that changes as the virtual clock advances, the paint queue,
// screenshots, test artwork, and scripted answers for the dialogs and drops.
//
// The backend is deterministic: the clock moves only when the program sleeps
// (or when a test moves it), and input changes only as scripted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/raster/RasterObjects.h"

namespace headless {

// Forgets every window, class, object, script and record, and sets the clock
// back to startTicks. Call it between tests, after everything made is gone.
void reset();

// ---------------------------------------------------------------------------
// The clock

constexpr uint32_t startTicks = 1000000;

uint32_t now();
void setClock(uint32_t ticks);
void advanceClock(uint32_t milliseconds);
// How often and for how long the program slept.
uint32_t sleepCalls();
uint64_t sleptMilliseconds();
// Every live input query advances the clock by this much (default 0), so a
// loop that polls input without sleeping still sees the script move on.
void setPollAdvance(uint32_t milliseconds);

// ---------------------------------------------------------------------------
// Input

struct InputState {
    bool leftButton = false;
    bool middleButton = false;
    bool rightButton = false;
    bool shift = false;
    bool control = false;
    bool alt = false;
    int32_t cursorX = 0;  // screen coordinates
    int32_t cursorY = 0;
};

// The state now (scripted changes that are due are applied first).
InputState input();
// Replaces the state now.
void setInput(const InputState& state);
// From the given tick on the state is this one; changes apply in tick order.
void scheduleInput(uint32_t atTicks, const InputState& state);
void clearInputScript();
// Live input queries made so far.
uint32_t inputQueries();

enum class Button { left, right, middle };

// Sends the button-down message for client point (x, y) without touching the
// live input, and returns the procedure's result.
intptr_t sendButtonDown(platform::WindowHandle window, Button button, int32_t x, int32_t y);
// A click as a user makes it: the cursor moves to client point (x, y), the
// button goes down now and comes up holdMilliseconds later (as scheduled
// input), and the button-down message is sent.
intptr_t click(platform::WindowHandle window, Button button, int32_t x, int32_t y, uint32_t holdMilliseconds);

// ---------------------------------------------------------------------------
// Windows

// A top-level window as a host makes one to hold a plug-in's window; it
// handles every message by default.
platform::WindowHandle createHostWindow(int32_t x, int32_t y, int32_t width, int32_t height);
// The scale the virtual screen asks for (percent, default 100), as
// windowScale reports it. Windows keep the size asked for: the picture here
// is the toolkit's own, which a real backend would show enlarged.
void setScreenScale(int32_t percent);
// Moves a window (relative to its parent, or on the screen for a host window).
void moveWindow(platform::WindowHandle window, int32_t x, int32_t y);

bool isWindow(platform::WindowHandle window);  // created and not destroyed
std::vector<platform::WindowHandle> childWindows(platform::WindowHandle parent);
// The topmost live window at the screen point, or null.
platform::WindowHandle windowAt(int32_t screenX, int32_t screenY);

struct WindowInfo {
    std::string className;
    std::string title;
    uint32_t style = 0;
    uint32_t extendedStyle = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    void* module = nullptr;
    platform::WindowHandle parent = nullptr;
};
// Details of a window, also after it was destroyed.
bool windowInfo(platform::WindowHandle window, WindowInfo& info);

bool isClassRegistered(const std::string& name);
int32_t registeredClassCount();
// Style, background and procedure of a registered class.
bool classDetails(const std::string& name, platform::WindowClass& details);

// Sends any message to the window's procedure.
intptr_t sendMessage(platform::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Marks an area (or, with null, the whole window) as needing paint, erasing
// it with the class background at the next paint.
void invalidate(platform::WindowHandle window, const platform::Bounds* area);
bool paintPending(platform::WindowHandle window);
// Dispatches queued paint messages until none is left (at most limit);
// returns how many were dispatched.
int32_t paintAll(int32_t limit = 100);
// Calls of processPendingEvents so far.
uint32_t eventPumps();
// Window surfaces taken on demand so far (each idle that draws takes one),
// and the area drawn through the last one given back.
uint32_t windowSurfacesTaken();
platform::Bounds lastDrawnArea();
// Calls that were given a window handle that is not a live window.
int32_t invalidWindowUses();

// ---------------------------------------------------------------------------
// Pixels

// The window's pixel at client (x, y) as 0x00RRGGBB (0 outside it).
uint32_t windowPixel(platform::WindowHandle window, int32_t x, int32_t y);
const raster::PixelImage* windowImage(platform::WindowHandle window);
bool saveWindowPng(platform::WindowHandle window, const char* path);

constexpr uint32_t rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return (static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) | blue;
}
// What the class background (the button-face colour) erases to.
constexpr uint32_t buttonFacePixel = rgb(240, 240, 240);

// ---------------------------------------------------------------------------
// Artwork

// A bitmap resource for tests: loading resource id (low 16 bits) gives an
// image of these pixels (0x00RRGGBB, top row first), for any module. Test
// resources take precedence over the module's embedded artwork.
void addBitmapResource(int32_t resourceId, int32_t width, int32_t height, const std::vector<uint32_t>& pixels);

struct ResourceLoad {
    void* module = nullptr;
    int32_t resourceId = 0;
    bool found = false;
};
const std::vector<ResourceLoad>& resourceLoads();

// ---------------------------------------------------------------------------
// Dialogs

// The answers the next open-file dialogs give, in order: a path is chosen,
// nullopt is a cancel. Without a queued answer the dialog is cancelled.
void queueOpenFileAnswer(std::optional<std::string> path);

struct OpenFileRecord {
    platform::WindowHandle owner = nullptr;
    std::vector<std::string> filter;  // the texts of the pair list, in order
    uint32_t filterIndex = 0;
    std::string initialFile;
    uint32_t maxFile = 0;
    std::string title;
    uint32_t flags = 0;
    std::string initialFolder;
};
const std::vector<OpenFileRecord>& openFileRequests();

struct MessageBoxRecord {
    platform::WindowHandle owner = nullptr;
    std::string text;
    std::string caption;
    uint32_t type = 0;
};
const std::vector<MessageBoxRecord>& messageBoxes();

// ---------------------------------------------------------------------------
// Drag and drop

platform::DropReceiver* dropReceiver(platform::WindowHandle window);
// Drops on a window that was destroyed while still registered.
int32_t unrevokedDropTargets();
// Shell links that resolveShellLink knows: link path to target path.
void addShellLink(const std::string& linkPath, const std::string& targetPath);

struct DropOutcome {
    bool delivered = false;  // a receiver was registered for the window
    uint32_t enterEffect = 0;
    uint32_t overEffect = 0;
    uint32_t dropEffect = 0;
};
// Drags file names onto the window at screen point (x, y): enter, over, drop,
// as the platform would; the cursor moves there first.
DropOutcome dropFiles(platform::WindowHandle window, const std::vector<std::string>& names, int32_t x, int32_t y);
// The same with data that holds no file list (a text selection).
DropOutcome dropText(platform::WindowHandle window, const std::string& text, int32_t x, int32_t y);
// File lists opened and not closed again.
int32_t openDroppedFileLists();

}  // namespace headless
