#pragma once
// The instrument's own panel: on top, 400 by 200, four film-strip knobs with
// a value display under each, a button that loads a sample, and the sample's
// path; under it the strip that shows the sample and its grains. It knows
// the instrument only through its controller, so one panel serves every
// plug-in format.

#include <atomic>
#include <memory>
#include <cstdint>
#include <thread>

#include "editor/FileSelector.h"
#include "editor/InstrumentController.h"
#include "editor/PanelEditor.h"
#include "editor/SampleStrip.h"
#include "gui/DropHandler.h"
#include "gui/controls/Control.h"

class AnimKnob;
class Bitmap;
class KickButton;
class TextLabel;

class PluginEditor : public PanelEditor, public ControlListener, public DropHandler {
public:
    static constexpr int32_t parameterCount = 4;
    static constexpr int32_t loadButtonTag = 20;
    static constexpr int32_t keepSamplesTag = 21;

    // The controller outlives the editor.
    explicit PluginEditor(InstrumentController* controller);
    // Closes a panel the host left open.
    ~PluginEditor() override;

    int32_t open(void* window) override;
    void close() override;
    // Safe from any thread: updates from other threads than the panel's are
    // handed over and shown at the panel's next idle.
    void setParameter(int32_t index, float value) override;
    void valueChanged(DrawContext* context, Control* control) override;
    void beginEdit(int32_t index) override { controller->beginEdit(index); }
    void endEdit(int32_t index) override { controller->endEdit(index); }

    // WAV files, told by their extension in any letter case.
    bool acceptsDrop(const char* const* names, int32_t count) override;
    // Loads the first dropped WAV file that loads, as the load button would,
    // in the background; the first failure's message is shown when none does.
    bool takeDrop(const char* const* names, int32_t count) override;

    // Puts the shortened display text of one parameter into its label.
    void refreshValueLabel(int32_t index);

    // The panel's views while it is open, null otherwise.
    AnimKnob* getKnob(int32_t index) const;
    TextLabel* getValueLabel(int32_t index) const;
    KickButton* getLoadButton() const { return loadButton; }
    TextLabel* getFileLabel() const { return fileLabel; }
    const SampleStrip& getStrip() const { return strip; }

protected:
    void applyDeferredUpdates() override;
    void hostIdle() override { controller->hostIdle(); }

private:
    static constexpr uint32_t samplePathChanged = 1u << parameterCount;

    bool onPanelThread() const;
    void runLoadSampleFlow();
    void finishLoadSampleFlow(const FileSelection& selection);
    // At idle: a load that finished becomes the program's sample, or its
    // failure is shown.
    void takeUpFinishedLoad();
    void showSamplePath();

    InstrumentController* controller;
    AnimKnob* knobs[parameterCount] = {};
    TextLabel* valueLabels[parameterCount] = {};
    KickButton* loadButton = nullptr;
    TextLabel* fileLabel = nullptr;
    SampleStrip strip;
    char pathBuffer[selectFilePathSize] = {};
    Bitmap* knobBitmap = nullptr;
    Bitmap* buttonBitmap = nullptr;
    Bitmap* backgroundBitmap = nullptr;

    // The thread that opened and idles the panel; updates from any other
    // thread only set a bit here and are taken over at the next idle.
    std::atomic<std::thread::id> panelThread;
    std::atomic<uint32_t> deferred{0};

    // A chooser is open (one at a time); its answer comes back at an idle
    // and finds the editor only while this token lives.
    bool choosing = false;
    std::shared_ptr<PluginEditor*> lifetime = std::make_shared<PluginEditor*>(this);
};
