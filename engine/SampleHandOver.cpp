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
    delete current_;
}

void SampleHandOver::publish(LoadedSample* sample)
{
    collectRetired();
    // A sample still waiting was never seen by the audio thread.
    delete pending_.exchange(sample, std::memory_order_acq_rel);
}

void SampleHandOver::collectRetired()
{
    freeList(retired_.exchange(nullptr, std::memory_order_acquire));
}

const LoadedSample* SampleHandOver::adopt()
{
    LoadedSample* next = pending_.exchange(nullptr, std::memory_order_acq_rel);
    if (next == nullptr)
        return nullptr;
    if (current_ != nullptr) {
        // Push onto the retired list; only a loader's take-all competes.
        LoadedSample* head = retired_.load(std::memory_order_relaxed);
        do {
            current_->nextRetired = head;
        } while (!retired_.compare_exchange_weak(head, current_, std::memory_order_release,
                                                 std::memory_order_relaxed));
    }
    current_ = next;
    return current_;
}
