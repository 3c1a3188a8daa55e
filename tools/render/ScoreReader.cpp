#include "tools/render/ScoreReader.h"

#include "tools/render/TextFields.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr int64_t kMaxFrame = int64_t(1) << 40;

class ScoreParser {
public:
    ScoreParser(const std::string& name, const std::string& folder, RenderPlan& plan)
        : name_(name), folder_(folder), plan_(plan)
    {
    }

    bool parse(const std::string& text)
    {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            ++lineNumber_;
            if (!parseLine(line))
                return false;
        }
        sortEvents(plan_.events);
        return true;
    }

    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& what)
    {
        error_ = name_ + ":" + std::to_string(lineNumber_) + ": " + what;
        return false;
    }

    bool parseLine(std::string line)
    {
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::vector<std::string> words = splitWords(line);
        if (words.empty())
            return true;
        const std::string& keyword = words[0];
        if (keyword == "rate")
            return parseRate(words);
        if (keyword == "sample")
            return parseSample(line);
        if (keyword == "param")
            return parseInitialParam(words);
        if (keyword == "length")
            return parseLength(words);
        if (keyword == "at")
            return parseAt(words);
        return fail("unknown statement '" + keyword + "'");
    }

    bool parseRate(const std::vector<std::string>& words)
    {
        int64_t rate = 0;
        if (words.size() != 2)
            return fail("expected: rate HZ");
        if (!parseInteger(words[1], rate) || rate < 1 || rate > 1000000)
            return fail("rate must be a whole number of hertz from 1 to 1000000, got '" + words[1] + "'");
        if (plan_.sampleRate)
            return fail("rate given twice");
        plan_.sampleRate = uint32_t(rate);
        return true;
    }

    bool parseSample(const std::string& line)
    {
        std::string path = trim(trim(line).substr(6));
        if (path.empty())
            return fail("expected: sample PATH");
        if (plan_.samplePath)
            return fail("sample given twice");
        std::filesystem::path p(path);
        if (p.is_relative())
            p = std::filesystem::path(folder_) / p;
        plan_.samplePath = p.lexically_normal().string();
        return true;
    }

    bool parseParamArgs(const std::string& index, const std::string& value, ParamSetting& param)
    {
        // The same bounds as --param: one of the four parameters, 0.0 to 1.0.
        int64_t i = 0;
        if (!parseInteger(index, i) || i < 0 || i > 3)
            return fail("parameter index must be 0 to 3 (Speed, Length, Density, Random), got '" + index + "'");
        float v = 0.0f;
        if (!parseFloat(value, v) || !(v >= 0.0f && v <= 1.0f))
            return fail("parameter value must be from 0.0 to 1.0, got '" + value + "'");
        param = {int32_t(i), v};
        return true;
    }

    bool parseInitialParam(const std::vector<std::string>& words)
    {
        if (words.size() != 3)
            return fail("expected: param INDEX VALUE");
        ParamSetting param;
        if (!parseParamArgs(words[1], words[2], param))
            return false;
        plan_.initialParams.push_back(param);
        return true;
    }

    bool parseLength(const std::vector<std::string>& words)
    {
        int64_t frames = 0;
        if (words.size() != 2)
            return fail("expected: length FRAMES");
        if (!parseInteger(words[1], frames) || frames < 0 || frames > kMaxFrame)
            return fail("length must be a whole number of frames, got '" + words[1] + "'");
        if (plan_.lengthFrames)
            return fail("length given twice");
        plan_.lengthFrames = frames;
        return true;
    }

    bool dataByte(const std::string& word, const char* what, uint8_t& out)
    {
        int64_t value = 0;
        // MIDI data bytes have seven bits; more would turn into another message.
        if (!parseInteger(word, value) || value < 0 || value > 127)
            return fail(std::string(what) + " must be 0 to 127, got '" + word + "'");
        out = uint8_t(value);
        return true;
    }

    bool channel(const std::vector<std::string>& words, size_t at, uint8_t& out)
    {
        out = 0;
        if (words.size() <= at)
            return true;
        int64_t value = 0;
        if (!parseInteger(words[at], value) || value < 1 || value > 16)
            return fail("channel must be 1 to 16, got '" + words[at] + "'");
        out = uint8_t(value - 1);
        return true;
    }

    bool parseAt(const std::vector<std::string>& words)
    {
        if (words.size() < 3)
            return fail("expected: at FRAME on|off|cc|bend|param ...");
        int64_t frame = 0;
        if (!parseInteger(words[1], frame) || frame < 0 || frame > kMaxFrame)
            return fail("frame must be a whole number from 0, got '" + words[1] + "'");
        const std::string& kind = words[2];
        size_t args = words.size() - 3;
        uint8_t a = 0, b = 0, ch = 0;
        if (kind == "on") {
            if (args < 2 || args > 3)
                return fail("expected: at FRAME on NOTE VELOCITY [CHANNEL]");
            if (!dataByte(words[3], "note", a) || !dataByte(words[4], "velocity", b) || !channel(words, 5, ch))
                return false;
            return addMidi(frame, 0x90, ch, a, b);
        }
        if (kind == "off") {
            if (args < 1 || args > 3)
                return fail("expected: at FRAME off NOTE [VELOCITY] [CHANNEL]");
            b = 64;
            if (!dataByte(words[3], "note", a) || (args >= 2 && !dataByte(words[4], "velocity", b)) ||
                !channel(words, 5, ch))
                return false;
            return addMidi(frame, 0x80, ch, a, b);
        }
        if (kind == "cc") {
            if (args < 2 || args > 3)
                return fail("expected: at FRAME cc CONTROLLER VALUE [CHANNEL]");
            if (!dataByte(words[3], "controller", a) || !dataByte(words[4], "value", b) || !channel(words, 5, ch))
                return false;
            return addMidi(frame, 0xB0, ch, a, b);
        }
        if (kind == "bend") {
            if (args < 2 || args > 3)
                return fail("expected: at FRAME bend LSB MSB [CHANNEL]");
            if (!dataByte(words[3], "LSB", a) || !dataByte(words[4], "MSB", b) || !channel(words, 5, ch))
                return false;
            return addMidi(frame, 0xE0, ch, a, b);
        }
        if (kind == "param") {
            if (args != 2)
                return fail("expected: at FRAME param INDEX VALUE");
            ParamSetting param;
            if (!parseParamArgs(words[3], words[4], param))
                return false;
            plan_.events.push_back(TimedEvent::paramChange(frame, param.index, param.value));
            return true;
        }
        return fail("unknown event '" + kind + "' (on, off, cc, bend or param)");
    }

    bool addMidi(int64_t frame, uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2)
    {
        plan_.events.push_back(TimedEvent::midiMessage(frame, uint8_t(status + channel), data1, data2));
        return true;
    }

    std::string name_;
    std::string folder_;
    RenderPlan& plan_;
    int lineNumber_ = 0;
    std::string error_;
};

}  // namespace

bool parseScore(const std::string& text, const std::string& name, const std::string& folder,
                RenderPlan& plan, std::string& error)
{
    ScoreParser parser(name, folder, plan);
    if (parser.parse(text))
        return true;
    error = parser.error();
    return false;
}

bool readScoreFile(const std::string& path, RenderPlan& plan, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the score";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string folder = std::filesystem::absolute(std::filesystem::path(path)).parent_path().string();
    return parseScore(text.str(), path, folder, plan, error);
}
