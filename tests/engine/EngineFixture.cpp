#include "EngineFixture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "parvolino-engine-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        std::abort();
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFloatWav(const std::string& path, const std::vector<float>& frames, uint32_t rate, int channels)
{
    const uint32_t dataBytes = static_cast<uint32_t>(frames.size() * 4);
    const uint32_t header[] = {0x46464952u, 36 + dataBytes, 0x45564157u, 0x20746d66u, 16,
                               3u | (static_cast<uint32_t>(channels) << 16), rate,
                               rate * 4 * channels, (4u * channels) | (32u << 16), 0x61746164u, dataBytes};
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    std::fwrite(header, 1, sizeof header, f); // this machine is little-endian, like the file
    if (!frames.empty())
        std::fwrite(frames.data(), 4, frames.size(), f);
    std::fclose(f);
}

std::vector<float> testSample(int frames)
{
    std::vector<float> data(frames);
    for (int i = 0; i < frames; ++i)
        data[i] = static_cast<float>(0.8 * std::sin(i * 0.01) + 0.1 * std::sin(i * 0.173));
    return data;
}

GranularEngine& createEngine(PluginInstance& fx)
{
    const std::function<AEffect*(audioMasterCallback)> factory = [](audioMasterCallback host) {
        return (new GranularPlugin(host))->getAeffect();
    };
    AEffect* effect = fx.create(factory);
    return static_cast<GranularPlugin*>(effect->object)->instrument();
}

std::vector<MidiMessage> midiMessages(const MidiEventList& events)
{
    std::vector<MidiMessage> messages;
    VstEvents* list = const_cast<MidiEventList&>(events).get();
    for (int32_t i = 0; i < list->numEvents; ++i) {
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(vstEventPointers(list)[i]);
        messages.push_back({midi->deltaFrames, static_cast<uint8_t>(midi->midiData[0]),
                            static_cast<uint8_t>(midi->midiData[1]), static_cast<uint8_t>(midi->midiData[2])});
    }
    return messages;
}
