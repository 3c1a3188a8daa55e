#include "tools/render/ProgramBank.h"

#include <cstring>

namespace {

void putFloat(uint8_t* at, float value)
{
    uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(word >> (8 * i));
}

}  // namespace

ProgramBank defaultBank()
{
    ProgramBank bank(kBankBytes, 0);
    const float values[4] = {0.5f, 0.5f, 0.5f, 0.1f};
    for (size_t p = 0; p < kBankPrograms; ++p) {
        uint8_t* program = bank.data() + p * kProgramBytes;
        std::memcpy(program, "Default", 7);
        for (size_t i = 0; i < 4; ++i)
            putFloat(program + kValuesOffset + 4 * i, values[i]);
    }
    return bank;
}

bool setSamplePath(ProgramBank& bank, size_t program, const std::string& path)
{
    if (bank.size() < kBankBytes || program >= kBankPrograms || path.size() >= kSamplePathBytes)
        return false;
    uint8_t* field = bank.data() + program * kProgramBytes + kSamplePathOffset;
    std::memset(field, 0, kSamplePathBytes);
    std::memcpy(field, path.data(), path.size());
    return true;
}

std::string samplePath(const ProgramBank& bank, size_t program)
{
    if (bank.size() < kBankBytes || program >= kBankPrograms)
        return {};
    const char* field = reinterpret_cast<const char*>(bank.data() + program * kProgramBytes + kSamplePathOffset);
    return std::string(field, strnlen(field, kSamplePathBytes));
}

float programValue(const ProgramBank& bank, size_t program, size_t index)
{
    const uint8_t* at = bank.data() + program * kProgramBytes + kValuesOffset + 4 * index;
    uint32_t word = uint32_t(at[0]) | (uint32_t(at[1]) << 8) | (uint32_t(at[2]) << 16) | (uint32_t(at[3]) << 24);
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}
