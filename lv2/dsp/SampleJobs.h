#pragma once
// The work run() hands to the host's worker thread, and the answers that
// come back to the audio thread: plain records the host copies through its
// own buffers, so neither side allocates.

#include "lv2/Protocol.h"

#include <cstdint>

enum class JobKind : uint32_t {
    load,          // path: make it the sample
    keepSamples,   // value: the keep setting
    freeReplaced,  // free the samples the audio thread let go of
};

struct Job {
    JobKind kind = JobKind::freeReplaced;
    uint32_t value = 0;
    char path[parvolino::lv2protocol::kMaxPathBytes] = {};  // zero-terminated; sent up to its end only

    // The bytes to schedule: the path is cut after its zero.
    uint32_t size() const;
};

enum class AnswerKind : uint32_t {
    loaded,        // the sample loaded; the report is new
    loadFailed,    // message: why
    keepChanged,   // the report is new
    freed,
};

struct Answer {
    AnswerKind kind = AnswerKind::freed;
    char message[parvolino::lv2protocol::kMaxTextBytes] = {};

    uint32_t size() const;
};
