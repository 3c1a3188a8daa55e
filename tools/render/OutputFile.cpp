#include "tools/render/OutputFile.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <limits>

void LevelStats::add(const float* data, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        double v = data[i];
        peak = std::fmax(peak, std::fabs(v));
        sumSquares += v * v;
    }
    samples += uint64_t(count);
}

namespace {

double toDb(double level)
{
    return level > 0.0 ? 20.0 * std::log10(level) : -std::numeric_limits<double>::infinity();
}

int sndfileFormat(OutputFormat format)
{
    switch (format) {
    case OutputFormat::pcm24: return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case OutputFormat::pcm16: return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case OutputFormat::float32: break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
}

}  // namespace

double LevelStats::peakDb() const { return toDb(peak); }

double LevelStats::rmsDb() const
{
    return samples == 0 ? toDb(0.0) : toDb(std::sqrt(sumSquares / double(samples)));
}

OutputFile::~OutputFile()
{
    discard();
}

bool OutputFile::open(const std::string& path, uint32_t sampleRate, OutputFormat format, std::string& error)
{
    SF_INFO info{};
    info.samplerate = int(sampleRate);
    info.channels = 2;
    info.format = sndfileFormat(format);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = path + ": cannot write the output file (" + sf_strerror(nullptr) + ")";
        return false;
    }
    // Integer output clips overs instead of wrapping them round.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_ = file;
    path_ = path;
    return true;
}

bool OutputFile::write(const float* left, const float* right, int32_t frames, std::string& error)
{
    interleaved_.resize(size_t(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
        interleaved_[size_t(i) * 2] = left[i];
        interleaved_[size_t(i) * 2 + 1] = right[i];
    }
    levels_.add(interleaved_.data(), frames * 2);
    auto* file = static_cast<SNDFILE*>(file_);
    if (sf_writef_float(file, interleaved_.data(), frames) != frames) {
        error = path_ + ": writing failed (" + sf_strerror(file) + ")";
        return false;
    }
    frames_ += uint64_t(frames);
    return true;
}

bool OutputFile::close(std::string& error)
{
    auto* file = static_cast<SNDFILE*>(file_);
    file_ = nullptr;
    if (file != nullptr && sf_close(file) != 0) {
        error = path_ + ": closing the output file failed";
        return false;
    }
    path_.clear();
    return true;
}

void OutputFile::discard()
{
    if (file_ == nullptr)
        return;
    sf_close(static_cast<SNDFILE*>(file_));
    file_ = nullptr;
    std::remove(path_.c_str());
    path_.clear();
}
