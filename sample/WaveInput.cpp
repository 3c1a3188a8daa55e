#include "sample/WaveInput.h"

#include <climits>
#include <cstring>
#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// The file's length from its descriptor; 64-bit even where long is 32 bits.
// Only a regular file has one: anything else is refused.
bool fileLength(std::FILE* file, uint64_t& length)
{
#ifdef _WIN32
    struct _stati64 info;
    if (_fstati64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG || info.st_size < 0)
        return false;
#else
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return false;
#endif
    length = uint64_t(info.st_size);
    return true;
}

// Opens for binary reading. On POSIX systems the open itself must not wait:
// opening a FIFO with no writer, or a device, would block the caller for good,
// so it opens without blocking and lets fileLength refuse what is not a file.
std::FILE* openForReading(const char* path)
{
#ifdef _WIN32
    return std::fopen(path, "rb");
#else
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr)
        ::close(fd);
    return file;
#endif
}

}  // namespace

bool openWaveInput(const char* path, WaveInput& input)
{
    input = WaveInput{};
    if (path == nullptr)
        return false;
    std::FILE* file = openForReading(path);
    if (file == nullptr)
        return false;
    uint64_t length = 0;
    if (!fileLength(file, length)) {
        std::fclose(file);
        return false;
    }
    input.file = file;
    input.size = length;
    return true;
}

void openWaveBytes(const unsigned char* bytes, size_t size, WaveInput& input)
{
    input = WaveInput{};
    input.bytes = bytes;
    input.size = bytes != nullptr ? size : 0;
}

void closeWaveInput(WaveInput& input)
{
    if (input.file != nullptr)
        std::fclose(input.file);
    input = WaveInput{};
}

uint64_t remainingBytes(const WaveInput& input)
{
    return input.position < input.size ? input.size - input.position : 0;
}

namespace {

// fread's counterpart for a file in memory: the whole items that are left.
size_t readBytes(WaveInput& input, void* buffer, size_t itemSize, size_t count)
{
    const uint64_t left = remainingBytes(input);
    const size_t items = itemSize == 0 ? 0 : (count < left / itemSize ? count : size_t(left / itemSize));
    if (items > 0)
        std::memcpy(buffer, input.bytes + input.position, items * itemSize);
    return items;
}

}  // namespace

size_t readItems(WaveInput& input, void* buffer, size_t itemSize, size_t count)
{
    WaveReadWatch* watch = input.watch;
    if (watch != nullptr) {
        if (watch->stop.load(std::memory_order_relaxed))
            return 0;
        if (input.file != nullptr && watch->beforeRead != nullptr)
            watch->beforeRead(watch->context);
    }
    size_t items = input.file != nullptr ? std::fread(buffer, itemSize, count, input.file)
                                         : readBytes(input, buffer, itemSize, count);
    input.position += uint64_t(items) * itemSize;
    if (watch != nullptr && input.size > 0)
        watch->permille.store(uint32_t(input.position * 1000 / input.size), std::memory_order_relaxed);
    // A partial item at the end was consumed too; the position past it no
    // longer matters because nothing is read after a short read.
    return items;
}

bool readExactly(WaveInput& input, void* buffer, size_t count)
{
    size_t got = readItems(input, buffer, 1, count);
    return got == count;
}

bool moveBy(WaveInput& input, int64_t delta)
{
    if (delta < 0 ? uint64_t(-delta) > input.position : uint64_t(delta) > remainingBytes(input))
        return false;
    // fseek takes a long, which is 32 bits on Windows: move in steps.
    const int64_t maxStep = 0x40000000;
    int64_t left = input.file != nullptr ? delta : 0;  // in memory only the position moves
    while (left != 0) {
        int64_t step = left > maxStep ? maxStep : (left < -maxStep ? -maxStep : left);
        if (std::fseek(input.file, long(step), SEEK_CUR) != 0)
            return false;
        left -= step;
    }
    input.position = uint64_t(int64_t(input.position) + delta);
    return true;
}

bool readChunkHeader(WaveInput& input, ChunkHeader& header)
{
    unsigned char bytes[8];
    if (!readExactly(input, bytes, sizeof bytes))
        return false;
    std::memcpy(header.id, bytes, 4);
    header.size = readLe32(bytes + 4);
    return true;
}

bool chunkIdIs(const ChunkHeader& header, const char (&id)[5])
{
    return std::memcmp(header.id, id, 4) == 0;
}
