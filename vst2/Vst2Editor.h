#pragma once
// The VST 2 host's editor object: hands the host's editor opcodes to the
// instrument's panel, which it owns.

#include "vst2/AEffEditor.h"

class PluginEditor;

class Vst2Editor : public AEffEditor {
public:
    // Takes the panel over.
    Vst2Editor(AudioEffect* effect, PluginEditor* panel);
    ~Vst2Editor() override;

    int32_t getRect(ERect** rect) override;
    int32_t open(void* window) override;
    void close() override;
    void idle() override;
    int32_t setKnobMode(int32_t mode) override;

    PluginEditor* panel() const { return panel_; }

private:
    PluginEditor* panel_;
    ERect shownRect{};
};
