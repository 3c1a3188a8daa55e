// Receives files dragged onto the frame's window: answers the drag with the
// move cursor, and at the drop collects the file names, resolves shortcuts
// among them and offers the list to the views under the cursor.
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
    // As dragOver.
    int32_t dragEnter(platform::DropDataHandle data, uint32_t keyState, int32_t x, int32_t y,
                      uint32_t* effect) override;
    // Shows the move cursor, whatever is dragged and wherever.
    int32_t dragOver(uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) override;
    int32_t dragLeave() override;
    // Offers the dropped file names to the frame at the cursor. Answers no
    // effect: a move reported here would let the drag source delete the
    // user's files, and no view keeps them.
    int32_t drop(platform::DropDataHandle data, uint32_t keyState, int32_t x, int32_t y,
                 uint32_t* effect) override;

    int32_t getReferenceCount() const { return referenceCount; }
    Frame* getFrame() const { return frame; }
    // Targets alive in the process (for tests that prove none is left behind).
    static int32_t getLiveCount();

private:
    ~DropTarget() override;

    int32_t referenceCount = 0;
    Frame* frame;
};

// Replaces a ".lnk" shortcut name (any letter case) by its target's short
// path. out holds 1024 bytes and may be the same buffer as path. False, with
// out unchanged, for any other name or a shortcut that cannot be resolved.
bool resolveShortcut(const char* path, char* out);
