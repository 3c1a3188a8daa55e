// Shared pieces of the toolkit tests: a clean headless world per test, a
// host window, an effect that records its host calls, and a view that
// records what happens to it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/DrawContext.h"
#include "gui/View.h"
#include "host/AEffEditor.h"
#include "host/AudioEffectX.h"
#include "host/ModuleInstance.h"
#include "platform/headless/HeadlessControl.h"
#include "platform/raster/RasterObjects.h"

namespace guitest {

inline std::vector<std::string>& events() {
    static std::vector<std::string> log;
    return log;
}

struct HostCall {
    int32_t opcode;
    int32_t index;
};

inline std::vector<HostCall>& hostCalls() {
    static std::vector<HostCall> calls;
    return calls;
}

inline VstIntPtr recordingHost(AEffect*, int32_t opcode, int32_t index, VstIntPtr, void*, float) {
    hostCalls().push_back(HostCall{opcode, index});
    return 0;
}

// The least effect there is: it exists to pass begin/end edit to the host.
class SilentEffect : public AudioEffectX {
public:
    SilentEffect() : AudioEffectX(recordingHost, 1, 4) {}
    void process(float**, float**, int32_t) override {}
};

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
        hostCalls().clear();
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
