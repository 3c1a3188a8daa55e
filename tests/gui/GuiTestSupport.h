// Shared pieces of the toolkit tests: a clean headless world per test, a
// host window, and a view that records what happens to it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/DrawContext.h"
#include "gui/View.h"
#include "platform/ModuleInstance.h"
#include "platform/headless/HeadlessControl.h"
#include "platform/raster/RasterObjects.h"

namespace guitest {

inline std::vector<std::string>& events() {
    static std::vector<std::string> log;
    return log;
}

// A view that logs "name:draw", "name:mouse", "name:drop", "name:gone" and
// can fill its rectangle when drawn.
class ProbeView : public View {
public:
    ProbeView(const std::string& name, const Rect& size, bool takesDrops = false)
        : View(size), name(name), takesDrops(takesDrops) {}
    ~ProbeView() override { events().push_back(name + ":gone"); }
    void draw(DrawContext* context) override {
        events().push_back(name + ":draw");
        if (fill) {
            context->setFillColor(*fill);
            context->fillRect(Rect(size.left - 1, size.top - 1, size.right, size.bottom));
        }
    }
    void mouse(DrawContext*, Point& where) override {
        events().push_back(name + ":mouse");
        lastWhere = where;
    }
    bool onDrop(const char* const*, int32_t, int32_t, Point&) override {
        events().push_back(name + ":drop");
        return takesDrops;
    }
    std::string name;
    bool takesDrops;
    const Color* fill = nullptr;
    Point lastWhere;
};

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        events().clear();
        moduleInstance = reinterpret_cast<void*>(0x1234abcd);
        host = headless::createHostWindow(300, 200, 640, 480);
        headless::paintAll();
    }
    void TearDown() override {
        EXPECT_EQ(raster::invalidHandleUses(), 0);
        EXPECT_EQ(headless::invalidWindowUses(), 0);
        const raster::LiveObjects live = raster::liveObjects();
        EXPECT_EQ(live.pens + live.brushes + live.fonts + live.surfaces, 0);
        headless::reset();
        moduleInstance = nullptr;
    }

    platform::WindowHandle host = nullptr;
};

}  // namespace guitest
