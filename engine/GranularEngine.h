#pragma once

#include "engine/GrainRenderer.h"
#include "engine/GrainSnapshot.h"
#include "engine/GrainVoice.h"
#include "engine/GranularProgram.h"
#include "engine/NoteRatio.h"
#include "engine/SampleHandOver.h"
#include "engine/SampleOverview.h"
#include "engine/VoiceAllocator.h"
#include "host/AudioEffectX.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// The plug-in: a granular sample instrument with twelve voices, four
// parameters (Speed, Length, Density, Random) and four programs whose bank
// is the chunk the host saves.
//
// Threads: the host calls process and processEvents on its audio thread and
// everything else on its user-interface thread; the editor calls
// setParameterAutomated, loadSampleFile and getSamplePath there too. Pitch
// bend sets Speed from inside process. Parameter quantities are relaxed
// atomics; a loaded sample reaches the audio thread through SampleHandOver.
class GranularEngine : public AudioEffectX {
public:
    static constexpr int32_t kNumVoices = 12;
    static constexpr int32_t kMaxPendingEvents = 100;

    explicit GranularEngine(audioMasterCallback audioMaster);
    ~GranularEngine() override;

    // Programs and parameters.
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void setProgram(int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    int32_t getChunk(void** data, bool isPreset) override;
    int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

    // Identity.
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    bool getOutputProperties(int32_t index, VstPinProperties* properties) override;

    // Audio.
    void process(float** inputs, float** outputs, int32_t sampleFrames) override;
    // Hosts that only call the replacing form (Ardour refuses a plug-in
    // without it) get silence under the accumulated output.
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    void setSampleRate(float rate) override;
    // The same as setSampleRate for the rate, plus the block size.
    void setBlockSizeAndSampleRate(int32_t blockSize, float rate) override;
    void resume() override;
    int32_t fxIdle() override;
    // Frees replaced samples on calls that never come from the audio thread.
    VstIntPtr dispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) override;

    // MIDI.
    int32_t processEvents(VstEvents* events) override;
    int32_t canDo(char* text) override;

    // For the editor: loads a sample and makes it the current program's;
    // null on success, else the message to show.
    const char* loadSampleFile(const char* path);
    // Copies the path the current program's sample plays from (at most 260
    // bytes with the zero): where it was found if the stored one was missing.
    void getSamplePath(char* buffer);
    // True while the current program names a sample that could be found
    // nowhere (or not read); the panel shows it as missing.
    bool isSampleMissing() const { return sampleMissing_.load(std::memory_order_relaxed); }
    // For the editor: the latest loaded sample's overview (null before the
    // first load), and the sounding voices as the audio thread last showed
    // them. One reader takes the snapshots: true when a newer one was taken;
    // grainSnapshot() is the one taken last.
    std::shared_ptr<const SampleOverview> sampleOverview() const;
    bool takeGrainSnapshot() { return grainSnapshots_.take(); }
    const GrainSnapshot& grainSnapshot() const { return grainSnapshots_.latest(); }

    // Read-only views for tests and tools.
    int32_t grainLength() const { return grainLength_.load(std::memory_order_relaxed); }
    int32_t grainSpacing() const { return grainSpacing_.load(std::memory_order_relaxed); }
    int32_t randomRange() const { return randomRange_.load(std::memory_order_relaxed); }
    float speedFactor() const { return speedFactor_.load(std::memory_order_relaxed); }
    float samplesPerMs() const { return samplesPerMs_.load(std::memory_order_relaxed); }
    float noteRatio(int32_t note) const { return noteRatio_[note & 127]; }
    const GranularProgram& program(int32_t index) const { return programs_[index]; }
    // Audio thread's view (valid between process calls).
    const GrainVoice& voice(int32_t index) const { return voices_[index]; }
    const VoiceAllocator& allocator() const { return allocator_; }
    // The render's kernel; tests and the benchmark pick one.
    GrainRenderer& renderer() { return renderer_; }
    int32_t sampleLength() const { return sampleLength_; }
    bool hasSample() const { return sampleData_ != nullptr; }
    bool holdsReplacedSample() const { return handOver_.hasRetired(); }

private:
    // Loads the file into a new sample and hands it to the audio thread;
    // null on success, else the reader's message.
    const char* loadSample(const char* path);
    // Audio thread: switches to a newly handed-over sample.
    void adoptSample(const LoadedSample& sample);
    // Audio thread: takes up a host rate set since the last block.
    void adoptHostRate();
    void handleMidiMessage(int32_t status, int32_t data1, int32_t data2);
    void renderFrames(float** outputs, int32_t from, int32_t to);
    void renderFramesPerSample(float** outputs, int32_t from, int32_t to);
    // Audio thread, once at the end of each block: the voices for the panel.
    void publishGrainSnapshot();
    float voiceSpeed() const;
    void notifyEditor(int32_t index, float value);
    float programValue(int32_t program, int32_t index) const;
    void setProgramValue(int32_t program, int32_t index, float value);
    // Loads the program's stored sample, or the same file where a moved
    // project now keeps it; sets the missing flag when neither loads.
    bool loadProgramSample(int32_t program);
    const char* pathInUse(int32_t program) const;

    GranularProgram programs_[kNumPrograms];
    GranularProgram chunk_[kNumPrograms]; // what getChunk hands to the host
    std::atomic<int32_t> currentProgram_{0};
    // Where each program's sample was found when its stored path was
    // missing (empty otherwise); saving stores it in the program.
    char foundPath_[kNumPrograms][sizeof(GranularProgram::samplePath)] = {};
    char lastLoadedPath_[sizeof(GranularProgram::samplePath)] = {};
    std::atomic<bool> sampleMissing_{false};
    std::atomic<float> paramValue_[kNumParams];
    std::atomic<int32_t> grainLength_{4100};
    std::atomic<int32_t> grainSpacing_{683};
    std::atomic<int32_t> randomRange_{50};
    std::atomic<float> speedFactor_{1.0f};
    GrainVoice voices_[kNumVoices];
    VoiceAllocator allocator_{kNumVoices};
    GrainRenderer renderer_;
    SampleHandOver handOver_;
    std::atomic<uint32_t> loadedSampleRate_{0}; // file rate of the latest loaded sample
    // The host rate as last set; the base's sampleRate member is written
    // unguarded and so is never read by the audio thread.
    std::atomic<float> hostRate_{0.0f};

    // Audio thread.
    const float* sampleData_ = nullptr;
    int32_t sampleLength_ = 0;
    uint32_t sampleFileRate_ = 0;
    float audioRate_ = 0.0f; // the host rate the voices were set up for
    int32_t pendingCount_ = 0;
    VstMidiEvent* pendingEvents_[kMaxPendingEvents] = {};
    int32_t nextEventFrame_ = 0;

    std::atomic<float> samplesPerMs_{0.0f};
    float noteRatio_[kNoteCount];

    // What the panel shows of the sample and the voices.
    std::atomic<uint32_t> lastSampleSerial_{0};
    mutable std::mutex overviewMutex_; // never taken on the audio thread
    std::shared_ptr<const SampleOverview> overview_;
    GrainSnapshotExchange grainSnapshots_;
    uint32_t publishedSerial_ = 0; // audio thread: what the last snapshot showed
    bool publishedQuiet_ = false;
};
