#pragma once
// Reads a RIFF/WAVE file into memory as 32-bit floats.
//
// A SampleStore filled by loadWaveFile is complete the moment the call
// returns and is never edited afterwards: the caller may copy the record
// whole (for instance into a heap object published through an atomic
// pointer) and hand it to the audio thread in one step. The arrays are
// freed with releaseSampleStore, by whoever owns the record, once no reader
// can still see them.

#include <cstddef>
#include <cstdint>
#include <vector>

struct WaveReadWatch;

struct SampleStore {
    float* leftChannel = nullptr;   // frameCount + 1 entries, the last one 0.0
    float* rightChannel = nullptr;  // same layout; null for a mono file
    uint32_t sampleRate = 0;        // as stored in the file's format chunk
    uint32_t channelCount = 0;      // 1 or 2 once loaded (1 when mixed to mono)
    uint32_t frameCount = 0;
};

using WaveResult = int32_t;

inline constexpr WaveResult kWaveOk = 0;
inline constexpr WaveResult kWaveFileNotFound = 1;
inline constexpr WaveResult kWaveBadType = 2;
inline constexpr WaveResult kWaveReadError = 4;
inline constexpr WaveResult kWaveOutOfMemory = 6;
inline constexpr WaveResult kWaveTooLong = 8; // more frames than a sample holds
inline constexpr WaveResult kWaveStopped = 10; // a watch stopped the read: no message

// The user-facing texts, indexed by waveMessageIndex(), not by the code.
extern const char* const waveErrorMessages[5];

// Index into waveErrorMessages for a failure code, -1 for kWaveOk and
// for values that are not failure codes.
int waveMessageIndex(WaveResult result);

// The message to show for a failure code; null for kWaveOk and for values
// that are not failure codes.
const char* waveResultMessage(WaveResult result);

// requiredChannels for loadWaveFile: any number of channels, averaged into
// leftChannel (a mono file loads exactly as with 1).
inline constexpr int32_t kWaveMixToMono = -1;
// requiredChannels for loadWaveFile: any number of channels; one or two are
// kept as they are, more are folded to two (see readFoldedToStereo).
inline constexpr int32_t kWaveFoldToStereo = -2;

// What a refused file is and what the reader takes, for the user: the
// table's message, followed for a wave file of a kind the reader does not
// play by a description of it.
struct WaveRefusal {
    char text[320] = {};
};

// Loads the file at path. requiredChannels 0 accepts mono and stereo,
// kWaveMixToMono any channel count mixed into one, kWaveFoldToStereo any
// channel count folded to at most two, any other value only
// files with exactly that many channels. Only regular files are opened.
// On kWaveOk the store receives the new sample (whatever it held before is
// overwritten, not freed: pass an empty store). On any other result the
// store is left exactly as it was and nothing stays allocated.
WaveResult loadWaveFile(const char* path, SampleStore& store, int32_t requiredChannels);
// The same; on failure, when refusal is not null, it receives the message.
// A watch, when given, follows the read and may stop it: the result is then
// kWaveStopped, with no message.
WaveResult loadWaveFile(const char* path, SampleStore& store, int32_t requiredChannels,
                        WaveRefusal* refusal, WaveReadWatch* watch = nullptr);

// The same for a wave file's bytes already in memory (a sample kept in a
// project), read exactly as the file on disk would be.
WaveResult loadWaveBytes(const unsigned char* bytes, size_t size, SampleStore& store, int32_t requiredChannels,
                         WaveRefusal* refusal);

// Reads a wave file whole, its bytes exactly as they stand on disk (to be
// kept in a project). Refuses anything but a regular file of at most
// maxBytes that starts as a RIFF/WAVE file: no other file of the user's
// ever lands in a project.
// A watch, when given, follows the read and may stop it (false).
bool readWaveFileBytes(const char* path, uint64_t maxBytes, std::vector<unsigned char>& bytes,
                       WaveReadWatch* watch = nullptr);
// True when the wave file at path holds exactly these bytes (a copy kept in
// a project is the file as it stands).
bool waveFileHolds(const char* path, const std::vector<unsigned char>& bytes);

// Frees both channel arrays and empties the store. Safe on an empty store.
void releaseSampleStore(SampleStore& store);
