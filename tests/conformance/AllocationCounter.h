// Counts calls into the allocator (and mutex locks and file opens) made by
// threads that have declared themselves the audio thread. The test binary replaces the
// global allocation functions and interposes malloc and friends, so calls
// made from inside the dlopen'ed module are counted too.
#pragma once

#include <cstdint>

namespace conformance {

struct AllocationCounts {
  uint64_t allocations = 0;  // malloc, calloc, realloc, aligned and operator new
  uint64_t frees = 0;        // free and operator delete of a non-null pointer
  uint64_t locks = 0;        // pthread_mutex_lock / trylock
  uint64_t fileOpens = 0;    // open, openat, creat, fopen and their 64-bit forms
};

// True when this binary really interposes the allocator: sanitizer builds
// bring their own allocator and are not counted.
bool allocationCountingAvailable();

// Marks the calling thread as the audio thread (or not) from now on.
void setAudioThread(bool isAudioThread);

// Everything counted on audio threads so far.
AllocationCounts audioThreadCounts();
void resetAudioThreadCounts();

// Marks the calling thread as the audio thread for the lifetime of the guard.
class AudioThreadScope {
 public:
  AudioThreadScope() { setAudioThread(true); }
  ~AudioThreadScope() { setAudioThread(false); }
  AudioThreadScope(const AudioThreadScope&) = delete;
  AudioThreadScope& operator=(const AudioThreadScope&) = delete;
};

}  // namespace conformance
