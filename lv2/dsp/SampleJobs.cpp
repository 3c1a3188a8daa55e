#include "lv2/dsp/SampleJobs.h"

#include <cstddef>
#include <cstring>

uint32_t Job::size() const
{
    return uint32_t(offsetof(Job, path) + strnlen(path, sizeof path - 1) + 1);
}

uint32_t Answer::size() const
{
    return uint32_t(offsetof(Answer, message) + strnlen(message, sizeof message - 1) + 1);
}
