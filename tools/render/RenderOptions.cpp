#include "tools/render/RenderOptions.h"

#include "tools/render/TextFields.h"

#include <cmath>
#include <strings.h>

namespace {

const char* const kParameterNames[4] = {"Speed", "Length", "Density", "Random"};

bool parseParam(const std::string& text, ParamSetting& param, std::string& error)
{
    size_t equals = text.find('=');
    if (equals == std::string::npos) {
        error = "--param wants NAME=VALUE, got '" + text + "'";
        return false;
    }
    std::string name = text.substr(0, equals);
    std::string valueText = text.substr(equals + 1);
    int index = -1;
    for (int i = 0; i < 4; ++i)
        if (strcasecmp(name.c_str(), kParameterNames[i]) == 0)
            index = i;
    if (index < 0) {
        error = "unknown parameter '" + name + "' (Speed, Length, Density or Random)";
        return false;
    }
    float value = 0.0f;
    if (!parseFloat(valueText, value) || !(value >= 0.0f && value <= 1.0f)) {
        error = "--param " + name + " wants a value from 0.0 to 1.0, got '" + valueText + "'";
        return false;
    }
    param = {index, value};
    return true;
}

}  // namespace

const char* renderUsage()
{
    return "usage: parvolino-render [--midi FILE.mid | --score FILE] [options] [-o OUT.wav]\n"
           "Renders MIDI through the plug-in into a stereo WAV file. Without --midi or\n"
           "--score a built-in demo phrase is played.\n"
           "  --sample FILE.wav     the sample (default: the bundled default sample);\n"
           "                        a score's own 'sample' line takes precedence\n"
           "  --rate HZ             host sample rate (44100); a score's 'rate' line wins\n"
           "  --block FRAMES        host block size (512)\n"
           "  --param NAME=VALUE    Speed, Length, Density or Random, 0.0 to 1.0;\n"
           "                        repeatable, applied after a score's 'param' lines\n"
           "  --tail SECONDS        rendered after the last event (2); not with 'length'\n"
           "  --max-length SECONDS  refuse longer renders (600)\n"
           "  --allow-silence       render even when no sample is loaded\n"
           "  --format float|24|16  output sample format (float)\n"
           "  --chunk FILE          restore this saved chunk first: the 1200-byte program\n"
           "                        bank, and the samples kept after it\n"
           "  --save-chunk FILE     save the chunk as set up for the render\n"
           "  --plugin PATH         plug-in module (default: the one built with this tool)\n"
           "  --panel FILE.png      also draw the editor panel as it looks at the render's end\n"
           "  --classic             play the classic way: every note at one level, controllers\n"
           "                        other than all-notes-off (123) ignored, a stolen note cut\n"
           "                        off, the sample mixed to mono (the instrument built into\n"
           "                        this tool; not with --plugin)\n"
           "  -o OUT.wav            output file (render.wav)\n";
}

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            size_t equals = arg.find('=');
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
                arg = arg.substr(0, equals);
                inlineValue = true;
            }
        }
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            continue;
        }
        if (arg == "--allow-silence" && !inlineValue) {
            options.allowSilence = true;
            continue;
        }
        if (arg == "--classic" && !inlineValue) {
            options.classic = true;
            continue;
        }
        static const char* const withValue[] = {"--midi", "--score", "--sample", "--rate", "--block",
                                                 "--param", "--tail", "--max-length", "--format", "--chunk",
                                                 "--save-chunk", "--plugin", "--panel", "-o", "--output"};
        bool known = false;
        for (const char* name : withValue)
            known = known || arg == name;
        if (!known) {
            error = "unknown option '" + arg + "'";
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        int64_t number = 0;
        if (arg == "--midi") {
            options.midiPath = value;
        } else if (arg == "--score") {
            options.scorePath = value;
        } else if (arg == "--sample") {
            options.samplePath = value;
        } else if (arg == "--rate") {
            if (!parseInteger(value, number) || number < 1 || number > 1000000) {
                error = "--rate wants a whole number of hertz from 1 to 1000000, got '" + value + "'";
                return false;
            }
            options.sampleRate = uint32_t(number);
        } else if (arg == "--block") {
            if (!parseInteger(value, number) || number < 1 || number > 65536) {
                error = "--block wants a whole number of frames from 1 to 65536, got '" + value + "'";
                return false;
            }
            options.blockSize = int32_t(number);
        } else if (arg == "--param") {
            ParamSetting param;
            if (!parseParam(value, param, error))
                return false;
            options.params.push_back(param);
        } else if (arg == "--tail") {
            double seconds = 0.0;
            if (!parseDouble(value, seconds) || !(seconds >= 0.0 && seconds <= 3600.0)) {
                error = "--tail wants seconds from 0 to 3600, got '" + value + "'";
                return false;
            }
            options.tailSeconds = seconds;
        } else if (arg == "--max-length") {
            double seconds = 0.0;
            if (!parseDouble(value, seconds) || !(seconds > 0.0 && seconds <= 86400.0)) {
                error = "--max-length wants seconds above 0, at most 86400, got '" + value + "'";
                return false;
            }
            options.maxLengthSeconds = seconds;
        } else if (arg == "--format") {
            if (value == "float")
                options.format = OutputFormat::float32;
            else if (value == "24")
                options.format = OutputFormat::pcm24;
            else if (value == "16")
                options.format = OutputFormat::pcm16;
            else {
                error = "--format wants float, 24 or 16, got '" + value + "'";
                return false;
            }
        } else if (arg == "--chunk") {
            options.chunkPath = value;
        } else if (arg == "--save-chunk") {
            options.saveChunkPath = value;
        } else if (arg == "--plugin") {
            options.pluginPath = value;
        } else if (arg == "--panel") {
            options.panelPath = value;
        } else {
            options.outputPath = value;
        }
    }
    if (options.midiPath && options.scorePath) {
        error = "give --midi or --score, not both";
        return false;
    }
    if (options.classic && options.pluginPath) {
        error = "--classic plays the instrument built into parvolino-render, not a module: give --classic or "
                "--plugin, not both";
        return false;
    }
    if (options.outputPath.empty()) {
        error = "the output path is empty";
        return false;
    }
    return true;
}
