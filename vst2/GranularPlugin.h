#pragma once
// The instrument as a VST 2 plug-in: the host's record, dispatcher and
// events turned into calls on the format-neutral instrument, and what the
// instrument says turned into host callbacks (automation, the
// display-update request) and editor updates.

#include "engine/GranularEngine.h"
#include "vst2/AudioEffectX.h"
#include "vst2/Vst2Controller.h"

#include <cstdint>

class Vst2Editor;

class GranularPlugin : public AudioEffectX, private InstrumentListener {
public:
    static constexpr int32_t kMaxPendingEvents = 100;

    explicit GranularPlugin(audioMasterCallback audioMaster);
    ~GranularPlugin() override;

    GranularEngine& instrument() { return engine_; }
    Vst2Editor* vst2Editor() const;

    // Programs and parameters.
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void setProgram(int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    // The whole bank, for banks and single presets alike.
    int32_t getChunk(void** data, bool isPreset) override;
    int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

    // Identity.
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    bool getOutputProperties(int32_t index, VstPinProperties* properties) override;

    // Audio.
    void process(float** inputs, float** outputs, int32_t sampleFrames) override;
    // Hosts that only call the replacing form (Ardour refuses a plug-in
    // without it) get silence under the accumulated output.
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    void setSampleRate(float rate) override;
    // The same as setSampleRate for the rate, plus the block size.
    void setBlockSizeAndSampleRate(int32_t blockSize, float rate) override;
    void resume() override;
    int32_t fxIdle() override;
    // Frees replaced samples on calls that never come from the audio thread.
    VstIntPtr dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) override;

    // MIDI.
    int32_t processEvents(VstEvents* events) override;
    int32_t canDo(char* text) override;

private:
    void parameterChanged(int32_t index, float value) override;
    void parameterAutomated(int32_t index, float value) override;
    void stateChanged() override;

    GranularEngine engine_;
    Vst2Controller controller_;
    // The block's MIDI, as the host last handed it (audio thread).
    MidiMessage pending_[kMaxPendingEvents] = {};
    int32_t pendingCount_ = 0;
};
