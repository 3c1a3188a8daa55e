// The open-file dialog and the message box.
// windows.h first: the dialog header builds on it.
#include "platform/win32/Win32Handles.h"

#include <commdlg.h>

#include <cstddef>
#include <cstring>

#include "platform/ModalOpenFile.h"

namespace platform {

// The request in its early form: 76 bytes with 32-bit pointers, the same
// fields at their 64-bit size in the 64-bit module.
#if defined(__i386__)
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76);
#endif

bool runOpenFileDialog(OpenFileRequest& request) {
  OPENFILENAMEA ofn;
  ZeroMemory(&ofn, sizeof ofn);
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.hwndOwner = toHwnd(request.owner);
  ofn.hInstance = nullptr;
  ofn.lpstrFilter = request.filter;
  ofn.lpstrCustomFilter = nullptr;
  ofn.nMaxCustFilter = 0;
  ofn.nFilterIndex = request.filterIndex;
  ofn.lpstrFile = request.file;
  ofn.nMaxFile = request.maxFile;
  ofn.lpstrFileTitle = nullptr;
  ofn.nMaxFileTitle = 0;
  ofn.lpstrInitialDir = request.initialFolder && *request.initialFolder ? request.initialFolder : nullptr;
  ofn.lpstrTitle = request.title;
  ofn.Flags = request.flags;
  ofn.lpstrDefExt = nullptr;
  return GetOpenFileNameA(&ofn) != 0;
}

int32_t showMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
  return MessageBoxA(toHwnd(owner), text, caption, type);
}

// The dialog is modal here: it runs now, and done hears of it before this returns.
void startOpenFileDialog(const OpenFileRequest& request, OpenFileDone done) {
  runModalOpenFile(request, done);
}

bool startMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
  return showMessageBox(owner, text, caption, type) != 0;
}

}  // namespace platform
