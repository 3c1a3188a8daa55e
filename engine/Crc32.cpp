#include "engine/Crc32.h"

#include <array>

namespace {

// Eight tables, so that eight bytes go through at a time: a 16 MB sample is
// checked in a few milliseconds on every save and restore.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables makeTables()
{
    Tables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][i] = c;
    }
    for (size_t t = 1; t < tables.size(); ++t) {
        for (uint32_t i = 0; i < 256; ++i)
            tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFFu];
    }
    return tables;
}

constexpr Tables kTables = makeTables();

uint32_t le32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace

uint32_t crc32(const unsigned char* bytes, size_t size)
{
    const auto& t = kTables;
    uint32_t c = 0xFFFFFFFFu;
    for (; size >= 8; bytes += 8, size -= 8) {
        const uint32_t low = c ^ le32(bytes);
        const uint32_t high = le32(bytes + 4);
        c = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^ t[4][low >> 24] ^
            t[3][high & 0xFFu] ^ t[2][(high >> 8) & 0xFFu] ^ t[1][(high >> 16) & 0xFFu] ^ t[0][high >> 24];
    }
    for (; size > 0; ++bytes, --size)
        c = t[0][(c ^ *bytes) & 0xFFu] ^ (c >> 8);
    return ~c;
}
