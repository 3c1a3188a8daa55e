#pragma once
// The bundle's DSP and UI built into the test and driven as a host drives
// them, both in this process: the host's URID map, a worker done after each
// block, the control ports, the UI's messages delivered at the next block
// and the notify port's events handed to the UI. The UI opens in a window
// of the headless backend.

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class InProcessLv2 {
public:
    struct Midi {
        uint32_t frame;
        std::array<uint8_t, 3> bytes;
    };
    // An event the DSP put on its notify port: its object type and size.
    struct Notified {
        LV2_URID type;
        uint32_t bytes;
    };

    explicit InProcessLv2(double sampleRate);
    ~InProcessLv2();
    InProcessLv2(const InProcessLv2&) = delete;
    InProcessLv2& operator=(const InProcessLv2&) = delete;

    // The UI, opened in the parent window; null when it did not open.
    LV2UI_Handle openUi(void* parent);
    void closeUi();
    void idleUi();

    // A control port's value as the host sets it; an open UI hears of it.
    void setControl(int32_t parameter, float value);
    float control(int32_t parameter) const { return controls_[parameter]; }

    // patch:Set of the plug-in's sample, as a host's generic controls send
    // it, on the control port at the next block.
    void setSample(const std::string& path);
    // One block, its MIDI on the control port after the UI's messages.
    void run(uint32_t frames, const std::vector<Midi>& midi = {});
    const std::vector<float>& output(int channel) const { return audio_[channel]; }

    LV2_URID map(const char* uri);

    // What happened since the harness was made.
    std::vector<Notified> notified;
    std::vector<std::pair<uint32_t, float>> portWrites;  // the UI's control port writes
    std::vector<std::pair<uint32_t, bool>> touches;      // the UI's gestures
    int32_t resizedWidth = 0;
    int32_t resizedHeight = 0;

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle self, const char* uri);
    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle self, uint32_t size, const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle self, uint32_t size, const void* data);
    static void write(LV2UI_Controller self, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer);
    static void touch(LV2UI_Feature_Handle self, uint32_t port, bool grabbed);
    static int resize(LV2UI_Feature_Handle self, int width, int height);
    void writeControlSequence(const std::vector<Midi>& midi);

    std::map<std::string, LV2_URID> urids_;
    LV2_URID_Map map_{this, mapUri};
    LV2_Worker_Schedule schedule_{this, schedule};
    const LV2_Descriptor* descriptor_ = nullptr;
    LV2_Handle dsp_ = nullptr;
    const LV2_Worker_Interface* worker_ = nullptr;
    std::vector<std::vector<uint8_t>> jobs_;
    std::vector<std::vector<uint8_t>> answers_;

    std::vector<uint64_t> control_;
    std::vector<uint64_t> notify_;
    std::vector<float> audio_[2];
    float controls_[4] = {0.5f, 0.5f, 0.5f, 0.1f};
    std::vector<std::vector<uint8_t>> fromUi_;  // atoms for the next block

    const LV2UI_Descriptor* uiDescriptor_ = nullptr;
    LV2UI_Handle ui_ = nullptr;
    const LV2UI_Idle_Interface* uiIdle_ = nullptr;
    LV2UI_Touch touch_{this, touch};
    LV2UI_Resize resize_{this, resize};
};
