// A drag source for tests: drags files onto the window at a screen point the
// way a file manager does, and reports what the target answered. Like real
// sources it looks at the top-level window under the point only (the one a
// window manager manages, with WM_STATE), which must announce the X
// drag-and-drop protocol itself or name a proxy that does. It asks for a
// move, the riskiest action: a target that accepted it would have the
// source delete the files. This source only reports that and never deletes
// anything.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

struct DragReport {
    Window target = 0;     // the top-level the messages name
    Window recipient = 0;  // where they go: the target, or its drop proxy
    bool statusSeen = false;
    bool accepted = false;
    std::string statusAction;    // "copy", "move", "link", "none", ...
    bool dataServed = false;     // the target asked for the dragged data
    bool finishedSeen = false;
    bool finishAccepted = false;
    std::string finishAction;
};

// The file: URI of a path, with everything but unreserved characters and '/'
// percent-encoded.
std::string fileUri(const std::string& path);

// A message of the drag protocol from the source window, sent to the
// recipient and naming the target, as the protocol has it for proxies.
void sendDragMessage(Display* display, Window to, Window target, Window from, const char* type, long l1, long l2,
                     long l3, long l4);

// The top-level at the root point; recipient becomes the window that takes
// its drags (itself or its proxy), 0 when it takes none.
Window findTopLevel(Display* display, int rootX, int rootY, Window& recipient);

// Enter, position, drop; serves the data in the one type offered; waits for
// the answers.
DragReport dragData(Display* display, int rootX, int rootY, const std::string& type, const std::string& data);

// The same with files, offered as a text/uri-list.
DragReport dragFiles(Display* display, int rootX, int rootY, const std::vector<std::string>& paths);
