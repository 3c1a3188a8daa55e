#include "engine/KeptSamples.h"

#include <algorithm>
#include <sys/stat.h>

FileStamp fileStampOf(const std::string& path)
{
    struct stat info;
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return FileStamp{};
    FileStamp stamp;
    stamp.present = true;
    stamp.size = static_cast<uint64_t>(info.st_size);
#if defined(_WIN32)
    stamp.modified = static_cast<int64_t>(info.st_mtime) * 1000000000;
#else
    stamp.modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
#endif
    return stamp;
}

const KeptSample* KeptSamples::find(const std::string& path) const
{
    for (const KeptSample& sample : samples_) {
        if (sample.path == path)
            return &sample;
    }
    return nullptr;
}

namespace {

void drop(KeptSample& sample, std::vector<FileBytes>* dropped)
{
    if (dropped == nullptr)
        return;
    try {
        dropped->push_back(std::move(sample.bytes));
    } catch (...) {
        // Freed here, then.
    }
}

template <typename Match>
void forgetWhere(std::vector<KeptSample>& samples, std::vector<FileBytes>* dropped, Match match)
{
    std::erase_if(samples, [&](KeptSample& sample) {
        if (!match(sample))
            return false;
        drop(sample, dropped);
        return true;
    });
}

} // namespace

void KeptSamples::hold(KeptSample sample, std::vector<FileBytes>* dropped)
{
    for (KeptSample& held : samples_) {
        if (held.path == sample.path) {
            drop(held, dropped);
            held = std::move(sample);
            return;
        }
    }
    samples_.push_back(std::move(sample));
}

void KeptSamples::forget(const std::string& path, std::vector<FileBytes>* dropped)
{
    forgetWhere(samples_, dropped, [&](const KeptSample& sample) { return sample.path == path; });
}

void KeptSamples::keepOnly(const std::vector<std::string>& paths, std::vector<FileBytes>* dropped)
{
    forgetWhere(samples_, dropped, [&](const KeptSample& sample) {
        return std::find(paths.begin(), paths.end(), sample.path) == paths.end();
    });
}

bool KeptSamples::isOnlyCopy(const KeptSample& sample)
{
    return !sample.source.present || fileStampOf(sample.path) != sample.source;
}
