#pragma once

#include <cstdint>

// A MIDI channel message for the instrument, at a frame of the block it
// arrives in. Status carries the channel; data bytes are 0 to 127.
struct MidiMessage {
    int32_t frame = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};
