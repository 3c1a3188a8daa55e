#pragma once
// CRC-32 (the polynomial of zip and PNG): tells a sample kept in a project
// that came back intact from one a host or a bridge damaged on the way.

#include <cstddef>
#include <cstdint>

uint32_t crc32(const unsigned char* bytes, size_t size);
