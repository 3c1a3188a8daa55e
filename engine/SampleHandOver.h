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
//   there is replaced and freed by the loader, as the audio thread never saw it;
// - the audio thread adopts the waiting sample at the start of a block and
//   retires the one it played until then onto a list;
// - retired samples are freed by a loader (at the next publish or collect),
//   once the audio thread can no longer read them.
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
    // when the current sample stays. Once it answers a new sample, the caller
    // must not read the previous one again: it may be freed at any moment.
    const LoadedSample* adopt();
    const LoadedSample* current() const { return current_; }

private:
    std::atomic<LoadedSample*> pending_{nullptr};
    std::atomic<LoadedSample*> retired_{nullptr};
    LoadedSample* current_ = nullptr; // audio thread only
};
