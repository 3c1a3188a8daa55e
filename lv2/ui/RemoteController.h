#pragma once
// The panel's controller in an LV2 UI: the instrument may live in another
// process, so the controller keeps a copy of what the DSP last said (the
// control ports' values, the sample's status, its overview, the voices) and
// turns the panel's requests into control port writes and atom messages.
// Everything runs on the host's UI thread.

#include "editor/InstrumentController.h"
#include "engine/GrainSnapshot.h"
#include "engine/GranularProgram.h"
#include "engine/SampleOverview.h"
#include "lv2/Urids.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>
#include <string>

class PanelEditor;

class RemoteController : public InstrumentController {
public:
    struct Host {
        LV2UI_Write_Function write = nullptr;
        LV2UI_Controller controller = nullptr;
        const LV2UI_Touch* touch = nullptr;  // null: the host takes no gestures
    };

    RemoteController(const Lv2Urids& urids, LV2_URID_Map* map, const Host& host);

    // The panel that hears of changes; null while there is none.
    void setEditor(PanelEditor* editor) { editor_ = editor; }

    // The UI opens (the DSP starts feeding it and says what it holds) or goes.
    void greet();
    void leave();
    // What the host passes on: a control port's value, a notify port event.
    void portChanged(int32_t index, float value);
    void receive(const LV2_Atom& atom);

    float parameter(int32_t index) override;
    std::string parameterDisplay(int32_t index) override;
    void beginEdit(int32_t index) override;
    void setParameter(int32_t index, float value) override;
    void endEdit(int32_t index) override;
    void hostIdle() override {}

    SampleStatus sampleStatus() override { return status_; }
    bool requestSampleLoad(const char* const* paths, int32_t count) override;
    // A load goes on in the DSP whether a UI shows it or not.
    void cancelSampleLoad() override {}
    LoadProgress loadProgress() override { return progress_; }
    LoadOutcome finishSampleLoad(std::string& failure) override;
    void setKeepSamples(bool keep) override;

    std::shared_ptr<const SampleOverview> sampleOverview() override { return overview_; }
    bool takeGrainSnapshot() override;
    const GrainSnapshot& grainSnapshot() override { return *grains_; }
    std::string takeNotice() override;

private:
    void readStatus(const LV2_Atom_Object& object);
    void readOverview(const LV2_Atom_Object& object);
    void readGrains(const LV2_Atom_Object& object);
    std::string readText(const LV2_Atom_Object& object) const;
    // Sends an object of the type to the control port, with a patch
    // property's value when property is given.
    void send(LV2_URID type, LV2_URID property = 0, const LV2_Atom* value = nullptr);

    const Lv2Urids& urids_;
    Host host_;
    LV2_Atom_Forge forge_{};
    PanelEditor* editor_ = nullptr;

    float values_[kNumParams];
    float samplesPerMs_;
    SampleStatus status_;
    LoadProgress progress_;
    bool loaded_ = false;
    bool failed_ = false;
    std::string failure_;
    std::string notice_;

    // The overview shown, and the one whose pieces are coming in.
    std::shared_ptr<const SampleOverview> overview_;
    std::shared_ptr<SampleOverview> incoming_;
    int32_t incomingNext_ = 0;  // the next piece's first bucket

    // The voices shown, and the snapshot whose parts are coming in.
    std::unique_ptr<GrainSnapshot> grains_;
    std::unique_ptr<GrainSnapshot> incomingGrains_;
    int32_t incomingVoice_ = -1;  // the next part's first voice; -1: none expected
    bool freshGrains_ = false;
};
