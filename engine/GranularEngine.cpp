// Construction, identity, programs, parameters and the chunk.
#include "engine/GranularEngine.h"

#include "engine/GrainWindow.h"
#include "engine/ParameterMapping.h"

#include <cmath>
#include <cstring>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

} // namespace

GranularEngine::GranularEngine()
{
    for (GranularProgram& program : programs_)
        initProgram(program);

    // The engine: envelope table, default quantities, voices.
    buildGrainWindow();
    for (int32_t i = 0; i < kNumParams; ++i)
        paramValue_[i].store(kDefaultValues[i], relaxed);
    for (GrainVoice& voice : voices_) {
        voice.setSpacing(683);
        voice.setGrainLength(4100);
        voice.setRandomRange(50);
        voice.setSpeed(1.0f);
    }
    // The pitch table and the millisecond scale exist before the host first
    // sets a rate, built from the default rate.
    samplesPerMs_.store(kDefaultSampleRate * 0.001f, relaxed);
    audioRate_ = kDefaultSampleRate;
    adoptFadeLengths();
    buildNoteRatio(noteRatio_);

    setProgram(0);
}

GranularEngine::~GranularEngine() = default;

float GranularEngine::programValue(int32_t program, int32_t index) const
{
    // The audio thread writes Speed into the current program on pitch bend.
    return std::atomic_ref<float>(const_cast<float&>(programs_[program].values[index])).load(relaxed);
}

void GranularEngine::setProgramValue(int32_t program, int32_t index, float value)
{
    std::atomic_ref<float>(programs_[program].values[index]).store(value, relaxed);
}

float GranularEngine::voiceSpeed() const
{
    return static_cast<float>(loadedSampleRate_.load(relaxed)) / hostRate_.load(relaxed) * speedFactor_.load(relaxed);
}

void GranularEngine::notifyEditor(int32_t index, float value)
{
    // Every index goes to the listener, -1 meaning "the sample changed".
    // This may run on the audio thread (pitch bend).
    if (listener_ != nullptr)
        listener_->parameterChanged(index, value);
}

void GranularEngine::setParameter(int32_t index, float value)
{
    if (index >= 0 && index < kNumParams) {
        value = sanitizeParameterValue(index, value);
        setProgramValue(currentProgram_.load(relaxed), index, value);
        paramValue_[index].store(value, relaxed);
        switch (index) {
        case kSpeed: {
            speedFactor_.store(speedFactorFor(value), relaxed);
            const float speed = voiceSpeed();
            for (GrainVoice& voice : voices_)
                voice.setSpeed(speed);
            break;
        }
        case kLength: {
            const int32_t length = grainLengthFor(value);
            const int32_t spacing = grainSpacingFor(length, paramValue_[kDensity].load(relaxed));
            grainLength_.store(length, relaxed);
            grainSpacing_.store(spacing, relaxed);
            for (GrainVoice& voice : voices_)
                voice.setSpacing(spacing);
            for (GrainVoice& voice : voices_)
                voice.setGrainLength(length);
            break;
        }
        case kDensity: {
            const int32_t spacing = grainSpacingFor(grainLength_.load(relaxed), value);
            grainSpacing_.store(spacing, relaxed);
            for (GrainVoice& voice : voices_)
                voice.setSpacing(spacing);
            break;
        }
        case kRandom: {
            const int32_t range = randomRangeFor(value);
            randomRange_.store(range, relaxed);
            for (GrainVoice& voice : voices_)
                voice.setRandomRange(range);
            break;
        }
        }
    }
    notifyEditor(index, value);
}

float GranularEngine::getParameter(int32_t index) const
{
    if (index < 0 || index >= kNumParams)
        return 0.0f;
    return paramValue_[index].load(relaxed);
}

void GranularEngine::setProgram(int32_t program)
{
    // The dispatcher refuses numbers at or above the count; a direct caller
    // might pass anything.
    if (program < 0 || program >= kNumPrograms)
        return;
    // A load the user asked for belongs to the program it was asked in.
    loader_.cancel();
    const int32_t previous = currentProgram_.exchange(program, relaxed);
    for (int32_t i = 0; i < kNumParams; ++i)
        setParameter(i, programValue(program, i));

    GranularProgram& selected = programs_[program];
    if (selected.samplePath[0] != '\0') {
        // A file that cannot be read now (a missing drive, a project moved
        // to another machine) is looked for where the project keeps its
        // other samples; whatever happens its path stays, so saving the
        // project does not lose the reference. The panel shows the outcome,
        // a missing sample included.
        try {
            loadProgramSample(program);
        } catch (...) {
            // Out of memory on the way: the sample that played stays.
            origin_.store(SampleOrigin::missing, relaxed);
            postNotice(waveResultMessage(kWaveOutOfMemory));
        }
        refreshKeeping();
        freeDroppedCopies();
        setParameter(-1, 0.0f);
    } else if (previous != program && previous >= 0 && previous < kNumPrograms) {
        // A program without a sample of its own takes over the one in use.
        copyText(selected.samplePath, sizeof selected.samplePath, pathInUse(previous));
        foundPath_[program][0] = '\0';
        setParameter(-1, 0.0f);
    }
}

void GranularEngine::setProgramName(const char* name)
{
    GranularProgram& program = programs_[currentProgram_.load(relaxed)];
    copyText(program.name, sizeof program.name, name);
}

void GranularEngine::getProgramName(char* name) const
{
    copyText(name, sizeof programs_[0].name, programs_[currentProgram_.load(relaxed)].name);
}

bool GranularEngine::getProgramNameIndexed(int32_t index, char* text) const
{
    // Hosts list the names this way; the current program stays as it is.
    if (index < 0 || index >= kNumPrograms)
        return false;
    copyText(text, sizeof programs_[0].name, programs_[index].name);
    return true;
}

void GranularEngine::getParameterName(int32_t index, char* text)
{
    if (const char* name = parameterName(index))
        copyText(text, 8, name);
}

void GranularEngine::getParameterLabel(int32_t index, char* label)
{
    if (index >= 0 && index < kNumParams)
        copyText(label, 8, "");
}

void GranularEngine::getParameterDisplay(int32_t index, char* text) const
{
    if (index >= 0 && index < kNumParams)
        parameterDisplayText(index, paramValue_[index].load(relaxed), samplesPerMs_.load(relaxed), text);
}

namespace {

constexpr const char* kSaveShortOfMemory =
    "Couldn't allocate enough memory to save the samples in the project: this save holds their paths only";
constexpr const char* kRestoreShortOfMemory =
    "Couldn't allocate enough memory to restore the project: the plug-in kept what it had";

} // namespace

int32_t GranularEngine::getChunk(void** data)
{
    if (data == nullptr)
        return 0;
    // The host gets a copy that only this call writes, so it can read it while
    // pitch bend changes the live bank on the audio thread.
    GranularProgram bank[kNumPrograms];
    for (int32_t p = 0; p < kNumPrograms; ++p) {
        // Saving is when a sample found in a new place becomes the program's:
        // until then the project on disk still names the old one.
        if (foundPath_[p][0] != '\0') {
            copyText(programs_[p].samplePath, sizeof programs_[p].samplePath, foundPath_[p]);
            foundPath_[p][0] = '\0';
        }
        std::memcpy(bank[p].name, programs_[p].name, sizeof bank[p].name);
        std::memcpy(bank[p].samplePath, programs_[p].samplePath, sizeof bank[p].samplePath);
        for (int32_t i = 0; i < kNumParams; ++i)
            bank[p].values[i] = programValue(p, i);
    }
    // The host is done with the previous chunk when it asks for the next:
    // it goes first, so a large project never needs two at once.
    std::vector<unsigned char>().swap(savedChunk_);
    try {
        KeepPlan plan = planKeeping();
        showKeeping(plan);
        ChunkExtension extension;
        extension.keepSamples = keepSamples_.load(relaxed);
        extension.files = std::move(plan.files);
        // The bank first, as it always was; the samples and the keep setting after it.
        const auto* bankBytes = reinterpret_cast<const unsigned char*>(bank);
        savedChunk_.assign(bankBytes, bankBytes + kBankSize);
        appendChunkExtension(savedChunk_, extension);
    } catch (...) {
        std::vector<unsigned char>().swap(savedChunk_);
        postNotice(kSaveShortOfMemory);
        return saveBankOnly(data, bank);
    }
    *data = savedChunk_.data();
    return static_cast<int32_t>(savedChunk_.size());
}

int32_t GranularEngine::saveBankOnly(void** data, const GranularProgram* bank)
{
    unsigned char* bytes = savedBankOnly_;
    std::memcpy(bytes, bank, kBankSize);
    const size_t extension = writeKeepSettingOnly(bytes + kBankSize, keepSamples_.load(relaxed));
    *data = bytes;
    return kBankSize + static_cast<int32_t>(extension);
}

int32_t GranularEngine::setChunk(const void* data, int32_t byteSize)
{
    // A chunk is trusted for nothing: a short one is refused whole.
    if (data == nullptr || byteSize < kBankSize)
        return 0;
    GranularProgram incoming[kNumPrograms];
    std::memcpy(incoming, data, sizeof incoming);
    // Everything that needs memory is read before anything changes, so a
    // restore that runs short leaves the instance as it was.
    RestoredKeeping restored;
    try {
        readRestoredCopies(static_cast<const unsigned char*>(data) + kBankSize, static_cast<size_t>(byteSize - kBankSize),
                           restored);
    } catch (...) {
        postNotice(kRestoreShortOfMemory);
        return 0;
    }
    for (int32_t p = 0; p < kNumPrograms; ++p) {
        GranularProgram& program = incoming[p];
        program.name[sizeof program.name - 1] = '\0';
        program.samplePath[sizeof program.samplePath - 1] = '\0';
        std::memcpy(programs_[p].name, program.name, sizeof program.name);
        std::memcpy(programs_[p].samplePath, program.samplePath, sizeof program.samplePath);
        foundPath_[p][0] = '\0';
        for (int32_t i = 0; i < kNumParams; ++i)
            setProgramValue(p, i, sanitizeParameterValue(i, program.values[i]));
    }
    // The copies this chunk keeps, and no others: a copy an earlier restore
    // brought must never outlive a later one (an undo, an older preset).
    adoptRestoredCopies(restored);
    setProgram(currentProgram_.load(relaxed));
    try {
        holdProgramFiles();
        forgetUnnamedCopies();
    } catch (...) {
        // Files in place stay unkept until they load again; the copies the
        // chunk brought are all held.
    }
    refreshKeeping();
    freeDroppedCopies();
    notifyEditor(-1, 0.0f);
    return kBankSize;
}
