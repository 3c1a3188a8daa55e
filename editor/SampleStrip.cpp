#include "editor/SampleStrip.h"

#include <cstdio>
#include <cstring>

#include "editor/PanelColors.h"
#include "editor/StripLayout.h"
#include "editor/TextLabel.h"
#include "editor/WaveformView.h"
#include "editor/InstrumentController.h"
#include "engine/GrainSnapshot.h"
#include "engine/SampleOverview.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/controls/CheckBox.h"

namespace {

// The strip's own ground, under its box and line.
class StripBackdrop : public View {
public:
    StripBackdrop() : View(Rect(0, strip::top, strip::width, strip::bottom)) {}
    void draw(DrawContext* context) override {
        context->setFillColor(strip::backgroundColor);
        // fillRect leaves out the left column and the top row.
        context->fillRect(Rect(size.left - 1, size.top - 1, size.right, size.bottom));
    }
};

// Longer names keep their start and end with "..." between, so that the
// particulars after them still fit the line.
constexpr size_t longestName = 22;

std::string shownName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > longestName)
        name = name.substr(0, longestName - 9) + "..." + name.substr(name.size() - 6);
    return name;
}

// "voice.wav  stereo  44.1 kHz  3.52 s"
std::string describe(const std::string& path, const SampleOverview& sample) {
    char particulars[64];
    const char* channels = sample.channelCount == 1 ? "mono" : "stereo";
    if (sample.sampleRate == 0) {
        std::snprintf(particulars, sizeof particulars, "  %s  %u frames", channels, sample.frameCount);
    } else {
        std::snprintf(particulars, sizeof particulars, "  %s  %.4g kHz  %.2f s", channels, sample.sampleRate / 1000.0,
                      static_cast<double>(sample.frameCount) / sample.sampleRate);
    }
    return shownName(path) + particulars;
}

}  // namespace

void SampleStrip::open(Frame* frame, ControlListener* listener, int32_t keepTag) {
    frame->addView(new StripBackdrop);
    waveform = new WaveformView(strip::waveBox);
    frame->addView(waveform);
    infoLabel = new TextLabel(strip::infoLabel, 1);
    infoLabel->setFrameColor(displayFrameColor);
    frame->addView(infoLabel);
    keepBox = new CheckBox(strip::keepBox, listener, keepTag, "Keep samples in project");
    keepBox->setBoxColors(displayFrameColor, strip::boxColor, strip::startColor);
    keepBox->setBackColor(strip::backgroundColor);
    keepBox->setTitleColor(displayFontColor);
    frame->addView(keepBox);
    overview = controller->sampleOverview();
    controller->takeGrainSnapshot();
    showOverview();
}

void SampleStrip::close() {
    waveform = nullptr;
    infoLabel = nullptr;
    keepBox = nullptr;
}

void SampleStrip::showSample(const char* newPath, bool isMissing) {
    path = newPath ? newPath : "";
    missing = isMissing;
    showOverview();
}

void SampleStrip::showKeeping(bool keep, bool overLimit, bool onlyCopiesAnyway) {
    if (!keepBox)
        return;
    keepBox->setValue(keep ? 1.0f : 0.0f);
    // Over the limit the box stays ticked, and its title says why nothing is
    // kept, or that only the samples whose files are gone still are.
    const bool tooMuch = keep && overLimit;
    keepBox->setTitle(onlyCopiesAnyway ? "Keeps missing files"
                      : tooMuch        ? "Over 16 MB: paths only"
                                       : "Keep samples in project");
    keepBox->setTitleColor(tooMuch || onlyCopiesAnyway ? missingFontColor : displayFontColor);
}

void SampleStrip::showLoading(const char* loadingPath, uint32_t permille) {
    if (!waveform)
        return;
    if (loadingPath == nullptr) {
        if (!loading)
            return;
        loading = false;
        waveform->setProgress(-1);
        showOverview();
        return;
    }
    loading = true;
    waveform->setProgress(static_cast<int32_t>(permille > 1000 ? 1000 : permille));
    char percent[16];
    std::snprintf(percent, sizeof percent, "\x85 %u %%", permille / 10);
    infoLabel->setFontColor(displayFontColor);
    infoLabel->setText(("Loading " + shownName(loadingPath) + percent).c_str());
}

void SampleStrip::idle(uint32_t now) {
    if (!waveform)
        return;
    if (now - lastProgress >= progressInterval) {
        lastProgress = now;
        const LoadProgress progress = controller->loadProgress();
        showLoading(progress.active ? progress.path.c_str() : nullptr, progress.permille);
    }
    std::shared_ptr<const SampleOverview> latest = controller->sampleOverview();
    if (latest != overview) {
        overview = std::move(latest);
        showOverview();
    }
    // Unsigned differences: the tick counter's wrap changes nothing.
    if (now - lastLive < liveInterval || !controller->takeGrainSnapshot())
        return;
    lastLive = now;
    waveform->showGrains(controller->grainSnapshot());
}

void SampleStrip::showOverview() {
    if (!waveform || loading)
        return;
    const bool shown = !path.empty() && !missing && overview;
    waveform->setOverview(shown ? overview : nullptr);
    waveform->showGrains(controller->grainSnapshot());
    infoLabel->setFontColor(missing ? missingFontColor : displayFontColor);
    if (path.empty())
        infoLabel->setText("Drop a WAV file here");
    else if (missing)
        infoLabel->setText(("Missing: " + shownName(path)).c_str());
    else if (overview)
        infoLabel->setText(describe(path, *overview).c_str());
    else
        infoLabel->setText(shownName(path).c_str());
}
