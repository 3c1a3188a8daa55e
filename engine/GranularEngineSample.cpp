// Loading the sample and handing it to the audio thread.
#include "engine/GranularEngine.h"

#include <cmath>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "engine/SampleSearch.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// The message of a failed load stays valid on the calling thread until its
// next failed load, from a file or from kept bytes.
WaveRefusal& refusal()
{
    thread_local WaveRefusal text;
    return text;
}

} // namespace

const char* GranularEngine::failed(const PreparedSample& prepared)
{
    refusal() = prepared.refusal;
    return refusal().text;
}

const char* GranularEngine::loadSample(const FileBytes& bytes)
{
    // The same reader as for a file, on a file's bytes held in memory.
    PreparedSample prepared;
    if (!prepareSampleBytes(bytes, channelMode(), prepared))
        return failed(prepared);
    publishPrepared(prepared);
    return nullptr;
}

const char* GranularEngine::loadAndHoldFile(int32_t program, const char* path, WaveReadWatch* watch)
{
    PreparedSample prepared;
    if (!prepareSampleFile(path, keepBudgetFor(program, path), channelMode(), watch, prepared))
        return failed(prepared);
    publishPrepared(prepared);
    holdCopyOf(prepared);
    return nullptr;
}

void GranularEngine::holdCopyOf(PreparedSample& prepared)
{
    try {
        if (prepared.bytes != nullptr) {
            keptSamples_.hold(KeptSample{prepared.path, std::move(prepared.bytes), prepared.source}, &droppedCopies_);
            return;
        }
    } catch (...) {
    }
    // No copy of what plays now: an older one must never be saved for it.
    keptSamples_.forget(prepared.path, &droppedCopies_);
}

int32_t GranularEngine::channelMode() const
{
    // A stereo file plays in stereo, more channels are folded to two; the
    // classic playing mixes every channel into one.
    return isClassic() ? kWaveMixToMono : kWaveFoldToStereo;
}

void GranularEngine::publishPrepared(PreparedSample& prepared)
{
    LoadedSample* sample = prepared.sample.release();
    sample->serial = lastSampleSerial_.fetch_add(1, relaxed) + 1;
    prepared.overview->serial = sample->serial;
    loadedSampleRate_.store(sample->store.sampleRate, relaxed);
    // From here the audio thread owns it: it switches at its next block.
    handOver_.publish(sample);
    const std::lock_guard<std::mutex> hold(overviewMutex_);
    // Of two loads on two threads at once, the later one stays shown.
    if (!overview_ || overview_->serial < prepared.overview->serial)
        overview_ = std::move(prepared.overview);
}

std::shared_ptr<const SampleOverview> GranularEngine::sampleOverview() const
{
    const std::lock_guard<std::mutex> hold(overviewMutex_);
    return overview_;
}

bool GranularEngine::fitsProgram(const char* path)
{
    // A path that does not fit the program would be saved cut short and
    // never found again.
    return path != nullptr && strnlen(path, sizeof programs_[0].samplePath) < sizeof programs_[0].samplePath;
}

const char* GranularEngine::loadSampleFile(const char* path, WaveReadWatch* watch)
{
    if (!fitsProgram(path))
        return waveResultMessage(kWaveFileNotFound);
    loader_.cancel();
    const int32_t current = currentProgram_.load(relaxed);
    try {
        if (const char* message = loadAndHoldFile(current, path, watch))
            return message;
    } catch (...) {
        return waveResultMessage(kWaveOutOfMemory);
    }
    takeUpLoadedFile(current, path);
    return nullptr;
}

void GranularEngine::takeUpLoadedFile(int32_t program, const char* path)
{
    GranularProgram& named = programs_[program];
    copyText(named.samplePath, sizeof named.samplePath, path);
    foundPath_[program][0] = '\0';
    copyText(lastLoadedPath_, sizeof lastLoadedPath_, path);
    origin_.store(SampleOrigin::file, relaxed);
    // The file is what plays now, for every program naming it; a copy of
    // the program's earlier sample is no longer needed.
    std::erase_if(damagedCopies_, [&](const std::string& damaged) { return damaged == path; });
    try {
        // What the earlier sample took of the limit may now hold another's.
        forgetUnnamedCopies();
        holdProgramFiles();
    } catch (...) {
        // A copy no program names stays held until the next load; it is never saved.
    }
    refreshKeeping();
    freeDroppedCopies();
}

bool GranularEngine::requestSampleLoad(const char* const* paths, int32_t count)
{
    SampleLoader::Request request;
    request.program = currentProgram_.load(relaxed);
    request.channelMode = channelMode();
    try {
        for (int32_t i = 0; paths != nullptr && i < count; ++i) {
            if (!fitsProgram(paths[i]))
                continue;
            request.paths.emplace_back(paths[i]);
            request.keepBudgets.push_back(keepBudgetFor(request.program, paths[i]));
        }
    } catch (...) {
        return false;
    }
    if (request.paths.empty())
        return false;
    return loader_.request(std::move(request));
}

void GranularEngine::cancelSampleLoad()
{
    loader_.cancel();
}

GranularEngine::LoadOutcome GranularEngine::finishSampleLoad()
{
    std::unique_ptr<SampleLoader::Result> result = loader_.takeResult();
    if (result == nullptr)
        return LoadOutcome::none;
    if (!result->loaded) {
        try {
            loadFailure_ = result->failure.empty() ? waveResultMessage(kWaveFileNotFound) : result->failure;
        } catch (...) {
            loadFailure_.clear();
        }
        return LoadOutcome::failed;
    }
    // Made for the program that was current when it was asked for; a switch
    // of program or a restore since has cancelled it.
    const std::string path = result->prepared.path;
    publishPrepared(result->prepared);
    holdCopyOf(result->prepared);
    takeUpLoadedFile(result->program, path.c_str());
    return LoadOutcome::loaded;
}

LoadProgress GranularEngine::sampleLoadProgress() const
{
    return loader_.progress();
}

SampleStatus GranularEngine::sampleStatus() const
{
    SampleStatus status;
    try {
        status.path = pathInUse(currentProgram_.load(relaxed));
    } catch (...) {
    }
    status.origin = sampleOrigin();
    status.keepSamples = keepsSamples();
    status.overLimit = samplesOverLimit();
    status.onlyCopiesAnyway = savesOnlyCopiesAnyway();
    return status;
}

void GranularEngine::freeReplacedSamples()
{
    // On the loader's thread when there is one: freeing a large sample takes
    // long enough to hold up the host's user-interface thread.
    if (!loader_.collectRetired())
        handOver_.collectRetired();
}

void GranularEngine::userChangedState()
{
    if (listener_ != nullptr)
        listener_->stateChanged();
}

const char* GranularEngine::pathInUse(int32_t program) const
{
    return foundPath_[program][0] != '\0' ? foundPath_[program] : programs_[program].samplePath;
}

void GranularEngine::getSamplePath(char* buffer)
{
    copyText(buffer, sizeof programs_[0].samplePath, pathInUse(currentProgram_.load(relaxed)));
}

bool GranularEngine::loadProgramSample(int32_t program)
{
    // The copy held of the program's sample plays before any file: it is
    // the sound the program had when it loaded or when its project was
    // saved. A file changed since is taken up by loading it again.
    const std::string inUse = pathInUse(program);
    if (const KeptSample* kept = keptSamples_.find(inUse)) {
        const FileBytes bytes = kept->bytes;
        const bool onlyCopy = KeptSamples::isOnlyCopy(*kept);
        if (loadSample(bytes) == nullptr) {
            if (!onlyCopy)
                copyText(lastLoadedPath_, sizeof lastLoadedPath_, inUse.c_str());
            origin_.store(onlyCopy ? SampleOrigin::project : SampleOrigin::file, relaxed);
            return true;
        }
    }
    if (loadProgramFile(program))
        return true;
    if (isDamagedCopy(programs_[program].samplePath))
        origin_.store(SampleOrigin::damaged, relaxed);
    return false;
}

bool GranularEngine::loadProgramFile(int32_t program)
{
    char stored[sizeof programs_[0].samplePath];
    copyText(stored, sizeof stored, programs_[program].samplePath);
    foundPath_[program][0] = '\0';
    // Asked of the file system, never by opening: opening a pipe would wait
    // for a writer for good.
    auto exists = [](const std::string& path) {
        struct stat info;
        return ::stat(path.c_str(), &info) == 0;
    };
    std::string found;
    if (loadAndHoldFile(program, stored) != nullptr) {
        // Only a file that is not there is looked for elsewhere: one that is
        // there but unreadable is the user's to mend.
        if (exists(stored)) {
            origin_.store(SampleOrigin::missing, relaxed);
            return false;
        }
        std::vector<std::string> folders;
        for (int32_t p = 0; p < kNumPrograms; ++p) {
            if (p != program && pathInUse(p)[0] != '\0')
                folders.push_back(folderOf(pathInUse(p)));
        }
        if (lastLoadedPath_[0] != '\0')
            folders.push_back(folderOf(lastLoadedPath_));
        found = findMovedSample(stored, folders, exists);
        if (found.empty() || found.size() >= sizeof stored || loadAndHoldFile(program, found.c_str()) != nullptr) {
            origin_.store(SampleOrigin::missing, relaxed);
            return false;
        }
        copyText(foundPath_[program], sizeof foundPath_[program], found.c_str());
    }
    copyText(lastLoadedPath_, sizeof lastLoadedPath_, found.empty() ? stored : found.c_str());
    origin_.store(SampleOrigin::file, relaxed);
    return true;
}

void GranularEngine::idle()
{
    // Idle comes on the user-interface thread: a good moment to free the
    // samples the audio thread has finished with.
    freeReplacedSamples();
}
