// The narrow interface between the plug-in and the operating system's
// windowing, drawing, input, dialogs and drag-and-drop.
//
// Every operation here corresponds to one Win32 call (named in its comment)
// and keeps that call's semantics, so the toolkit's pixel rules and message
// handling come out the same on every backend. Backends are chosen at link
// time: win32/, x11/ and headless/ each define every function below.
//
// All calls are made on the user-interface thread. Handles are opaque; a null
// handle means "none" or "failed". Colours are colour references:
// red + green * 256 + blue * 65536.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Calling convention of the window procedure, so that on 32-bit Windows it
// can be registered with the window class as it is.
#if defined(_WIN32) && defined(__i386__)
#define PARVOLINO_WINDOW_CALLBACK __attribute__((stdcall))
#else
#define PARVOLINO_WINDOW_CALLBACK
#endif

namespace platform {

struct SurfaceObject;
struct WindowObject;
struct PenObject;
struct BrushObject;
struct FontObject;
struct ImageObject;
struct DropDataObject;
struct DroppedFilesObject;

using SurfaceHandle = SurfaceObject*;            // HDC
using WindowHandle = WindowObject*;              // HWND
using PenHandle = PenObject*;                    // HPEN
using BrushHandle = BrushObject*;                // HBRUSH
using FontHandle = FontObject*;                  // HFONT
using ImageHandle = ImageObject*;                // HBITMAP
using DropDataHandle = DropDataObject*;          // IDataObject*
using DroppedFilesHandle = DroppedFilesObject*;  // HDROP with its storage medium

using ColorRef = uint32_t;

constexpr ColorRef colorRef(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<ColorRef>(red) | (static_cast<ColorRef>(green) << 8) | (static_cast<ColorRef>(blue) << 16);
}

// A rectangle by its edges; right and bottom are exclusive where an area is meant.
struct Bounds {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// ---------------------------------------------------------------------------
// Drawing surfaces and their objects

// Font attributes, field for field as the platform's logical font record.
struct FontAttributes {
    int32_t height = 0;  // negative: character height without internal leading
    int32_t width = 0;   // 0: chosen by the platform
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 400;  // 400 normal, 700 bold
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;          // 0: ANSI
    uint8_t outPrecision = 0;     // 1: string precision
    uint8_t clipPrecision = 0;    // 2: stroke precision
    uint8_t quality = 0;          // 0: default
    uint8_t pitchAndFamily = 0;   // low bits pitch, high bits family
    char faceName[32] = {};       // zero-terminated
};

enum BackgroundMode : int32_t {
    backgroundTransparent = 1,  // TRANSPARENT
    backgroundOpaque = 2,       // OPAQUE
};

enum TextFormat : uint32_t {
    textLeft = 0x0,     // DT_LEFT
    textCenter = 0x1,   // DT_CENTER
    textRight = 0x2,    // DT_RIGHT
};

// GetCurrentObject: the object currently selected into the surface.
PenHandle currentPen(SurfaceHandle surface);
BrushHandle currentBrush(SurfaceHandle surface);
FontHandle currentFont(SurfaceHandle surface);

// SelectObject: makes the object current and returns the previous one
// (null when the surface or the object is not valid).
PenHandle selectPen(SurfaceHandle surface, PenHandle pen);
BrushHandle selectBrush(SurfaceHandle surface, BrushHandle brush);
FontHandle selectFont(SurfaceHandle surface, FontHandle font);
ImageHandle selectImage(SurfaceHandle memorySurface, ImageHandle image);

// DeleteObject: fails (false) for an object that is still current on a
// surface; the surface's built-in objects are never deleted.
bool deletePen(PenHandle pen);
bool deleteBrush(BrushHandle brush);
bool deleteFont(FontHandle font);
bool deleteImage(ImageHandle image);

// CreatePenIndirect (PS_SOLID), CreateBrushIndirect (BS_SOLID), CreateFontIndirectA.
PenHandle createSolidPen(int32_t width, ColorRef color);
BrushHandle createSolidBrush(ColorRef color);  // may fail
FontHandle createFont(const FontAttributes& attributes);

// SetBkMode, SetBkColor, SetTextColor; each returns the previous value.
int32_t setBackgroundMode(SurfaceHandle surface, BackgroundMode mode);
ColorRef setBackgroundColor(SurfaceHandle surface, ColorRef color);
ColorRef setTextColor(SurfaceHandle surface, ColorRef color);

// MoveToEx and LineTo: a line in the current pen from the current position
// up to, but not including, the end point, which becomes the current position.
void moveTo(SurfaceHandle surface, int32_t x, int32_t y);
void lineTo(SurfaceHandle surface, int32_t x, int32_t y);

// FillRect: columns left .. right-1 and rows top .. bottom-1.
void fillRect(SurfaceHandle surface, const Bounds& area, BrushHandle brush);

// DrawTextA with DT_SINGLELINE | DT_VCENTER and the horizontal format:
// one line, vertically centred in the box and clipped to it, in the current
// font and text colour; with the opaque background mode the text's cells are
// filled with the background colour first.
void drawText(SurfaceHandle surface, const char* text, const Bounds& box, TextFormat format);

// CreateCompatibleDC / DeleteDC: a memory surface to select an image into.
SurfaceHandle createCompatibleSurface(SurfaceHandle surface);
void deleteSurface(SurfaceHandle memorySurface);

// BitBlt with SRCCOPY: copies width x height pixels from (sourceX, sourceY)
// of the source surface to (x, y) of the destination, unchanged.
void copyBlock(SurfaceHandle destination, int32_t x, int32_t y, int32_t width, int32_t height,
               SurfaceHandle source, int32_t sourceX, int32_t sourceY);

// LoadBitmapA: the numbered bitmap resource of the module, or null when absent.
ImageHandle loadBitmapResource(void* module, int32_t resourceId);
// GetObjectA on a bitmap: its size in pixels.
bool imageSize(ImageHandle image, int32_t& width, int32_t& height);

// ---------------------------------------------------------------------------
// Windows and messages

// Message numbers are the Win32 ones; a backend delivers these five and may
// deliver others, which the window procedure hands to defaultWindowProcedure.
enum : uint32_t {
    messageDestroy = 0x0002,          // WM_DESTROY
    messagePaint = 0x000F,            // WM_PAINT
    messageLeftButtonDown = 0x0201,   // WM_LBUTTONDOWN
    messageRightButtonDown = 0x0204,  // WM_RBUTTONDOWN
    messageMiddleButtonDown = 0x0207, // WM_MBUTTONDOWN
};

// The position word pair of a button message: client x in the low 16 bits,
// client y in the high 16 bits.
constexpr intptr_t positionParameter(int32_t x, int32_t y) {
    return static_cast<intptr_t>((static_cast<uint32_t>(x) & 0xFFFFu) | ((static_cast<uint32_t>(y) & 0xFFFFu) << 16));
}

// WNDPROC.
using WindowProcedure = intptr_t(PARVOLINO_WINDOW_CALLBACK*)(WindowHandle window, uint32_t message,
                                                             uintptr_t wParam, intptr_t lParam);

constexpr uint32_t classStyleGlobal = 0x4000;        // CS_GLOBALCLASS
constexpr int32_t systemColorButtonFace = 15;        // COLOR_BTNFACE
constexpr uint32_t windowStyleChild = 0x40000000;    // WS_CHILD
constexpr uint32_t windowStyleVisible = 0x10000000;  // WS_VISIBLE

// RegisterClassA with the standard arrow cursor, no icon, no menu and no
// extra bytes; the background brush is the system colour given.
struct WindowClass {
    const char* name = nullptr;
    void* module = nullptr;
    WindowProcedure procedure = nullptr;
    uint32_t style = 0;
    int32_t backgroundSystemColor = systemColorButtonFace;
};
bool registerWindowClass(const WindowClass& windowClass);
// UnregisterClassA: fails while windows of the class exist.
bool unregisterWindowClass(const char* name, void* module);

// CreateWindowExA with no menu and no creation data.
struct WindowCreation {
    uint32_t extendedStyle = 0;
    const char* className = nullptr;
    const char* title = nullptr;
    uint32_t style = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    WindowHandle parent = nullptr;
    void* module = nullptr;
};
WindowHandle createWindow(const WindowCreation& creation);

// How much bigger than asked the screen wants the windows made under parent
// (null: the default screen), in percent: 100, 150 or 200. createWindow makes
// them that big and shows their picture enlarged; the toolkit still draws,
// and receives mouse positions, at the size it asked for.
int32_t windowScale(WindowHandle parent);

// DestroyWindow: the window (and any child of it) receives messageDestroy on
// the way; the handle is invalid afterwards.
bool destroyWindow(WindowHandle window);

// SetWindowLongPtrA / GetWindowLongPtrA with GWLP_USERDATA; null means none.
void setWindowUserData(WindowHandle window, void* data);
void* windowUserData(WindowHandle window);

// DefWindowProcA: default handling; a paint message validates the window.
intptr_t defaultWindowProcedure(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// GetUpdateRect(window, null, FALSE): whether part of the window needs painting.
bool hasUpdateRegion(WindowHandle window);

// BeginPaint / EndPaint. The record carries the platform's paint data between
// the two calls; the surface is confined to the region that needs painting,
// and ending the paint validates it.
struct PaintRecord {
    SurfaceHandle surface = nullptr;
    alignas(8) unsigned char platformData[96] = {};
};
SurfaceHandle beginPaint(WindowHandle window, PaintRecord& paint);
void endPaint(WindowHandle window, PaintRecord& paint);

// GetDC / ReleaseDC: the window's surface on demand, covering its whole client area.
SurfaceHandle windowSurface(WindowHandle window);
void releaseWindowSurface(WindowHandle window, SurfaceHandle surface);

// GetWindowRect: the window's rectangle in screen coordinates.
bool windowScreenRect(WindowHandle window, Bounds& rect);

// ---------------------------------------------------------------------------
// Live input

// Virtual-key codes as GetAsyncKeyState takes them.
enum Key : int32_t {
    keyLeftButton = 0x01,    // VK_LBUTTON
    keyRightButton = 0x02,   // VK_RBUTTON
    keyMiddleButton = 0x04,  // VK_MBUTTON
    keyShift = 0x10,         // VK_SHIFT
    keyControl = 0x11,       // VK_CONTROL
    keyAlt = 0x12,           // VK_MENU
};

// GetAsyncKeyState: whether the key or button is down at this moment.
bool isKeyDown(Key key);
// GetCursorPos: the cursor position in screen coordinates, now.
bool cursorScreenPosition(int32_t& x, int32_t& y);

// ---------------------------------------------------------------------------
// Time and the message pump

// GetTickCount: milliseconds, wrapping at 2^32.
uint32_t tickCount();
// Sleep.
void sleepMilliseconds(uint32_t milliseconds);
// PeekMessageA(WM_PAINT .. WM_PAINT, PM_REMOVE) then DispatchMessageA: takes
// one queued paint message of the calling thread and dispatches it. Returns
// whether there was one.
bool dispatchOnePaintMessage();
// Lets the backend deliver window events that are waiting for the calling
// thread (nothing to do where the platform delivers them itself).
void processPendingEvents();

// ---------------------------------------------------------------------------
// Dialogs

constexpr uint32_t openFileHideReadOnly = 0x4;   // OFN_HIDEREADONLY
constexpr uint32_t openFileMustExist = 0x1000;   // OFN_FILEMUSTEXIST
constexpr uint32_t openFileExplorer = 0x80000;   // OFN_EXPLORER

// GetOpenFileNameA; the fields the caller sets of the open-file request.
struct OpenFileRequest {
    WindowHandle owner = nullptr;
    const char* filter = nullptr;  // pairs of zero-terminated texts, then an extra zero
    uint32_t filterIndex = 1;
    char* file = nullptr;          // in: initial name; out: the chosen path
    uint32_t maxFile = 0;          // size of the file buffer in characters
    const char* title = nullptr;
    uint32_t flags = 0;
    const char* initialFolder = nullptr;  // lpstrInitialDir: null or empty for the system's choice
};
// Modal; true when a file was chosen (its full path is then in file).
bool runOpenFileDialog(OpenFileRequest& request);

constexpr uint32_t messageBoxOk = 0x0;          // MB_OK
constexpr uint32_t messageBoxIconError = 0x10;  // MB_ICONERROR

// MessageBoxA: modal; returns the button pressed (1 for OK), 0 on failure.
int32_t showMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type);

// What an open-file dialog that ran beside the caller came to.
struct OpenFileOutcome {
    bool chosen = false;            // a file was chosen: path holds it
    const char* path = nullptr;     // the chosen full path, valid during the call
    const char* failure = nullptr;  // why no dialog could be shown; null when the user answered
};
using OpenFileDone = std::function<void(const OpenFileOutcome&)>;

// The open-file dialog without holding the caller's thread where the
// platform allows it: starts the dialog and returns, and done runs from a
// later processPendingEvents on this thread. Where the dialog is modal and
// runs its own message loop (Windows), it runs here and done is called
// before this returns. The request's texts and initial name are copied;
// request.file is not written.
void startOpenFileDialog(const OpenFileRequest& request, OpenFileDone done);

// A message box with one OK button that does not hold the caller where the
// platform allows it (modal, as showMessageBox, elsewhere). False, with
// nothing shown, when the platform has no way to show one.
bool startMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type);

// ---------------------------------------------------------------------------
// Drag and drop

constexpr uint32_t dropEffectNone = 0;  // DROPEFFECT_NONE
constexpr uint32_t dropEffectCopy = 1;  // DROPEFFECT_COPY
constexpr uint32_t dropEffectMove = 2;  // DROPEFFECT_MOVE
constexpr uint32_t dropEffectLink = 4;  // DROPEFFECT_LINK
constexpr int32_t dropResultOk = 0;     // S_OK

// What the toolkit registers for a window to receive drags (IDropTarget's
// operations without the interface query, which the backend answers). The
// backend holds one reference while the registration lasts; release() returns
// the new count, and the receiver destroys itself at 0. Points are in screen
// coordinates; keyState carries the platform's MK_ flags.
class DropReceiver {
public:
    virtual uint32_t addRef() = 0;
    virtual uint32_t release() = 0;
    virtual int32_t dragEnter(DropDataHandle data, uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) = 0;
    virtual int32_t dragOver(uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) = 0;
    virtual int32_t dragLeave() = 0;
    virtual int32_t drop(DropDataHandle data, uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) = 0;

protected:
    virtual ~DropReceiver() = default;
};

// RegisterDragDrop (takes a reference; false when refused, e.g. a second
// registration for the same window) and RevokeDragDrop (drops it).
bool registerDropTarget(WindowHandle window, DropReceiver* receiver);
bool revokeDropTarget(WindowHandle window);

// IDataObject::GetData for a file list (CF_HDROP, content aspect, any index,
// global memory); null when the data holds no file list.
DroppedFilesHandle openDroppedFiles(DropDataHandle data);
// DragQueryFileA with index 0xFFFFFFFF: the number of names.
uint32_t droppedFileCount(DroppedFilesHandle files);
// DragQueryFileA: one name into the buffer, zero-terminated; false on failure.
bool droppedFileName(DroppedFilesHandle files, uint32_t index, char* buffer, uint32_t size);
// ReleaseStgMedium.
void closeDroppedFiles(DroppedFilesHandle files);

// Shell link resolution (IShellLinkA through IPersistFile::Load, Resolve with
// no user interface and a 500 ms time-out, GetPath in short form): the link
// file's target into out; false, with out unchanged, when any step fails or
// the platform has no shell links. out may be the same buffer as path.
bool resolveShellLink(const char* path, char* out, uint32_t size);

}  // namespace platform
