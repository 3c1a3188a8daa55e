// The LV2 UI beside the VST 2 panel, both drawn on the headless backend:
// the LV2 one knows the instrument only from the control ports and the
// DSP's messages, and shows the same pixels for the same state; its
// gestures reach the host as port writes and messages.

#include "editor/StripLayout.h"
#include "lv2/Protocol.h"
#include "lv2/Uris.h"
#include "lv2/ui/Lv2Ui.h"
#include "tests/editor/PanelFixture.h"
#include "tests/lv2/InProcessLv2.h"

#include <lv2/patch/patch.h>
#include <lv2/state/state.h>

#include <fstream>
#include <memory>

namespace paneltest {
namespace {

constexpr int32_t kBlock = 512;

class Lv2Panel : public PanelTest {
protected:
    void SetUp() override
    {
        realArtwork = true;
        PanelTest::SetUp();
        fx.setBlockSize(kBlock);
        fx.resume();
        lv2 = std::make_unique<InProcessLv2>(44100.0);
        lv2Window = headless::createHostWindow(760, 200, 400, 290);
        const LV2UI_Handle ui = lv2->openUi(lv2Window);
        ASSERT_NE(ui, nullptr);
        lv2Editor = &static_cast<Lv2Ui*>(ui)->editor();
        lv2Panel = lv2Editor->getFrame()->getSystemWindow();
        headless::paintAll();
    }

    void TearDown() override
    {
        lv2->closeUi();
        platform::destroyWindow(lv2Window);
        lv2.reset();
        PanelTest::TearDown();
    }

    // Blocks through both instruments alike, the notes in the first.
    void play(int32_t blocks, const std::vector<std::array<uint8_t, 3>>& notes = {})
    {
        for (int32_t b = 0; b < blocks; ++b) {
            MidiEventList events;
            std::vector<InProcessLv2::Midi> midi;
            for (const auto& note : b == 0 ? notes : std::vector<std::array<uint8_t, 3>>{}) {
                events.add(0, note[0], note[1], note[2]);
                midi.push_back({0, note});
            }
            fx.processEvents(events);
            fx.runProcess(kBlock);
            lv2->run(kBlock, midi);
        }
    }
    // The LV2 DSP alone, until its UI has heard everything it had to say.
    void feedUi(int32_t blocks = 40)
    {
        for (int32_t b = 0; b < blocks; ++b)
            lv2->run(kBlock);
    }
    // Both panels' idle, late enough to show moving grains.
    void idleBoth()
    {
        headless::advanceClock(SampleStrip::liveInterval + 1);
        idle();
        lv2->idleUi();
        headless::paintAll();
    }
    int32_t differingPixels()
    {
        const raster::PixelImage* vst2 = headless::windowImage(panel);
        const raster::PixelImage* ours = headless::windowImage(lv2Panel);
        if (vst2 == nullptr || ours == nullptr || vst2->width != ours->width || vst2->height != ours->height)
            return -1;
        int32_t count = 0;
        for (size_t i = 0; i < vst2->pixels.size(); ++i)
            count += vst2->pixels[i] != ours->pixels[i];
        if (count > 0) {
            headless::saveWindowPng(panel, TEST_OUTPUT_DIR "/lv2-vst2-panel.png");
            headless::saveWindowPng(lv2Panel, TEST_OUTPUT_DIR "/lv2-panel.png");
        }
        return count;
    }
    void dropOnBoth(const std::string& file)
    {
        for (platform::WindowHandle host : {hostWindow, lv2Window}) {
            headless::WindowInfo info;
            headless::windowInfo(host, info);
            headless::dropFiles(host == hostWindow ? panel : lv2Panel, {file}, info.x + 200, info.y + 230);
        }
        settleLoads();
        feedUi();
        idleBoth();
    }
    size_t count(const std::vector<InProcessLv2::Notified>& events, const char* type, size_t from = 0)
    {
        size_t n = 0;
        for (size_t i = from; i < events.size(); ++i)
            n += events[i].type == lv2->map(type);
        return n;
    }
    // Messages to the UI (not the host's patch:Set and state:StateChanged) from event index from.
    size_t uiMessages(size_t from)
    {
        size_t n = 0;
        for (const char* type : {parvolino::lv2uris::kStatus, parvolino::lv2uris::kOverview,
                                 parvolino::lv2uris::kGrains, parvolino::lv2uris::kLoadFailed,
                                 parvolino::lv2uris::kNotice})
            n += count(lv2->notified, type, from);
        return n;
    }

    std::unique_ptr<InProcessLv2> lv2;
    platform::WindowHandle lv2Window = nullptr;
    platform::WindowHandle lv2Panel = nullptr;
    PluginEditor* lv2Editor = nullptr;
};

TEST_F(Lv2Panel, ShowsThePixelsOfTheVst2PanelFedOnlyByPortsAndMessages)
{
    ScratchFolder folder;
    // The host made room for the panel's size.
    EXPECT_EQ(lv2->resizedWidth, 400);
    EXPECT_EQ(lv2->resizedHeight, 290);

    // Nothing loaded; then the host's values on the ports, on both.
    feedUi(4);
    idleBoth();
    EXPECT_EQ(differingPixels(), 0);
    const float values[] = {0.3f, 0.8f, 0.6f, 0.25f};
    for (int32_t i = 0; i < 4; ++i) {
        fx.setParameter(i, values[i]);
        lv2->setControl(i, values[i]);
    }
    idleBoth();
    EXPECT_EQ(differingPixels(), 0);

    // A stereo sample dropped on each panel: the LV2 one asks its DSP,
    // whose worker loads it; the host hears the new value and that its
    // state changed.
    const std::string sample = folder.file("voice.wav");
    writeWav(sample, 60000, 44100, 2);
    const size_t beforeLoad = lv2->notified.size();
    dropOnBoth(sample);
    EXPECT_EQ(labelText(lv2Editor->getFileLabel()), sample);
    EXPECT_EQ(differingPixels(), 0);
    EXPECT_EQ(count(lv2->notified, LV2_PATCH__Set, beforeLoad), 2u);  // the sample and keepSamples
    EXPECT_EQ(count(lv2->notified, LV2_STATE__StateChanged, beforeLoad), 1u);

    // Notes: the grains as the DSP last showed them, once the UI has them.
    play(1, {{0x90, 60, 100}, {0x90, 64, 90}, {0x90, 67, 80}, {0x90, 72, 70}});
    const size_t playing = lv2->notified.size();
    for (int32_t b = 0; b < 40 && count(lv2->notified, parvolino::lv2uris::kGrains, playing) == 0; ++b)
        play(1);
    ASSERT_GT(count(lv2->notified, parvolino::lv2uris::kGrains, playing), 0u);
    idleBoth();
    EXPECT_EQ(differingPixels(), 0);

    // About 30 messages a second at most, none larger than a host's default atom buffer.
    const size_t second = lv2->notified.size();
    play(44100 / kBlock);
    EXPECT_LE(uiMessages(second), 31u);
    EXPECT_GE(uiMessages(second), 20u);
    for (const InProcessLv2::Notified& event : lv2->notified)
        EXPECT_LE(event.bytes, parvolino::lv2protocol::kMaxMessageBytes);

    // All sound off: the grains go from both strips.
    play(20, {{0xB0, 120, 0}});
    idleBoth();
    EXPECT_EQ(differingPixels(), 0);

    // The keep box: a patch message to the DSP, whose worker changes the
    // setting; the host hears the state changed.
    const size_t beforeKeep = lv2->notified.size();
    const Point keep(strip::keepBox.left + 5, strip::keepBox.top + 6);
    headless::click(panel, headless::Button::left, keep.h, keep.v, 30);
    headless::click(lv2Panel, headless::Button::left, keep.h, keep.v, 30);
    feedUi();
    idleBoth();
    EXPECT_FALSE(engine->keepsSamples());
    EXPECT_EQ(count(lv2->notified, LV2_STATE__StateChanged, beforeKeep), 1u);
    EXPECT_EQ(differingPixels(), 0);

    // A file that fails: the reader's message, as the VST 2 panel shows it.
    const std::string broken = folder.file("broken.wav");
    std::ofstream(broken) << "not a wave file";
    const size_t boxes = headless::messageBoxes().size();
    dropOnBoth(broken);
    ASSERT_EQ(headless::messageBoxes().size(), boxes + 2);
    EXPECT_EQ(headless::messageBoxes()[boxes].text, headless::messageBoxes()[boxes + 1].text);
    EXPECT_EQ(differingPixels(), 0);

    // A knob dragged on the LV2 panel: the host gets the gesture and the
    // port's values, the DSP takes them at its next block.
    lv2->portWrites.clear();
    perform(lv2Panel, {{80, 150, buttonLeft}, {80, 120, buttonLeft}, {80, 100, buttonLeft}, {80, 100, 0}});
    ASSERT_FALSE(lv2->portWrites.empty());
    EXPECT_EQ(lv2->portWrites.back().first, 4u);
    EXPECT_GT(lv2->control(0), values[0]);
    const std::vector<std::pair<uint32_t, bool>> gesture = {{4u, true}, {4u, false}};
    EXPECT_EQ(lv2->touches, gesture);

    // Once the UI has gone, the DSP says nothing more to it.
    lv2->closeUi();
    const size_t closed = lv2->notified.size();
    play(200, {{0x90, 48, 100}});
    EXPECT_EQ(uiMessages(closed), 0u);
}

}  // namespace
}  // namespace paneltest
