#include "platform/x11/DropRules.h"

#include <X11/X.h>

#include "platform/Platform.h"

namespace x11 {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The path of one file: URI, or false when it names no local file.
bool pathFromFileUri(const std::string& uri, const std::string& localHost, std::string& path) {
    // The scheme is case-insensitive.
    if (uri.size() < 6 || !equalsIgnoringCase(uri.substr(0, 5), "file:"))
        return false;
    std::string rest = uri.substr(5);
    if (startsWith(rest, "//")) {
        const size_t slash = rest.find('/', 2);
        if (slash == std::string::npos)
            return false;
        const std::string host = rest.substr(2, slash - 2);
        if (!host.empty() && !equalsIgnoringCase(host, "localhost") &&
            (localHost.empty() || !equalsIgnoringCase(host, localHost)))
            return false;  // a file on another machine
        rest = rest.substr(slash);
    }
    if (!startsWith(rest, "/"))
        return false;
    // A query or fragment is not part of the path.
    const size_t end = rest.find_first_of("?#");
    if (end != std::string::npos)
        rest.resize(end);
    return percentDecode(rest, path) && !path.empty();
}

}  // namespace

bool percentDecode(const std::string& text, std::string& decoded) {
    decoded.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        const char byte = static_cast<char>(high * 16 + low);
        if (byte == '\0')
            return false;  // no path holds a zero byte
        decoded += byte;
        i += 2;
    }
    return true;
}

std::vector<std::string> filePathsFromUriList(const std::string& list, const std::string& localHost) {
    std::vector<std::string> paths;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0'))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::string path;
        if (pathFromFileUri(line, localHost, path))
            paths.push_back(path);
    }
    return paths;
}

uint32_t effectsForAction(DragAction requested) {
    switch (requested) {
    case DragAction::copy: return platform::dropEffectCopy;
    case DragAction::move: return platform::dropEffectMove;
    case DragAction::link: return platform::dropEffectLink;
    case DragAction::none: return platform::dropEffectNone;
    case DragAction::other: break;
    }
    return platform::dropEffectCopy | platform::dropEffectMove | platform::dropEffectLink;
}

DragAction reportedAction(uint32_t effect) {
    if (effect & (platform::dropEffectCopy | platform::dropEffectMove))
        return DragAction::copy;
    if (effect & platform::dropEffectLink)
        return DragAction::link;
    return DragAction::none;
}

uint32_t keyStateFromMask(unsigned int mask) {
    uint32_t keys = 0;
    if (mask & Button1Mask)
        keys |= 0x0001;  // MK_LBUTTON
    if (mask & Button3Mask)
        keys |= 0x0002;  // MK_RBUTTON
    if (mask & ShiftMask)
        keys |= 0x0004;  // MK_SHIFT
    if (mask & ControlMask)
        keys |= 0x0008;  // MK_CONTROL
    if (mask & Button2Mask)
        keys |= 0x0010;  // MK_MBUTTON
    if (mask & Mod1Mask)
        keys |= 0x0020;  // MK_ALT
    return keys;
}

}  // namespace x11
