#include "platform/x11/PortalChooser.h"

#include <dbus/dbus.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/x11/DialogCommand.h"
#include "platform/x11/DropRules.h"

namespace x11 {

namespace {

constexpr char portalName[] = "org.freedesktop.portal.Desktop";
constexpr char portalPath[] = "/org/freedesktop/portal/desktop";
constexpr char chooserInterface[] = "org.freedesktop.portal.FileChooser";
constexpr char requestInterface[] = "org.freedesktop.portal.Request";
// The portal answers the call at once and the user later; a portal that
// does not even answer the call is given up for the dialog programs.
constexpr auto replyLimit = std::chrono::seconds(25);
constexpr int greetingLimitMs = 1000;
// libdbus waits without end for a bus's answer to its authentication, so
// the bus is asked first by hand, this long at most.
constexpr int probeLimitMs = 500;

// libdbus aborts on text that is not UTF-8, so such text never reaches it.
std::string utf8(const std::string& text) {
    return dbus_validate_utf8(text.c_str(), nullptr) ? text : std::string("?");
}

// The token the request's object path ends in, unique in this process.
std::string uniqueToken() {
    static std::atomic<unsigned> count{0};
    return "parvolino_" + std::to_string(getpid()) + "_" + std::to_string(++count);
}

// Where the portal puts a request: the caller's unique name without its
// colon and with underscores for dots, then the token.
std::string requestPath(const char* uniqueName, const std::string& token) {
    std::string sender = uniqueName && *uniqueName == ':' ? uniqueName + 1 : (uniqueName ? uniqueName : "");
    for (char& c : sender) {
        if (c == '.')
            c = '_';
    }
    return std::string(portalPath) + "/request/" + sender + "/" + token;
}

// An option of the a{sv} dictionary: opens the entry and its variant.
struct Entry {
    DBusMessageIter entry;
    DBusMessageIter variant;
    DBusMessageIter* dictionary;
    Entry(DBusMessageIter* dict, const char* key, const char* signature) : dictionary(dict) {
        dbus_message_iter_open_container(dictionary, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
        dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &variant);
    }
    ~Entry() {
        dbus_message_iter_close_container(&entry, &variant);
        dbus_message_iter_close_container(dictionary, &entry);
    }
};

void appendString(DBusMessageIter* into, const std::string& text) {
    const char* value = text.c_str();
    dbus_message_iter_append_basic(into, DBUS_TYPE_STRING, &value);
}

void appendBoolean(DBusMessageIter* dict, const char* key, bool value) {
    Entry entry(dict, key, "b");
    const dbus_bool_t flag = value ? TRUE : FALSE;
    dbus_message_iter_append_basic(&entry.variant, DBUS_TYPE_BOOLEAN, &flag);
}

// The filters as a(sa(us)): each description with its glob patterns (kind 0).
void appendFilters(DBusMessageIter* dict, const platform::OpenFileRequest& request) {
    const auto filters = caseFreeFilters(request);
    if (filters.empty())
        return;
    Entry entry(dict, "filters", "a(sa(us))");
    DBusMessageIter list;
    dbus_message_iter_open_container(&entry.variant, DBUS_TYPE_ARRAY, "(sa(us))", &list);
    for (const auto& [description, patterns] : filters) {
        DBusMessageIter filter;
        DBusMessageIter globs;
        dbus_message_iter_open_container(&list, DBUS_TYPE_STRUCT, nullptr, &filter);
        appendString(&filter, utf8(description));
        dbus_message_iter_open_container(&filter, DBUS_TYPE_ARRAY, "(us)", &globs);
        for (const std::string& pattern : patterns) {
            DBusMessageIter glob;
            const dbus_uint32_t kind = 0;
            dbus_message_iter_open_container(&globs, DBUS_TYPE_STRUCT, nullptr, &glob);
            dbus_message_iter_append_basic(&glob, DBUS_TYPE_UINT32, &kind);
            appendString(&glob, utf8(pattern));
            dbus_message_iter_close_container(&globs, &glob);
        }
        dbus_message_iter_close_container(&filter, &globs);
        dbus_message_iter_close_container(&list, &filter);
    }
    dbus_message_iter_close_container(&entry.variant, &list);
}

// A folder is bytes, not text: sent as it is, with its terminating zero.
void appendFolder(DBusMessageIter* dict, const char* folder) {
    if (!folder || !*folder)
        return;
    Entry entry(dict, "current_folder", "ay");
    DBusMessageIter bytes;
    const unsigned char* data = reinterpret_cast<const unsigned char*>(folder);
    dbus_message_iter_open_container(&entry.variant, DBUS_TYPE_ARRAY, DBUS_TYPE_BYTE_AS_STRING, &bytes);
    dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data, static_cast<int>(std::strlen(folder) + 1));
    dbus_message_iter_close_container(&entry.variant, &bytes);
}

DBusMessage* openFileCall(const platform::OpenFileRequest& request, unsigned long parentWindow,
                          const std::string& token) {
    DBusMessage* call = dbus_message_new_method_call(portalName, portalPath, chooserInterface, "OpenFile");
    if (!call)
        return nullptr;
    char parent[32] = "";
    if (parentWindow)
        std::snprintf(parent, sizeof parent, "x11:%lx", parentWindow);
    DBusMessageIter arguments;
    DBusMessageIter dict;
    dbus_message_iter_init_append(call, &arguments);
    appendString(&arguments, parent);
    appendString(&arguments, utf8(request.title ? request.title : ""));
    dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, "{sv}", &dict);
    {
        Entry entry(&dict, "handle_token", "s");
        appendString(&entry.variant, token);
    }
    appendBoolean(&dict, "modal", true);
    appendBoolean(&dict, "multiple", false);
    appendFilters(&dict, request);
    appendFolder(&dict, request.initialFolder);
    dbus_message_iter_close_container(&arguments, &dict);
    return call;
}

// The first of the "uris" in a Response's results; empty when there is none.
std::string firstUri(DBusMessageIter* results) {
    if (dbus_message_iter_get_arg_type(results) != DBUS_TYPE_ARRAY)
        return {};
    DBusMessageIter dict;
    for (dbus_message_iter_recurse(results, &dict); dbus_message_iter_get_arg_type(&dict) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&dict)) {
        DBusMessageIter entry;
        DBusMessageIter variant;
        DBusMessageIter uris;
        const char* key = nullptr;
        dbus_message_iter_recurse(&dict, &entry);
        if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_STRING)
            continue;
        dbus_message_iter_get_basic(&entry, &key);
        if (std::strcmp(key, "uris") != 0 || !dbus_message_iter_next(&entry) ||
            dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_VARIANT)
            continue;
        dbus_message_iter_recurse(&entry, &variant);
        if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_ARRAY)
            continue;
        dbus_message_iter_recurse(&variant, &uris);
        if (dbus_message_iter_get_arg_type(&uris) != DBUS_TYPE_STRING)
            return {};
        const char* uri = nullptr;
        dbus_message_iter_get_basic(&uris, &uri);
        return uri ? uri : "";
    }
    return {};
}

void addMatch(DBusConnection* connection, const std::string& path) {
    const std::string rule = "type='signal',sender='" + std::string(portalName) + "',interface='" +
                             requestInterface + "',member='Response',path='" + path + "'";
    dbus_bus_add_match(connection, rule.c_str(), nullptr);  // without an error: does not wait for the bus
}

}  // namespace

bool pathFromFileUri(const std::string& uri, std::string& path) {
    constexpr char scheme[] = "file://";
    if (uri.compare(0, sizeof scheme - 1, scheme) != 0)
        return false;
    const size_t start = uri.find('/', sizeof scheme - 1);
    if (start == std::string::npos)
        return false;
    const std::string host = uri.substr(sizeof scheme - 1, start - (sizeof scheme - 1));
    if (!host.empty() && host != "localhost")
        return false;  // a file on another machine
    return percentDecode(uri.substr(start), path);
}

namespace {

// Connects to the socket of a unix: bus address (a path or an abstract
// name); -1 for any other kind of address.
int connectToBus(const char* address) {
    DBusAddressEntry** entries = nullptr;
    int count = 0;
    if (!dbus_parse_address(address, &entries, &count, nullptr))
        return -1;
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    socklen_t length = 0;
    if (count > 0 && std::strcmp(dbus_address_entry_get_method(entries[0]), "unix") == 0) {
        const char* path = dbus_address_entry_get_value(entries[0], "path");
        const char* abstract = dbus_address_entry_get_value(entries[0], "abstract");
        const char* name = path ? path : abstract;
        const size_t room = sizeof where.sun_path - 1;
        if (name && std::strlen(name) < room) {
            const size_t at = path ? 0 : 1;  // an abstract name starts after a zero byte
            std::memcpy(where.sun_path + at, name, std::strlen(name));
            length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + at + std::strlen(name) + (path ? 1 : 0));
        }
    }
    dbus_address_entries_free(entries);
    if (length == 0)
        return -1;
    const int socketId = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socketId < 0)
        return -1;
    if (connect(socketId, reinterpret_cast<const sockaddr*>(&where), length) != 0) {
        close(socketId);
        return -1;
    }
    return socketId;
}

// Whether the bus answers the first words of a connection soon: a bus that
// takes connections but never reads them would otherwise hold the host's
// thread in libdbus for good.
bool busAnswersSoon(const char* address) {
    const int socketId = connectToBus(address);
    if (socketId < 0)
        return false;
    char uid[32];
    std::snprintf(uid, sizeof uid, "%u", static_cast<unsigned>(getuid()));
    std::string hello(1, '\0');
    hello += "AUTH EXTERNAL ";
    for (const char* c = uid; *c; ++c) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(*c));
        hello += hex;
    }
    hello += "\r\n";
    bool answered = false;
    if (send(socketId, hello.data(), hello.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(hello.size())) {
        pollfd wait{socketId, POLLIN, 0};
        char reply[64];
        // Any answer (OK, or REJECTED naming other ways in) shows a live bus.
        answered = poll(&wait, 1, probeLimitMs) == 1 && recv(socketId, reply, sizeof reply, 0) > 0;
    }
    close(socketId);
    return answered;
}

// The bus's greeting, which gives the connection its unique name, with a
// short wait: a bus that takes the connection but never answers must not
// hold the host's thread for libdbus's usual 25 s.
bool greetBus(DBusConnection* connection) {
    DBusMessage* hello =
        dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello");
    if (!hello)
        return false;
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection, hello, greetingLimitMs, &error);
    dbus_message_unref(hello);
    const char* name = nullptr;
    const bool greeted = reply &&
                         dbus_message_get_args(reply, &error, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID) && name &&
                         dbus_bus_set_unique_name(connection, name);
    if (reply)
        dbus_message_unref(reply);
    dbus_error_free(&error);
    return greeted;
}

}  // namespace

std::unique_ptr<PortalChooser> PortalChooser::start(const platform::OpenFileRequest& request,
                                                    unsigned long parentWindow) {
    // Without an address libdbus would start a bus of its own: no portal then.
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* off = std::getenv("PARVOLINO_NO_PORTAL");
    if (!address || !*address || (off && *off && std::strcmp(off, "0") != 0))
        return nullptr;

    if (!busAnswersSoon(address))
        return nullptr;

    DBusError error;
    dbus_error_init(&error);
    // A connection of our own, so the host's use of the bus is not disturbed.
    DBusConnection* connection = dbus_connection_open_private(address, &error);
    if (!connection) {
        dbus_error_free(&error);
        return nullptr;
    }
    std::unique_ptr<PortalChooser> chooser(new PortalChooser);
    chooser->connection = connection;
    dbus_connection_set_exit_on_disconnect(connection, FALSE);  // the bus going away never ends the host
    if (!greetBus(connection))
        return nullptr;

    const std::string token = uniqueToken();
    chooser->expectedHandle = requestPath(dbus_bus_get_unique_name(connection), token);
    // Listening before asking, so an answer that comes at once is not missed.
    chooser->watchHandle(chooser->expectedHandle);
    DBusMessage* call = openFileCall(request, parentWindow, token);
    if (!call)
        return nullptr;
    // An absent portal is told by the bus's error answer, read at a later idle.
    const bool sent = dbus_connection_send(connection, call, &chooser->callSerial);
    dbus_message_unref(call);
    if (!sent)
        return nullptr;
    dbus_connection_flush(connection);
    chooser->sent = std::chrono::steady_clock::now();
    return chooser;
}

PortalChooser::~PortalChooser() {
    if (!connection)
        return;
    // The portal closes what our connection asked for when it goes.
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
}

void PortalChooser::watchHandle(const std::string& path) {
    addMatch(connection, path);
    handle = path;
}

void PortalChooser::take(DBusMessage* message) {
    const int type = dbus_message_get_type(message);
    if ((type == DBUS_MESSAGE_TYPE_METHOD_RETURN || type == DBUS_MESSAGE_TYPE_ERROR) &&
        dbus_message_get_reply_serial(message) == callSerial) {
        replied = true;
        if (type == DBUS_MESSAGE_TYPE_ERROR) {
            state = State::failed;  // no portal, or one without a file chooser
            return;
        }
        // Older portals put the request elsewhere and say where.
        const char* path = nullptr;
        if (dbus_message_get_args(message, nullptr, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID) && path &&
            handle != path)
            watchHandle(path);
        return;
    }
    if (type != DBUS_MESSAGE_TYPE_SIGNAL || !dbus_message_is_signal(message, requestInterface, "Response"))
        return;
    const char* path = dbus_message_get_path(message);
    if (!path || (expectedHandle != path && handle != path))
        return;
    DBusMessageIter arguments;
    dbus_uint32_t response = 2;
    if (!dbus_message_iter_init(message, &arguments) ||
        dbus_message_iter_get_arg_type(&arguments) != DBUS_TYPE_UINT32)
        return;
    dbus_message_iter_get_basic(&arguments, &response);
    dbus_message_iter_next(&arguments);
    if (response != 0) {
        state = State::cancelled;  // 1: the user cancelled; 2: ended some other way
        return;
    }
    // A chosen URI that names no local file is no file chosen.
    state = pathFromFileUri(firstUri(&arguments), chosenPath) ? State::chosen : State::cancelled;
}

PortalChooser::State PortalChooser::poll() {
    if (state != State::waiting)
        return state;
    dbus_connection_read_write(connection, 0);
    while (state == State::waiting) {
        DBusMessage* message = dbus_connection_pop_message(connection);
        if (!message)
            break;
        take(message);
        dbus_message_unref(message);
    }
    if (state != State::waiting)
        return state;
    // The bus went away, or the portal never took the call.
    if (!dbus_connection_get_is_connected(connection) ||
        (!replied && std::chrono::steady_clock::now() - sent > replyLimit))
        state = State::failed;
    return state;
}

}  // namespace x11
