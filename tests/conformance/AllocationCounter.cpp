// Replaces the global allocation functions and interposes the C allocator,
// pthread_mutex_lock and the file-opening functions for the whole test process. The binary is linked
// with exported symbols so the dlopen'ed module binds to these definitions.
// Each call is counted only when the calling thread is marked as the audio
// thread; everything else passes straight through to the C library.
#include "tests/conformance/AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CONFORMANCE_COUNTING 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CONFORMANCE_COUNTING 0
#endif
#endif
#ifndef CONFORMANCE_COUNTING
#define CONFORMANCE_COUNTING 1
#endif

namespace {
// constinit: readable from inside malloc before any constructor has run.
constinit thread_local bool onAudioThread = false;
std::atomic<uint64_t> allocationCount{0};
std::atomic<uint64_t> freeCount{0};
std::atomic<uint64_t> lockCount{0};
std::atomic<uint64_t> fileOpenCount{0};
}  // namespace

namespace conformance {

bool allocationCountingAvailable() { return CONFORMANCE_COUNTING != 0; }

void setAudioThread(bool isAudioThread) { onAudioThread = isAudioThread; }

AllocationCounts audioThreadCounts() {
  return {allocationCount.load(), freeCount.load(), lockCount.load(), fileOpenCount.load()};
}

void resetAudioThreadCounts() {
  allocationCount = 0;
  freeCount = 0;
  lockCount = 0;
  fileOpenCount = 0;
}

}  // namespace conformance

#if CONFORMANCE_COUNTING

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>

extern "C" {
void* __libc_malloc(size_t size);
void __libc_free(void* p);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

inline void countAllocation() {
  if (onAudioThread) allocationCount.fetch_add(1, std::memory_order_relaxed);
}
inline void countFree(void* p) {
  if (onAudioThread && p) freeCount.fetch_add(1, std::memory_order_relaxed);
}

void* allocateOrThrow(size_t size) {
  countAllocation();
  void* p = __libc_malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* allocateAligned(size_t size, std::align_val_t alignment) {
  countAllocation();
  return __libc_memalign(static_cast<size_t>(alignment), size ? size : 1);
}

void release(void* p) {
  countFree(p);
  __libc_free(p);
}

using MutexFunction = int (*)(pthread_mutex_t*);
// Resolved before main, while the process has one thread.
MutexFunction realMutexLock = reinterpret_cast<MutexFunction>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
MutexFunction realMutexTrylock = reinterpret_cast<MutexFunction>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));

}  // namespace

#define EXPORTED __attribute__((visibility("default")))

extern "C" {

EXPORTED void* malloc(size_t size) {
  countAllocation();
  return __libc_malloc(size);
}
EXPORTED void free(void* p) { release(p); }
EXPORTED void* calloc(size_t count, size_t size) {
  countAllocation();
  return __libc_calloc(count, size);
}
EXPORTED void* realloc(void* p, size_t size) {
  countAllocation();
  return __libc_realloc(p, size);
}
EXPORTED void* memalign(size_t alignment, size_t size) {
  countAllocation();
  return __libc_memalign(alignment, size);
}
EXPORTED void* aligned_alloc(size_t alignment, size_t size) {
  countAllocation();
  return __libc_memalign(alignment, size);
}
EXPORTED int posix_memalign(void** out, size_t alignment, size_t size) {
  countAllocation();
  void* p = __libc_memalign(alignment, size);
  if (!p) return 12;  // ENOMEM
  *out = p;
  return 0;
}

EXPORTED int pthread_mutex_lock(pthread_mutex_t* mutex) {
  if (onAudioThread) lockCount.fetch_add(1, std::memory_order_relaxed);
  if (!realMutexLock) realMutexLock = reinterpret_cast<MutexFunction>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
  return realMutexLock(mutex);
}
EXPORTED int pthread_mutex_trylock(pthread_mutex_t* mutex) {
  if (onAudioThread) lockCount.fetch_add(1, std::memory_order_relaxed);
  if (!realMutexTrylock) realMutexTrylock = reinterpret_cast<MutexFunction>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));
  return realMutexTrylock(mutex);
}

}  // extern "C"

// The file-opening functions: counted, then handed to the C library's own.
namespace {

template <typename Function>
Function nextDefinition(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

inline void countFileOpen() {
  if (onAudioThread) fileOpenCount.fetch_add(1, std::memory_order_relaxed);
}

// The mode argument exists only when the flags create a file.
inline mode_t modeArgument(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" {

#define FORWARD_OPEN(name)                                                          \
  EXPORTED int name(const char* path, int flags, ...) {                             \
    countFileOpen();                                                                \
    va_list args;                                                                   \
    va_start(args, flags);                                                          \
    const mode_t mode = modeArgument(flags, args);                                  \
    va_end(args);                                                                   \
    static auto real = nextDefinition<int (*)(const char*, int, ...)>(#name);       \
    return real(path, flags, mode);                                                 \
  }
FORWARD_OPEN(open)
FORWARD_OPEN(open64)
#undef FORWARD_OPEN

#define FORWARD_OPENAT(name)                                                         \
  EXPORTED int name(int folder, const char* path, int flags, ...) {                  \
    countFileOpen();                                                                 \
    va_list args;                                                                    \
    va_start(args, flags);                                                           \
    const mode_t mode = modeArgument(flags, args);                                   \
    va_end(args);                                                                    \
    static auto real = nextDefinition<int (*)(int, const char*, int, ...)>(#name);   \
    return real(folder, path, flags, mode);                                          \
  }
FORWARD_OPENAT(openat)
FORWARD_OPENAT(openat64)
#undef FORWARD_OPENAT

EXPORTED int creat(const char* path, mode_t mode) {
  countFileOpen();
  static auto real = nextDefinition<int (*)(const char*, mode_t)>("creat");
  return real(path, mode);
}
EXPORTED FILE* fopen(const char* path, const char* mode) {
  countFileOpen();
  static auto real = nextDefinition<FILE* (*)(const char*, const char*)>("fopen");
  return real(path, mode);
}
EXPORTED FILE* fopen64(const char* path, const char* mode) {
  countFileOpen();
  static auto real = nextDefinition<FILE* (*)(const char*, const char*)>("fopen64");
  return real(path, mode);
}

}  // extern "C"

EXPORTED void* operator new(size_t size) { return allocateOrThrow(size); }
EXPORTED void* operator new[](size_t size) { return allocateOrThrow(size); }
EXPORTED void* operator new(size_t size, const std::nothrow_t&) noexcept {
  countAllocation();
  return __libc_malloc(size ? size : 1);
}
EXPORTED void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  countAllocation();
  return __libc_malloc(size ? size : 1);
}
EXPORTED void* operator new(size_t size, std::align_val_t alignment) {
  void* p = allocateAligned(size, alignment);
  if (!p) throw std::bad_alloc();
  return p;
}
EXPORTED void* operator new[](size_t size, std::align_val_t alignment) {
  void* p = allocateAligned(size, alignment);
  if (!p) throw std::bad_alloc();
  return p;
}
EXPORTED void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocateAligned(size, alignment);
}
EXPORTED void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocateAligned(size, alignment);
}
EXPORTED void operator delete(void* p) noexcept { release(p); }
EXPORTED void operator delete[](void* p) noexcept { release(p); }
EXPORTED void operator delete(void* p, size_t) noexcept { release(p); }
EXPORTED void operator delete[](void* p, size_t) noexcept { release(p); }
EXPORTED void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
EXPORTED void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
EXPORTED void operator delete(void* p, std::align_val_t) noexcept { release(p); }
EXPORTED void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
EXPORTED void operator delete(void* p, size_t, std::align_val_t) noexcept { release(p); }
EXPORTED void operator delete[](void* p, size_t, std::align_val_t) noexcept { release(p); }
EXPORTED void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
EXPORTED void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }

#endif  // CONFORMANCE_COUNTING
