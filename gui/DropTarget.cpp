#include "gui/DropTarget.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "gui/Frame.h"

namespace {

constexpr uint32_t nameBufferSize = 1024;
int32_t liveTargets = 0;

bool isShortcutName(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (!dot)
        return false;
    const char lnk[] = ".lnk";
    for (int i = 0; i < 5; ++i) {
        char c = dot[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lnk[i])
            return false;
    }
    return true;
}

}  // namespace

bool resolveShortcut(const char* path, char* out) {
    if (!path || !out || !isShortcutName(path))
        return false;
    return platform::resolveShellLink(path, out, nameBufferSize);
}

DropTarget::DropTarget(Frame* frame) : frame(frame) { ++liveTargets; }

DropTarget::~DropTarget() { --liveTargets; }

int32_t DropTarget::getLiveCount() { return liveTargets; }

uint32_t DropTarget::addRef() { return static_cast<uint32_t>(++referenceCount); }

uint32_t DropTarget::release() {
    const int32_t count = --referenceCount;
    if (count <= 0) {
        delete this;
        return 0;
    }
    return static_cast<uint32_t>(count);
}

template <typename Use>
bool DropTarget::withDroppedNames(platform::DropDataHandle data, Use use) {
    platform::DroppedFilesHandle files = frame ? platform::openDroppedFiles(data) : nullptr;
    const uint32_t count = files ? platform::droppedFileCount(files) : 0;
    // Plain allocation: this runs inside the platform's drag loop, where
    // nothing may be thrown.
    auto** names = count > 0 ? static_cast<char**>(std::calloc(count, sizeof(char*))) : nullptr;
    if (names) {
        int32_t stored = 0;
        char buffer[nameBufferSize];
        for (uint32_t i = 0; i < count; ++i) {
            if (!platform::droppedFileName(files, i, buffer, sizeof buffer))
                continue;
            buffer[sizeof buffer - 1] = 0;
            resolveShortcut(buffer, buffer);
            char* name = static_cast<char*>(std::malloc(nameBufferSize));
            if (!name)
                continue;
            std::memcpy(name, buffer, nameBufferSize);
            names[stored++] = name;
        }
        use(names, stored);
        for (int32_t i = 0; i < stored; ++i)
            std::free(names[i]);
        std::free(names);
    }
    if (files)
        platform::closeDroppedFiles(files);
    return names != nullptr;
}

int32_t DropTarget::dragEnter(platform::DropDataHandle data, uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) {
    accepting = false;
    withDroppedNames(data, [this](char** names, int32_t count) { accepting = frame->acceptsDrop(names, count); });
    return dragOver(keyState, x, y, effect);
}

int32_t DropTarget::dragOver(uint32_t, int32_t, int32_t, uint32_t* effect) {
    if (effect)
        *effect = accepting ? platform::dropEffectCopy : platform::dropEffectNone;
    return platform::dropResultOk;
}

int32_t DropTarget::dragLeave() {
    accepting = false;
    return platform::dropResultOk;
}

int32_t DropTarget::drop(platform::DropDataHandle data, uint32_t, int32_t, int32_t, uint32_t* effect) {
    bool taken = false;
    withDroppedNames(data, [this, &taken](char** names, int32_t count) {
        // The cursor now, in window coordinates; the point of the drop is not used.
        Point where;
        frame->getCurrentLocation(where);
        taken = frame->onDrop(names, count, 0, where);
    });
    dragLeave();
    if (effect)
        *effect = taken ? platform::dropEffectCopy : platform::dropEffectNone;
    return platform::dropResultOk;
}

// Lives here with the drop target so that the frame knows nothing of how a
// target is made.
bool Frame::setDropActive(bool active) {
    if (!window)
        return false;
    if (active) {
        DropTarget* target = new (std::nothrow) DropTarget(this);
        if (!target)
            return true;
        // Held across the call, so a refused registration frees the target.
        target->addRef();
        platform::registerDropTarget(window, target);
        target->release();
    } else {
        platform::revokeDropTarget(window);
    }
    dropActive = active;
    return true;
}
