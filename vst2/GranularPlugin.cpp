#include "vst2/GranularPlugin.h"

#include "editor/PluginEditor.h"
#include "vst2/Vst2Editor.h"

#include <cstring>

GranularPlugin::GranularPlugin(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams), controller_(*this, engine_)
{
    setNumInputs(0);
    setNumOutputs(2);
    setUniqueID(vstFourCC('H', 'e', 'P', 'a'));
    programsAreChunks(true);
    canProcessReplacing(true); // some hosts load nothing without it
    isSynth(true);
    engine_.setSampleRate(sampleRate);
    // The panel; the editor object's base registers it with the effect,
    // which sets the has-editor flag.
    new Vst2Editor(this, new PluginEditor(&controller_));
    engine_.setListener(this);
}

GranularPlugin::~GranularPlugin()
{
    // The panel goes first: closing it still talks to the instrument.
    engine_.setListener(nullptr);
    delete editor;
    editor = nullptr;
}

Vst2Editor* GranularPlugin::vst2Editor() const
{
    return static_cast<Vst2Editor*>(editor);
}

void GranularPlugin::parameterChanged(int32_t index, float value)
{
    // The panel hands updates from other threads over to its own.
    if (editor)
        vst2Editor()->panel()->setParameter(index, value);
}

void GranularPlugin::parameterAutomated(int32_t index, float value)
{
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void GranularPlugin::stateChanged()
{
    // Hosts take the display-update request as "the plug-in's state changed"
    // (Ardour marks its session modified).
    updateDisplay();
}

void GranularPlugin::setParameter(int32_t index, float value)
{
    engine_.setParameter(index, value);
}

float GranularPlugin::getParameter(int32_t index)
{
    return engine_.getParameter(index);
}

void GranularPlugin::setProgram(int32_t program)
{
    // The dispatcher refuses numbers at or above the count; a direct caller
    // might pass anything.
    if (program < 0 || program >= kNumPrograms)
        return;
    curProgram = program;
    engine_.setProgram(program);
}

void GranularPlugin::setProgramName(char* name)
{
    engine_.setProgramName(name);
}

void GranularPlugin::getProgramName(char* name)
{
    engine_.getProgramName(name);
}

bool GranularPlugin::getProgramNameIndexed(int32_t, int32_t index, char* text)
{
    // Hosts list the names this way; the current program stays as it is.
    return engine_.getProgramNameIndexed(index, text);
}

void GranularPlugin::getParameterName(int32_t index, char* text)
{
    GranularEngine::getParameterName(index, text);
}

void GranularPlugin::getParameterLabel(int32_t index, char* label)
{
    GranularEngine::getParameterLabel(index, label);
}

void GranularPlugin::getParameterDisplay(int32_t index, char* text)
{
    engine_.getParameterDisplay(index, text);
}

int32_t GranularPlugin::getChunk(void** data, bool)
{
    return engine_.getChunk(data);
}

int32_t GranularPlugin::setChunk(void* data, int32_t byteSize, bool)
{
    return engine_.setChunk(data, byteSize);
}

bool GranularPlugin::getVendorString(char* text)
{
    if (text == nullptr)
        return false;
    copyText(text, 64, "Hevarun");
    return true;
}

bool GranularPlugin::getProductString(char* text)
{
    if (text == nullptr)
        return false;
    copyText(text, 64, "Parvolino");
    return true;
}

bool GranularPlugin::getOutputProperties(int32_t index, VstPinProperties* properties)
{
    (void)index; // both outputs, and any other index, answer the same
    if (properties == nullptr)
        return false;
    copyText(properties->label, sizeof properties->label, "Parvolino");
    properties->flags = 3; // active, stereo
    // "Parvolino" and its zero do not fit the 8-byte short label: cut it.
    copyText(properties->shortLabel, sizeof properties->shortLabel, "Parvolino");
    return true;
}

int32_t GranularPlugin::processEvents(VstEvents* events)
{
    // Events still pending from an earlier call are replaced, not added to.
    int32_t kept = 0;
    if (events != nullptr) {
        // The host allocates room for every event past the two declared ones.
        VstEvent* const* list = vstEventPointers(events);
        for (int32_t i = 0; i < events->numEvents && kept < kMaxPendingEvents; ++i) {
            const VstEvent* event = list[i];
            if (event == nullptr || event->type != kVstMidiType)
                continue;
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
            MidiMessage& message = pending_[kept++];
            message.frame = midi->deltaFrames;
            message.status = static_cast<uint8_t>(midi->midiData[0]);
            message.data1 = static_cast<uint8_t>(midi->midiData[1]);
            message.data2 = static_cast<uint8_t>(midi->midiData[2]);
        }
    }
    pendingCount_ = kept;
    return 1;
}

void GranularPlugin::process(float**, float** outputs, int32_t sampleFrames)
{
    // An instrument: there are no inputs.
    float* left = outputs != nullptr ? outputs[0] : nullptr;
    float* right = outputs != nullptr ? outputs[1] : nullptr;
    engine_.process(pending_, pendingCount_, left, right, sampleFrames);
    pendingCount_ = 0;
}

void GranularPlugin::processReplacing(float** inputs, float** outputs, int32_t sampleFrames)
{
    if (outputs != nullptr && sampleFrames > 0) {
        for (int32_t channel = 0; channel < 2; ++channel) {
            if (outputs[channel] != nullptr)
                std::fill(outputs[channel], outputs[channel] + sampleFrames, 0.0f);
        }
    }
    process(inputs, outputs, sampleFrames);
}

void GranularPlugin::setSampleRate(float rate)
{
    AudioEffectX::setSampleRate(rate);
    engine_.setSampleRate(rate);
}

void GranularPlugin::setBlockSizeAndSampleRate(int32_t blockSize, float rate)
{
    AudioEffectX::setBlockSizeAndSampleRate(blockSize, rate);
    engine_.setSampleRate(rate);
}

void GranularPlugin::resume()
{
    wantEvents(1);
}

int32_t GranularPlugin::fxIdle()
{
    engine_.idle();
    return 0;
}

int32_t GranularPlugin::canDo(char* text)
{
    if (text != nullptr && (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0))
        return 1;
    return -1;
}

namespace {

// Opcodes hosts send only from their user-interface or loading thread, never
// from the audio thread: after them it is safe to free replaced samples.
bool offTheAudioThread(int32_t opcode)
{
    switch (opcode) {
    case effMainsChanged:
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
    case effGetChunk:
    case effSetChunk:
    case effGetProgramNameIndexed:
        return true;
    default:
        return false;
    }
}

} // namespace

VstIntPtr GranularPlugin::dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt)
{
    const VstIntPtr result = AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    if (offTheAudioThread(opcode))
        engine_.idle();
    // Switched on: ask for idle calls, the moment to free replaced samples
    // while the panel is closed.
    if (opcode == effMainsChanged && value != 0)
        needIdle();
    return result;
}
