// The dialogs as child processes: a stand-in dialog program records how it
// was called and answers as told, while the panel keeps painting.
#include "tests/x11/XServerFixture.h"

#include <X11/extensions/XTest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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
        setenv("DIALOG_ARGUMENTS", (folder + "/arguments").c_str(), 1);
        answer("", 0);
        unsetenv("DIALOG_SLEEP");
    }
    ~StandInDialog() {
        setenv("PATH", savedPath.c_str(), 1);
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
