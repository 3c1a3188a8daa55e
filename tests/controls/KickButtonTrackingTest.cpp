// The kick button's press tracking, driven by the scripted mouse inside a
// real frame window on the headless backend.
#include <gtest/gtest.h>

#include <vector>

#include "editor/PanelEditor.h"
#include "gui/Frame.h"
#include "gui/controls/KickButton.h"
#include "tests/controls/ScriptedMouse.h"

namespace {

// The gestures the editor passes on: 1000 + tag for a begin, 2000 + tag for an end.
constexpr int32_t kBegin = 1000;
constexpr int32_t kEnd = 2000;
std::vector<int32_t> hostOpcodes;

// An editor whose frame the test builds by hand.
struct RecordingEditor : PanelEditor {
    RecordingEditor() : PanelEditor(400, 200) {}
    void adopt(Frame* newFrame) { frame = newFrame; }
    void beginEdit(int32_t index) override { hostOpcodes.push_back(kBegin + index); }
    void endEdit(int32_t index) override { hostOpcodes.push_back(kEnd + index); }
};

struct SpyListener : ControlListener {
    std::vector<float> reports;
    void valueChanged(DrawContext*, Control* control) override { reports.push_back(control->getValue()); }
};

class KickButtonTracking : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        hostOpcodes.clear();
        editor = new RecordingEditor;
        hostWindow = headless::createHostWindow(200, 100, 400, 200);
        frame = new Frame(Rect(0, 0, 400, 200), hostWindow, editor);
        // The editor's idle redraws the button on every pass of its loop.
        editor->adopt(frame);
        button = new KickButton(Rect(10, 60, 90, 85), &listener, 0, 25, nullptr, Point(0, 0));
        frame->addView(button);
        headless::paintAll();
    }
    void TearDown() override {
        editor->adopt(nullptr);
        delete frame;
        delete editor;
        headless::reset();
    }

    RecordingEditor* editor = nullptr;
    platform::WindowHandle hostWindow = nullptr;
    Frame* frame = nullptr;
    KickButton* button = nullptr;
    SpyListener listener;
};

TEST_F(KickButtonTracking, ReportsPressLeaveReturnAndRelease) {
    const platform::WindowHandle window = frame->getSystemWindow();

    perform(window, {{50, 70}, {50, 70, 0}});
    EXPECT_EQ(listener.reports, (std::vector<float>{1.0f, 0.0f}));
    // The gesture is bracketed for the host with the control's tag.
    EXPECT_EQ(hostOpcodes, (std::vector<int32_t>{kBegin, kEnd}));

    // The final 0.0 is drawn at the host's next idle; until then the button
    // still looks pressed and a new press would change nothing.
    editor->idle();
    listener.reports.clear();
    perform(window, {{50, 70}, {200, 150}, {90, 85}, {90, 85, 0}});
    EXPECT_EQ(listener.reports, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));

    // Released outside: the leave report, then the final one.
    editor->idle();
    listener.reports.clear();
    perform(window, {{50, 70}, {91, 70}, {91, 70, 0}});
    EXPECT_EQ(listener.reports, (std::vector<float>{1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(button->getValue(), 0.0f);
}

TEST_F(KickButtonTracking, ALateLookStillGivesAWholePress) {
    const platform::WindowHandle window = frame->getSystemWindow();

    // The button is up again by the second look: one press is reported
    // without tracking, and no edit gesture reaches the host.
    headless::setPollAdvance(1);
    headless::setInput(inputFor(window, Pose{50, 70, buttonLeft}));
    headless::scheduleInput(headless::now() + 6, inputFor(window, Pose{50, 70, 0}));
    headless::sendButtonDown(window, headless::Button::left, 50, 70);
    EXPECT_EQ(listener.reports, (std::vector<float>{1.0f, 0.0f}));
    EXPECT_TRUE(hostOpcodes.empty());

    // A button-down message whose button is already up by the first look is ignored.
    listener.reports.clear();
    headless::setPollAdvance(0);
    headless::sendButtonDown(window, headless::Button::left, 50, 70);
    EXPECT_TRUE(listener.reports.empty());
}

}  // namespace
