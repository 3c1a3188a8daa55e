#pragma once
// Hands the latest of a series of values from one writer to one reader
// through three slots: the writer fills its own slot and swaps it with the
// middle one; the reader swaps its slot with the middle one when that holds
// a newer value. Each side only ever touches a slot the other cannot reach,
// so a value is never read half-written, and neither side locks, allocates
// or waits. The audio thread may be either side.

#include <atomic>
#include <cstdint>

template <typename T>
class LatestExchange {
public:
    // Writer: the slot to fill, completely, before each publish.
    T& writable() { return slots_[back_]; }
    void publish() { back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & kSlotMask; }

    // Reader: takes the newest published value; false when there is none
    // since the last take. latest() stays valid and unchanged until the next take.
    bool take()
    {
        if ((middle_.load(std::memory_order_relaxed) & kFresh) == 0)
            return false;
        front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kSlotMask;
        return true;
    }
    const T& latest() const { return slots_[front_]; }

private:
    static constexpr uint32_t kSlotMask = 3;
    static constexpr uint32_t kFresh = 4;

    T slots_[3] = {};
    uint32_t back_ = 0;  // writer only
    std::atomic<uint32_t> middle_{1};
    uint32_t front_ = 2; // reader only
};
