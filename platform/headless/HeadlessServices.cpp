// Artwork, dialogs and drag-and-drop of the headless backend: every answer
// comes from what the test scripted, and every request is recorded.
#include <algorithm>
#include <cstring>

#include "platform/ModalOpenFile.h"
#include "platform/headless/HeadlessState.h"
#include "platform/raster/RasterObjects.h"

namespace platform {

using headless::detail::liveWindow;
using headless::detail::state;

ImageHandle loadBitmapResource(void* module, int32_t resourceId) {
    const int32_t id = resourceId & 0xFFFF;
    ImageHandle image = nullptr;
    auto found = state().resources.find(id);
    if (found != state().resources.end())
        image = raster::createImage(found->second.width, found->second.height, found->second.pixels);
    else
        image = raster::loadEmbeddedImage(id);
    state().resourceLoads.push_back(headless::ResourceLoad{module, resourceId, image != nullptr});
    return image;
}

bool runOpenFileDialog(OpenFileRequest& request) {
    headless::OpenFileRecord record;
    record.owner = request.owner;
    for (const char* text = request.filter; text && *text; text += std::strlen(text) + 1)
        record.filter.emplace_back(text);
    record.filterIndex = request.filterIndex;
    if (request.file && request.maxFile > 0)
        record.initialFile.assign(request.file, strnlen(request.file, request.maxFile));
    record.maxFile = request.maxFile;
    record.title = request.title ? request.title : "";
    record.flags = request.flags;
    record.initialFolder = request.initialFolder ? request.initialFolder : "";
    state().fileRequests.push_back(record);

    auto& answers = state().fileAnswers;
    if (answers.empty())
        return false;
    const std::optional<std::string> answer = answers.front();
    answers.pop_front();
    // A path that does not fit the caller's buffer makes the dialog fail.
    if (!answer || !request.file || answer->size() + 1 > request.maxFile)
        return false;
    std::memcpy(request.file, answer->c_str(), answer->size() + 1);
    return true;
}

int32_t showMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
    state().messageBoxes.push_back(
        headless::MessageBoxRecord{owner, text ? text : "", caption ? caption : "", type});
    return 1;  // OK
}

// The dialog is modal here: it runs now, and done hears of it before this returns.
void startOpenFileDialog(const OpenFileRequest& request, OpenFileDone done) {
    runModalOpenFile(request, done);
}

bool startMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
    return showMessageBox(owner, text, caption, type) != 0;
}

bool registerDropTarget(WindowHandle window, DropReceiver* receiver) {
    WindowObject* w = liveWindow(window);
    if (!w || !receiver || w->dropReceiver)
        return false;
    receiver->addRef();
    w->dropReceiver = receiver;
    return true;
}

bool revokeDropTarget(WindowHandle window) {
    WindowObject* w = liveWindow(window);
    if (!w || !w->dropReceiver)
        return false;
    DropReceiver* receiver = w->dropReceiver;
    w->dropReceiver = nullptr;
    receiver->release();
    return true;
}

DroppedFilesHandle openDroppedFiles(DropDataHandle data) {
    if (!data || !data->hasFiles)
        return nullptr;
    ++state().openFileLists;
    return new DroppedFilesObject{data->files};
}

uint32_t droppedFileCount(DroppedFilesHandle files) { return droppedFileListCount(files); }

bool droppedFileName(DroppedFilesHandle files, uint32_t index, char* buffer, uint32_t size) {
    return droppedFileListName(files, index, buffer, size);
}

void closeDroppedFiles(DroppedFilesHandle files) {
    if (!files)
        return;
    --state().openFileLists;
    delete files;
}

bool resolveShellLink(const char* path, char* out, uint32_t size) {
    if (!path || !out)
        return false;
    auto found = state().shellLinks.find(path);
    if (found == state().shellLinks.end() || found->second.size() + 1 > size)
        return false;
    std::memmove(out, found->second.c_str(), found->second.size() + 1);
    return true;
}

}  // namespace platform

namespace headless {

using detail::state;

void addBitmapResource(int32_t resourceId, int32_t width, int32_t height, const std::vector<uint32_t>& pixels) {
    state().resources[resourceId & 0xFFFF] = detail::State::TestResource{width, height, pixels};
}

const std::vector<ResourceLoad>& resourceLoads() { return state().resourceLoads; }

void queueOpenFileAnswer(std::optional<std::string> path) { state().fileAnswers.push_back(std::move(path)); }

const std::vector<OpenFileRecord>& openFileRequests() { return state().fileRequests; }

const std::vector<MessageBoxRecord>& messageBoxes() { return state().messageBoxes; }

platform::DropReceiver* dropReceiver(platform::WindowHandle window) {
    return isWindow(window) ? window->dropReceiver : nullptr;
}

int32_t unrevokedDropTargets() { return state().unrevokedDropTargets; }

void addShellLink(const std::string& linkPath, const std::string& targetPath) {
    state().shellLinks[linkPath] = targetPath;
}

namespace {

DropOutcome drag(platform::WindowHandle window, platform::DropDataObject& data, int32_t x, int32_t y) {
    DropOutcome outcome;
    platform::DropReceiver* receiver = dropReceiver(window);
    if (!receiver)
        return outcome;
    InputState moved = input();
    moved.cursorX = x;
    moved.cursorY = y;
    setInput(moved);
    outcome.delivered = true;
    // The platform holds its own reference for the length of the drag.
    receiver->addRef();
    outcome.enterEffect = platform::dropEffectCopy | platform::dropEffectMove | platform::dropEffectLink;
    receiver->dragEnter(&data, 0, x, y, &outcome.enterEffect);
    outcome.overEffect = outcome.enterEffect;
    receiver->dragOver(0, x, y, &outcome.overEffect);
    outcome.dropEffect = outcome.overEffect;
    receiver->drop(&data, 0, x, y, &outcome.dropEffect);
    receiver->release();
    return outcome;
}

}  // namespace

DropOutcome dropFiles(platform::WindowHandle window, const std::vector<std::string>& names, int32_t x, int32_t y) {
    platform::DropDataObject data{true, names};
    return drag(window, data, x, y);
}

DropOutcome dropText(platform::WindowHandle window, const std::string&, int32_t x, int32_t y) {
    platform::DropDataObject data{false, {}};
    return drag(window, data, x, y);
}

int32_t openDroppedFileLists() { return state().openFileLists; }

}  // namespace headless
