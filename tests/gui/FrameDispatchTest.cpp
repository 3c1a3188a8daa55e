// The frame's view list without a window: hit-testing and drop dispatch,
// growth and removal of the list, the full draw's dirty rule, and the
// begin/end edit notifications reaching the host.
#include "GuiTestSupport.h"
#include "gui/Frame.h"
#include "gui/FrameEditor.h"
#include "gui/WindowClass.h"

using guitest::events;
using guitest::HeadlessTest;
using guitest::ProbeView;

namespace {

class FrameDispatch : public HeadlessTest {
protected:
    void click(Frame& frame, int32_t h, int32_t v) {
        DrawContext context(nullptr, nullptr);
        Point where(h, v);
        frame.mouse(&context, where);
    }
    bool drop(Frame& frame, int32_t h, int32_t v) {
        const char* names[] = {"/a.wav"};
        Point where(h, v);
        return frame.onDrop(names, 1, 0, where);
    }
};

}  // namespace

TEST_F(FrameDispatch, ClicksGoToTheTopmostEnabledViewEdgesIncluded) {
    Frame frame(Rect(0, 0, 400, 200), nullptr, nullptr);
    auto* a = new ProbeView("a", Rect(10, 10, 50, 50));
    auto* b = new ProbeView("b", Rect(40, 40, 80, 80));
    frame.addView(a);
    frame.addView(b);
    b->setMouseableArea(Rect(0, 0, 1, 1));  // plays no part

    const struct {
        int32_t h, v;
        const char* expected;
    } clicks[] = {{45, 45, "b:mouse"}, {80, 80, "b:mouse"}, {80, 40, "b:mouse"}, {10, 10, "a:mouse"},
                  {50, 20, "a:mouse"}, {81, 80, nullptr},   {80, 81, nullptr},   {5, 5, nullptr}};
    for (const auto& c : clicks) {
        events().clear();
        click(frame, c.h, c.v);
        if (c.expected) {
            ASSERT_EQ(events().size(), 1u) << c.h << "," << c.v;
            EXPECT_EQ(events()[0], c.expected) << c.h << "," << c.v;
        } else {
            EXPECT_TRUE(events().empty()) << c.h << "," << c.v;
        }
    }
    click(frame, 80, 80);
    EXPECT_EQ(b->lastWhere, Point(80, 80));

    // A view that takes no clicks lets the one below have them.
    b->setMouseEnabled(false);
    events().clear();
    click(frame, 45, 45);
    EXPECT_EQ(events(), std::vector<std::string>{"a:mouse"});
    events().clear();
    click(frame, 70, 70);
    EXPECT_TRUE(events().empty());
}

TEST_F(FrameDispatch, DropsAreOfferedTopmostFirstUntilOneTakesThem) {
    Frame frame(Rect(0, 0, 400, 200), nullptr, nullptr);
    auto* under = new ProbeView("under", Rect(0, 0, 100, 100), true);
    auto* middle = new ProbeView("middle", Rect(0, 0, 100, 100), false);
    auto* top = new ProbeView("top", Rect(50, 50, 100, 100), false);
    frame.addView(under);
    frame.addView(middle);
    frame.addView(top);
    EXPECT_TRUE(drop(frame, 100, 100));
    EXPECT_EQ(events(), (std::vector<std::string>{"top:drop", "middle:drop", "under:drop"}));

    events().clear();
    under->setMouseEnabled(false);
    EXPECT_FALSE(drop(frame, 60, 60));
    EXPECT_EQ(events(), (std::vector<std::string>{"top:drop", "middle:drop"}));
    events().clear();
    EXPECT_FALSE(drop(frame, 300, 150));
    EXPECT_TRUE(events().empty());
    // A plain view declines.
    View plain(Rect(0, 0, 1, 1));
    Point where(0, 0);
    EXPECT_FALSE(plain.onDrop(nullptr, 0, 0, where));
}

TEST_F(FrameDispatch, ListGrowsByTenAndKeepsItsOrder) {
    auto* frame = new Frame(Rect(0, 0, 400, 200), nullptr, nullptr);
    std::vector<ProbeView*> views;
    for (int i = 0; i < 11; ++i) {
        views.push_back(new ProbeView("v" + std::to_string(i), Rect(0, 0, 10, 10)));
        EXPECT_TRUE(frame->addView(views.back()));
        EXPECT_EQ(views.back()->getFrame(), frame);
        EXPECT_EQ(frame->getCapacity(), i < 10 ? 10 : 20);
    }
    EXPECT_FALSE(frame->addView(views[3]));  // never twice in the list
    EXPECT_FALSE(frame->addView(nullptr));
    EXPECT_EQ(frame->getViewCount(), 11);

    // Removing: a stranger changes nothing, the middle one closes the gap.
    ProbeView stranger("stranger", Rect(0, 0, 1, 1));
    EXPECT_TRUE(frame->removeView(&stranger));
    EXPECT_EQ(frame->getViewCount(), 11);
    EXPECT_TRUE(frame->removeView(views[5]));
    EXPECT_FALSE(frame->isChild(views[5]));
    EXPECT_TRUE(frame->isChild(views[6]));
    ASSERT_EQ(frame->getViewCount(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(frame->getView(i), views[i < 5 ? i : i + 1]);
    EXPECT_EQ(frame->getCapacity(), 20);
    delete views[5];  // removed views are the caller's again

    // The frame deletes the others, in list order, when it goes.
    events().clear();
    delete frame;
    std::vector<std::string> expected;
    for (int i = 0; i < 11; ++i)
        if (i != 5)
            expected.push_back("v" + std::to_string(i) + ":gone");
    EXPECT_EQ(events(), expected);
}

TEST_F(FrameDispatch, RemoveAllEmptiesTheList) {
    Frame frame(Rect(0, 0, 400, 200), nullptr, nullptr);
    frame.addView(new ProbeView("a", Rect(0, 0, 1, 1)));
    frame.addView(new ProbeView("b", Rect(0, 0, 1, 1)));
    EXPECT_TRUE(frame.removeAll());
    EXPECT_EQ(events(), (std::vector<std::string>{"a:gone", "b:gone"}));
    EXPECT_EQ(frame.getViewCount(), 0);
    EXPECT_EQ(frame.getCapacity(), 0);
    EXPECT_TRUE(frame.addView(new ProbeView("c", Rect(0, 0, 1, 1))));
    EXPECT_EQ(frame.getCapacity(), 10);
}

TEST_F(FrameDispatch, FullDrawLeavesDirtyFlagsAsTheyWere) {
    Frame frame(Rect(0, 0, 400, 200), nullptr, nullptr);
    auto* clean = new ProbeView("clean", Rect(0, 0, 10, 10));
    auto* dirty = new ProbeView("dirty", Rect(0, 0, 10, 10));
    frame.addView(clean);
    frame.addView(dirty);
    clean->setDirty(false);
    EXPECT_TRUE(frame.isFirstPaintPending());
    DrawContext context(nullptr, nullptr);
    frame.draw(&context);
    EXPECT_FALSE(frame.isFirstPaintPending());
    EXPECT_EQ(events(), (std::vector<std::string>{"clean:draw", "dirty:draw"}));
    EXPECT_FALSE(clean->isDirty());
    EXPECT_TRUE(dirty->isDirty());

    // An update draws only what is dirty, and cleans it.
    events().clear();
    frame.update(&context);
    EXPECT_EQ(events(), std::vector<std::string>{"dirty:draw"});
    EXPECT_FALSE(dirty->isDirty());
}

TEST_F(FrameDispatch, WithoutAWindowNothingTouchesThePlatform) {
    Frame frame(Rect(0, 0, 400, 200), nullptr, nullptr);
    EXPECT_EQ(frame.getSystemWindow(), nullptr);
    EXPECT_EQ(getWindowClassUseCount(), 0);
    frame.addView(new ProbeView("a", Rect(0, 0, 10, 10)));
    frame.idle();
    frame.redraw(nullptr);
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(headless::registeredClassCount(), 0);
}

TEST_F(FrameDispatch, EditGesturesReachTheEditor) {
    struct RecordingEditor : FrameEditor {
        std::vector<int32_t> calls; // +index for a begin, -index - 100 for an end
        void beginEdit(int32_t index) override { calls.push_back(index); }
        void endEdit(int32_t index) override { calls.push_back(-index - 100); }
        void idleWhileTracking() override {}
    } editor;
    Frame frame(Rect(0, 0, 400, 200), nullptr, &editor);
    EXPECT_EQ(frame.getEditor(), &editor);
    frame.beginEdit(2);
    frame.endEdit(2);
    EXPECT_EQ(editor.calls, (std::vector<int32_t>{2, -102}));

    // Without an editor nobody hears of them.
    Frame alone(Rect(0, 0, 400, 200), nullptr, nullptr);
    alone.beginEdit(1);
    alone.endEdit(1);
}
