#pragma once

#include "sample/WaveReader.h"

#include <atomic>

// A loaded sample as the audio thread plays it. It is complete before it is
// handed over and is never changed afterwards.
struct LoadedSample {
    SampleStore store;
    uint32_t serial = 0; // tells the loads apart; the panel's overview carries the same
    LoadedSample* nextRetired = nullptr;

    explicit LoadedSample(const SampleStore& loaded) : store(loaded) {}
    ~LoadedSample() { releaseSampleStore(store); }
    LoadedSample(const LoadedSample&) = delete;
    LoadedSample& operator=(const LoadedSample&) = delete;
};

// Hands loaded samples from the loading thread(s) to the audio thread without
// a lock and without the audio thread ever freeing memory:
// - a loader publishes a sample into a single slot; a sample still waiting
//   there is replaced and retired, as the audio thread never saw it;
// - the audio thread adopts the waiting sample at the start of a block; the
//   one it played until then drains (the grains still reading it fade out)
//   until the audio thread lets go of it, which retires it onto a list;
// - retired samples are freed by whoever collects them (a loader thread, or
//   the host's user-interface thread), never by the audio thread.
class SampleHandOver {
public:
    SampleHandOver() = default;
    // Frees every sample; no other thread may use the hand-over any more.
    ~SampleHandOver();
    SampleHandOver(const SampleHandOver&) = delete;
    SampleHandOver& operator=(const SampleHandOver&) = delete;

    // Loader side (any thread but the audio thread).
    void publish(LoadedSample* sample);
    void collectRetired();
    // True while a sample the audio thread let go of waits to be freed.
    bool hasRetired() const { return retired_.load(std::memory_order_relaxed) != nullptr; }

    // Audio side. Adopts the waiting sample, if any, and answers it; null
    // when the current sample stays. The previous one drains until released;
    // at most kMaxDraining do, so with that many draining already, the caller
    // must release the oldest before adopting.
    static constexpr int32_t kMaxDraining = 4;
    bool hasPending() const { return pending_.load(std::memory_order_relaxed) != nullptr; }
    const LoadedSample* adopt();
    const LoadedSample* current() const { return current_; }
    int32_t drainingCount() const { return drainingCount_; }
    const LoadedSample* draining(int32_t index) const { return draining_[index]; }
    // Audio side: nothing reads this draining sample any more. Once released
    // it may be freed at any moment.
    void release(const LoadedSample* sample);

private:
    void retire(LoadedSample* sample);

    std::atomic<LoadedSample*> pending_{nullptr};
    std::atomic<LoadedSample*> retired_{nullptr};
    // Audio thread only.
    LoadedSample* current_ = nullptr;
    LoadedSample* draining_[kMaxDraining] = {};
    int32_t drainingCount_ = 0;
};
