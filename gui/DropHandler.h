#pragma once
// What the frame asks when files are dragged over it and no view of its own
// takes them: the editor decides for the whole panel.

#include <cstdint>

class DropHandler {
public:
    // While the drag is over the panel: would a drop of these be taken?
    virtual bool acceptsDrop(const char* const* names, int32_t count) = 0;
    // At the drop; true when the files were taken.
    virtual bool takeDrop(const char* const* names, int32_t count) = 0;

protected:
    ~DropHandler() = default;
};
