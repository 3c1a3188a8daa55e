#pragma once
// A sample made ready for the audio thread on whatever thread loads it (the
// host's, the plug-in's own loader, a format's worker): read, converted,
// cleaned, its overview drawn, and, when the file fits what a project keeps,
// the file's bytes held as the copy to keep. Nothing here touches the
// instrument; handing the result over is the caller's.

#include "engine/KeptSamples.h"
#include "engine/SampleHandOver.h"
#include "engine/SampleOverview.h"
#include "sample/WaveReader.h"

#include <memory>
#include <string>

struct WaveReadWatch;

struct PreparedSample {
    std::unique_ptr<LoadedSample> sample;
    std::shared_ptr<SampleOverview> overview; // its serial is set when handed over
    std::string path;
    FileBytes bytes;   // the copy to keep; null when the file did not fit
    FileStamp source;  // the file the bytes came from
    bool stopped = false;   // a watch stopped the read
    WaveRefusal refusal;    // why it failed
};

// Reads the file at path. The bytes are held when the file is at most
// keepBudget bytes long and reads as a wave file. False on failure, with
// prepared.refusal or prepared.stopped saying why; never throws.
bool prepareSampleFile(const char* path, uint64_t keepBudget, int32_t channelMode, WaveReadWatch* watch,
                       PreparedSample& prepared);
// The same from a wave file's bytes already in memory (a copy kept in a
// project); they become the prepared copy.
bool prepareSampleBytes(const FileBytes& bytes, int32_t channelMode, PreparedSample& prepared);
