// Samples kept inside the project: the files that go into the chunk after
// the bank, the copies restored from it, and the keep setting.
#include "engine/GranularEngine.h"

#include "sample/WaveReader.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// The length of the regular file at path; 0 when there is none.
uint64_t regularFileSize(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return 0;
    return static_cast<uint64_t>(info.st_size);
}

} // namespace

void GranularEngine::setKeepSamples(bool keep)
{
    if (keepSamples_.exchange(keep, relaxed) != keep)
        notifyEditor(-1, 0.0f);
}

const KeptFile* GranularEngine::keptCopyOf(const std::string& path) const
{
    for (const KeptFile& file : keptFiles_) {
        if (file.path == path)
            return &file;
    }
    return nullptr;
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

uint64_t GranularEngine::bytesToKeep() const
{
    uint64_t total = 0;
    for (const std::string& path : distinctSamplePaths()) {
        const KeptFile* kept = keptCopyOf(path);
        total += kept != nullptr && kept->bytes != nullptr ? kept->bytes->size() : regularFileSize(path);
    }
    return total;
}

void GranularEngine::refreshKeptTotal()
{
    const bool over = bytesToKeep() > kMaxKeptBytes;
    if (overLimit_.exchange(over, relaxed) != over)
        notifyEditor(-1, 0.0f);
}

ChunkExtension GranularEngine::extensionToSave()
{
    ChunkExtension extension;
    extension.keepSamples = keepSamples_.load(relaxed);
    refreshKeptTotal();
    if (!extension.keepSamples || overLimit_.load(relaxed))
        return extension;
    // Each file once, however many programs name it; a copy restored from
    // the project is saved again as it came, whether or not its file is back.
    uint64_t total = 0;
    for (const std::string& path : distinctSamplePaths()) {
        KeptFile file{path, nullptr};
        const KeptFile* kept = keptCopyOf(path);
        if (kept != nullptr && kept->bytes != nullptr) {
            file.bytes = kept->bytes;
        } else {
            auto bytes = std::make_shared<std::vector<unsigned char>>();
            if (readWaveFileBytes(path.c_str(), kMaxKeptBytes - total, *bytes))
                file.bytes = std::move(bytes);
        }
        if (file.bytes != nullptr) {
            total += file.bytes->size();
            extension.files.push_back(std::move(file));
        }
    }
    return extension;
}

void GranularEngine::restoreExtension(const unsigned char* data, size_t size)
{
    ChunkExtension extension;
    readChunkExtension(data, size, extension);
    keepSamples_.store(extension.keepSamples, relaxed);
    for (KeptFile& file : extension.files)
        adoptRestoredCopy(std::move(file));
    forgetUnnamedCopies();
    refreshKeptTotal();
    notifyEditor(-1, 0.0f);
}

void GranularEngine::adoptRestoredCopy(KeptFile&& restored)
{
    auto same = std::find_if(keptFiles_.begin(), keptFiles_.end(),
                             [&](const KeptFile& file) { return file.path == restored.path; });
    // A copy that failed its checks never replaces a good one in memory.
    if (restored.bytes == nullptr && same != keptFiles_.end() && same->bytes != nullptr)
        return;
    if (same != keptFiles_.end())
        keptFiles_.erase(same);
    // Where the file on disk is the very same, it plays from there and
    // nothing needs holding in memory.
    if (restored.bytes != nullptr && waveFileHolds(restored.path.c_str(), *restored.bytes))
        return;
    keptFiles_.push_back(std::move(restored));
}

void GranularEngine::forgetUnnamedCopies()
{
    std::erase_if(keptFiles_, [&](const KeptFile& file) {
        for (const GranularProgram& program : programs_) {
            if (file.path == program.samplePath)
                return false;
        }
        return true;
    });
}
