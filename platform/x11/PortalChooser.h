// The desktop's own file chooser, asked for through its portal on the
// session bus: the request goes out on a private connection and the answer
// comes back later as a signal, read without waiting.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"

struct DBusConnection;
struct DBusMessage;

namespace x11 {

// A file:// URI as a local path. False for other schemes, other hosts and
// bad or zero escapes.
bool pathFromFileUri(const std::string& uri, std::string& path);

class PortalChooser {
public:
    enum class State {
        waiting,    // the portal has the request, or is still to take it
        chosen,     // path() holds what the user chose, not yet checked
        cancelled,  // the user closed the chooser
        failed,     // the portal refused or vanished: nothing is shown
    };

    // Sends the request to the session's portal. Null, with nothing shown,
    // when the session has no bus or it cannot be reached (or
    // PARVOLINO_NO_PORTAL is set). parentWindow: the top-level window the
    // chooser stays above (0: none).
    static std::unique_ptr<PortalChooser> start(const platform::OpenFileRequest& request,
                                                unsigned long parentWindow);
    ~PortalChooser();
    PortalChooser(const PortalChooser&) = delete;
    PortalChooser& operator=(const PortalChooser&) = delete;

    // Takes what the bus has for us, never waiting, and tells where it stands.
    State poll();
    const std::string& path() const { return chosenPath; }

private:
    PortalChooser() = default;
    void take(DBusMessage* message);
    void watchHandle(const std::string& path);

    DBusConnection* connection = nullptr;
    uint32_t callSerial = 0;
    bool replied = false;
    std::chrono::steady_clock::time_point sent;
    std::string expectedHandle;  // where the portal puts the request, as the client computes it
    std::string handle;          // where it says it put it
    State state = State::waiting;
    std::string chosenPath;
};

}  // namespace x11
