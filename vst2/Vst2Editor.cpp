#include "vst2/Vst2Editor.h"

#include "editor/PluginEditor.h"
#include "gui/controls/Knob.h"
#include "vst2/AudioEffect.h"

Vst2Editor::Vst2Editor(AudioEffect* effect, PluginEditor* panel) : AEffEditor(effect), panel_(panel) {
    if (effect)
        effect->setEditor(this);
}

Vst2Editor::~Vst2Editor() {
    delete panel_;
}

int32_t Vst2Editor::getRect(ERect** rect) {
    // The size the panel shows at in the host's window, enlarged on a
    // high-resolution screen.
    const Rect shown = panel_->shownSize(systemWindow);
    shownRect.left = static_cast<int16_t>(shown.left);
    shownRect.top = static_cast<int16_t>(shown.top);
    shownRect.right = static_cast<int16_t>(shown.right);
    shownRect.bottom = static_cast<int16_t>(shown.bottom);
    if (rect)
        *rect = &shownRect;
    return 1;
}

int32_t Vst2Editor::open(void* window) {
    AEffEditor::open(window);
    return panel_->open(window);
}

void Vst2Editor::close() {
    panel_->close();
}

void Vst2Editor::idle() {
    panel_->idle();
}

int32_t Vst2Editor::setKnobMode(int32_t mode) {
    // Shared by every editor of the module.
    knobMode = mode;
    return 1;
}
