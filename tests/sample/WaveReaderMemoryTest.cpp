// The reader's allocations, counted through a stand-in for the channel
// allocator: refused files allocate nothing, a failed allocation gives the
// out-of-memory code and frees what was already allocated.

#include "sample/SampleMemory.h"
#include "sample/WaveReader.h"
#include "tests/sample/WaveTestFiles.h"

#include <gtest/gtest.h>

#include <new>

namespace {

int allocations = 0;
int frees = 0;
int failAtAllocation = 0;  // 1-based; 0 never fails

}  // namespace

float* allocateChannel(uint32_t entries)
{
    ++allocations;
    if (allocations == failAtAllocation)
        return nullptr;
    return new float[entries];
}

void freeChannel(float* channel)
{
    if (channel != nullptr)
        ++frees;
    delete[] channel;
}

namespace {

class WaveReaderMemory : public ::testing::Test {
protected:
    void SetUp() override { allocations = frees = failAtAllocation = 0; }

    WaveResult loadFile(const Bytes& bytes, SampleStore& store, int32_t requiredChannels)
    {
        std::string path = dir.file("m.wav");
        writeFile(path, bytes);
        return loadWaveFile(path.c_str(), store, requiredChannels);
    }

    TempDir dir;
};

TEST_F(WaveReaderMemory, RefusedFilesAllocateNothing)
{
    Bytes fmt = chunk("fmt ", formatBody(1, 1, 44100, 16));
    const Bytes refused[] = {
        riffWave({chunk("fmt ", formatBody(1, 1, 44100, 16, 0)), chunk("data", pcm16({1}))}),
        riffWave({chunk("fmt ", formatBody(1, 1, 44100, 16, 3)), chunk("data", pcm16({1}))}),
        riffWave({chunk("fmt ", formatBody(1, 1, 44100, 12)), chunk("data", pcm16({1}))}),
        riffWave({chunk("fmt ", formatBody(1, 3, 44100, 16)), chunk("data", pcm16({1}))}),
        riffWave({fmt, chunk("data", pcm16({1}), true, 0xFFFFFFFF)}),
        riffWave({fmt, chunk("data", pcm16({1}), true, 0x7FFFFFF0)}),
        riffWave({fmt, chunk("data", pcm16({1}), true, 4)}),
    };
    for (const Bytes& file : refused) {
        SampleStore store;
        EXPECT_NE(loadFile(file, store, 0), kWaveOk);
        EXPECT_EQ(store.leftChannel, nullptr);
    }
    // Mixed to mono: no channels, frames too wide, a sub-format that is none.
    Bytes otherGuid = extensibleBody(1, 1, 44100, 16);
    otherGuid[30] ^= 0x10;
    const Bytes refusedMixed[] = {
        riffWave({chunk("fmt ", formatBody(1, 0, 44100, 16, 2)), chunk("data", pcm16({1}))}),
        riffWave({chunk("fmt ", formatBody(3, 600, 44100, 64)), chunk("data", Bytes(4800, 0))}),
        riffWave({chunk("fmt ", otherGuid), chunk("data", pcm16({1}))}),
        riffWave({chunk("fmt ", formatBody(1, 6, 44100, 24)), chunk("data", pcm16({1}), true, 180)}),
    };
    for (const Bytes& file : refusedMixed) {
        SampleStore store;
        EXPECT_NE(loadFile(file, store, kWaveMixToMono), kWaveOk);
        EXPECT_EQ(store.leftChannel, nullptr);
    }
    EXPECT_EQ(allocations, 0);
}

TEST_F(WaveReaderMemory, OutOfMemoryFreesWhatWasAllocated)
{
    Bytes stereo = riffWave({chunk("fmt ", formatBody(1, 2, 44100, 16)), chunk("data", pcm16({1, 2, 3, 4}))});
    Bytes mono = riffWave({chunk("fmt ", formatBody(1, 1, 44100, 16)), chunk("data", pcm16({1, 2, 3, 4}))});

    // Stereo: the right array comes first, then the left one.
    for (int failing : {1, 2}) {
        SetUp();
        failAtAllocation = failing;
        SampleStore store;
        EXPECT_EQ(loadFile(stereo, store, 0), kWaveOutOfMemory);
        EXPECT_STREQ(waveResultMessage(kWaveOutOfMemory), "Couldn't allocate enough memory");
        EXPECT_EQ(store.leftChannel, nullptr);
        EXPECT_EQ(store.rightChannel, nullptr);
        EXPECT_EQ(allocations, failing);
        EXPECT_EQ(frees, failing - 1);
    }

    SetUp();
    failAtAllocation = 1;
    SampleStore store;
    EXPECT_EQ(loadFile(mono, store, 1), kWaveOutOfMemory);
    EXPECT_EQ(frees, 0);

    // Each array is allocated once at its final size, and freed once.
    SetUp();
    ASSERT_EQ(loadFile(stereo, store, 0), kWaveOk);
    EXPECT_EQ(allocations, 2);
    releaseSampleStore(store);
    EXPECT_EQ(frees, 2);
}

}  // namespace
