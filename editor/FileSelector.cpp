#include "editor/FileSelector.h"

#include "gui/Frame.h"
#include "platform/Platform.h"

bool selectFile(Frame* owner, char* path, const char* title, const char* filter, const char* initialFolder) {
    platform::OpenFileRequest request;
    request.owner = owner ? owner->getSystemWindow() : nullptr;
    request.filter = filter;
    request.filterIndex = 1;
    request.file = path;
    request.maxFile = selectFilePathSize;
    request.title = title;
    request.initialFolder = initialFolder;
    // Only existing files can be confirmed; no read-only box; no extension
    // is appended to what the user chose.
    request.flags = platform::openFileExplorer | platform::openFileMustExist | platform::openFileHideReadOnly;
    return platform::runOpenFileDialog(request);
}
