#pragma once
// What run() sends the UI, while a UI has said it is there: at most one
// message every 1/30 s, the most urgent first (a failed load, a notice, the
// status, the overview's next piece, the voices). Everything it sends comes
// from fixed buffers: the sample's report made off the audio thread, the
// instrument's grain snapshot, texts copied here.

#include "lv2/Protocol.h"
#include "sample/WaveInput.h"

#include <cstdint>

class GranularEngine;
class NotifyWriter;
struct Lv2Urids;
struct SampleReport;

// A load the user asked for, as run() knows it.
struct LoadState {
    int32_t inFlight = 0;  // loads scheduled and not yet answered
    WaveReadWatch watch;  // follows the running load's read (the worker's thread writes it)
    char path[parvolino::lv2protocol::kMaxPathBytes] = {};  // the latest of them
    bool justLoaded = false;  // one finished since the UI last heard
};

class UiFeed {
public:
    UiFeed(const Lv2Urids& urids, float sampleRate);

    // A UI opened or closed (UIs are counted: a host may show more than one).
    void uiOn();
    void uiOff();
    bool active() const { return uis_ > 0; }

    // What changed, for the UI to hear at its turn.
    void statusChanged() { statusDirty_ = true; }
    void overviewChanged() { overviewNext_ = 0; }
    void loadFailed(const char* message);

    // After each block: one message when its turn has come.
    void afterBlock(uint32_t frames, NotifyWriter& out, const SampleReport& report, LoadState& load,
                    GranularEngine& engine);

private:
    void writeStatus(NotifyWriter& out, const SampleReport& report, LoadState& load);
    void writeText(NotifyWriter& out, uint32_t type, const char* text);
    void writeOverviewPiece(NotifyWriter& out, const SampleReport& report);
    void writeGrains(NotifyWriter& out, GranularEngine& engine);

    const Lv2Urids& urids_;
    float samplesPerMs_;
    uint32_t interval_;             // frames between two messages
    uint32_t sinceLast_ = 0;        // frames since the last message
    int32_t uis_ = 0;
    bool statusDirty_ = false;
    int32_t overviewNext_ = -1;     // the next piece's first bucket; -1: none to send
    int32_t grainsNext_ = -1;       // the next part's first voice; -1: none to send
    uint32_t shownPercent_ = 0;     // of a load, as the UI last heard it
    bool failurePending_ = false;
    char failure_[parvolino::lv2protocol::kMaxTextBytes] = {};
    int32_t voiceInts_[parvolino::lv2protocol::kMaxVoiceInts] = {};
};
