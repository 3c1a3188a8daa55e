#pragma once
// A RIFF file opened for reading, with the position kept by hand so that
// chunk sizes can be checked against what is left in the file before any
// seek or allocation trusts them. The file is either on disk or already in
// memory (a sample kept inside a project); the reader cannot tell them apart.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// Lets another thread follow a long read and stop it: how far it has come,
// and a request to stop, after which every read comes up short (the reader
// then gives up as it does on a file cut short).
struct WaveReadWatch {
    std::atomic<bool> stop{false};
    std::atomic<uint32_t> permille{0};  // of the file read so far
    // Called before each read from a file on disk (a test's slow disk).
    void (*beforeRead)(void* context) = nullptr;
    void* context = nullptr;
};

struct WaveInput {
    std::FILE* file = nullptr;
    const unsigned char* bytes = nullptr;  // the file in memory, when file is null
    uint64_t position = 0;  // bytes from the start of the file
    uint64_t size = 0;      // length of the file when it was opened
    WaveReadWatch* watch = nullptr;  // null: nobody follows this read
};

struct ChunkHeader {
    char id[4];
    uint32_t size;
};

// Opens path in binary mode; false when it cannot be opened.
bool openWaveInput(const char* path, WaveInput& input);
// Reads size bytes at bytes as the file; they must outlive the input.
void openWaveBytes(const unsigned char* bytes, size_t size, WaveInput& input);
void closeWaveInput(WaveInput& input);

uint64_t remainingBytes(const WaveInput& input);

// Reads up to count items of itemSize bytes; returns the whole items read.
size_t readItems(WaveInput& input, void* buffer, size_t itemSize, size_t count);

// Reads exactly count bytes; false on a short read.
bool readExactly(WaveInput& input, void* buffer, size_t count);

// Moves by delta bytes from the current position. Landing before the start
// or beyond the end of the file fails: the next read would come up short.
bool moveBy(WaveInput& input, int64_t delta);

// Reads the 8-byte header of the next chunk; false on a short read.
bool readChunkHeader(WaveInput& input, ChunkHeader& header);

bool chunkIdIs(const ChunkHeader& header, const char (&id)[5]);

// A chunk body of odd size is followed by one pad byte.
inline uint64_t paddedSize(uint32_t size) { return uint64_t(size) + (size & 1u); }

inline uint16_t readLe16(const unsigned char* bytes)
{
    return uint16_t(bytes[0] | (bytes[1] << 8));
}

inline uint32_t readLe32(const unsigned char* bytes)
{
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
           (uint32_t(bytes[3]) << 24);
}
