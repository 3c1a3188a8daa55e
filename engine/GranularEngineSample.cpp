// Loading the sample and handing it to the audio thread.
#include "engine/GranularEngine.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

} // namespace

const char* GranularEngine::loadSample(const char* path)
{
    if (path == nullptr)
        return waveResultMessage(kWaveFileNotFound);
    SampleStore fresh;
    if (const char* message = waveResultMessage(loadWaveFile(path, fresh, 1)))
        return message;
    // A float file may hold NaN or infinities; one of them would silence
    // every frame its grains touch, so they play as silence instead.
    for (uint32_t i = 0; i < fresh.frameCount; ++i) {
        if (!std::isfinite(fresh.leftChannel[i]))
            fresh.leftChannel[i] = 0.0f;
    }
    LoadedSample* sample = new (std::nothrow) LoadedSample(fresh);
    if (sample == nullptr) {
        releaseSampleStore(fresh);
        return waveResultMessage(kWaveOutOfMemory);
    }
    loadedSampleRate_.store(fresh.sampleRate, relaxed);
    // From here the audio thread owns it: it switches at its next block,
    // silencing the voices and freeing their allocator slots there.
    handOver_.publish(sample);
    return nullptr;
}

const char* GranularEngine::loadSampleFile(const char* path)
{
    // A path that does not fit the program would be saved cut short and
    // never found again.
    if (path == nullptr || strnlen(path, sizeof programs_[0].samplePath) >= sizeof programs_[0].samplePath)
        return waveResultMessage(kWaveFileNotFound);
    if (const char* message = loadSample(path))
        return message;
    GranularProgram& program = programs_[currentProgram_.load(relaxed)];
    copyText(program.samplePath, sizeof program.samplePath, path);
    return nullptr;
}

void GranularEngine::getSamplePath(char* buffer)
{
    const GranularProgram& program = programs_[currentProgram_.load(relaxed)];
    copyText(buffer, sizeof program.samplePath, program.samplePath);
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
    sampleLength_ = store.frameCount > static_cast<uint32_t>(GrainVoice::kMaxSampleLength)
                        ? GrainVoice::kMaxSampleLength
                        : static_cast<int32_t>(store.frameCount);
    sampleFileRate_ = store.sampleRate;
    const float speed = static_cast<float>(store.sampleRate) / sampleRate * speedFactor_.load(relaxed);
    for (int32_t i = 0; i < kNumVoices; ++i) {
        allocator_.freeSlot(i);
        voices_[i].setSample(sampleData_, sampleLength_);
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
