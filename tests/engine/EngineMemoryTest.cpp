// Saves, restores and loads when memory runs short: each fails into the
// plug-in's own message, keeps what it had and lets no exception out. The
// binary replaces the global allocation functions to refuse chosen
// requests (the sanitizer build's leak check then sees that nothing stays).
#include "EngineFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Requests of at least this many bytes fail while it is not 0; so does a
// request of exactly refusedSize.
std::atomic<size_t> refuseFrom{0};
std::atomic<size_t> refusedSize{0};

bool refused(size_t size)
{
    const size_t from = refuseFrom.load(std::memory_order_relaxed);
    return (from != 0 && size >= from) || size == refusedSize.load(std::memory_order_relaxed);
}

void* allocate(size_t size)
{
    return refused(size) ? nullptr : std::malloc(size ? size : 1);
}

// Out of line, so the compiler does not take free() for a mismatch with new.
[[gnu::noinline]] void release(void* p) noexcept
{
    std::free(p);
}

} // namespace

void* operator new(size_t size)
{
    if (void* p = allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }

namespace {

struct Refusing {
    explicit Refusing(size_t from, size_t exact = 0)
    {
        refuseFrom = from;
        refusedSize = exact;
    }
    ~Refusing()
    {
        refuseFrom = 0;
        refusedSize = 0;
    }
};

bool startsWith(const char* text, const char* prefix)
{
    return text != nullptr && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace

TEST(EngineMemory, SavesRestoresAndLoadsShortOfMemoryKeepWhatTheyHad)
{
    TempDir dir;
    const std::string a = dir.file("a.wav"), b = dir.file("b.wav");
    writeFloatWav(a, testSample(100000), 44100); // 400 kB, kept in the project
    writeFloatWav(b, testSample(120000), 44100);
    PluginInstance fx;
    GranularEngine& engine = createEngine(fx);
    fx.setSampleRate(44100.0f);
    ASSERT_EQ(engine.loadSampleFile(a.c_str()), nullptr);
    const std::vector<unsigned char> whole = fx.getChunk();
    ASSERT_GT(whole.size(), 400000u);

    // A save that cannot hold the samples still saves the programs, and
    // says so on the panel.
    {
        Refusing large(100000);
        EXPECT_EQ(fx.getChunk().size(), 1200u);
    }
    EXPECT_TRUE(startsWith(engine.takeNotice(), "Couldn't allocate enough memory"));
    EXPECT_EQ(fx.getChunk(), whole);

    // A restore that cannot read the kept copies leaves everything as it was.
    std::vector<unsigned char> other = whole;
    std::memcpy(other.data(), "Other", 6);
    {
        Refusing large(100000);
        EXPECT_EQ(fx.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(other.size()), other.data()), 0);
    }
    EXPECT_TRUE(startsWith(engine.takeNotice(), "Couldn't allocate enough memory"));
    EXPECT_EQ(fx.getChunk(), whole);

    // A load whose sample, or only its overview for the panel, cannot be
    // had gives the message, and the sample that played goes on playing.
    fx.runProcess(1);
    for (size_t exact : {size_t(0), SampleOverview::kBuckets * sizeof(SampleOverview::Range)}) {
        Refusing some(exact == 0 ? 100000 : 0, exact);
        EXPECT_TRUE(startsWith(engine.loadSampleFile(b.c_str()), "Couldn't allocate enough memory")) << exact;
    }
    fx.runProcess(1);
    EXPECT_EQ(engine.sampleLength(), 100000);
    EXPECT_EQ(fx.getChunk(), whole);
    ASSERT_EQ(engine.loadSampleFile(b.c_str()), nullptr);
    fx.runProcess(1);
    EXPECT_EQ(engine.sampleLength(), 120000);
}
