#pragma once
// The plug-in's own loading thread: reads and converts the samples the user
// asks for, so that the host's user-interface thread never waits for a disk,
// and frees replaced samples, so that it never waits for that either.
//
// One load at a time: a new request supersedes the one running, which stops
// at its next read and is freed here, never handed over. A finished load
// waits until the owner takes it (on its user-interface thread).
//
// Closing waits at most about 100 ms for the thread. A thread stuck in a read
// of a stalled disk is left to finish on its own: it owns everything it
// touches from then on, and the module stays loaded until it has.

#include "engine/SamplePreparation.h"
#include "engine/SampleStatus.h"
#include "sample/WaveInput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SampleHandOver;

class SampleLoader {
public:
    struct Request {
        std::vector<std::string> paths;     // tried in order until one loads
        std::vector<uint64_t> keepBudgets;  // for each path, what its copy may take
        int32_t channelMode = 0;
        int32_t program = 0;                // the program it loads for
    };
    struct Result {
        int32_t program = 0;
        bool loaded = false;
        PreparedSample prepared;    // the sample, when loaded
        std::string failure;        // else the first file's message
    };

    // Replaced samples of handOver are freed on the loader's thread.
    explicit SampleLoader(SampleHandOver& handOver);
    ~SampleLoader();
    SampleLoader(const SampleLoader&) = delete;
    SampleLoader& operator=(const SampleLoader&) = delete;

    // Any non-audio thread. False when the thread could not be started.
    bool request(Request request);
    // Abandons the load running or waiting, and a result not yet taken.
    void cancel();
    // The finished load, or null.
    std::unique_ptr<Result> takeResult();
    LoadProgress progress() const;
    // True from a request until its result is taken or abandoned.
    bool busy() const;
    // Asks the thread to free the samples the audio thread let go of; false
    // when there is no thread (the caller frees them itself).
    bool collectRetired();
    // Frees these on the thread (kept copies let go of); false when there is
    // no thread or no room to take them: the caller frees them itself.
    bool dispose(std::vector<FileBytes>& garbage);

    // For tests: every read from a file calls this first (a slow disk).
    void setReadPacing(void (*beforeRead)(void*), void* context);

private:
    struct Shared;
    bool start();
    static void run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
    SampleHandOver& handOver_;
};
