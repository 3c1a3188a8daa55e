#pragma once
// Where the sounding voices show across the columns of the waveform: the
// start point each takes its grains from, the stretch Random scatters them
// over, and each live grain as a mark as bright as its envelope is now.

#include <cstdint>

struct GrainSnapshot;

struct ColumnLook {
    uint8_t grain = 0;  // brightest grain in the column, 0 (none) to grainLevels
    bool start = false;
    bool scatter = false;

    bool operator==(const ColumnLook& other) const = default;
};

constexpr int32_t grainLevels = 8;

// Fills columns looks for a snapshot of voices over a sample of
// snapshot.sampleLength frames shown across that many columns.
void placeGrains(const GrainSnapshot& snapshot, ColumnLook* looks, int32_t columns);
