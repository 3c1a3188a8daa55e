#pragma once
// The sample files a project keeps: for each path the programs name, the
// bytes of the file as they were read when it loaded, which are exactly what
// plays. Saving writes these bytes and never reads a sample file again, so
// a file deleted, renamed or edited after it loaded is still saved as it
// sounds.
//
// Each copy remembers the file it came from (size and modification time):
// while the file stands unchanged, the copy is also on disk; once the file
// is gone or changed, or when the copy came from a project and no file
// holds it, the copy exists nowhere else and must never be dropped.

#include "engine/ChunkExtension.h"

#include <cstdint>
#include <string>
#include <vector>

// A file as the file system describes it, without opening it.
struct FileStamp {
    bool present = false; // a regular file stands at the path
    uint64_t size = 0;
    int64_t modified = 0; // nanoseconds where the system keeps them
    bool operator==(const FileStamp&) const = default;
};

FileStamp fileStampOf(const std::string& path);

struct KeptSample {
    std::string path;
    FileBytes bytes; // never null
    // The file when the bytes were read from it; not present when the bytes
    // came from a project and no file on disk holds them.
    FileStamp source;
};

class KeptSamples {
public:
    const KeptSample* find(const std::string& path) const;
    // Each of these lets go of copies; their bytes go to `dropped`, for the
    // caller to free where it costs nobody (they may be megabytes), or
    // nowhere when it is null.
    // Holds the copy, replacing any other of the same path.
    void hold(KeptSample sample, std::vector<FileBytes>* dropped = nullptr);
    void forget(const std::string& path, std::vector<FileBytes>* dropped = nullptr);
    // Forgets every copy whose path is not among paths.
    void keepOnly(const std::vector<std::string>& paths, std::vector<FileBytes>* dropped = nullptr);
    // A restore: exactly these copies from now on; samples receives the old.
    void replaceAll(std::vector<KeptSample>& samples) noexcept { samples_.swap(samples); }
    const std::vector<KeptSample>& all() const { return samples_; }

    // True when the copy exists nowhere else: its file is gone or no longer
    // the one it was read from (asked of the file system, never by reading).
    static bool isOnlyCopy(const KeptSample& sample);

private:
    std::vector<KeptSample> samples_;
};
