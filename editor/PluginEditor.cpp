#include "editor/PluginEditor.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "editor/ErrorMessage.h"
#include "editor/PanelColors.h"
#include "editor/StripLayout.h"
#include "editor/TextLabel.h"
#include "engine/SampleSearch.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/controls/AnimKnob.h"
#include "gui/controls/KickButton.h"

namespace {

constexpr int32_t knobBitmapId = 200;
constexpr int32_t buttonBitmapId = 201;
constexpr int32_t backgroundBitmapId = 202;

constexpr int32_t knobFrames = 61;
constexpr int32_t knobFrameHeight = 60;
constexpr int32_t buttonFrameHeight = 25;


// What the path display puts before the path: where the sample comes from.
const char* originPrefix(SampleOrigin origin) {
    switch (origin) {
    case SampleOrigin::project: return "From project: ";
    case SampleOrigin::missing: return "Missing: ";
    case SampleOrigin::damaged: return "Missing (damaged copy): ";
    default: return "";
    }
}

bool isWaveName(const char* name) {
    const char* dot = name ? std::strrchr(name, '.') : nullptr;
    if (!dot)
        return false;
    const char wav[] = ".wav";
    for (int i = 0; i < 5; ++i) {
        char c = dot[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != wav[i])
            return false;
    }
    return true;
}

// The audio thread reads these; it must never wait for a lock.
static_assert(std::atomic<std::thread::id>::is_always_lock_free);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

// Pairs of description and pattern, ended by an extra zero (the literal's own).
constexpr char waveFilter[] = "Wave (*.wav)\0*.wav\0";

}  // namespace

PluginEditor::PluginEditor(InstrumentController* controller)
    : PanelEditor(strip::width, strip::bottom), controller(controller), strip(controller),
      panelThread(std::this_thread::get_id()) {}

PluginEditor::~PluginEditor() {
    if (frame)
        close();
}

AnimKnob* PluginEditor::getKnob(int32_t index) const {
    return frame && index >= 0 && index < parameterCount ? knobs[index] : nullptr;
}

TextLabel* PluginEditor::getValueLabel(int32_t index) const {
    return frame && index >= 0 && index < parameterCount ? valueLabels[index] : nullptr;
}

int32_t PluginEditor::open(void* window) {
    // A host that opens twice without closing must not leak the first panel.
    if (frame)
        close();
    PanelEditor::open(window);
    panelThread.store(std::this_thread::get_id());
    // Everything below reads the current state, so nothing handed over
    // before this point is still news.
    deferred.store(0);

    knobBitmap = new Bitmap(knobBitmapId);
    buttonBitmap = new Bitmap(buttonBitmapId);
    backgroundBitmap = new Bitmap(backgroundBitmapId);

    frame = new Frame(Rect(0, 0, strip::width, strip::bottom), static_cast<platform::WindowHandle>(window), this);
    frame->setBackground(backgroundBitmap);
    frame->setDropHandler(this);

    for (int32_t i = 0; i < parameterCount; i++) {
        knobs[i] = new AnimKnob(Rect(50 + 80 * i, 120, 110 + 80 * i, 180), this, i, knobFrames, knobFrameHeight,
                                knobBitmap);
        knobs[i]->setValue(controller->parameter(i));
        frame->addView(knobs[i]);
    }
    for (int32_t i = 0; i < parameterCount; i++) {
        valueLabels[i] = new TextLabel(Rect(50 + 80 * i, 180, 110 + 80 * i, 192), 0);
        valueLabels[i]->setFontColor(displayFontColor);
        valueLabels[i]->setFrameColor(displayFrameColor);
        valueLabels[i]->setHoriAlign(alignCenter);
        refreshValueLabel(i);
        frame->addView(valueLabels[i]);
    }

    loadButton = new KickButton(Rect(10, 60, 90, 85), this, loadButtonTag, buttonFrameHeight, buttonBitmap,
                                Point(0, 0));
    frame->addView(loadButton);

    fileLabel = new TextLabel(Rect(100, 60, 390, 83), 2);
    frame->addView(fileLabel);
    fileLabel->setFontColor(displayFontColor);
    fileLabel->setFrameColor(displayFrameColor);
    strip.open(frame, this, keepSamplesTag);
    showSamplePath();
    return 1;
}

void PluginEditor::close() {
    // A load the user asked for goes with the panel that showed it.
    controller->cancelSampleLoad();
    // The frame deletes every view, and with them their bitmap references.
    delete frame;
    frame = nullptr;
    for (int32_t i = 0; i < parameterCount; i++) {
        knobs[i] = nullptr;
        valueLabels[i] = nullptr;
    }
    loadButton = nullptr;
    fileLabel = nullptr;
    strip.close();

    for (Bitmap** bitmap : {&knobBitmap, &buttonBitmap, &backgroundBitmap}) {
        if (*bitmap)
            (*bitmap)->release();
        *bitmap = nullptr;
    }
}

bool PluginEditor::onPanelThread() const {
    return panelThread.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

void PluginEditor::setParameter(int32_t index, float value) {
    if (index < -1 || index >= parameterCount)
        return;
    if (!onPanelThread()) {
        // The audio thread (a pitch bend inside process) and other host
        // threads never touch a view: they leave a note, and the panel thread
        // reads the current value at its next idle.
        const uint32_t bit = index < 0 ? samplePathChanged : 1u << index;
        deferred.fetch_or(bit, std::memory_order_release);
        return;
    }
    if (!frame)
        return;
    if (index == -1) {
        showSamplePath();
    } else {
        // Moves the knob only: no listener call, no automation.
        knobs[index]->setValue(value);
        refreshValueLabel(index);
    }
}

void PluginEditor::applyDeferredUpdates() {
    panelThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    strip.idle(getTicks());
    if (frame) {
        takeUpFinishedLoad();
        // A save or a restore by the host that ran short of memory.
        const std::string notice = controller->takeNotice();
        if (!notice.empty())
            showErrorMessage(frame, "Error", notice.c_str());
    }
    const uint32_t pending = deferred.exchange(0, std::memory_order_acquire);
    if (!pending || !frame)
        return;
    for (int32_t i = 0; i < parameterCount; i++) {
        if (pending & (1u << i)) {
            knobs[i]->setValue(controller->parameter(i));
            refreshValueLabel(i);
        }
    }
    if (pending & samplePathChanged)
        showSamplePath();
}

void PluginEditor::showSamplePath() {
    const SampleStatus status = controller->sampleStatus();
    const bool named = !status.path.empty();
    const bool missing = named && status.missing();
    fileLabel->setFontColor(missing ? missingFontColor : displayFontColor);
    // The label keeps 63 characters: the prefix always shows.
    const std::string text = std::string(named ? originPrefix(status.origin) : "") + status.path;
    fileLabel->setText(text.c_str());
    fileLabel->setDirty(true);
    strip.showSample(status.path.c_str(), missing);
    strip.showKeeping(status.keepSamples, status.overLimit, status.onlyCopiesAnyway);
}

void PluginEditor::refreshValueLabel(int32_t index) {
    if (index < 0 || index >= parameterCount || !valueLabels[index])
        return;
    char text[24] = {};
    const std::string display = controller->parameterDisplay(index);
    std::snprintf(text, sizeof text, "%s", display.c_str());
    // The display texts are eight characters; the panel keeps three or four
    // significant characters and adds the unit itself.
    switch (index) {
    case 0:
        text[5] = '\0';
        break;
    case 1:
    case 3: {
        // Never a bare decimal point before the unit.
        const int p = text[3] == '.' ? 3 : 4;
        text[p] = ' ';
        text[p + 1] = 'm';
        text[p + 2] = 's';
        text[p + 3] = '\0';
        break;
    }
    case 2:
        text[text[3] == '.' ? 3 : 4] = '\0';
        break;
    default:
        break;
    }
    valueLabels[index]->setText(text);
}

void PluginEditor::valueChanged(DrawContext* context, Control* control) {
    const float value = control->getValue();
    const int32_t tag = control->getTag();
    if (tag >= 0 && tag < parameterCount) {
        // Reaches setParameter above on this thread, which moves the knob and
        // rewrites its label; the knob is drawn at once.
        controller->setParameter(tag, value);
        control->update(context);
    } else if (tag == loadButtonTag && value == 1.0f) {
        // 1.0 is the press; the reports of 0.0 on leaving and release are not.
        runLoadSampleFlow();
    } else if (tag == keepSamplesTag) {
        // Saved in the project, so the host is told its project changed.
        controller->setKeepSamples(value >= 0.5f);
        showSamplePath();
    }
}

void PluginEditor::runLoadSampleFlow() {
    if (choosing)
        return;  // the chooser is already open
    choosing = true;
    // The dialog opens where the current sample is, or where the missing
    // one was.
    const std::string folder = folderOf(controller->sampleStatus().path);
    std::weak_ptr<PluginEditor*> editor = lifetime;
    startFileSelection(frame, "Load Sample", waveFilter, folder.c_str(), [editor](const FileSelection& selection) {
        if (auto alive = editor.lock())
            (*alive)->finishLoadSampleFlow(selection);
    });
}

void PluginEditor::finishLoadSampleFlow(const FileSelection& selection) {
    choosing = false;
    if (selection.failure) {
        showErrorMessage(frame, "Load Sample", selection.failure);
        return;
    }
    if (!selection.chosen || !selection.path)
        return;
    const size_t length = strnlen(selection.path, selectFilePathSize);
    if (length == selectFilePathSize)
        return;  // longer than a path may be
    std::memcpy(pathBuffer, selection.path, length + 1);
    // Read on the plug-in's own thread; the strip shows how far it has come.
    const char* paths[] = {pathBuffer};
    controller->requestSampleLoad(paths, 1);
}

void PluginEditor::takeUpFinishedLoad() {
    std::string failure;
    switch (controller->finishSampleLoad(failure)) {
    case LoadOutcome::loaded:
        showSamplePath();
        break;
    case LoadOutcome::failed:
        strip.showLoading(nullptr, 0);
        showErrorMessage(frame, "Error", failure.c_str());
        break;
    case LoadOutcome::none:
        break;
    }
}

bool PluginEditor::acceptsDrop(const char* const* names, int32_t count) {
    for (int32_t i = 0; names && i < count; i++) {
        if (isWaveName(names[i]))
            return true;
    }
    return false;
}

bool PluginEditor::takeDrop(const char* const* names, int32_t count) {
    // The WAV files, tried in order on the loader's thread until one loads;
    // when none does, the first one's message is shown.
    std::vector<const char*> waves;
    for (int32_t i = 0; names && i < count; i++) {
        if (isWaveName(names[i]))
            waves.push_back(names[i]);
    }
    if (waves.empty())
        return false;
    return controller->requestSampleLoad(waves.data(), static_cast<int32_t>(waves.size()));
}
