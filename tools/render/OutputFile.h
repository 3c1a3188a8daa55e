#pragma once
// The rendered stereo file, written block by block through libsndfile,
// with the level figures of the summary gathered on the way.

#include <cstdint>
#include <string>
#include <vector>

enum class OutputFormat { float32, pcm24, pcm16 };

struct LevelStats {
    double peak = 0.0;         // largest magnitude
    double sumSquares = 0.0;
    uint64_t samples = 0;

    void add(const float* samples, int32_t count);
    double peakDb() const;    // -inf for silence
    double rmsDb() const;
};

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(const std::string& path, uint32_t sampleRate, OutputFormat format, std::string& error);
    bool write(const float* left, const float* right, int32_t frames, std::string& error);
    bool close(std::string& error);
    // Closes and deletes a file that was not finished.
    void discard();

    const LevelStats& levels() const { return levels_; }
    uint64_t framesWritten() const { return frames_; }

private:
    void* file_ = nullptr;  // SNDFILE*
    std::string path_;
    std::vector<float> interleaved_;
    LevelStats levels_;
    uint64_t frames_ = 0;
};
