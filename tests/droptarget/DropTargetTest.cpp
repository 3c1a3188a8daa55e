#include "gui/DropTarget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/DropHandler.h"
#include "gui/Frame.h"
#include "gui/View.h"
#include "platform/ModuleInstance.h"
#include "platform/headless/HeadlessControl.h"

namespace {

struct DropRecord {
    std::string view;
    std::vector<std::string> names;
    int32_t type = -1;
    Point where;
};
std::vector<DropRecord> drops;

// A view that records every drop offered to it and takes it or not.
class DropView : public View {
public:
    DropView(const char* name, const Rect& size, bool takes) : View(size), name(name), takes(takes) {}
    bool onDrop(const char* const* names, int32_t count, int32_t type, Point& where) override {
        DropRecord r{name, {}, type, where};
        for (int32_t i = 0; i < count; ++i)
            r.names.emplace_back(names[i]);
        drops.push_back(r);
        return takes;
    }
    std::string name;
    bool takes;
};

// Takes the files when it is told to; records what it was asked.
class PanelHandler : public DropHandler {
public:
    bool acceptsDrop(const char* const* names, int32_t count) override {
        asked.assign(names, names + count);
        return accepts;
    }
    bool takeDrop(const char* const* names, int32_t count) override {
        taken.assign(names, names + count);
        return accepts;
    }
    bool accepts = true;
    std::vector<std::string> asked;
    std::vector<std::string> taken;
};

class DropTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        drops.clear();
        moduleInstance = reinterpret_cast<void*>(0x2468ace0);
        host = headless::createHostWindow(300, 200, 640, 480);
    }
    void TearDown() override {
        EXPECT_EQ(DropTarget::getLiveCount(), 0);
        EXPECT_EQ(headless::openDroppedFileLists(), 0);
        headless::reset();
        moduleInstance = nullptr;
    }
    platform::WindowHandle host = nullptr;
};

}  // namespace

TEST_F(DropTargetTest, TheCursorSaysWhetherTheFrameTakesTheFilesAndTheDropIsNeverAMove) {
    auto* frame = new Frame(Rect(0, 0, 400, 200), host, nullptr);
    ASSERT_TRUE(frame->isDropActive());
    platform::WindowHandle window = frame->getSystemWindow();
    auto* target = static_cast<DropTarget*>(headless::dropReceiver(window));
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->getFrame(), frame);
    EXPECT_EQ(target->getReferenceCount(), 1);  // the registration's

    frame->addView(new DropView("below", Rect(0, 0, 400, 150), true));
    frame->addView(new DropView("declines", Rect(40, 40, 120, 120), false));
    frame->addView(new DropView("elsewhere", Rect(200, 0, 300, 50), true));
    headless::addShellLink("C:\\Links\\Song.lnk", "C:\\SAMPLES\\SONG~1.WAV");
    headless::addShellLink("C:\\Links\\LOUD.LNK", "C:\\SAMPLES\\LOUD.WAV");
    headless::addShellLink("C:\\Links\\a.lnk.wav", "C:\\never.wav");

    // Screen (350, 260) is window (50, 60): inside "declines" and "below".
    headless::DropOutcome out = headless::dropFiles(
        window, {"C:\\Links\\Song.lnk", "C:\\Links\\LOUD.LNK", "C:\\Links\\gone.lnk", "C:\\Links\\a.lnk.wav", "noext"},
        350, 260);
    EXPECT_TRUE(out.delivered);
    // Without a drop handler the frame would take nothing: no cursor.
    EXPECT_EQ(out.enterEffect, platform::dropEffectNone);
    EXPECT_EQ(out.overEffect, platform::dropEffectNone);
    // A view took them: a copy, never a move (the source would delete them).
    EXPECT_EQ(out.dropEffect, platform::dropEffectCopy);

    ASSERT_EQ(drops.size(), 2u);  // topmost first; the walk ends at the view that takes them
    EXPECT_EQ(drops[0].view, "declines");
    EXPECT_EQ(drops[1].view, "below");
    EXPECT_EQ(drops[1].type, 0);
    EXPECT_EQ(drops[1].where.h, 50);
    EXPECT_EQ(drops[1].where.v, 60);
    // Shortcuts in any letter case give their targets; a shortcut that
    // cannot be resolved and every other name pass unchanged.
    EXPECT_EQ(drops[1].names, (std::vector<std::string>{"C:\\SAMPLES\\SONG~1.WAV", "C:\\SAMPLES\\LOUD.WAV",
                                                         "C:\\Links\\gone.lnk", "C:\\Links\\a.lnk.wav", "noext"}));
    EXPECT_EQ(target->getReferenceCount(), 1);

    // Data without a file list, and a drop outside every view, offer nothing.
    drops.clear();
    out = headless::dropText(window, "some text", 350, 260);
    EXPECT_EQ(out.dropEffect, platform::dropEffectNone);
    out = headless::dropFiles(window, {"x.wav"}, 300 + 399, 200 + 199);
    EXPECT_TRUE(drops.empty());
    EXPECT_EQ(out.dropEffect, platform::dropEffectNone);

    // The handler is asked with the resolved names at the start of the drag
    // and takes what no view does; its answer picks the cursor.
    PanelHandler handler;
    frame->setDropHandler(&handler);
    out = headless::dropFiles(window, {"C:\\Links\\Song.lnk", "y.txt"}, 300 + 399, 200 + 199);
    EXPECT_EQ(handler.asked, (std::vector<std::string>{"C:\\SAMPLES\\SONG~1.WAV", "y.txt"}));
    EXPECT_EQ(handler.taken, handler.asked);
    EXPECT_EQ(out.enterEffect, platform::dropEffectCopy);
    EXPECT_EQ(out.overEffect, platform::dropEffectCopy);
    EXPECT_EQ(out.dropEffect, platform::dropEffectCopy);
    handler.accepts = false;
    out = headless::dropFiles(window, {"z.txt"}, 300 + 399, 200 + 199);
    EXPECT_EQ(out.enterEffect, platform::dropEffectNone);
    EXPECT_EQ(out.overEffect, platform::dropEffectNone);
    EXPECT_EQ(out.dropEffect, platform::dropEffectNone);
    EXPECT_TRUE(drops.empty());

    delete frame;
    // Revoked before the window went: nothing was left registered on it.
    EXPECT_EQ(headless::unrevokedDropTargets(), 0);
}

TEST_F(DropTargetTest, RegistrationIsRevokedWhenAskedAndWhenTheHostDestroysTheWindowFirst) {
    // Without a window there is nothing to register.
    Frame windowless(Rect(0, 0, 400, 200), nullptr, nullptr);
    EXPECT_FALSE(windowless.setDropActive(true));
    EXPECT_FALSE(windowless.isDropActive());
    EXPECT_EQ(DropTarget::getLiveCount(), 0);

    auto* frame = new Frame(Rect(0, 0, 400, 200), host, nullptr);
    platform::WindowHandle window = frame->getSystemWindow();
    // A second registration is refused by the platform; the refused target
    // does not stay behind.
    EXPECT_TRUE(frame->setDropActive(true));
    EXPECT_EQ(DropTarget::getLiveCount(), 1);

    EXPECT_TRUE(frame->setDropActive(false));
    EXPECT_FALSE(frame->isDropActive());
    EXPECT_EQ(headless::dropReceiver(window), nullptr);
    EXPECT_EQ(DropTarget::getLiveCount(), 0);
    EXPECT_TRUE(frame->setDropActive(true));
    EXPECT_EQ(DropTarget::getLiveCount(), 1);

    // The host tears its window down with ours inside, before the editor closes.
    platform::destroyWindow(host);
    EXPECT_FALSE(frame->isOpen());
    EXPECT_FALSE(frame->isDropActive());
    EXPECT_EQ(headless::unrevokedDropTargets(), 0);
    EXPECT_EQ(DropTarget::getLiveCount(), 0);
    delete frame;
    EXPECT_EQ(headless::invalidWindowUses(), 0);
}

TEST_F(DropTargetTest, CountingAndAFramelessTarget) {
    auto* target = new DropTarget(nullptr);
    EXPECT_EQ(target->addRef(), 1u);
    EXPECT_EQ(target->addRef(), 2u);
    EXPECT_EQ(target->release(), 1u);
    // Without a frame a drop is answered and changes nothing.
    uint32_t effect = platform::dropEffectMove;
    EXPECT_EQ(target->drop(nullptr, 0, 0, 0, &effect), platform::dropResultOk);
    EXPECT_EQ(effect, platform::dropEffectNone);
    EXPECT_EQ(target->release(), 0u);
    EXPECT_EQ(DropTarget::getLiveCount(), 0);

    // A release of a target nobody took (count 0) frees it as well.
    DropTarget* unheld = new DropTarget(nullptr);
    EXPECT_EQ(DropTarget::getLiveCount(), 1);
    EXPECT_EQ(unheld->release(), 0u);
}
