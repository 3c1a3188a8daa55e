// Live input, the tick count, sleeping and the single paint-message pump.
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Scale.h"

namespace platform {

// The high bit of GetAsyncKeyState is the key's state at this moment.
bool isKeyDown(Key key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

bool cursorScreenPosition(int32_t& x, int32_t& y) {
  POINT p;
  if (!GetCursorPos(&p)) return false;
  x = p.x;
  y = p.y;
  win32scale::toPanelScreenPosition(x, y);
  return true;
}

uint32_t tickCount() { return GetTickCount(); }

void sleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }

bool dispatchOnePaintMessage() {
  MSG message;
  if (!PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) return false;
  DispatchMessageA(&message);
  return true;
}

// Windows delivers window messages itself.
void processPendingEvents() {}

}  // namespace platform
