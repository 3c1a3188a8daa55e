#include "engine/VoiceAllocator.h"

VoiceAllocator::VoiceAllocator(int32_t capacity)
    : capacity_(capacity < 1 ? 1 : (capacity > kMaxSlots ? kMaxSlots : capacity))
{
}

int32_t VoiceAllocator::allocate(int32_t note)
{
    if (activeCount_ < capacity_) {
        int32_t slot = 0;
        while (inUse_[slot])
            ++slot;
        inUse_[slot] = 1;
        slotNote_[slot] = note;
        order_[activeCount_++] = slot;
        return slot;
    }
    const int32_t position = positionToSteal();
    const int32_t slot = order_[position];
    for (int32_t i = position + 1; i < activeCount_; ++i)
        order_[i - 1] = order_[i];
    order_[activeCount_ - 1] = slot;
    slotNote_[slot] = note;
    heldBack_[slot] = 0;
    if (position < releasedCount_)
        --releasedCount_;
    return slot;
}

int32_t VoiceAllocator::positionToSteal() const
{
    // A note only the pedal still holds goes first, the oldest of them:
    // its key is up, and the player meant it to ring, not to last.
    for (int32_t i = releasedCount_; i < activeCount_; ++i) {
        if (heldBack_[order_[i]])
            return i;
    }
    // Then the note released longest ago, else the oldest key held down.
    return 0;
}

void VoiceAllocator::moveToReleased(int32_t position)
{
    const int32_t slot = order_[position];
    for (int32_t j = position; j > releasedCount_; --j)
        order_[j] = order_[j - 1];
    order_[releasedCount_++] = slot;
    heldBack_[slot] = 0;
}

int32_t VoiceAllocator::releaseNote(int32_t note)
{
    for (int32_t i = releasedCount_; i < activeCount_; ++i) {
        const int32_t slot = order_[i];
        if (slotNote_[slot] != note)
            continue;
        moveToReleased(i);
        return slot;
    }
    return -1;
}

int32_t VoiceAllocator::holdBack(int32_t note)
{
    for (int32_t i = releasedCount_; i < activeCount_; ++i) {
        const int32_t slot = order_[i];
        if (slotNote_[slot] == note && !heldBack_[slot]) {
            heldBack_[slot] = 1;
            return slot;
        }
    }
    return -1;
}

int32_t VoiceAllocator::releaseHeldBack(int32_t* slots)
{
    // Each move keeps the order of the rest, so the scan goes on past it.
    int32_t count = 0;
    for (int32_t i = releasedCount_; i < activeCount_; ++i) {
        const int32_t slot = order_[i];
        if (heldBack_[slot]) {
            moveToReleased(i);
            slots[count++] = slot;
        }
    }
    return count;
}

void VoiceAllocator::freeSlot(int32_t slot)
{
    // inUse mirrors membership of the first activeCount entries of order,
    // which makes the common case (an idle voice, every frame) one test.
    if (slot < 0 || slot >= capacity_ || !inUse_[slot])
        return;
    int32_t position = 0;
    while (position < activeCount_ && order_[position] != slot)
        ++position;
    if (position == activeCount_)
        return;
    if (position < releasedCount_)
        --releasedCount_;
    for (int32_t i = position + 1; i < activeCount_; ++i)
        order_[i - 1] = order_[i];
    --activeCount_;
    inUse_[slot] = 0;
    heldBack_[slot] = 0;
}

void VoiceAllocator::releaseAll()
{
    releasedCount_ = activeCount_;
    for (int32_t i = 0; i < capacity_; ++i)
        heldBack_[i] = 0;
}
