#include "vst2/Vst2Controller.h"

#include "engine/GranularEngine.h"
#include "vst2/AudioEffectX.h"

float Vst2Controller::parameter(int32_t index) {
    return effect.getParameter(index);
}

std::string Vst2Controller::parameterDisplay(int32_t index) {
    char text[24] = {};
    effect.getParameterDisplay(index, text);
    return text;
}

void Vst2Controller::beginEdit(int32_t index) {
    effect.beginEdit(index);
}

void Vst2Controller::setParameter(int32_t index, float value) {
    // Sets it and reports it to the host for automation.
    effect.setParameterAutomated(index, value);
}

void Vst2Controller::endEdit(int32_t index) {
    effect.endEdit(index);
}

void Vst2Controller::hostIdle() {
    effect.masterIdle();
}

SampleStatus Vst2Controller::sampleStatus() {
    return engine.sampleStatus();
}

bool Vst2Controller::requestSampleLoad(const char* const* paths, int32_t count) {
    return engine.requestSampleLoad(paths, count);
}

void Vst2Controller::cancelSampleLoad() {
    engine.cancelSampleLoad();
}

LoadProgress Vst2Controller::loadProgress() {
    return engine.sampleLoadProgress();
}

LoadOutcome Vst2Controller::finishSampleLoad(std::string& failure) {
    const LoadOutcome outcome = engine.finishSampleLoad();
    if (outcome == LoadOutcome::loaded)
        engine.userChangedState(); // the host hears of it now that it has happened
    else if (outcome == LoadOutcome::failed)
        failure = engine.loadFailure();
    return outcome;
}

void Vst2Controller::setKeepSamples(bool keep) {
    engine.setKeepSamples(keep);
    engine.userChangedState();
}

std::shared_ptr<const SampleOverview> Vst2Controller::sampleOverview() {
    return engine.sampleOverview();
}

bool Vst2Controller::takeGrainSnapshot() {
    return engine.takeGrainSnapshot();
}

const GrainSnapshot& Vst2Controller::grainSnapshot() {
    return engine.grainSnapshot();
}

std::string Vst2Controller::takeNotice() {
    const char* notice = engine.takeNotice();
    return notice != nullptr ? notice : "";
}
