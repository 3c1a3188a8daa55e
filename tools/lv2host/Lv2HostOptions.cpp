#include "tools/lv2host/Lv2HostOptions.h"

#include "tools/render/TextFields.h"

#include <set>
#include <sstream>

namespace {

constexpr int64_t kMaxBlock = 1 << 20;

bool parseBlocks(const std::string& text, std::vector<int32_t>& blocks)
{
    blocks.clear();
    std::istringstream fields(text);
    std::string field;
    int32_t largest = 0;
    while (std::getline(fields, field, ',')) {
        int64_t frames = 0;
        if (!parseInteger(trim(field), frames) || frames < 0 || frames > kMaxBlock)
            return false;
        blocks.push_back(int32_t(frames));
        largest = std::max(largest, int32_t(frames));
    }
    // Blocks of no frames alone would never get through a render.
    return largest > 0;
}

}  // namespace

const char* lv2HostUsage()
{
    return "usage: parvolino-lv2host --bundle DIR --uri URI [options]\n"
           "Instantiates an LV2 plug-in through lilv and runs it as a host does.\n"
           "  --rate HZ             sample rate (44100); a score's 'rate' line wins\n"
           "  --block N             frames per run() (512)\n"
           "  --blocks N,N,...      run() lengths taken in turn, e.g. 1,63,0,512 (0: a run of no frames)\n"
           "  --score FILE          MIDI in parvolino-render's score format; 'param INDEX VALUE' sets\n"
           "                        the INDEX-th control input (from 0), 'sample PATH' as --sample\n"
           "  --length FRAMES       frames to render (the score's length, else its last event + 2 s)\n"
           "  --set SYMBOL=VALUE    a control input's value before the first block (repeatable)\n"
           "  --preset URI          apply a preset before the first block\n"
           "  --sample PATH         patch:Set the plug-in's file parameter to PATH (an atom:Path) in a\n"
           "                        run of no frames before the first block, and wait for its worker\n"
           "  --sample-param URI    the parameter --sample sets (the plug-in's one writable atom:Path)\n"
           "  --restore-state DIR   restore the state saved in DIR right after instantiating\n"
           "  --save-state DIR      save the state into DIR after the render (files copied or linked there)\n"
           "  --print-controls      print 'control SYMBOL VALUE' for each control input at the end\n"
           "  -o, --output FILE     the stereo output as a 32-bit float WAV\n";
}

bool parseLv2HostOptions(int argc, const char* const* argv, Lv2HostOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        static const std::set<std::string> kTakesValue = {
            "--bundle", "--uri", "--rate", "--block", "--blocks", "--score", "--length", "--set", "--preset",
            "--sample", "--sample-param", "--restore-state", "--save-state", "-o", "--output"};
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--print-controls") {
            options.printControls = true;
        } else if (kTakesValue.count(arg) == 0) {
            return error = "unknown option " + arg, false;
        } else if (!value(text)) {
            return false;
        } else if (arg == "--bundle") {
            options.bundle = text;
        } else if (arg == "--uri") {
            options.uri = text;
        } else if (arg == "--rate") {
            int64_t rate = 0;
            if (!parseInteger(text, rate) || rate < 1 || rate > 1000000)
                return error = "--rate must be 1 to 1000000 Hz, got '" + text + "'", false;
            options.sampleRate = uint32_t(rate);
        } else if (arg == "--block" || arg == "--blocks") {
            if (!parseBlocks(text, options.blocks) || (arg == "--block" && options.blocks.size() != 1))
                return error = arg + " takes frame counts of 0 to 1048576, one above 0, got '" + text + "'", false;
        } else if (arg == "--score") {
            options.scorePath = text;
        } else if (arg == "--length") {
            int64_t frames = 0;
            if (!parseInteger(text, frames) || frames < 0)
                return error = "--length must be a whole number of frames, got '" + text + "'", false;
            options.lengthFrames = frames;
        } else if (arg == "--set") {
            const size_t equals = text.find('=');
            float v = 0.0f;
            if (equals == std::string::npos || equals == 0 || !parseFloat(text.substr(equals + 1), v))
                return error = "--set takes SYMBOL=VALUE, got '" + text + "'", false;
            options.settings.emplace_back(text.substr(0, equals), v);
        } else if (arg == "--preset") {
            options.preset = text;
        } else if (arg == "--sample") {
            options.samplePath = text;
        } else if (arg == "--sample-param") {
            options.sampleParameter = text;
        } else if (arg == "--restore-state") {
            options.restoreState = text;
        } else if (arg == "--save-state") {
            options.saveState = text;
        } else if (arg == "-o" || arg == "--output") {
            options.outputPath = text;
        }
    }
    if (!options.help && (options.bundle.empty() || options.uri.empty()))
        return error = "--bundle and --uri are required", false;
    return true;
}
