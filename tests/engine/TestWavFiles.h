#pragma once
// Sample files made on the spot, in a temporary folder.

#include <cstdint>
#include <string>
#include <vector>

// A folder under the system's temporary folder, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes a 32-bit float WAV file; `channels` interleaved channels of equal length.
void writeFloatWav(const std::string& path, const std::vector<float>& interleaved, uint32_t rate, int channels = 1);
// A mono test sample: a slow sine, different at every frame.
std::vector<float> testSample(int frames);
