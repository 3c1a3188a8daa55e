#include "engine/SampleHandOver.h"

namespace {

void freeList(LoadedSample* sample)
{
    while (sample != nullptr) {
        LoadedSample* next = sample->nextRetired;
        delete sample;
        sample = next;
    }
}

} // namespace

SampleHandOver::~SampleHandOver()
{
    delete pending_.load(std::memory_order_acquire);
    freeList(retired_.load(std::memory_order_acquire));
    for (int32_t i = 0; i < drainingCount_; ++i)
        delete draining_[i];
    delete current_;
}

void SampleHandOver::publish(LoadedSample* sample)
{
    // A sample still waiting was never seen by the audio thread; it is freed
    // with the retired ones, by whoever collects them.
    if (LoadedSample* unseen = pending_.exchange(sample, std::memory_order_acq_rel))
        retire(unseen);
}

void SampleHandOver::collectRetired()
{
    freeList(retired_.exchange(nullptr, std::memory_order_acquire));
}

const LoadedSample* SampleHandOver::adopt()
{
    if (drainingCount_ == kMaxDraining || pending_.load(std::memory_order_relaxed) == nullptr)
        return nullptr;
    LoadedSample* next = pending_.exchange(nullptr, std::memory_order_acq_rel);
    if (next == nullptr)
        return nullptr;
    if (current_ != nullptr)
        draining_[drainingCount_++] = current_;
    current_ = next;
    return current_;
}

void SampleHandOver::release(const LoadedSample* sample)
{
    for (int32_t i = 0; i < drainingCount_; ++i) {
        if (draining_[i] != sample)
            continue;
        LoadedSample* released = draining_[i];
        for (int32_t j = i + 1; j < drainingCount_; ++j)
            draining_[j - 1] = draining_[j];
        draining_[--drainingCount_] = nullptr;
        retire(released);
        return;
    }
}

void SampleHandOver::retire(LoadedSample* sample)
{
    // Push onto the retired list; only a loader's take-all competes.
    LoadedSample* head = retired_.load(std::memory_order_relaxed);
    do {
        sample->nextRetired = head;
    } while (!retired_.compare_exchange_weak(head, sample, std::memory_order_release, std::memory_order_relaxed));
}
