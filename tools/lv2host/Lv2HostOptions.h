#pragma once
// parvolino-lv2host's command line.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct Lv2HostOptions {
    std::string bundle;
    std::string uri;
    uint32_t sampleRate = 44100;
    std::vector<int32_t> blocks = {512};  // run() lengths, taken in turn
    std::optional<std::string> scorePath;
    std::optional<int64_t> lengthFrames;
    std::vector<std::pair<std::string, float>> settings;  // control inputs by symbol
    std::optional<std::string> preset;
    std::optional<std::string> samplePath;
    std::optional<std::string> sampleParameter;
    std::optional<std::string> restoreState;
    std::optional<std::string> saveState;
    std::optional<std::string> outputPath;
    bool printControls = false;
    bool help = false;
};

// Parses argv[1..]. False with error set on a bad command line.
bool parseLv2HostOptions(int argc, const char* const* argv, Lv2HostOptions& options, std::string& error);

const char* lv2HostUsage();
