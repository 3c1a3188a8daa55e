#pragma once
// Helpers for the reader's tests: a private temporary folder and a builder
// for RIFF files made byte by byte.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

using Bytes = std::vector<uint8_t>;

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "parvolino-wav-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void append16(Bytes& out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

inline void append32(Bytes& out, uint32_t value)
{
    append16(out, value & 0xFFFF);
    append16(out, value >> 16);
}

inline void appendId(Bytes& out, const char* id)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(id[i]));
}

// One chunk: id, the size as declared (the body's length unless overridden)
// and the body, followed by a pad byte when asked for.
inline Bytes chunk(const char* id, const Bytes& body, bool pad = true, int64_t declaredSize = -1)
{
    Bytes out;
    appendId(out, id);
    append32(out, declaredSize < 0 ? uint32_t(body.size()) : uint32_t(declaredSize));
    for (uint8_t b : body)
        out.push_back(b);
    if (pad && body.size() % 2 == 1)
        out.push_back(0);
    return out;
}

// The 16 bytes every format chunk starts with.
inline Bytes formatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                        int blockAlign = -1)
{
    uint16_t align = blockAlign < 0 ? uint16_t(channels * bits / 8) : uint16_t(blockAlign);
    Bytes out;
    append16(out, tag);
    append16(out, channels);
    append32(out, rate);
    append32(out, rate * align);
    append16(out, align);
    append16(out, bits);
    return out;
}

// A 40-byte extensible format body whose sub-format starts with subFormat.
inline Bytes extensibleBody(uint16_t subFormat, uint16_t channels, uint32_t rate, uint16_t bits)
{
    Bytes out = formatBody(0xFFFE, channels, rate, bits);
    append16(out, 22);               // extension size
    append16(out, bits);             // valid bits
    append32(out, channels == 1 ? 4 : 3);
    append16(out, subFormat);
    static const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    out.insert(out.end(), tail, tail + 14);
    return out;
}

inline Bytes riffWave(const std::vector<Bytes>& chunks)
{
    size_t bodySize = 4;
    for (const Bytes& c : chunks)
        bodySize += c.size();
    Bytes out;
    appendId(out, "RIFF");
    append32(out, uint32_t(bodySize));
    appendId(out, "WAVE");
    for (const Bytes& c : chunks)
        for (uint8_t b : c)
            out.push_back(b);
    return out;
}

inline void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes pcm16(std::initializer_list<int> values)
{
    Bytes out;
    for (int v : values)
        append16(out, uint16_t(v));
    return out;
}

// A plain mono 16-bit file holding the given samples.
inline Bytes mono16File(std::initializer_list<int> values, uint32_t rate = 44100)
{
    return riffWave({chunk("fmt ", formatBody(1, 1, rate, 16)), chunk("data", pcm16(values))});
}
