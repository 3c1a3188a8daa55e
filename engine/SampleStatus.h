#pragma once
// What the panel shows of the current program's sample, its keeping and a
// load under way: plain values, so that an editor in another process (LV2)
// can hold a copy of them.

#include <cstdint>
#include <string>

// Where the current program's sample comes from.
enum class SampleOrigin : int32_t {
    none,     // no sample named yet
    file,     // its file
    project,  // the copy kept in the project: the file is missing, moved or changed
    missing,  // nowhere, or not readable
    damaged,  // the file is nowhere and the project's copy failed its checks
};

struct SampleStatus {
    std::string path; // where it plays from; empty: none named
    SampleOrigin origin = SampleOrigin::none;
    bool keepSamples = true;
    bool overLimit = false;        // the samples add up to more than the project keeps
    bool onlyCopiesAnyway = false; // copies that exist nowhere else are kept all the same
    bool missing() const { return origin == SampleOrigin::missing || origin == SampleOrigin::damaged; }
};

// A load the user asked for, while it runs.
struct LoadProgress {
    bool active = false;
    std::string path;      // the file being read
    uint32_t permille = 0; // of it, so far
};

// What became of a load the user asked for.
enum class LoadOutcome { none, loaded, failed };
