#include "gui/WindowClass.h"

#include <cstdio>

#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "platform/ModuleInstance.h"

namespace {

int32_t useCount = 0;
char className[24] = {};

}  // namespace

const char* getWindowClassName() {
    std::snprintf(className, sizeof className, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(moduleInstance) & 0xFFFFFFFFu));
    return className;
}

bool registerWindowClass() {
    if (useCount++ == 0) {
        platform::WindowClass windowClass;
        windowClass.name = getWindowClassName();
        windowClass.module = moduleInstance;
        windowClass.procedure = windowProcedure;
        windowClass.style = platform::classStyleGlobal;
        windowClass.backgroundSystemColor = platform::systemColorButtonFace;
        platform::registerWindowClass(windowClass);
    }
    return true;
}

void unregisterWindowClass() {
    if (useCount <= 0)
        return;
    if (--useCount == 0)
        platform::unregisterWindowClass(getWindowClassName(), moduleInstance);
}

int32_t getWindowClassUseCount() {
    return useCount;
}

intptr_t PARVOLINO_WINDOW_CALLBACK windowProcedure(platform::WindowHandle window, uint32_t message, uintptr_t wParam,
                                                   intptr_t lParam) {
    Frame* frame = static_cast<Frame*>(platform::windowUserData(window));
    switch (message) {
    case platform::messageDestroy:
        if (frame) {
            // The window is still there to revoke the drop target from.
            if (frame->isDropActive())
                frame->setDropActive(false);
            frame->open = false;
            frame->parentWindow = nullptr;
        }
        break;

    case platform::messagePaint:
        if (frame && platform::hasUpdateRegion(window)) {
            platform::PaintRecord paint;
            platform::SurfaceHandle surface = platform::beginPaint(window, paint);
            {
                DrawContext context(surface, window);
                frame->draw(&context);
            }
            platform::endPaint(window, paint);
            return 0;
        }
        break;

    case platform::messageLeftButtonDown:
    case platform::messageRightButtonDown:
    case platform::messageMiddleButtonDown:
        if (frame) {
            platform::SurfaceHandle surface = platform::windowSurface(window);
            {
                DrawContext context(surface, window);
                // Which button went down is not passed on: the view reads the
                // live button state itself.
                Point where(static_cast<int32_t>(lParam & 0xFFFF), static_cast<int32_t>((lParam >> 16) & 0xFFFF));
                frame->mouse(&context, where);
            }
            platform::releaseWindowSurface(window, surface);
            return 0;
        }
        break;

    default:
        break;
    }
    return platform::defaultWindowProcedure(window, message, wParam, lParam);
}
