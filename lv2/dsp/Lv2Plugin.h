#pragma once
// The instrument as an LV2 plug-in: the ports and the worker of the host
// turned into calls on the format-neutral instrument, its sample kept in the
// host's state as a mapped path and a copy file, and what it shows fed to
// the UI over the notify port.
//
// Threads: run() and workResponse() on the host's audio thread; work() on
// its worker thread; save() and restore() on another of its threads. The
// instrument's calls off the audio thread are held apart by a mutex the
// audio thread never takes; what run() tells about the sample comes to it
// through a lock-free exchange.

#include "engine/GranularEngine.h"
#include "engine/LatestExchange.h"
#include "engine/MidiMessage.h"
#include "lv2/Ports.h"
#include "lv2/Urids.h"
#include "lv2/dsp/NotifyWriter.h"
#include "lv2/dsp/SampleJobs.h"
#include "lv2/dsp/SampleReport.h"
#include "lv2/dsp/StatePaths.h"
#include "lv2/dsp/UiFeed.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/log/logger.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <cstdint>
#include <memory>
#include <mutex>

class Lv2Plugin {
public:
    // Null when the host lacks a required feature or memory runs short.
    static Lv2Plugin* create(double sampleRate, const LV2_Feature* const* features);

    void connectPort(uint32_t port, void* data);
    void activate();
    void run(uint32_t frames);

    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                           const void* data);
    LV2_Worker_Status workResponse(uint32_t size, const void* data);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle,
                          const LV2_Feature* const* features);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                             const LV2_Feature* const* features);

private:
    // The most MIDI events one block hands the instrument at a time; a
    // block with more is played in stretches.
    static constexpr int32_t kMaxEvents = 512;
    static constexpr int32_t kParameters = 4;

    Lv2Plugin(double sampleRate, LV2_URID_Map* map, const LV2_Worker_Schedule* schedule,
              const LV2_Feature* const* features);

    // run()'s steps.
    void takeParameters();
    void takeReport();
    void announce();
    void readControl(uint32_t frames);
    void takeMidi(const LV2_Atom& body, int32_t frame);
    void takeObject(const LV2_Atom_Object* object);
    // Plays the block up to frame with the MIDI gathered so far.
    void playUpTo(int32_t frame);
    void scheduleLoad(const LV2_Atom& value);
    void scheduleKeep(bool keep);
    void scheduleFreeing();

    // Off the audio thread, under engineMutex_: hands run() the sample's
    // latest report.
    void publishReport();

    Lv2Urids urids_;
    LV2_Worker_Schedule schedule_;
    StatePaths paths_;  // the path features given at instantiation
    LV2_Log_Logger logger_{};

    GranularEngine engine_;
    std::mutex engineMutex_;  // work(), save() and restore(); never the audio thread
    LatestExchange<SampleReport> reports_;

    // Audio thread.
    float* audio_[2] = {};
    const float* controls_[kParameters] = {};
    const LV2_Atom_Sequence* control_ = nullptr;
    LV2_Atom_Sequence* notify_ = nullptr;
    uint32_t lastControl_[kParameters] = {};  // the ports' bits as last taken
    bool taken_[kParameters] = {};
    NotifyWriter out_;
    UiFeed feed_;
    LoadState load_;
    Job job_;  // the job being scheduled
    MidiMessage events_[kMaxEvents] = {};
    int32_t eventCount_ = 0;
    int32_t blockFrames_ = 0;
    int32_t played_ = 0;  // frames of this block played so far
    bool freeing_ = false;  // a job freeing replaced samples is under way
    bool announce_ = false;  // tell the host the parameters' values
    bool stateChanged_ = false;  // tell the host its state changed
    char announcedPath_[parvolino::lv2protocol::kMaxPathBytes] = {};
    bool announcedKeep_ = true;
    uint32_t reportedSerial_ = 0;  // the overview the UI is being fed
};
