#pragma once
// What a saved chunk holds after the 1200-byte bank. The bank stays first,
// exactly as it always was, so a reader that knows only the bank still
// restores the programs. One extension may follow it:
//
//   "PvXt"   tag
//   u32      version, 1; an extension of another version is left unread
//   u32      size of the whole extension, these 12 bytes included
//   fields   each a 4-byte tag, a u32 size of its body and the body; a
//            field of an unknown tag is skipped by its size
//
//   "Keep"   u32 flags; bit 0: samples are kept in the project
//   "File"   u32 path length (1 to 259), the path (no zero byte), u32 byte
//            count, u32 CRC-32 of the bytes, then the bytes: one sample file
//            exactly as it stood on disk, for every program naming that path
//
// Numbers are little-endian. Nothing read is trusted: every size and count
// is checked against what is left before it is used, every file against
// its checksum, and nothing past the chunk's end is touched.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using FileBytes = std::shared_ptr<const std::vector<unsigned char>>;

struct KeptFile {
    std::string path;
    FileBytes bytes;  // null for a copy that failed its checks
};

struct ChunkExtension {
    bool keepSamples = true;
    std::vector<KeptFile> files;  // distinct paths, at most one per program
};

inline constexpr size_t kMaxKeptFiles = 4;

enum class ExtensionRead {
    absent,        // the chunk is the bank alone
    whole,         // every size and checksum agreed
    damaged,       // something failed its checks; whatever passed was read
    otherVersion,  // written by a version that lays it out differently
};

// Appends the extension to the chunk that holds the bank. An extension
// that would say only what a bank alone means (keep samples, none kept) is
// left out. Files without bytes are left out.
void appendChunkExtension(std::vector<unsigned char>& chunk, const ChunkExtension& extension);

// The extension that says only whether samples are kept, written into out
// without allocating (a save short of memory); returns its size, 0 when
// the bank alone says it.
inline constexpr size_t kKeepSettingBytes = 24;
size_t writeKeepSettingOnly(unsigned char* out, bool keepSamples);

// Reads the extension from the size bytes that follow the bank; extension
// receives what passed its checks, the defaults otherwise.
ExtensionRead readChunkExtension(const unsigned char* data, size_t size, ChunkExtension& extension);
