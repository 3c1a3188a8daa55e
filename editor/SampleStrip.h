#pragma once
// The strip under the panel: the current program's sample as a waveform
// with the voices' grains over it, and a line naming the sample and its
// particulars (or saying that it is missing, or that there is none). It
// reads the instrument's controller at the editor's idle calls: a newly loaded sample's
// overview, and at most about 30 times a second the voices' latest snapshot.

#include <cstdint>
#include <memory>
#include <string>

class CheckBox;
class ControlListener;
class Frame;
class InstrumentController;
class TextLabel;
class WaveformView;
struct SampleOverview;

class SampleStrip {
public:
    // Milliseconds between two pictures of moving grains, at least.
    static constexpr uint32_t liveInterval = 33;
    // Milliseconds between two looks at a load's progress, at least.
    static constexpr uint32_t progressInterval = 100;

    explicit SampleStrip(InstrumentController* controller) : controller(controller) {}

    // Adds the strip's views to the frame, which owns them, and shows what
    // the engine holds now. The "Keep samples in project" box reports to
    // listener under keepTag.
    void open(Frame* frame, ControlListener* listener, int32_t keepTag);
    // The frame has deleted the views.
    void close();
    // The current program's sample path (empty: none) and whether it could
    // be found nowhere.
    void showSample(const char* path, bool missing);
    // Whether the samples are kept in the project, whether they are more
    // than it keeps (it then holds the paths of files in place only), and
    // whether copies that exist nowhere else are saved all the same.
    void showKeeping(bool keep, bool overLimit, bool onlyCopiesAnyway);
    // A file being loaded (null: none), and how far it has come in
    // thousandths: "Loading name… NN %" over a bar in the box.
    void showLoading(const char* path, uint32_t permille);
    // Takes up what changed since the last idle; now in milliseconds.
    void idle(uint32_t now);

    WaveformView* getWaveform() const { return waveform; }
    TextLabel* getInfoLabel() const { return infoLabel; }
    CheckBox* getKeepBox() const { return keepBox; }

private:
    void showOverview();

    InstrumentController* controller;
    WaveformView* waveform = nullptr;
    TextLabel* infoLabel = nullptr;
    CheckBox* keepBox = nullptr;
    std::shared_ptr<const SampleOverview> overview;  // the engine's latest
    std::string path;
    bool missing = false;
    bool loading = false;
    uint32_t lastLive = 0;
    uint32_t lastProgress = 0;
};
