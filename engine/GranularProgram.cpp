#include "engine/GranularProgram.h"

#include <cstring>

void copyText(char* destination, size_t size, const char* source)
{
    if (destination == nullptr || size == 0)
        return;
    const size_t length = source == nullptr ? 0 : strnlen(source, size - 1);
    if (length > 0)
        std::memmove(destination, source, length);
    destination[length] = '\0';
}

void initProgram(GranularProgram& program)
{
    std::memset(&program, 0, sizeof program);
    copyText(program.name, sizeof program.name, "Default");
    for (int32_t i = 0; i < kNumParams; ++i)
        program.values[i] = kDefaultValues[i];
}
