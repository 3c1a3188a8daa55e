#pragma once

#include <cstdint>

// Assigns voices (slots) to notes. Slots in use are kept in `order`: first
// the released ones, earliest released first, then the held ones, oldest
// first. While the sustain pedal is down a held slot whose key came up is
// held back: it stays held until the pedal comes up and releases it. When
// every slot is in use, a new note takes the oldest held-back slot, else the
// slot released longest ago, or else the oldest held one: a key still down
// is the last thing taken.
//
// Used only on the audio thread; it never allocates.
class VoiceAllocator {
public:
    static constexpr int32_t kMaxSlots = 32;

    // capacity is kept within 1 to kMaxSlots.
    explicit VoiceAllocator(int32_t capacity);

    // Returns the slot that now plays `note`.
    int32_t allocate(int32_t note);
    // Releases the oldest held slot playing `note`; -1 when none holds it.
    int32_t releaseNote(int32_t note);
    // Gives a slot back; a slot not in use is left alone.
    void freeSlot(int32_t slot);
    // Counts every slot in use as released, keeping their order.
    void releaseAll();
    // Holds back the oldest held slot playing `note` that is not held back
    // yet; -1 when there is none.
    int32_t holdBack(int32_t note);
    // Releases every held-back slot, oldest first, writing them to `slots`
    // (room for capacity entries); returns how many.
    int32_t releaseHeldBack(int32_t* slots);
    bool isHeldBack(int32_t slot) const { return heldBack_[slot] != 0; }

    int32_t capacity() const { return capacity_; }
    int32_t activeCount() const { return activeCount_; }
    int32_t releasedCount() const { return releasedCount_; }
    int32_t orderAt(int32_t position) const { return order_[position]; }
    bool inUse(int32_t slot) const { return inUse_[slot] != 0; }
    int32_t noteOf(int32_t slot) const { return slotNote_[slot]; }

private:
    // Moves the slot at `position` of the held part to the end of the
    // released part.
    void moveToReleased(int32_t position);
    // Where in `order` the slot a new note takes stands, all being in use.
    int32_t positionToSteal() const;

    int32_t capacity_;
    int32_t activeCount_ = 0;
    int32_t releasedCount_ = 0;
    int32_t order_[kMaxSlots] = {};
    int32_t slotNote_[kMaxSlots] = {};
    uint8_t inUse_[kMaxSlots] = {};
    uint8_t heldBack_[kMaxSlots] = {};
};
