// Receives files dragged onto the frame's window: answers the drag with the
// copy cursor when the frame would take the files and with no cursor
// otherwise, and at the drop collects the file names, resolves shortcuts
// among them and offers the list to the frame at the cursor.
//
// The platform layer gives it the drag calls (on Windows through an OLE
// IDropTarget of its own) and holds one reference while the registration
// lasts; the object deletes itself when its count falls to 0.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

class Frame;

class DropTarget : public platform::DropReceiver {
public:
    // Count 0: whoever keeps it takes the first reference.
    explicit DropTarget(Frame* frame);

    uint32_t addRef() override;
    // Deletes the object when the count falls to 0 or below.
    uint32_t release() override;
    // Asks the frame once whether it would take the dragged files, then as dragOver.
    int32_t dragEnter(platform::DropDataHandle data, uint32_t keyState, int32_t x, int32_t y,
                      uint32_t* effect) override;
    // The copy effect when the files would be taken, else none. Never a
    // move: the source would delete the user's files.
    int32_t dragOver(uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) override;
    int32_t dragLeave() override;
    // Offers the dropped file names to the frame at the cursor. Answers copy
    // when they were taken, else no effect.
    int32_t drop(platform::DropDataHandle data, uint32_t keyState, int32_t x, int32_t y,
                 uint32_t* effect) override;

    int32_t getReferenceCount() const { return referenceCount; }
    Frame* getFrame() const { return frame; }
    // Targets alive in the process (for tests that prove none is left behind).
    static int32_t getLiveCount();

private:
    ~DropTarget() override;

    // Collects the names of a drag's file list, shortcuts resolved, and
    // hands them to use; false when there is no file list.
    template <typename Use>
    bool withDroppedNames(platform::DropDataHandle data, Use use);

    int32_t referenceCount = 0;
    Frame* frame;
    bool accepting = false;
};

// Replaces a ".lnk" shortcut name (any letter case) by its target's short
// path. out holds 1024 bytes and may be the same buffer as path. False, with
// out unchanged, for any other name or a shortcut that cannot be resolved.
bool resolveShortcut(const char* path, char* out);
