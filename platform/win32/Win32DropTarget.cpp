// OLE drag and drop: the IDropTarget that OLE calls, forwarding to the
// toolkit's receiver; the dropped file list; shell link resolution.
// Nothing here initialises OLE: the host has done that on its UI thread.
// windows.h first: the OLE and shell headers build on it.
#include "platform/win32/Win32Handles.h"

#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

namespace platform {

struct DroppedFilesObject {
  STGMEDIUM medium;
};

namespace {

// The COM face of a receiver. It holds one reference to the receiver for as
// long as OLE holds it, that is, while the registration lasts.
class ReceiverTarget final : public IDropTarget {
 public:
  explicit ReceiverTarget(DropReceiver* receiver) : receiver_(receiver) { receiver_->addRef(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --count_;
    if (n == 0) {
      receiver_->release();
      delete this;
    }
    return n;
  }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL p, DWORD* effect) override {
    uint32_t e = *effect;
    HRESULT hr = receiver_->dragEnter(reinterpret_cast<DropDataHandle>(data), keys, p.x, p.y, &e);
    *effect = e;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL p, DWORD* effect) override {
    uint32_t e = *effect;
    HRESULT hr = receiver_->dragOver(keys, p.x, p.y, &e);
    *effect = e;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return receiver_->dragLeave(); }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL p, DWORD* effect) override {
    uint32_t e = *effect;
    HRESULT hr = receiver_->drop(reinterpret_cast<DropDataHandle>(data), keys, p.x, p.y, &e);
    *effect = e;
    return hr;
  }

 private:
  ~ReceiverTarget() = default;
  ULONG count_ = 1;
  DropReceiver* receiver_;
};

}  // namespace

bool registerDropTarget(WindowHandle window, DropReceiver* receiver) {
  if (!window || !receiver) return false;
  auto* target = new ReceiverTarget(receiver);
  HRESULT hr = RegisterDragDrop(toHwnd(window), target);  // takes its own reference
  target->Release();
  return SUCCEEDED(hr);
}

bool revokeDropTarget(WindowHandle window) { return RevokeDragDrop(toHwnd(window)) == S_OK; }

DroppedFilesHandle openDroppedFiles(DropDataHandle data) {
  if (!data) return nullptr;
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium;
  ZeroMemory(&medium, sizeof medium);
  if (FAILED(reinterpret_cast<IDataObject*>(data)->GetData(&format, &medium))) return nullptr;
  if (medium.tymed != TYMED_HGLOBAL || !medium.hGlobal) {
    ReleaseStgMedium(&medium);
    return nullptr;
  }
  auto* files = new DroppedFilesObject;
  files->medium = medium;
  return files;
}

uint32_t droppedFileCount(DroppedFilesHandle files) {
  if (!files) return 0;
  return DragQueryFileA(static_cast<HDROP>(files->medium.hGlobal), 0xFFFFFFFF, nullptr, 0);
}

bool droppedFileName(DroppedFilesHandle files, uint32_t index, char* buffer, uint32_t size) {
  if (!files || !buffer || size == 0) return false;
  return DragQueryFileA(static_cast<HDROP>(files->medium.hGlobal), index, buffer, size) != 0;
}

void closeDroppedFiles(DroppedFilesHandle files) {
  if (!files) return;
  ReleaseStgMedium(&files->medium);
  delete files;
}

bool resolveShellLink(const char* path, char* out, uint32_t size) {
  if (!path || !out || size == 0) return false;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  IPersistFile* file = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    link->Release();
    return false;
  }
  bool ok = false;
  WCHAR wide[2048];
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 2048) > 0 && SUCCEEDED(file->Load(wide, STGM_READ)) &&
      // No user interface, any match, and give up after 500 ms (high word).
      SUCCEEDED(link->Resolve(nullptr, MAKELONG(SLR_NO_UI | SLR_ANY_MATCH, 500)))) {
    // Fetched aside, so a failure leaves the caller's buffer (which may be
    // the path itself) as it was.
    char target[MAX_PATH * 4];
    target[0] = 0;
    if (link->GetPath(target, sizeof target, nullptr, SLGP_SHORTPATH) == S_OK && target[0]) {
      size_t length = std::strlen(target);
      if (length < size) {
        std::memcpy(out, target, length + 1);
        ok = true;
      }
    }
  }
  file->Release();
  link->Release();
  return ok;
}

}  // namespace platform
