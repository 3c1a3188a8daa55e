#pragma once
// The panel's controller in a VST 2 plug-in: the instrument is in the same
// process, so every question goes straight to it, and the host hears of
// the user's gestures through the effect's callbacks.

#include "editor/InstrumentController.h"

class AudioEffectX;
class GranularEngine;

class Vst2Controller : public InstrumentController {
public:
    Vst2Controller(AudioEffectX& effect, GranularEngine& engine) : effect(effect), engine(engine) {}

    float parameter(int32_t index) override;
    std::string parameterDisplay(int32_t index) override;
    void beginEdit(int32_t index) override;
    void setParameter(int32_t index, float value) override;
    void endEdit(int32_t index) override;
    void hostIdle() override;

    SampleStatus sampleStatus() override;
    bool requestSampleLoad(const char* const* paths, int32_t count) override;
    void cancelSampleLoad() override;
    LoadProgress loadProgress() override;
    LoadOutcome finishSampleLoad(std::string& failure) override;
    void setKeepSamples(bool keep) override;

    std::shared_ptr<const SampleOverview> sampleOverview() override;
    bool takeGrainSnapshot() override;
    const GrainSnapshot& grainSnapshot() override;
    std::string takeNotice() override;

private:
    AudioEffectX& effect;
    GranularEngine& engine;
};
