// Samples kept inside the project: the copies held since each sample loaded,
// which of them the next save writes after the bank, the copies a restore
// brings, and the keep setting.
#include "engine/GranularEngine.h"

#include "sample/WaveReader.h"

#include <algorithm>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

} // namespace

void GranularEngine::setKeepSamples(bool keep)
{
    if (keepSamples_.exchange(keep, relaxed) != keep)
        notifyEditor(-1, 0.0f);
    refreshKeeping();
}

std::vector<std::string> GranularEngine::distinctSamplePaths() const
{
    std::vector<std::string> paths;
    for (int32_t p = 0; p < kNumPrograms; ++p) {
        const std::string path = pathInUse(p);
        if (!path.empty() && std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(path);
    }
    return paths;
}

uint64_t GranularEngine::keepBudgetFor(int32_t program, const std::string& path) const
{
    // What the other programs' copies already take of the limit; copies that
    // exist nowhere else are held whatever they take and count too.
    uint64_t taken = 0;
    std::vector<std::string> counted{path};
    for (int32_t p = 0; p < kNumPrograms; ++p) {
        const std::string other = pathInUse(p);
        if (p == program || other.empty() || std::find(counted.begin(), counted.end(), other) != counted.end())
            continue;
        counted.push_back(other);
        if (const KeptSample* kept = keptSamples_.find(other))
            taken += kept->bytes->size();
    }
    return taken >= kMaxKeptBytes ? 0 : kMaxKeptBytes - taken;
}

GranularEngine::KeepPlan GranularEngine::planKeeping() const
{
    // The limit counts every sample the programs name: the copy held of it,
    // else its file as it stands.
    KeepPlan plan;
    struct Candidate {
        const KeptSample* kept;
        bool onlyCopy;
    };
    std::vector<Candidate> candidates;
    uint64_t total = 0;
    for (const std::string& path : distinctSamplePaths()) {
        const KeptSample* kept = keptSamples_.find(path);
        if (kept == nullptr) {
            total += fileStampOf(path).size;
            continue;
        }
        total += kept->bytes->size();
        candidates.push_back({kept, KeptSamples::isOnlyCopy(*kept)});
    }
    plan.overLimit = total > kMaxKeptBytes;
    // A copy that exists nowhere else is always saved: neither the limit nor
    // the keep setting may lose a sound the user has only in the project.
    const bool keepInPlace = keepSamples_.load(relaxed) && !plan.overLimit;
    for (const Candidate& candidate : candidates) {
        if (candidate.onlyCopy || keepInPlace)
            plan.files.push_back(KeptFile{candidate.kept->path, candidate.kept->bytes});
        if (candidate.onlyCopy && !keepInPlace)
            plan.onlyCopiesAnyway = true;
    }
    return plan;
}

void GranularEngine::showKeeping(const KeepPlan& plan)
{
    const bool over = overLimit_.exchange(plan.overLimit, relaxed) != plan.overLimit;
    const bool anyway = onlyCopiesAnyway_.exchange(plan.onlyCopiesAnyway, relaxed) != plan.onlyCopiesAnyway;
    if (over || anyway)
        notifyEditor(-1, 0.0f);
}

void GranularEngine::refreshKeeping()
{
    try {
        showKeeping(planKeeping());
    } catch (...) {
        // Only the panel's note is stale; the next save plans again.
    }
}

void GranularEngine::holdProgramFiles()
{
    // Every program's sample is kept from the moment its project opens, not
    // only the one that plays now, so that a save holds each of them.
    for (int32_t p = 0; p < kNumPrograms; ++p) {
        const std::string path = pathInUse(p);
        if (path.empty() || keptSamples_.find(path) != nullptr)
            continue;
        const FileStamp source = fileStampOf(path);
        const uint64_t budget = keepBudgetFor(p, path);
        if (!source.present || source.size > budget)
            continue;
        auto bytes = std::make_shared<std::vector<unsigned char>>();
        if (readWaveFileBytes(path.c_str(), budget, *bytes))
            keptSamples_.hold(KeptSample{path, std::move(bytes), source}, &droppedCopies_);
    }
}

void GranularEngine::readRestoredCopies(const unsigned char* data, size_t size, RestoredKeeping& restored) const
{
    ChunkExtension extension;
    readChunkExtension(data, size, extension);
    restored.keepSamples = extension.keepSamples;
    for (KeptFile& file : extension.files) {
        if (file.bytes == nullptr) {
            restored.damaged.push_back(file.path);
            continue;
        }
        // A copy the file on disk still holds is on disk too; any other is
        // the only one there is.
        FileStamp source = fileStampOf(file.path);
        if (!source.present || source.size != file.bytes->size() || !waveFileHolds(file.path.c_str(), *file.bytes))
            source = FileStamp{};
        restored.samples.push_back(KeptSample{std::move(file.path), std::move(file.bytes), source});
    }
}

void GranularEngine::adoptRestoredCopies(RestoredKeeping& restored) noexcept
{
    keepSamples_.store(restored.keepSamples, relaxed);
    keptSamples_.replaceAll(restored.samples);
    damagedCopies_.swap(restored.damaged);
    // restored now holds the copies let go of.
    for (KeptSample& old : restored.samples) {
        try {
            droppedCopies_.push_back(std::move(old.bytes));
        } catch (...) {
        }
    }
}

void GranularEngine::freeDroppedCopies() noexcept
{
    if (!loader_.dispose(droppedCopies_))
        droppedCopies_.clear();
}

bool GranularEngine::isDamagedCopy(const std::string& path) const
{
    return std::find(damagedCopies_.begin(), damagedCopies_.end(), path) != damagedCopies_.end();
}

void GranularEngine::forgetUnnamedCopies()
{
    const std::vector<std::string> paths = distinctSamplePaths();
    keptSamples_.keepOnly(paths, &droppedCopies_);
    std::erase_if(damagedCopies_, [&](const std::string& path) {
        return std::find(paths.begin(), paths.end(), path) == paths.end();
    });
}

GranularEngine::SampleState GranularEngine::sampleState() const
{
    SampleState state;
    state.keepSamples = keepSamples_.load(relaxed);
    try {
        state.path = pathInUse(currentProgram_.load(relaxed));
        for (KeptFile& file : planKeeping().files) {
            if (file.path == state.path)
                state.keptCopy = std::move(file.bytes);
        }
    } catch (...) {
        // Short of memory: the path, as far as it came, and no copy.
    }
    return state;
}

bool GranularEngine::restoreSampleState(const SampleState& state)
{
    // The bank as it is, with the current program naming the sample, and
    // the extension the state says: restored exactly as a saved chunk is.
    std::vector<unsigned char> chunk;
    try {
        GranularProgram bank[kNumPrograms];
        for (int32_t p = 0; p < kNumPrograms; ++p) {
            bank[p] = programs_[p];
            for (int32_t i = 0; i < kNumParams; ++i)
                bank[p].values[i] = programValue(p, i);
        }
        GranularProgram& current = bank[currentProgram_.load(relaxed)];
        copyText(current.samplePath, sizeof current.samplePath, state.path.c_str());
        const auto* bytes = reinterpret_cast<const unsigned char*>(bank);
        chunk.assign(bytes, bytes + kBankSize);
        ChunkExtension extension;
        extension.keepSamples = state.keepSamples;
        if (state.keptCopy != nullptr && !state.path.empty())
            extension.files.push_back(KeptFile{state.path, state.keptCopy});
        appendChunkExtension(chunk, extension);
    } catch (...) {
        postNotice("Couldn't allocate enough memory to restore the project: the plug-in kept what it had");
        return false;
    }
    return setChunk(chunk.data(), static_cast<int32_t>(chunk.size())) == kBankSize;
}
