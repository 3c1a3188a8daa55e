// The rules of the X drag-and-drop target that do not need a server: which
// dragged URIs become file paths, and which action the target reports back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace x11 {

// The file paths of a text/uri-list: one URI a line (CR LF or LF), lines
// starting with '#' are comments. Only file: URIs of this machine count
// ("file:///p", "file://localhost/p", "file://<localHost>/p", "file:/p");
// their %XX escapes are decoded. Anything else is left out.
std::vector<std::string> filePathsFromUriList(const std::string& list, const std::string& localHost);

// Decodes %XX escapes; false for a malformed escape or an encoded zero byte.
bool percentDecode(const std::string& text, std::string& decoded);

// The actions of the drag protocol, as far as the target tells them apart.
enum class DragAction { none, copy, move, link, other };

// The effects (platform::dropEffect*) a requested action allows.
uint32_t effectsForAction(DragAction requested);

// The action reported to the source for the receiver's effect. Never a move:
// the panel takes no files, and a source told "moved" would delete them.
DragAction reportedAction(uint32_t effect);

// What keys and buttons of an X state mask mean as the platform's MK_ flags.
uint32_t keyStateFromMask(unsigned int mask);

}  // namespace x11
