// The dialogs as child processes: a stand-in dialog program records how it
// was called and answers as told, while the panel keeps painting. The
// portal on a session bus of the test's own, answered by a stand-in.
#include "tests/x11/XServerFixture.h"

#include <X11/extensions/XTest.h>
#include <dbus/dbus.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr char waveFilter[] = "Wave (*.wav)\0*.wav\0";

// A folder holding a "zenity" that writes its arguments to a file, waits
// DIALOG_SLEEP seconds, prints DIALOG_ANSWER and exits with DIALOG_STATUS.
class StandInDialog {
public:
    StandInDialog() {
        char name[] = "/tmp/parvolino-standin-XXXXXX";
        folder = mkdtemp(name);
        const std::string program = folder + "/zenity";
        std::ofstream(program) << "#!/bin/sh\n"
                                  "printf '%s\\n' \"$@\" > \"$DIALOG_ARGUMENTS\"\n"
                                  "[ -n \"$DIALOG_SLEEP\" ] && /bin/sleep \"$DIALOG_SLEEP\"\n"
                                  "printf '%s' \"$DIALOG_ANSWER\"\n"
                                  "exit \"${DIALOG_STATUS:-0}\"\n";
        chmod(program.c_str(), 0755);
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", folder.c_str(), 1);
        // The dialog program, not a portal the desktop running the tests may have.
        if (const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
            savedBus = bus;
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        setenv("DIALOG_ARGUMENTS", (folder + "/arguments").c_str(), 1);
        answer("", 0);
        unsetenv("DIALOG_SLEEP");
    }
    ~StandInDialog() {
        setenv("PATH", savedPath.c_str(), 1);
        if (!savedBus.empty())
            setenv("DBUS_SESSION_BUS_ADDRESS", savedBus.c_str(), 1);
        else
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
        fs::remove_all(folder);
    }
    void answer(const std::string& text, int status) {
        setenv("DIALOG_ANSWER", text.c_str(), 1);
        setenv("DIALOG_STATUS", std::to_string(status).c_str(), 1);
    }
    std::vector<std::string> arguments() const {
        std::ifstream in(folder + "/arguments");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::string folder;
    std::string savedPath;
    std::string savedBus;
};

struct Chooser {
    char file[260] = "";
    platform::OpenFileRequest request;
    Chooser() {
        request.filter = waveFilter;
        request.file = file;
        request.maxFile = sizeof file;
        request.title = "Load Sample";
        request.flags = platform::openFileExplorer | platform::openFileMustExist | platform::openFileHideReadOnly;
    }
};

TEST(X11Dialogs, TheChosenFileComesBackAndEveryOtherAnswerIsNoFile) {
    StandInDialog dialog;
    const std::string sample = dialog.folder + "/take one.wav";
    std::ofstream(sample) << "RIFF";

    Chooser chooser;
    dialog.answer(sample + "\n", 0);
    ASSERT_TRUE(platform::runOpenFileDialog(chooser.request));
    EXPECT_STREQ(chooser.file, sample.c_str());
    const std::vector<std::string> arguments = dialog.arguments();
    EXPECT_EQ(arguments.at(0), "--file-selection");
    EXPECT_NE(std::find(arguments.begin(), arguments.end(), "--title=Load Sample"), arguments.end());

    dialog.answer("", 1);
    EXPECT_FALSE(platform::runOpenFileDialog(chooser.request)) << "cancelled";
    dialog.answer(dialog.folder + "/gone.wav\n", 0);
    EXPECT_FALSE(platform::runOpenFileDialog(chooser.request)) << "only existing files";
    dialog.answer("/" + std::string(259, 'x') + "\n", 0);
    EXPECT_FALSE(platform::runOpenFileDialog(chooser.request)) << "longer than 259 characters";
    dialog.answer(sample + "\n", 3);
    EXPECT_FALSE(platform::runOpenFileDialog(chooser.request)) << "the dialog failed";
}

TEST(X11Dialogs, WithoutADialogProgramTheUserIsToldOnStandardError) {
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    Chooser chooser;
    testing::internal::CaptureStderr();
    const bool chosen = platform::runOpenFileDialog(chooser.request);
    const int box = platform::showMessageBox(nullptr, "Not a WAV file", "Error",
                                             platform::messageBoxOk | platform::messageBoxIconError);
    const std::string said = testing::internal::GetCapturedStderr();
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_FALSE(chosen);
    EXPECT_EQ(box, 0);
    EXPECT_NE(said.find("no file chooser"), std::string::npos) << said;
    EXPECT_NE(said.find("Error: Not a WAV file"), std::string::npos) << said;
}

TEST(X11Dialogs, TheErrorBoxIsShownWithItsTitleAndAnswersOk) {
    StandInDialog dialog;
    EXPECT_EQ(platform::showMessageBox(nullptr, "Not a WAV file", "Error",
                                       platform::messageBoxOk | platform::messageBoxIconError),
              1);
    const std::vector<std::string> arguments = dialog.arguments();
    EXPECT_EQ(arguments, (std::vector<std::string>{"--error", "--title=Error", "--text=Not a WAV file", "--no-markup",
                                                   "--modal"}));
}

TEST(X11Dialogs, TheChooserBesideTheHostReturnsAtOnceAndFinishesAtALaterIdle) {
    StandInDialog dialog;
    const std::string sample = dialog.folder + "/take two.wav";
    std::ofstream(sample) << "RIFF";
    dialog.answer(sample + "\n", 0);
    setenv("DIALOG_SLEEP", "0.4", 1);

    int calls = 0;
    platform::OpenFileOutcome seen;
    std::string path;
    std::string failure;
    // The texts are valid during the call only.
    auto done = [&](const platform::OpenFileOutcome& outcome) {
        ++calls;
        seen = outcome;
        path = outcome.path ? outcome.path : "";
        failure = outcome.failure ? outcome.failure : "";
    };
    {
        Chooser chooser;  // the request's storage ends before the answer comes
        const auto before = std::chrono::steady_clock::now();
        platform::startOpenFileDialog(chooser.request, done);
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(300)) << "did not wait";
    }
    platform::processPendingEvents();
    EXPECT_EQ(calls, 0) << "still open";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (calls == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        platform::processPendingEvents();
    }
    ASSERT_EQ(calls, 1);
    EXPECT_TRUE(seen.chosen);
    EXPECT_EQ(path, sample);
    EXPECT_EQ(failure, "");
    const std::vector<std::string> arguments = dialog.arguments();
    EXPECT_NE(std::find(arguments.begin(), arguments.end(), "--title=Load Sample"), arguments.end());

    // Without a program: no box either, and the reason comes from the idle.
    unsetenv("DIALOG_SLEEP");
    setenv("PATH", "/nonexistent", 1);
    calls = 0;
    Chooser chooser;
    testing::internal::CaptureStderr();
    platform::startOpenFileDialog(chooser.request, done);
    EXPECT_EQ(calls, 0) << "never from inside the call";
    platform::processPendingEvents();
    EXPECT_FALSE(platform::startMessageBox(nullptr, "Not a WAV file", "Error", platform::messageBoxIconError));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "nothing said on standard error";
    ASSERT_EQ(calls, 1);
    EXPECT_FALSE(seen.chosen);
    EXPECT_NE(failure.find("zenity or kdialog"), std::string::npos) << failure;
}

// A session bus of the test's own: a dbus-daemon that starts no services.
class PrivateBus {
public:
    explicit PrivateBus(const std::string& daemon) {
        char name[] = "/tmp/parvolino-bus-XXXXXX";
        folder = mkdtemp(name);
        std::ofstream(folder + "/bus.conf")
            << "<busconfig><type>session</type><listen>unix:dir=" << folder
            << "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
               "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
               "</policy></busconfig>\n";
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);  // its notes on limits
        std::string program = daemon;
        std::string config = "--config-file=" + folder + "/bus.conf";
        std::string nofork = "--nofork";
        std::string print = "--print-address=1";
        char* argv[] = {program.data(), config.data(), nofork.data(), print.data(), nullptr};
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0)
            pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        // The address comes as one line once the bus listens.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (pid > 0 && address.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd wait{ends[0], POLLIN, 0};
            char buffer[256];
            ssize_t count = 0;
            if (::poll(&wait, 1, 100) > 0 && (count = read(ends[0], buffer, sizeof buffer)) <= 0)
                break;
            address.append(buffer, static_cast<size_t>(std::max<ssize_t>(count, 0)));
        }
        close(ends[0]);
        address = address.substr(0, address.find('\n'));
    }
    ~PrivateBus() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        fs::remove_all(folder);
    }
    std::string folder;
    std::string address;
    pid_t pid = 0;
};

// What the stand-in portal was asked.
struct PortalCall {
    std::string parent;
    std::string title;
    std::string token;
    bool modal = false;
    bool multiple = true;
    std::vector<std::pair<std::string, std::vector<std::pair<uint32_t, std::string>>>> filters;
    std::string folder;  // the bytes, terminating zero included
};

std::string text(DBusMessageIter* at) {
    const char* value = "";
    if (dbus_message_iter_get_arg_type(at) == DBUS_TYPE_STRING)
        dbus_message_iter_get_basic(at, &value);
    return value;
}

PortalCall readCall(DBusMessage* message) {
    PortalCall call;
    DBusMessageIter arguments;
    DBusMessageIter dict;
    dbus_message_iter_init(message, &arguments);
    call.parent = text(&arguments);
    dbus_message_iter_next(&arguments);
    call.title = text(&arguments);
    dbus_message_iter_next(&arguments);
    for (dbus_message_iter_recurse(&arguments, &dict); dbus_message_iter_get_arg_type(&dict) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&dict)) {
        DBusMessageIter entry;
        DBusMessageIter value;
        dbus_message_iter_recurse(&dict, &entry);
        const std::string key = text(&entry);
        dbus_message_iter_next(&entry);
        dbus_message_iter_recurse(&entry, &value);
        dbus_bool_t flag = FALSE;
        if (key == "handle_token") {
            call.token = text(&value);
        } else if (key == "modal" || key == "multiple") {
            dbus_message_iter_get_basic(&value, &flag);
            (key == "modal" ? call.modal : call.multiple) = flag;
        } else if (key == "current_folder") {
            DBusMessageIter bytes;
            const char* data = nullptr;
            int count = 0;
            dbus_message_iter_recurse(&value, &bytes);
            dbus_message_iter_get_fixed_array(&bytes, &data, &count);
            call.folder.assign(data, static_cast<size_t>(count));
        } else if (key == "filters") {
            DBusMessageIter list;
            DBusMessageIter filter;
            DBusMessageIter globs;
            DBusMessageIter glob;
            for (dbus_message_iter_recurse(&value, &list); dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_STRUCT;
                 dbus_message_iter_next(&list)) {
                dbus_message_iter_recurse(&list, &filter);
                call.filters.push_back({text(&filter), {}});
                dbus_message_iter_next(&filter);
                for (dbus_message_iter_recurse(&filter, &globs);
                     dbus_message_iter_get_arg_type(&globs) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&globs)) {
                    dbus_uint32_t kind = 9;
                    dbus_message_iter_recurse(&globs, &glob);
                    dbus_message_iter_get_basic(&glob, &kind);
                    dbus_message_iter_next(&glob);
                    call.filters.back().second.emplace_back(kind, text(&glob));
                }
            }
        }
    }
    return call;
}

// The desktop's portal as a stand-in on the bus: each OpenFile takes the
// next answer, a URI to choose, "cancel", or "refuse" (an error for the call).
class StandInPortal {
public:
    StandInPortal(const std::string& address, std::deque<std::string> script) : answers(std::move(script)) {
        DBusError error;
        dbus_error_init(&error);
        connection = dbus_connection_open_private(address.c_str(), &error);
        if (connection && dbus_bus_register(connection, &error) &&
            dbus_bus_request_name(connection, "org.freedesktop.portal.Desktop", DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) ==
                DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER)
            serving = std::thread([this] { serve(); });
        dbus_error_free(&error);
    }
    ~StandInPortal() {
        stop = true;
        if (serving.joinable())
            serving.join();
        if (connection) {
            dbus_connection_close(connection);
            dbus_connection_unref(connection);
        }
    }
    bool running() const { return serving.joinable(); }
    std::vector<PortalCall> calls() {
        std::lock_guard<std::mutex> lock(guard);
        return seen;
    }

private:
    void serve() {
        while (!stop && dbus_connection_read_write(connection, 20)) {
            while (DBusMessage* message = dbus_connection_pop_message(connection)) {
                if (dbus_message_is_method_call(message, "org.freedesktop.portal.FileChooser", "OpenFile"))
                    answer(message);
                dbus_message_unref(message);
            }
        }
    }
    void answer(DBusMessage* message) {
        const PortalCall call = readCall(message);
        {
            std::lock_guard<std::mutex> lock(guard);
            seen.push_back(call);
        }
        const std::string action = answers.empty() ? "cancel" : answers.front();
        if (!answers.empty())
            answers.pop_front();
        if (action == "refuse") {
            send(dbus_message_new_error(message, DBUS_ERROR_UNKNOWN_METHOD, "No file chooser here"));
            return;
        }
        // Where a portal puts the request: the caller's name and the token.
        std::string sender = dbus_message_get_sender(message) + 1;
        std::replace(sender.begin(), sender.end(), '.', '_');
        const std::string handle = "/org/freedesktop/portal/desktop/request/" + sender + "/" + call.token;
        DBusMessage* reply = dbus_message_new_method_return(message);
        const char* path = handle.c_str();
        dbus_message_append_args(reply, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID);
        send(reply);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the user at work

        // Told to every listener: only a client that asked to hear it does.
        DBusMessage* response = dbus_message_new_signal(path, "org.freedesktop.portal.Request", "Response");
        DBusMessageIter arguments;
        DBusMessageIter results;
        DBusMessageIter entry;
        DBusMessageIter variant;
        DBusMessageIter uris;
        const dbus_uint32_t code = action == "cancel" ? 1 : 0;
        const char* key = "uris";
        const char* uri = action.c_str();
        dbus_message_iter_init_append(response, &arguments);
        dbus_message_iter_append_basic(&arguments, DBUS_TYPE_UINT32, &code);
        dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, "{sv}", &results);
        if (code == 0) {
            dbus_message_iter_open_container(&results, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
            dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "as", &variant);
            dbus_message_iter_open_container(&variant, DBUS_TYPE_ARRAY, "s", &uris);
            dbus_message_iter_append_basic(&uris, DBUS_TYPE_STRING, &uri);
            dbus_message_iter_close_container(&variant, &uris);
            dbus_message_iter_close_container(&entry, &variant);
            dbus_message_iter_close_container(&results, &entry);
        }
        dbus_message_iter_close_container(&arguments, &results);
        send(response);
    }
    void send(DBusMessage* message) {
        dbus_connection_send(connection, message, nullptr);
        dbus_connection_flush(connection);
        dbus_message_unref(message);
    }

    DBusConnection* connection = nullptr;
    std::deque<std::string> answers;  // the serving thread's only
    std::mutex guard;
    std::vector<PortalCall> seen;
    std::atomic<bool> stop{false};
    std::thread serving;
};

std::string programInPath(const char* name) {
    std::istringstream folders(std::getenv("PATH") ? std::getenv("PATH") : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

TEST(X11Dialogs, ThePortalIsAskedFirstAndItsAnswerComesAtALaterIdle) {
    const std::string daemon = programInPath("dbus-daemon");
    if (daemon.empty())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/install-deps)";
    PrivateBus bus(daemon);
    ASSERT_FALSE(bus.address.empty()) << "the bus did not start";
    StandInDialog dialog;  // a dialog program for when the portal refuses
    const std::string sample = dialog.folder + "/take three.wav";
    std::ofstream(sample) << "RIFF";
    const std::string uri = "file://" + dialog.folder + "/take%20three.wav";
    StandInPortal portal(bus.address, {uri, "cancel", "file://elsewhere" + sample, "refuse", uri});
    ASSERT_TRUE(portal.running());
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.address.c_str(), 1);
    dialog.answer(sample + "\n", 0);

    int calls = 0;
    bool chosen = false;
    std::string path;
    std::string failure;
    auto done = [&](const platform::OpenFileOutcome& outcome) {
        ++calls;
        chosen = outcome.chosen;
        path = outcome.path ? outcome.path : "";
        failure = outcome.failure ? outcome.failure : "";
    };
    auto choose = [&] {
        calls = 0;
        Chooser chooser;
        chooser.request.initialFolder = dialog.folder.c_str();
        const auto before = std::chrono::steady_clock::now();
        platform::startOpenFileDialog(chooser.request, done);
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(150)) << "did not wait";
        platform::processPendingEvents();
        EXPECT_EQ(calls, 0) << "the user is still choosing";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (calls == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            platform::processPendingEvents();
        }
        EXPECT_EQ(calls, 1);
    };

    choose();
    EXPECT_TRUE(chosen);
    EXPECT_EQ(path, sample) << "the URI decoded";
    EXPECT_EQ(failure, "");
    ASSERT_EQ(portal.calls().size(), 1u);
    const PortalCall asked = portal.calls()[0];
    EXPECT_EQ(asked.title, "Load Sample");
    EXPECT_TRUE(asked.modal);
    EXPECT_FALSE(asked.multiple);
    EXPECT_FALSE(asked.token.empty());
    EXPECT_EQ(asked.folder, dialog.folder + std::string(1, '\0'));
    using Filters = decltype(asked.filters);
    EXPECT_EQ(asked.filters, (Filters{{"Wave (*.wav)", {{0u, "*.[wW][aA][vV]"}}}}));
    EXPECT_TRUE(dialog.arguments().empty()) << "no dialog program ran";

    choose();
    EXPECT_FALSE(chosen) << "cancelled";
    EXPECT_EQ(failure, "") << "a cancel is no failure";
    EXPECT_NE(portal.calls().at(1).token, asked.token) << "each request has a token of its own";

    choose();
    EXPECT_FALSE(chosen) << "a file on another machine";
    EXPECT_EQ(failure, "");

    // A portal without a file chooser: the dialog program takes over.
    choose();
    EXPECT_TRUE(chosen);
    EXPECT_EQ(path, sample);
    EXPECT_EQ(portal.calls().size(), 4u);
    const std::vector<std::string> arguments = dialog.arguments();
    EXPECT_EQ(arguments.empty() ? "" : arguments[0], "--file-selection");

    // The modal call asks the portal as well.
    Chooser modal;
    EXPECT_TRUE(platform::runOpenFileDialog(modal.request));
    EXPECT_STREQ(modal.file, sample.c_str());
    EXPECT_EQ(portal.calls().size(), 5u);

    // A bus that takes the connection and never answers holds the host's
    // thread for a moment only, and the dialog program takes over.
    const std::string muteBus = dialog.folder + "/mute-bus";
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::strncpy(where.sun_path, muteBus.c_str(), sizeof where.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + muteBus).c_str(), 1);
    calls = 0;
    Chooser unanswered;
    const auto before = std::chrono::steady_clock::now();
    platform::startOpenFileDialog(unanswered.request, done);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1500));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (calls == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        platform::processPendingEvents();
    }
    EXPECT_TRUE(chosen);
    EXPECT_EQ(path, sample);
    close(listener);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

using X11ModalDialogs = XServerTest;

TEST_F(X11ModalDialogs, ThePanelKeepsPaintingAndTakesNoClicksWhileADialogIsOpen) {
    const Window parent = hostWindow(0, 0, 200, 100);
    platform::WindowHandle window = createTestWindow(parent, 0, 0, 200, 100);
    ASSERT_TRUE(pumpUntil([] { return countMessages(platform::messagePaint) > 0; }));
    recordedMessages().clear();

    StandInDialog dialog;
    setenv("DIALOG_SLEEP", "1", 1);
    const Window panel = static_cast<Window>(reinterpret_cast<uintptr_t>(window));
    // The user uncovers the panel and clicks on it while the dialog is up.
    std::thread user([panel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Display* d = XOpenDisplay(nullptr);
        XClearArea(d, panel, 0, 0, 50, 50, True);
        XTestFakeMotionEvent(d, -1, 20, 20, CurrentTime);
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XCloseDisplay(d);
    });
    const int box = platform::showMessageBox(window, "Not a WAV file", "Error", platform::messageBoxIconError);
    user.join();
    EXPECT_EQ(box, 1);
    EXPECT_EQ(countMessages(platform::messagePaint), 1u) << "the uncovered area was painted during the dialog";
    EXPECT_EQ(pixelAt(panel, 10, 10), 0xC81E28u);
    // The box stays above the host's top-level window.
    const std::vector<std::string> arguments = dialog.arguments();
    std::ostringstream attach;
    attach << "--attach=0x" << std::hex << parent;
    EXPECT_NE(std::find(arguments.begin(), arguments.end(), attach.str()), arguments.end());

    platform::processPendingEvents();
    EXPECT_EQ(countMessages(platform::messageLeftButtonDown), 0u) << "the click under the dialog is not delivered later";
}

}  // namespace
