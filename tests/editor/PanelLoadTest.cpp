// The load button: when the file dialog opens, what it is asked, and what a
// chosen, failing or cancelled file does to the panel and the programs.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "editor/DrawnMessageBox.h"
#include "gui/controls/CheckBox.h"
#include "tests/editor/PanelFixture.h"

namespace paneltest {
namespace {

using PanelLoad = PanelTest;

std::string programPath(GranularEngine* engine, int32_t program) {
    return engine->program(program).samplePath;
}

// The host restoring a bank in which the program names the sample.
void restoreBankNaming(GranularEngine* engine, int32_t program, const std::string& path) {
    void* data = nullptr;
    ASSERT_GE(engine->getChunk(&data), kBankSize);
    GranularProgram bank[kNumPrograms];
    std::memcpy(bank, data, sizeof bank);
    copyText(bank[program].samplePath, sizeof bank[program].samplePath, path.c_str());
    ASSERT_EQ(engine->setChunk(bank, kBankSize), kBankSize);
}

// Pixels of the path display drawn in a warm colour: the missing-sample
// warning, which the usual cyan text never gives.
int32_t warningPixels(platform::WindowHandle panel) {
    int32_t count = 0;
    for (int32_t y = 62; y < 81; y++) {
        for (int32_t x = 102; x < 388; x++) {
            const uint32_t p = headless::windowPixel(panel, x, y);
            if (static_cast<int32_t>((p >> 16) & 0xFF) > static_cast<int32_t>((p >> 8) & 0xFF) + 40)
                count++;
        }
    }
    return count;
}

TEST_F(PanelLoad, DialogOpensOnThePressAndOnEveryReturnWhileHeld) {
    gesture({{50, 70}, {50, 70, 0}});
    ASSERT_EQ(headless::openFileRequests().size(), 1u);
    const headless::OpenFileRecord& request = headless::openFileRequests()[0];
    EXPECT_EQ(request.owner, panel);
    EXPECT_EQ(request.title, "Load Sample");
    EXPECT_EQ(request.filter, (std::vector<std::string>{"Wave (*.wav)", "*.wav"}));
    EXPECT_EQ(request.filterIndex, 1u);
    EXPECT_EQ(request.initialFile, "");
    EXPECT_EQ(request.initialFolder, "");  // no sample yet: the system's choice
    EXPECT_EQ(request.maxFile, 260u);
    EXPECT_EQ(request.flags, 0x81004u);
    // The button is no parameter: the host hears no edit gesture and no automation.
    EXPECT_TRUE(callsOf(fx, {audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}).empty());

    // Leaving and coming back with the button still held asks again; the
    // release never does.
    idle();
    gesture({{50, 70}, {200, 150}, {89, 84}, {89, 84, 0}});
    EXPECT_EQ(headless::openFileRequests().size(), 3u);

    // The button is drawn up again at the next idle.
    idle();
    EXPECT_EQ(headless::windowPixel(panel, 50, 70), buttonUpPixel);
}

TEST_F(PanelLoad, ChosenFileBecomesTheProgramsSampleAndThePathDisplayShowsItCutTo63) {
    ScratchFolder folder;
    const std::string path = folder.file("a-sample-with-a-name-long-enough-to-overflow-the-display.wav");
    ASSERT_GT(path.size(), 63u);
    writeWav(path, 4000);

    headless::queueOpenFileAnswer(path);
    gesture({{50, 70}, {50, 70, 0}});
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_EQ(programPath(engine, 0), path);
    EXPECT_EQ(labelText(editor->getFileLabel()), path.substr(0, 63));

    // A fresh panel reads the path back from the program.
    closePanel();
    openPanel();
    EXPECT_EQ(labelText(editor->getFileLabel()), path.substr(0, 63));
}

TEST_F(PanelLoad, FailedLoadShowsTheReadersMessageAndChangesNothing) {
    ScratchFolder folder;
    const std::string good = folder.file("good.wav");
    writeWav(good, 4000);
    headless::queueOpenFileAnswer(good);
    gesture({{50, 70}, {50, 70, 0}});
    ASSERT_EQ(programPath(engine, 0), good);
    idle();

    const std::string notWav = folder.file("notes.wav");
    FILE* file = std::fopen(notWav.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("these are not the samples you are looking for, just some words", file);
    std::fclose(file);

    const struct {
        std::string path;
        const char* message;
    } failures[] = {{notWav, "WAV-File has bad type"}, {folder.file("gone.wav"), "File not found"}};
    for (const auto& failure : failures) {
        const size_t boxes = headless::messageBoxes().size();
        headless::queueOpenFileAnswer(failure.path);
        gesture({{50, 70}, {50, 70, 0}});
        ASSERT_EQ(headless::messageBoxes().size(), boxes + 1);
        const headless::MessageBoxRecord& box = headless::messageBoxes().back();
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.text, failure.message);
        EXPECT_EQ(box.type, 0x10u);  // OK button, error icon
        EXPECT_EQ(box.owner, panel);
        // The dialog opened where the current sample is.
        EXPECT_EQ(headless::openFileRequests().back().initialFolder, folder.file("").substr(0, folder.file("").size() - 1));
        EXPECT_EQ(programPath(engine, 0), good);
        EXPECT_EQ(labelText(editor->getFileLabel()), good);
        idle();
    }
}

TEST_F(PanelLoad, CancelLeavesEverythingAsItWas) {
    const std::string before = labelText(editor->getFileLabel());
    headless::queueOpenFileAnswer(std::nullopt);
    gesture({{50, 70}, {50, 70, 0}});
    EXPECT_EQ(headless::openFileRequests().size(), 1u);
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_EQ(labelText(editor->getFileLabel()), before);
    EXPECT_EQ(programPath(engine, 0), "");
}

TEST_F(PanelLoad, DroppedFilesLoadTheFirstWaveThatLoadsAndOnlyWaveFilesAreTaken) {
    ScratchFolder folder;
    const std::string good = folder.file("Dropped.WAV");
    writeWav(good, 4000);
    const std::string notWav = folder.file("notes.wav");
    FILE* file = std::fopen(notWav.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("words, not samples", file);
    std::fclose(file);
    // The fixture's host window, and the panel in it, are at screen (300, 200).
    const int32_t x = 300;
    const int32_t y = 200;

    // Not a WAV file: no cursor, nothing happens.
    headless::DropOutcome out = headless::dropFiles(panel, {folder.file("song.txt")}, x + 200, y + 70);
    settleLoads();
    EXPECT_EQ(out.overEffect, platform::dropEffectNone);
    EXPECT_EQ(out.dropEffect, platform::dropEffectNone);
    EXPECT_EQ(programPath(engine, 0), "");

    // The unreadable one is passed over for the next; the copy cursor shows
    // anywhere on the panel, and the drop is answered as a copy.
    out = headless::dropFiles(panel, {folder.file("song.txt"), notWav, good}, x + 20, y + 150);
    settleLoads();
    EXPECT_EQ(out.enterEffect, platform::dropEffectCopy);
    EXPECT_EQ(out.overEffect, platform::dropEffectCopy);
    EXPECT_EQ(out.dropEffect, platform::dropEffectCopy);
    EXPECT_TRUE(headless::messageBoxes().empty());
    EXPECT_EQ(programPath(engine, 0), good);
    EXPECT_EQ(labelText(editor->getFileLabel()), good.substr(0, 63));

    // Nothing that loads: the drop was taken (the files load in the
    // background), then the reader's message comes, and the sample stays.
    out = headless::dropFiles(panel, {notWav, folder.file("gone.wav")}, x + 200, y + 70);
    settleLoads();
    EXPECT_EQ(out.dropEffect, platform::dropEffectCopy);
    ASSERT_EQ(headless::messageBoxes().size(), 1u);
    EXPECT_EQ(headless::messageBoxes()[0].caption, "Error");
    EXPECT_EQ(headless::messageBoxes()[0].text, "WAV-File has bad type");
    EXPECT_EQ(programPath(engine, 0), good);
}

// The host must count the project as changed after every sample the user
// picks, or closing it loses the choice; restoring one must not.
TEST_F(PanelLoad, EverySampleTheUserLoadsTellsTheHostTheStateChangedAndNothingElseDoes) {
    ScratchFolder folder;
    const std::string good = folder.file("good one.wav");
    writeWav(good, 4000);
    auto stateChanges = [&] { return fx.host().count(audioMasterUpdateDisplay); };
    EXPECT_EQ(stateChanges(), 0u);

    headless::queueOpenFileAnswer(good);
    gesture({{50, 70}, {50, 70, 0}});
    EXPECT_EQ(stateChanges(), 1u) << "the Load button";
    idle();
    headless::queueOpenFileAnswer(std::nullopt);
    gesture({{50, 70}, {50, 70, 0}});
    idle();
    headless::queueOpenFileAnswer(folder.file("gone.wav"));
    gesture({{50, 70}, {50, 70, 0}});
    EXPECT_EQ(stateChanges(), 1u) << "a cancelled or failed load changes nothing";

    headless::dropFiles(panel, {good}, 500, 270);
    settleLoads();
    EXPECT_EQ(stateChanges(), 2u) << "a drop";
    headless::dropFiles(panel, {folder.file("song.txt")}, 500, 270);
    settleLoads();
    EXPECT_EQ(stateChanges(), 2u) << "a refused drop";

    // The host restoring its project, and program changes, load samples too.
    restoreBankNaming(engine, 1, good);
    engine->setProgram(1);
    EXPECT_EQ(stateChanges(), 2u);

    // The strip's "Keep samples in project" box is saved in the project too:
    // a click on it, or on its title, turns keeping over and tells the host.
    ASSERT_TRUE(engine->keepsSamples());
    EXPECT_EQ(editor->getStrip().getKeepBox()->getValue(), 1.0f);
    gesture({{252, 277}, {252, 277, 0}});
    EXPECT_FALSE(engine->keepsSamples());
    EXPECT_EQ(stateChanges(), 3u) << "keeping turned off";
    idle();
    EXPECT_EQ(editor->getStrip().getKeepBox()->getValue(), 0.0f);
    gesture({{330, 277}, {330, 277, 0}});
    EXPECT_TRUE(engine->keepsSamples());
    EXPECT_EQ(stateChanges(), 4u) << "keeping turned on";
    gesture({{252, 277}, {200, 240}, {200, 240, 0}});
    EXPECT_TRUE(engine->keepsSamples()) << "a press that slides away changes nothing";
    EXPECT_EQ(stateChanges(), 4u);
}

TEST_F(PanelLoad, AMissingSampleIsShownAsMissingUntilItIsFoundAndTheDialogOpensWhereItWas) {
    ScratchFolder folder;
    const std::string gone = folder.file("gone.wav");
    // A bank whose current program names a file that is nowhere.
    restoreBankNaming(engine, 0, gone);
    EXPECT_TRUE(engine->isSampleMissing());
    idle();
    EXPECT_EQ(labelText(editor->getFileLabel()), ("Missing: " + gone).substr(0, 63));
    EXPECT_GT(warningPixels(panel), 20);
    // The path is never erased.
    EXPECT_EQ(programPath(engine, 0), gone);

    headless::queueOpenFileAnswer(std::nullopt);
    gesture({{50, 70}, {50, 70, 0}});
    ASSERT_EQ(headless::openFileRequests().size(), 1u);
    EXPECT_EQ(headless::openFileRequests()[0].initialFolder + "/gone.wav", gone);

    // The file is back: selecting the program again loads it and the display
    // is plain again, while the panel stays open.
    idle();
    writeWav(gone, 4000);
    engine->setProgram(0);
    idle();
    EXPECT_FALSE(engine->isSampleMissing());
    EXPECT_EQ(labelText(editor->getFileLabel()), gone.substr(0, 63));
    EXPECT_EQ(warningPixels(panel), 0);
}

// One note on each program in turn, without scatter: instances in the same
// state give the same samples, bit for bit.
std::vector<float> playEachProgram(PluginInstance& fx) {
    std::vector<float> out;
    for (int32_t p = 0; p < kNumPrograms; p++) {
        fx.setProgram(p);
        fx.runProcess(64);  // the audio thread takes up the program's sample
        MidiEventList events;
        events.noteOn(0, 0, 60, 100);
        fx.processEvents(events);
        for (int32_t block = 0; block < 6; block++) {
            fx.runProcess(512);
            out.insert(out.end(), fx.output(0), fx.output(0) + 512);
        }
        events.clear();
        events.controller(0, 0, 123, 0);
        fx.processEvents(events);
        fx.runProcess(64);
    }
    return out;
}

TEST_F(PanelLoad, SamplesKeptInTheProjectPlayTheSameWithTheirFilesGoneAndThePanelSaysSo) {
    ScratchFolder folder;
    const std::string first = folder.file("first.wav"), second = folder.file("second.wav");
    writeWav(first, 4000);
    writeWav(second, 6000, 22050);
    // Four programs over two files, saved by another instance.
    PluginInstance original;
    ASSERT_TRUE(createInstrument(original));
    original.setSampleRate(44100.0f);
    for (int32_t p = 0; p < kNumPrograms; p++) {
        original.setProgram(p);
        ASSERT_EQ(engineOf(original)->loadSampleFile(p % 2 ? second.c_str() : first.c_str()), nullptr);
        original.setParameter(3, 0.0f);
    }
    const std::vector<float> before = playEachProgram(original);
    const std::vector<unsigned char> chunk = original.getChunk();
    const size_t files = std::filesystem::file_size(first) + std::filesystem::file_size(second);
    EXPECT_GE(chunk.size(), kBankSize + files);
    EXPECT_LE(chunk.size(), kBankSize + files + 64 + first.size() + second.size()) << "each file once";

    std::remove(first.c_str());
    std::remove(second.c_str());

    // A copy that fails its checksum is not played, and the panel says why
    // the sample is missing; the other file's copy still plays.
    std::vector<unsigned char> damaged = chunk;
    damaged[kBankSize + 24 + 20 + first.size() + 100] ^= 0x40;
    ASSERT_EQ(fx.setChunk(damaged), kBankSize);
    idle();
    EXPECT_EQ(labelText(editor->getFileLabel()), ("Missing (damaged copy): " + first).substr(0, 63));
    EXPECT_GT(warningPixels(panel), 20);
    fx.setProgram(1);
    EXPECT_EQ(engine->sampleOrigin(), GranularEngine::SampleOrigin::project);

    ASSERT_EQ(fx.setChunk(chunk), kBankSize);
    EXPECT_EQ(playEachProgram(fx), before);
    for (int32_t p = 0; p < kNumPrograms; p++) {
        fx.setProgram(p);
        idle();
        EXPECT_EQ(engine->sampleOrigin(), GranularEngine::SampleOrigin::project);
        EXPECT_EQ(labelText(editor->getFileLabel()), ("From project: " + (p % 2 ? second : first)).substr(0, 63));
        EXPECT_EQ(warningPixels(panel), 0);
    }
    // Saved again without the files, the samples stay.
    EXPECT_EQ(fx.getChunk(), chunk);
}

// Where the platform can show no box, the panel draws one: the message
// broken between words, over the panel until a click takes it away.
TEST_F(PanelLoad, TheDrawnBoxShowsTheWholeMessageAndAClickClosesIt) {
    const std::string message =
        "No file chooser was found, so no sample can be chosen here. Install zenity or kdialog to load samples.";
    Frame* frame = editor->getFrame();
    ASSERT_NE(frame, nullptr);
    const int32_t viewsBefore = frame->getViewCount();
    DrawnMessageBox* box = DrawnMessageBox::show(frame, "Load Sample", message.c_str());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(frame->getViewCount(), viewsBefore + 1);
    std::string joined;
    for (const std::string& line : box->getLines()) {
        EXPECT_LE(line.size(), 60u) << line;
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, message) << "no word lost or split";
    EXPECT_EQ(wrapWords("one  two", 3), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(wrapWords("unbreakable", 4), (std::vector<std::string>{"unbreakable"}));

    idle();
    EXPECT_NE(headless::windowPixel(panel, 30, 155), backgroundPixel) << "the box is drawn";
    gesture({{200, 100}, {200, 100, 0}});
    EXPECT_EQ(frame->getViewCount(), viewsBefore);
    EXPECT_EQ(headless::windowPixel(panel, 30, 155), backgroundPixel) << "the panel under it is drawn again";
    EXPECT_TRUE(headless::openFileRequests().empty()) << "the click was the box's, not the panel's";
}

}  // namespace
}  // namespace paneltest
