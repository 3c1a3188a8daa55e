#include "TestWavFiles.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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
