#pragma once
// The renderer's command line.

#include "tools/render/OutputFile.h"
#include "tools/render/RenderPlan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RenderOptions {
    std::optional<std::string> midiPath;
    std::optional<std::string> scorePath;
    std::optional<std::string> samplePath;
    uint32_t sampleRate = 44100;
    int32_t blockSize = 512;
    std::vector<ParamSetting> params;
    double tailSeconds = 2.0;
    double maxLengthSeconds = 600.0;  // longer renders are refused: a stray MIDI delta would fill the disk
    bool allowSilence = false;        // render even though no sample is loaded
    bool classic = false;             // the built-in instrument, playing the classic way
    OutputFormat format = OutputFormat::float32;
    std::optional<std::string> chunkPath;
    std::optional<std::string> saveChunkPath;
    std::optional<std::string> pluginPath;
    std::optional<std::string> panelPath;  // the editor panel as a PNG
    std::string outputPath = "render.wav";
    bool help = false;
};

// Parses argv[1..]. False with error set on a bad command line.
bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error);

const char* renderUsage();
