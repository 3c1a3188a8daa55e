// Artwork, dialogs and drag-and-drop as the headless backend scripts them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/headless/HeadlessControl.h"
#include "platform/raster/RasterObjects.h"

using namespace platform;

namespace {

class HeadlessServices : public ::testing::Test {
protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override {
        EXPECT_EQ(headless::openDroppedFileLists(), 0);
        headless::reset();
    }
};

// Records what it is told and collects the names of a drop.
class Receiver : public DropReceiver {
public:
    explicit Receiver(int* alive) : alive(alive) { ++*alive; }
    uint32_t addRef() override { return ++count; }
    uint32_t release() override {
        const uint32_t left = --count;
        if (left == 0)
            delete this;
        return left;
    }
    int32_t dragEnter(DropDataHandle, uint32_t, int32_t, int32_t, uint32_t* effect) override {
        *effect = dropEffectCopy;
        return dropResultOk;
    }
    int32_t dragOver(uint32_t, int32_t x, int32_t, uint32_t* effect) override {
        lastX = x;
        *effect = dropEffectCopy;
        return dropResultOk;
    }
    int32_t dragLeave() override { return dropResultOk; }
    int32_t drop(DropDataHandle data, uint32_t, int32_t, int32_t, uint32_t* effect) override {
        names.clear();
        if (DroppedFilesHandle files = openDroppedFiles(data)) {
            char buffer[8];
            for (uint32_t i = 0; i < droppedFileCount(files); ++i)
                if (droppedFileName(files, i, buffer, sizeof buffer))
                    names.emplace_back(buffer);
            closeDroppedFiles(files);
        }
        *effect = dropEffectNone;
        return dropResultOk;
    }
    std::vector<std::string> names;
    int32_t lastX = 0;

private:
    ~Receiver() override { --*alive; }
    uint32_t count = 0;
    int* alive;
};

}  // namespace

TEST_F(HeadlessServices, ResourcesByLowSixteenBits) {
    headless::addBitmapResource(77, 2, 1, {0x112233, 0x445566});
    ImageHandle image = loadBitmapResource(reinterpret_cast<void*>(0x40), 0x10000 + 77);
    ASSERT_NE(image, nullptr);
    const raster::PixelImage* pixels = raster::imagePixels(image);
    EXPECT_EQ(pixels->at(1, 0), 0x445566u);
    EXPECT_EQ(loadBitmapResource(nullptr, 78), nullptr);
    ASSERT_EQ(headless::resourceLoads().size(), 2u);
    EXPECT_EQ(headless::resourceLoads()[0].module, reinterpret_cast<void*>(0x40));
    EXPECT_FALSE(headless::resourceLoads()[1].found);
    // Every load is a new image of its own.
    ImageHandle second = loadBitmapResource(nullptr, 77);
    EXPECT_NE(second, image);
    deleteImage(image);
    deleteImage(second);
    EXPECT_EQ(raster::liveObjects().images, 0);
}

TEST_F(HeadlessServices, OpenFileDialogAnswersAsScripted) {
    char path[16] = "old";
    static const char filter[] = "Wave (*.wav)\0*.wav\0";
    OpenFileRequest request;
    request.filter = filter;
    request.file = path;
    request.maxFile = sizeof path;
    request.title = "Load Sample";
    request.flags = openFileExplorer | openFileMustExist | openFileHideReadOnly;

    EXPECT_FALSE(runOpenFileDialog(request));  // nothing queued: cancelled
    headless::queueOpenFileAnswer(std::string("/a/b.wav"));
    headless::queueOpenFileAnswer(std::nullopt);
    headless::queueOpenFileAnswer(std::string("/much/too/long/for/it.wav"));
    EXPECT_TRUE(runOpenFileDialog(request));
    EXPECT_STREQ(path, "/a/b.wav");
    EXPECT_FALSE(runOpenFileDialog(request));
    EXPECT_FALSE(runOpenFileDialog(request));
    EXPECT_STREQ(path, "/a/b.wav");

    const auto& requests = headless::openFileRequests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].initialFile, "old");
    EXPECT_EQ(requests[0].filter, (std::vector<std::string>{"Wave (*.wav)", "*.wav"}));
    EXPECT_EQ(requests[0].title, "Load Sample");
    EXPECT_EQ(requests[0].flags, 0x81004u);
    EXPECT_EQ(requests[0].maxFile, 16u);

    EXPECT_EQ(showMessageBox(nullptr, "File not found", "Error", messageBoxOk | messageBoxIconError), 1);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_EQ(headless::messageBoxes()[0].caption, "Error");
    EXPECT_EQ(headless::messageBoxes()[0].type, 0x10u);
}

TEST_F(HeadlessServices, DropTargetsHoldAReferenceWhileRegistered) {
    int alive = 0;
    WindowHandle host = headless::createHostWindow(0, 0, 100, 100);
    Receiver* receiver = new Receiver(&alive);
    receiver->addRef();  // our own
    EXPECT_TRUE(registerDropTarget(host, receiver));
    EXPECT_FALSE(registerDropTarget(host, receiver));  // one per window
    EXPECT_EQ(receiver->release(), 1u);

    const headless::DropOutcome outcome = headless::dropFiles(host, {"/x/one.wav", "/x/a-long-name.wav"}, 40, 50);
    EXPECT_TRUE(outcome.delivered);
    EXPECT_EQ(outcome.overEffect, dropEffectCopy);
    EXPECT_EQ(outcome.dropEffect, dropEffectNone);
    EXPECT_EQ(receiver->lastX, 40);
    // A name longer than the buffer is cut to fit, as the platform does.
    EXPECT_EQ(receiver->names, (std::vector<std::string>{"/x/one.", "/x/a-lo"}));
    headless::dropText(host, "some text", 1, 1);
    EXPECT_TRUE(receiver->names.empty());

    EXPECT_TRUE(revokeDropTarget(host));
    EXPECT_EQ(alive, 0);
    EXPECT_FALSE(revokeDropTarget(host));
    EXPECT_FALSE(headless::dropFiles(host, {"/x"}, 0, 0).delivered);

    // A window destroyed while registered lets go too, and is counted.
    registerDropTarget(host, new Receiver(&alive));
    destroyWindow(host);
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(headless::unrevokedDropTargets(), 1);
}

TEST_F(HeadlessServices, ShellLinksResolveInPlace) {
    headless::addShellLink("/d/Sample.LNK", "/d/real.wav");
    char buffer[32] = "/d/Sample.LNK";
    EXPECT_TRUE(resolveShellLink(buffer, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "/d/real.wav");
    EXPECT_FALSE(resolveShellLink(buffer, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "/d/real.wav");
    char small[4] = "";
    EXPECT_FALSE(resolveShellLink("/d/Sample.LNK", small, sizeof small));
}
