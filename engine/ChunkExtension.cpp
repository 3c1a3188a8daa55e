#include "engine/ChunkExtension.h"

#include "engine/Crc32.h"

#include <cstring>
#include <limits>

namespace {

constexpr char kTag[4] = {'P', 'v', 'X', 't'};
constexpr char kKeepTag[4] = {'K', 'e', 'e', 'p'};
constexpr char kFileTag[4] = {'F', 'i', 'l', 'e'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderBytes = 12;
constexpr size_t kFieldHeaderBytes = 8;
constexpr size_t kMaxPathBytes = 259;  // a program's path field without its zero

uint32_t le32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void put32(std::vector<unsigned char>& out, uint64_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void putBytes(std::vector<unsigned char>& out, const void* bytes, size_t size)
{
    const auto* first = static_cast<const unsigned char*>(bytes);
    out.insert(out.end(), first, first + size);
}

bool tagIs(const unsigned char* at, const char (&tag)[4])
{
    return std::memcmp(at, tag, 4) == 0;
}

size_t fileFieldBytes(const KeptFile& file)
{
    return kFieldHeaderBytes + 4 + file.path.size() + 8 + file.bytes->size();
}

bool writable(const KeptFile& file)
{
    return file.bytes != nullptr && !file.path.empty() && file.path.size() <= kMaxPathBytes &&
           file.path.find('\0') == std::string::npos;
}

// A "File" body: the path first, so that a copy cut short by a host still
// says which sample it was.
bool readFileField(const unsigned char* body, size_t size, ChunkExtension& extension)
{
    if (size < 4)
        return false;
    const size_t pathLength = le32(body);
    if (pathLength == 0 || pathLength > kMaxPathBytes || pathLength > size - 4)
        return false;
    std::string path(reinterpret_cast<const char*>(body + 4), pathLength);
    if (path.find('\0') != std::string::npos || extension.files.size() >= kMaxKeptFiles)
        return false;
    for (const KeptFile& file : extension.files) {
        if (file.path == path)
            return false;  // the first copy of a path is the one
    }
    KeptFile file{std::move(path), nullptr};
    const unsigned char* rest = body + 4 + pathLength;
    const size_t restSize = size - 4 - pathLength;
    if (restSize >= 8) {
        const size_t count = le32(rest);
        const unsigned char* bytes = rest + 8;
        if (count == restSize - 8 && crc32(bytes, count) == le32(rest + 4))
            file.bytes = std::make_shared<const std::vector<unsigned char>>(bytes, bytes + count);
    }
    const bool intact = file.bytes != nullptr;
    extension.files.push_back(std::move(file));
    return intact;
}

bool readField(const unsigned char* field, size_t bodySize, ChunkExtension& extension)
{
    const unsigned char* body = field + kFieldHeaderBytes;
    if (tagIs(field, kKeepTag)) {
        if (bodySize < 4)
            return false;
        extension.keepSamples = (le32(body) & 1u) != 0;
        return true;
    }
    if (tagIs(field, kFileTag))
        return readFileField(body, bodySize, extension);
    return true;  // a later version's field
}

}  // namespace

void appendChunkExtension(std::vector<unsigned char>& chunk, const ChunkExtension& extension)
{
    // The whole chunk's size goes to the host as an int32.
    const size_t room = size_t(std::numeric_limits<int32_t>::max()) - chunk.size();
    size_t total = kHeaderBytes + kFieldHeaderBytes + 4;
    std::vector<const KeptFile*> files;
    for (const KeptFile& file : extension.files) {
        if (writable(file) && files.size() < kMaxKeptFiles && fileFieldBytes(file) <= room - total) {
            files.push_back(&file);
            total += fileFieldBytes(file);
        }
    }
    if (extension.keepSamples && files.empty())
        return;
    chunk.reserve(chunk.size() + total);
    putBytes(chunk, kTag, 4);
    put32(chunk, kVersion);
    put32(chunk, total);
    putBytes(chunk, kKeepTag, 4);
    put32(chunk, 4);
    put32(chunk, extension.keepSamples ? 1u : 0u);
    for (const KeptFile* file : files) {
        const std::vector<unsigned char>& bytes = *file->bytes;
        putBytes(chunk, kFileTag, 4);
        put32(chunk, fileFieldBytes(*file) - kFieldHeaderBytes);
        put32(chunk, file->path.size());
        putBytes(chunk, file->path.data(), file->path.size());
        put32(chunk, bytes.size());
        put32(chunk, crc32(bytes.data(), bytes.size()));
        putBytes(chunk, bytes.data(), bytes.size());
    }
}

size_t writeKeepSettingOnly(unsigned char* out, bool keepSamples)
{
    static_assert(kKeepSettingBytes == kHeaderBytes + kFieldHeaderBytes + 4);
    if (keepSamples)
        return 0;
    const unsigned char header[kKeepSettingBytes] = {
        'P', 'v', 'X', 't', kVersion, 0, 0, 0, kKeepSettingBytes, 0, 0, 0,
        'K', 'e', 'e', 'p', 4,        0, 0, 0, 0,                 0, 0, 0,
    };
    std::memcpy(out, header, sizeof header);
    return sizeof header;
}

ExtensionRead readChunkExtension(const unsigned char* data, size_t size, ChunkExtension& extension)
{
    extension = ChunkExtension{};
    if (data == nullptr || size == 0)
        return ExtensionRead::absent;
    if (size < kHeaderBytes || !tagIs(data, kTag))
        return ExtensionRead::damaged;
    if (le32(data + 4) != kVersion)
        return ExtensionRead::otherVersion;
    // A declared size beyond the chunk's end is a chunk cut short: the
    // fields wholly inside it are still read.
    const size_t declared = le32(data + 8);
    bool whole = declared == size;
    const size_t end = declared < kHeaderBytes ? kHeaderBytes : (declared < size ? declared : size);
    size_t at = kHeaderBytes;
    while (end - at >= kFieldHeaderBytes) {
        const size_t bodySize = le32(data + at + 4);
        const size_t left = end - at - kFieldHeaderBytes;
        if (bodySize > left) {
            // Cut inside the field: a file's path may still be there to say
            // which sample was lost.
            readField(data + at, left, extension);
            whole = false;
            at = end;
            break;
        }
        if (!readField(data + at, bodySize, extension))
            whole = false;
        at += kFieldHeaderBytes + bodySize;
    }
    if (at != end)
        whole = false;
    return whole ? ExtensionRead::whole : ExtensionRead::damaged;
}
