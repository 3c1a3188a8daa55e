#pragma once
// The plug-in's chunk as a host stores it in a project: the 1200-byte
// program bank, four programs of 300 bytes (name 24, sample path 260, four
// little-endian floats Speed, Length, Density, Random), then whatever the
// plug-in keeps after it (engine/ChunkExtension.h), passed on untouched.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t kProgramBytes = 300;
inline constexpr size_t kBankPrograms = 4;
inline constexpr size_t kBankBytes = kProgramBytes * kBankPrograms;
inline constexpr size_t kProgramNameBytes = 24;
inline constexpr size_t kSamplePathBytes = 260;
inline constexpr size_t kSamplePathOffset = 24;
inline constexpr size_t kValuesOffset = 284;

using ProgramBank = std::vector<uint8_t>;

// Four programs "Default" with no sample and the values 0.5, 0.5, 0.5, 0.1.
ProgramBank defaultBank();

// Puts path into the program's sample field; false when it does not fit
// with its terminator.
bool setSamplePath(ProgramBank& bank, size_t program, const std::string& path);

// The program's sample path, read no further than its field.
std::string samplePath(const ProgramBank& bank, size_t program);

float programValue(const ProgramBank& bank, size_t program, size_t index);
