// The strip under the panel: what it says of the program's sample, the
// waveform with the grains over it while notes play, and how little it
// draws to show them. Pictures of each state go to the build folder.
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "editor/GrainColumns.h"
#include "editor/SampleStrip.h"
#include "editor/StripLayout.h"
#include "editor/WaveformView.h"
#include "engine/GrainSnapshot.h"
#include "engine/SampleOverview.h"
#include "gui/controls/CheckBox.h"
#include "tests/editor/PanelFixture.h"

namespace paneltest {
namespace {

constexpr uint32_t pixelOf(const Color& c) { return headless::rgb(c.red, c.green, c.blue); }

// The module's own artwork, so that the pictures show the panel as it is.
class PanelStrip : public PanelTest {
protected:
    void SetUp() override {
        realArtwork = true;
        PanelTest::SetUp();
        fx.setBlockSize(512);
        fx.resume();
        fx.setParameter(2, 1.0f);  // Density: the most grains
        idle();
    }

    // Twelve notes, one every three blocks, then blocks of all of them.
    void playTwelveNotes(int32_t blocks) {
        for (int note = 48; note < 60; note++) {
            MidiEventList events;
            events.noteOn(0, 0, note, 100);
            fx.processEvents(events);
            render(3);
        }
        render(blocks);
    }
    void render(int32_t blocks) {
        for (int32_t i = 0; i < blocks; i++)
            fx.runProcess(512);
    }
    void allNotesOff() {
        MidiEventList events;
        events.controller(0, 0, 123, 0);
        fx.processEvents(events);
        render(1);
    }
    // An idle late enough to show moving grains.
    void idleLater() {
        headless::advanceClock(SampleStrip::liveInterval);
        idle();
    }
    // Drops the file on the waveform box, as a file manager would.
    void dropOnStrip(const std::string& file) {
        headless::WindowInfo info;
        headless::windowInfo(hostWindow, info);
        headless::dropFiles(panel, {file}, info.x + 200, info.y + 230);
        settleLoads();
        idle();
    }
    void picture(const char* name) {
        const std::string path = std::string(TEST_OUTPUT_DIR) + "/" + name;
        EXPECT_TRUE(headless::saveWindowPng(panel, path.c_str()));
    }

    std::string info() { return labelText(editor->getStrip().getInfoLabel()); }
    WaveformView* waveform() { return editor->getStrip().getWaveform(); }
    // Pixels of the box's inside, of the colour or (with 0) not black.
    int32_t boxPixels(uint32_t pixel, int32_t top = strip::waveBox.top + 1, int32_t bottom = strip::waveBox.bottom) {
        int32_t count = 0;
        for (int32_t y = top; y < bottom; y++)
            for (int32_t x = strip::waveBox.left + 1; x < strip::waveBox.right; x++) {
                const uint32_t p = headless::windowPixel(panel, x, y);
                count += pixel ? p == pixel : p != 0;
            }
        return count;
    }
    // Grain marks: brighter than the waveform in every channel.
    int32_t grainPixels() {
        int32_t count = 0;
        for (int32_t y = strip::waveBox.top + 1; y < strip::waveBox.bottom; y++)
            for (int32_t x = strip::waveBox.left + 1; x < strip::waveBox.right; x++)
                count += (headless::windowPixel(panel, x, y) >> 16) > strip::startColor.red;
        return count;
    }
    std::vector<uint32_t> keepBoxPixels() {
        std::vector<uint32_t> pixels;
        for (int32_t y = strip::keepBox.top; y < strip::keepBox.bottom; y++)
            for (int32_t x = strip::keepBox.left; x < strip::keepBox.right; x++)
                pixels.push_back(headless::windowPixel(panel, x, y));
        return pixels;
    }
    // Pixels of the keep box that differ from an earlier picture of it.
    int32_t keepBoxChanges(const std::vector<uint32_t>& before) {
        const std::vector<uint32_t> now = keepBoxPixels();
        int32_t count = 0;
        for (size_t i = 0; i < now.size(); i++)
            count += now[i] != before[i];
        return count;
    }
    std::vector<uint32_t> topPixels() {
        const raster::PixelImage* image = headless::windowImage(panel);
        return std::vector<uint32_t>(image->pixels.begin(), image->pixels.begin() + 400 * 200);
    }
};

TEST_F(PanelStrip, SaysWhatTheProgramHoldsAndShowsTheGrainsAsTheyPlay) {
    // The whole panel, the strip included, in a window of the reported size.
    headless::WindowInfo shown;
    ASSERT_TRUE(headless::windowInfo(panel, shown));
    EXPECT_EQ(shown.width, 400);
    EXPECT_EQ(shown.height, 290);
    EXPECT_EQ(headless::windowPixel(panel, 5, 289), pixelOf(strip::backgroundColor));

    EXPECT_EQ(info(), "Drop a WAV file here");
    EXPECT_EQ(boxPixels(0), 0);
    picture("strip-none.png");

    // The keep box's title, changed while the panel is open (the samples
    // went over 16 MB), is drawn at the next idle on clean ground: as the
    // whole panel drawn afresh shows it.
    CheckBox* keepBox = editor->getStrip().getKeepBox();
    const std::vector<uint32_t> keeping = keepBoxPixels();
    keepBox->setTitle("Over 16 MB: paths only");
    idle();
    const std::vector<uint32_t> overLimit = keepBoxPixels();
    EXPECT_GT(keepBoxChanges(keeping), 50);
    editor->getFrame()->redraw();
    EXPECT_EQ(keepBoxChanges(overLimit), 0) << "pixels of the old title left under the new one";
    picture("strip-over-limit.png");
    keepBox->setTitle("Keep samples in project");
    idle();
    EXPECT_EQ(keepBoxChanges(keeping), 0);

    ScratchFolder folder;
    void* data = nullptr;
    ASSERT_EQ(engine->getChunk(&data), kBankSize);
    GranularProgram bank[kNumPrograms];
    std::memcpy(bank, data, sizeof bank);
    copyText(bank[0].samplePath, sizeof bank[0].samplePath, folder.file("gone.wav").c_str());
    ASSERT_EQ(engine->setChunk(bank, kBankSize), kBankSize);
    idle();
    EXPECT_EQ(info(), "Missing: gone.wav");
    EXPECT_EQ(boxPixels(0), 0);
    picture("strip-missing.png");

    // A mono sample, dropped on the strip: its waveform and particulars.
    writeWav(folder.file("tone.wav"), 44100);
    dropOnStrip(folder.file("tone.wav"));
    EXPECT_EQ(info(), "tone.wav  mono  44.1 kHz  1.00 s");
    EXPECT_GT(boxPixels(pixelOf(strip::waveColor)), 2000);
    EXPECT_EQ(grainPixels(), 0);

    // Notes: every voice's start point and its grains, drawn at the next
    // idle without touching the panel above.
    const std::vector<uint32_t> top = topPixels();
    playTwelveNotes(40);
    idleLater();
    EXPECT_GT(boxPixels(pixelOf(strip::startColor)), 0);
    EXPECT_GT(grainPixels(), 50);
    EXPECT_EQ(topPixels(), top);
    picture("strip-mono.png");

    // Once the voices are silent the grains are gone.
    allNotesOff();
    render(20);
    idleLater();
    EXPECT_EQ(grainPixels(), 0);
    EXPECT_EQ(boxPixels(pixelOf(strip::startColor)), 0);

    // A stereo file: a lane per channel the engine plays.
    writeWav(folder.file("wide.wav"), 88200, 44100, 2);
    dropOnStrip(folder.file("wide.wav"));
    const SampleOverview* overview = waveform()->getOverview();
    ASSERT_NE(overview, nullptr);
    const char* lanes = overview->channelCount == 2 ? "stereo" : "mono";
    EXPECT_EQ(info(), std::string("wide.wav  ") + lanes + "  44.1 kHz  2.00 s");
    playTwelveNotes(40);
    idleLater();
    EXPECT_GT(grainPixels(), 50);
    picture("strip-stereo.png");
    allNotesOff();
}

namespace {
void slowDisk(void*) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}
}  // namespace

TEST_F(PanelStrip, ShowsALoadUnderWayAndTheOldSampleUntilTheNewOneIsThere) {
    ScratchFolder folder;
    writeWav(folder.file("tone.wav"), 44100);
    dropOnStrip(folder.file("tone.wav"));
    const int32_t waveBefore = boxPixels(pixelOf(strip::waveColor));
    // 1.8 MB read in pieces, each from a slow disk.
    writeWav(folder.file("long.wav"), 900000);
    engine->setLoadPacing(slowDisk, nullptr);
    headless::WindowInfo window;
    headless::windowInfo(hostWindow, window);
    headless::dropFiles(panel, {folder.file("long.wav")}, window.x + 200, window.y + 230);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    headless::advanceClock(SampleStrip::progressInterval);
    idle();
    const std::string loading = info();
    EXPECT_EQ(loading.rfind("Loading long.wav\x85 ", 0), 0u) << loading;
    EXPECT_EQ(loading.back(), '%');
    const uint32_t done = pixelOf(strip::startColor);
    const int32_t bar = boxPixels(done, strip::waveBox.bottom - 5, strip::waveBox.bottom - 1);
    EXPECT_GT(bar, 0);
    EXPECT_LT(bar, 4 * 378);
    EXPECT_EQ(std::string(engine->program(0).samplePath), folder.file("tone.wav"));
    picture("strip-loading.png");
    // Done: the new sample's particulars, and no bar.
    settleLoads();
    headless::advanceClock(SampleStrip::progressInterval);
    idle();
    EXPECT_EQ(info(), "long.wav  mono  44.1 kHz  20.41 s");
    EXPECT_EQ(std::string(engine->program(0).samplePath), folder.file("long.wav"));
    EXPECT_EQ(boxPixels(done, strip::waveBox.bottom - 5, strip::waveBox.bottom - 1), 0);
    EXPECT_GT(boxPixels(pixelOf(strip::waveColor)), waveBefore / 2);
}

TEST_F(PanelStrip, DrawsOnlyWhatChangedAtMostThirtyTimesASecondAndNothingWhileQuiet) {
    ScratchFolder folder;
    writeWav(folder.file("tone.wav"), 44100);
    dropOnStrip(folder.file("tone.wav"));
    MidiEventList events;
    events.noteOn(0, 0, 60, 100);
    fx.processEvents(events);
    render(4);
    idleLater();
    uint32_t surfaces = headless::windowSurfacesTaken();

    // One voice moves a little: only the box's columns that changed are drawn.
    render(1);
    idle();  // too soon after the last picture
    EXPECT_EQ(headless::windowSurfacesTaken(), surfaces);
    headless::advanceClock(SampleStrip::liveInterval);
    idle();
    EXPECT_EQ(headless::windowSurfacesTaken(), ++surfaces);
    const platform::Bounds drawn = headless::lastDrawnArea();
    EXPECT_GE(drawn.left, strip::waveBox.left + 1);
    EXPECT_GE(drawn.top, strip::waveBox.top + 1);
    EXPECT_LE(drawn.right, strip::waveBox.right);
    EXPECT_LE(drawn.bottom, strip::waveBox.bottom);
    EXPECT_LT(drawn.right - drawn.left, 100);

    // Released: the grains fade out and are taken away once; after that
    // neither silence nor idle calls draw anything.
    allNotesOff();
    render(20);
    idleLater();
    EXPECT_EQ(headless::windowSurfacesTaken(), ++surfaces);
    for (int i = 0; i < 10; i++) {
        render(2);
        idleLater();
    }
    EXPECT_EQ(headless::windowSurfacesTaken(), surfaces);
}

// The pieces on their own: a two-channel overview drawn as two lanes, and a
// scatter stretch running over the sample's end.
TEST(StripPieces, TwoLanesAndScatterOverTheEnd) {
    std::vector<float> left(1001, 0.5f), right(1001, -0.5f);
    left.back() = right.back() = 0.0f;
    SampleStore store;
    store.leftChannel = left.data();
    store.rightChannel = right.data();
    store.channelCount = 2;
    store.sampleRate = 48000;
    store.frameCount = 1000;
    std::shared_ptr<const SampleOverview> overview = makeSampleOverview(store, 7);
    ASSERT_EQ(overview->channelCount, 2u);
    EXPECT_EQ(overview->range(0, 0).low, 0.5f);
    EXPECT_EQ(overview->range(1, SampleOverview::kBuckets - 1).high, -0.5f);

    WaveformView view(strip::waveBox);
    view.setOverview(overview);
    raster::PixelImage image;
    image.resize(400, 290, 0);
    platform::SurfaceHandle surface = raster::createTargetSurface(&image, platform::Bounds{0, 0, 400, 290});
    {
        DrawContext context(surface, nullptr);
        view.update(&context);
    }
    raster::destroyTargetSurface(surface);
    // Lane 0 (rows 207 to 234) is inked above its middle, lane 1 (236 to
    // 263) below its middle, and the row between them stays empty.
    const uint32_t wave = pixelOf(strip::waveColor);
    EXPECT_EQ(image.at(100, 214), wave);
    EXPECT_EQ(image.at(100, 227), 0u);
    EXPECT_EQ(image.at(100, 235), 0u);
    EXPECT_EQ(image.at(100, 242), 0u);
    EXPECT_EQ(image.at(100, 256), wave);

    GrainSnapshot snapshot;
    snapshot.sampleSerial = 7;
    snapshot.sampleLength = 1000;
    snapshot.voiceCount = 1;
    snapshot.voices[0] = GrainSnapshot::Voice{true, 990, 50, 100, 1, {{500, 50}}};
    EXPECT_TRUE(view.showGrains(snapshot));
    const int32_t columns = view.columnCount();
    EXPECT_TRUE(view.columnLook(columns - 1).scatter);
    EXPECT_TRUE(view.columnLook(columns * 990 / 1000).start);
    EXPECT_TRUE(view.columnLook(0).scatter);
    EXPECT_TRUE(view.columnLook(columns * 39 / 1000).scatter);
    EXPECT_FALSE(view.columnLook(columns * 45 / 1000).scatter);
    EXPECT_EQ(view.columnLook(columns / 2).grain, grainLevels);  // at its envelope's peak
    // Grains of another sample than the one shown are not placed.
    snapshot.sampleSerial = 8;
    view.showGrains(snapshot);
    EXPECT_EQ(view.columnLook(columns / 2).grain, 0);
}

}  // namespace
}  // namespace paneltest
