#include "editor/FileSelector.h"

#include "gui/Frame.h"
#include "platform/Platform.h"

namespace {

platform::OpenFileRequest requestFor(Frame* owner, char* path, const char* title, const char* filter,
                                     const char* initialFolder) {
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
    return request;
}

}  // namespace

bool selectFile(Frame* owner, char* path, const char* title, const char* filter, const char* initialFolder) {
    platform::OpenFileRequest request = requestFor(owner, path, title, filter, initialFolder);
    return platform::runOpenFileDialog(request);
}

void startFileSelection(Frame* owner, const char* title, const char* filter, const char* initialFolder,
                        std::function<void(const FileSelection&)> done) {
    char empty[selectFilePathSize] = {};  // no initial name
    platform::startOpenFileDialog(requestFor(owner, empty, title, filter, initialFolder),
                                  [done = std::move(done)](const platform::OpenFileOutcome& outcome) {
                                      if (done)
                                          done(FileSelection{outcome.chosen, outcome.path, outcome.failure});
                                  });
}
