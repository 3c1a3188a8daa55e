#include "EngineTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <cmath>

std::vector<RecordedCall>& recordedCalls()
{
    static std::vector<RecordedCall> calls;
    return calls;
}

VstIntPtr recordingHost(AEffect*, int32_t opcode, int32_t index, VstIntPtr value, void*, float opt)
{
    recordedCalls().push_back({opcode, index, value, opt});
    return opcode == audioMasterVersion ? 2400 : 0;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "parvolino-engine-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        std::abort();
    path_ = buffer.data();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

void put16(std::FILE* f, uint16_t v)
{
    unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

void put32(std::FILE* f, uint32_t v)
{
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

} // namespace

void writeFloatWav(const std::string& path, const std::vector<float>& interleaved, uint32_t rate, int channels)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 4);
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 3);
    put16(f, static_cast<uint16_t>(channels));
    put32(f, rate);
    put32(f, rate * 4 * channels);
    put16(f, static_cast<uint16_t>(4 * channels));
    put16(f, 32);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
    for (float v : interleaved) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        put32(f, bits);
    }
    std::fclose(f);
}

std::vector<float> testSample(int frames)
{
    std::vector<float> data(frames);
    for (int i = 0; i < frames; ++i)
        data[i] = static_cast<float>(0.8 * std::sin(i * 0.01) + 0.1 * std::sin(i * 0.173));
    return data;
}

void EventList::add(int32_t deltaFrames, int status, int data1, int data2)
{
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof e;
    e.deltaFrames = deltaFrames;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    events_.push_back(e);
}

void EventList::addNonMidi(int32_t deltaFrames)
{
    VstMidiEvent e{};
    e.type = 6; // a system-exclusive record, say
    e.byteSize = sizeof e;
    e.deltaFrames = deltaFrames;
    e.midiData[0] = static_cast<char>(0x90);
    e.midiData[1] = 60;
    e.midiData[2] = 100;
    events_.push_back(e);
}

VstEvents* EventList::events()
{
    const size_t count = events_.size();
    storage_.assign(sizeof(VstEvents) + count * sizeof(VstEvent*), 0);
    VstEvents* list = reinterpret_cast<VstEvents*>(storage_.data());
    list->numEvents = static_cast<int32_t>(count);
    for (size_t i = 0; i < count; ++i)
        list->events[i] = reinterpret_cast<VstEvent*>(&events_[i]);
    return list;
}

Outputs::Outputs(int32_t frames, float fill)
    : left_(frames + 2 * kGuard, fill), right_(frames + 2 * kGuard, fill)
{
    for (int32_t i = 0; i < kGuard; ++i) {
        left_[i] = right_[i] = kGuardValue;
        left_[left_.size() - 1 - i] = right_[right_.size() - 1 - i] = kGuardValue;
    }
    pointers_[0] = left_.data() + kGuard;
    pointers_[1] = right_.data() + kGuard;
}

bool Outputs::guardsIntact() const
{
    for (int32_t i = 0; i < kGuard; ++i) {
        if (left_[i] != kGuardValue || right_[i] != kGuardValue)
            return false;
        if (left_[left_.size() - 1 - i] != kGuardValue || right_[right_.size() - 1 - i] != kGuardValue)
            return false;
    }
    return true;
}

std::vector<float> render(GranularEngine& engine, int32_t frames)
{
    Outputs out(frames);
    engine.process(nullptr, out.pointers(), frames);
    return std::vector<float>(out.left(), out.left() + frames);
}
