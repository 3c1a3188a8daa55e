#include "tests/lv2/ToolRuns.h"

#include "lv2/Uris.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace {

int runCommand(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char chunk[4096];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, got);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int runLv2Host(const std::string& args, std::string& output)
{
    return runCommand(std::string("'") + PARVOLINO_LV2HOST + "' --bundle '" + PARVOLINO_LV2_BUNDLE + "' --uri '" +
                          parvolino::lv2uris::kPlugin + "' " + args,
                      output);
}

int runVst2Render(const std::string& args, std::string& output)
{
    return runCommand(std::string("'") + PARVOLINO_RENDER + "' --plugin '" + PARVOLINO_VST2_MODULE + "' " + args,
                      output);
}

std::vector<float> readWavFrames(const std::string& path, int* channels, int* rate)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    std::vector<float> frames(size_t(info.frames) * size_t(info.channels));
    const sf_count_t read = sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    frames.resize(size_t(read) * size_t(info.channels));
    if (channels != nullptr)
        *channels = info.channels;
    if (rate != nullptr)
        *rate = info.samplerate;
    return frames;
}

void writeStereoSample(const std::string& path, int frames, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return;
    std::vector<float> samples(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        samples[size_t(i) * 2] = float(0.5 * std::sin(i * 0.031) + 0.2 * std::sin(i * 0.17));
        samples[size_t(i) * 2 + 1] = float(0.4 * std::sin(i * 0.0023) * std::sin(i * 0.05));
    }
    sf_writef_float(file, samples.data(), frames);
    sf_close(file);
}

TestFolder::TestFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "parvolino-lv2test-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) != nullptr ? pattern : "/tmp";
}

TestFolder::~TestFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
