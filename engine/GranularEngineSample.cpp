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

const char* GranularEngine::loadSample(const char* path)
{
    if (path == nullptr)
        return waveResultMessage(kWaveFileNotFound);
    SampleStore fresh;
    if (loadWaveFile(path, fresh, channelMode(), &refusal()) != kWaveOk)
        return refusal().text;
    return publishSample(fresh);
}

const char* GranularEngine::loadSample(const std::vector<unsigned char>& fileBytes)
{
    // The same reader as for the file, on the file's bytes held in memory.
    SampleStore fresh;
    if (loadWaveBytes(fileBytes.data(), fileBytes.size(), fresh, channelMode(), &refusal()) != kWaveOk)
        return refusal().text;
    return publishSample(fresh);
}

const char* GranularEngine::loadAndHoldFile(int32_t program, const char* path)
{
    // A file that fits what may be kept is read whole once: the sample is
    // made from those bytes and they are held as the copy to save, so the
    // project keeps exactly what plays, whatever becomes of the file.
    const FileStamp source = fileStampOf(path);
    const uint64_t budget = keepBudgetFor(program, path);
    FileBytes bytes;
    if (source.present && source.size <= budget) {
        try {
            auto read = std::make_shared<std::vector<unsigned char>>();
            if (readWaveFileBytes(path, budget, *read))
                bytes = std::move(read);
        } catch (...) {
            // Too little memory to hold a copy: the file plays without one.
        }
    }
    if (const char* message = bytes != nullptr ? loadSample(*bytes) : loadSample(path))
        return message;
    try {
        if (bytes != nullptr) {
            keptSamples_.hold(KeptSample{path, std::move(bytes), source});
            return nullptr;
        }
    } catch (...) {
    }
    // No copy of what plays now: an older one must never be saved for it.
    keptSamples_.forget(path);
    return nullptr;
}

int32_t GranularEngine::channelMode() const
{
    // A stereo file plays in stereo, more channels are folded to two; the
    // classic playing mixes every channel into one.
    return isClassic() ? kWaveMixToMono : kWaveFoldToStereo;
}

const char* GranularEngine::publishSample(SampleStore& fresh)
{
    // A float file may hold NaN or infinities; one of them would silence
    // every frame its grains touch, so they play as silence instead.
    for (float* channel : {fresh.leftChannel, fresh.rightChannel}) {
        for (uint32_t i = 0; channel != nullptr && i < fresh.frameCount; ++i) {
            if (!std::isfinite(channel[i]))
                channel[i] = 0.0f;
        }
    }
    LoadedSample* sample = new (std::nothrow) LoadedSample(fresh);
    if (sample == nullptr) {
        releaseSampleStore(fresh);
        return waveResultMessage(kWaveOutOfMemory);
    }
    sample->serial = lastSampleSerial_.fetch_add(1, relaxed) + 1;
    std::shared_ptr<const SampleOverview> overview;
    try {
        overview = makeSampleOverview(fresh, sample->serial);
    } catch (...) {
        delete sample; // frees the store
        return waveResultMessage(kWaveOutOfMemory);
    }
    loadedSampleRate_.store(fresh.sampleRate, relaxed);
    // From here the audio thread owns it: it switches at its next block,
    // silencing the voices and freeing their allocator slots there.
    handOver_.publish(sample);
    const std::lock_guard<std::mutex> hold(overviewMutex_);
    // Of two loads on two threads at once, the later one stays shown.
    if (!overview_ || overview_->serial < overview->serial)
        overview_ = std::move(overview);
    return nullptr;
}

std::shared_ptr<const SampleOverview> GranularEngine::sampleOverview() const
{
    const std::lock_guard<std::mutex> hold(overviewMutex_);
    return overview_;
}

const char* GranularEngine::loadSampleFile(const char* path)
{
    // A path that does not fit the program would be saved cut short and
    // never found again.
    if (path == nullptr || strnlen(path, sizeof programs_[0].samplePath) >= sizeof programs_[0].samplePath)
        return waveResultMessage(kWaveFileNotFound);
    const int32_t current = currentProgram_.load(relaxed);
    try {
        if (const char* message = loadAndHoldFile(current, path))
            return message;
    } catch (...) {
        return waveResultMessage(kWaveOutOfMemory);
    }
    GranularProgram& program = programs_[current];
    copyText(program.samplePath, sizeof program.samplePath, path);
    foundPath_[current][0] = '\0';
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
    return nullptr;
}

void GranularEngine::userChangedState()
{
    updateDisplay();
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
        if (loadSample(*bytes) == nullptr) {
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

int32_t GranularEngine::fxIdle()
{
    // Idle comes on the user-interface thread: a good moment to free the
    // samples the audio thread has finished with.
    handOver_.collectRetired();
    return 0;
}

void GranularEngine::adoptSample(const LoadedSample& sample)
{
    const SampleStore& store = sample.store;
    sampleData_ = store.leftChannel;
    sampleRight_ = store.channelCount == 2 ? store.rightChannel : nullptr;
    sampleLength_ = store.frameCount > static_cast<uint32_t>(GrainVoice::kMaxSampleLength)
                        ? GrainVoice::kMaxSampleLength
                        : static_cast<int32_t>(store.frameCount);
    sampleFileRate_ = store.sampleRate;
    const float speed = static_cast<float>(store.sampleRate) / audioRate_ * speedFactor_.load(relaxed);
    // The fades go too: the old sample may be freed from here on.
    for (int32_t i = 0; i < kNumVoices + kNumFades; ++i) {
        if (i < kNumVoices)
            allocator_.freeSlot(i);
        voices_[i].setSample(sampleData_, sampleLength_, sampleRight_);
        voices_[i].setSpeed(speed);
    }
}

namespace {

// Opcodes hosts send only from their user-interface or loading thread, never
// from the audio thread: after them it is safe to free replaced samples.
bool offTheAudioThread(int32_t opcode)
{
    switch (opcode) {
    case effMainsChanged:
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
    case effGetChunk:
    case effSetChunk:
    case effGetProgramNameIndexed:
        return true;
    default:
        return false;
    }
}

} // namespace

VstIntPtr GranularEngine::dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt)
{
    const VstIntPtr result = AudioEffectX::dispatcher(opcode, index, value, ptr, opt);
    if (offTheAudioThread(opcode))
        handOver_.collectRetired();
    // Switched on: ask for idle calls, the moment to free replaced samples
    // while the panel is closed.
    if (opcode == effMainsChanged && value != 0)
        needIdle();
    return result;
}
