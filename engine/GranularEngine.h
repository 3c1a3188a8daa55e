#pragma once

#include "engine/ChunkExtension.h"
#include "engine/GrainRenderer.h"
#include "engine/GrainSnapshot.h"
#include "engine/GrainVoice.h"
#include "engine/GranularProgram.h"
#include "engine/KeptSamples.h"
#include "engine/NoteRatio.h"
#include "engine/OutputLevel.h"
#include "engine/SampleHandOver.h"
#include "engine/SampleLoader.h"
#include "engine/SampleStatus.h"
#include "engine/SampleOverview.h"
#include "engine/SamplePreparation.h"
#include "engine/VoiceAllocator.h"
#include "engine/InstrumentListener.h"
#include "engine/MidiMessage.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The instrument, whatever plug-in format carries it: a granular sample
// instrument with twelve voices, four parameters (Speed, Length, Density,
// Random) and four programs whose bank, with the samples kept in it, is the
// state a host saves. A thin adapter per format (vst2/, lv2/) gives it to
// hosts; it tells its adapter what changed through an InstrumentListener.
//
// It plays as an instrument: a note's level follows its velocity, volume and
// expression scale the output, the sustain pedal holds notes, a stolen
// voice's grains fade out instead of stopping, and a stereo sample plays in
// stereo. The classic setting plays the plain way instead: every note at one
// level, controllers other than all-notes-off ignored, stolen grains cut off
// and every sample averaged to mono.
//
// Threads: process runs on the host's audio thread, everything else on its
// user-interface thread (the editor's calls included); restores and saves
// may come from another thread of the host's that is not the audio thread.
// Pitch bend sets Speed from inside process. Parameter quantities are
// relaxed atomics; a loaded sample reaches the audio thread through
// SampleHandOver.
class GranularEngine {
public:
    static constexpr int32_t kNumVoices = 12;
    static constexpr int32_t kNumFades = 12; // stolen notes fading out at once
    // How long a stolen note or all-sound-off fades, and how long a volume
    // or expression change takes.
    static constexpr float kFadeSeconds = 0.008f;
    static constexpr float kLevelRampSeconds = 0.005f;
    static constexpr float kDefaultSampleRate = 44100.0f;

    GranularEngine();
    ~GranularEngine();
    GranularEngine(const GranularEngine&) = delete;
    GranularEngine& operator=(const GranularEngine&) = delete;

    // Set once, before other threads use the instrument; null: nobody listens.
    void setListener(InstrumentListener* listener) { listener_ = listener; }

    // Programs and parameters. Values are 0.0 to 1.0; anything else is held
    // to that range (not-a-number and infinities become the default).
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index) const;
    void setProgram(int32_t program);
    int32_t currentProgram() const { return currentProgram_.load(std::memory_order_relaxed); }
    void setProgramName(const char* name);
    // Names fill at most 24 bytes with the zero.
    void getProgramName(char* name) const;
    bool getProgramNameIndexed(int32_t index, char* text) const;
    // Name, label and display text: at most 8 characters and the zero.
    static void getParameterName(int32_t index, char* text);
    static void getParameterLabel(int32_t index, char* label);
    void getParameterDisplay(int32_t index, char* text) const;

    // The saved state: the bank of four programs (1200 bytes) first, then
    // the keep setting and the samples kept in the project. getChunk's bytes
    // stay valid until its next call.
    int32_t getChunk(void** data);
    // A refused state (too short, or no memory to read it) answers 0 and
    // leaves everything as it was.
    int32_t setChunk(const void* data, int32_t byteSize);

    // The host's rate; the audio thread takes it up at its next block.
    void setSampleRate(float rate);
    float sampleRate() const { return hostRate_.load(std::memory_order_relaxed); }
    // Audio thread: renders frames, adding them into left and right, with
    // each event acting before the frame at its offset (events behind the
    // frame reached act at once, those at or past the end after the last
    // frame). Any number of frames, 0 included.
    void process(const MidiMessage* events, int32_t eventCount, float* left, float* right, int32_t frames);
    // User-interface thread, from time to time: frees replaced samples.
    void idle();

    // Loads a sample and makes it the current program's, before it returns
    // (the renderer, tests); null on success, else the message to show.
    // A watch, when given, follows the read (a format that shows the
    // progress of a load it runs on a thread of its host's).
    const char* loadSampleFile(const char* path, WaveReadWatch* watch = nullptr);
    // For the editor: loads a sample on the plug-in's own thread, the files
    // tried in order until one loads, while the current one goes on
    // playing; a request supersedes the one running. False when there was
    // nothing to ask for.
    bool requestSampleLoad(const char* const* paths, int32_t count);
    // Abandons a load asked for and not yet taken up (the panel closes).
    void cancelSampleLoad();
    // For the editor's idle: takes up a load that has finished. A loaded
    // sample is the current program's from here on (tell the host); a
    // failure's message is loadFailure() until the next one.
    using LoadOutcome = ::LoadOutcome;
    LoadOutcome finishSampleLoad();
    const char* loadFailure() const { return loadFailure_.c_str(); }
    LoadProgress sampleLoadProgress() const;
    // The current program's sample and its keeping, as the panel shows them.
    SampleStatus sampleStatus() const;
    // True from a request until its outcome is taken up or abandoned.
    bool isLoadingSample() const { return loader_.busy(); }
    // For tests: every read of a load the user asked for calls this first.
    void setLoadPacing(void (*beforeRead)(void*), void* context) { loader_.setReadPacing(beforeRead, context); }
    // For the editor, after every change the user makes to what the chunk
    // holds: tells the host the plug-in's state changed, so it counts the
    // project as changed and asks to save it.
    void userChangedState();
    // Copies the path the current program's sample plays from (at most 260
    // bytes with the zero): where it was found if the stored one was missing.
    void getSamplePath(char* buffer);
    // Where the current program's sample comes from, for the panel.
    using SampleOrigin = ::SampleOrigin;
    SampleOrigin sampleOrigin() const { return origin_.load(std::memory_order_relaxed); }
    // True while the current program names a sample that could be found
    // nowhere (or not read); the panel shows it as missing.
    bool isSampleMissing() const
    {
        const SampleOrigin origin = sampleOrigin();
        return origin == SampleOrigin::missing || origin == SampleOrigin::damaged;
    }

    // Keeping the samples in the project: on by default, for this instance,
    // saved in the chunk. Changes reach the editor as a sample change (-1).
    static constexpr uint64_t kMaxKeptBytes = 16u << 20;
    void setKeepSamples(bool keep);
    bool keepsSamples() const { return keepSamples_.load(std::memory_order_relaxed); }
    // True while the four programs' samples add up to more than
    // kMaxKeptBytes: the chunk then holds the paths of files still in place
    // only.
    bool samplesOverLimit() const { return overLimit_.load(std::memory_order_relaxed); }
    // True while the next save holds copies that exist nowhere else although
    // the samples are over the limit or keeping is off: they are saved
    // anyway, as nothing else holds them.
    bool savesOnlyCopiesAnyway() const { return onlyCopiesAnyway_.load(std::memory_order_relaxed); }
    // For plug-in formats whose hosts save the sample themselves, as a path
    // and a file beside the project (LV2): the current program's sample,
    // the keep setting, and the copy a save keeps of it (null when none, by
    // the same rules as the chunk's). Never reads a sample file.
    struct SampleState {
        std::string path;
        bool keepSamples = true;
        FileBytes keptCopy;
    };
    SampleState sampleState() const;
    // Restores one, as setChunk restores a bank: the copy, when given,
    // plays where no file holds the same bytes. False (nothing changed) when
    // memory runs short.
    bool restoreSampleState(const SampleState& state);
    // A failure the host's call could not report (a save or a restore short
    // of memory), for the panel to show once; null when there is none.
    const char* takeNotice() { return notice_.exchange(nullptr, std::memory_order_acq_rel); }

    // The classic playing, as the instrument first played; plug-in
    // instances never set it. Velocity, controllers and stealing
    // follow it from the next event on; a sample is read by the setting in
    // force when it loads (set it first: a stereo file then plays averaged).
    void setClassic(bool classic) { classic_.store(classic, std::memory_order_relaxed); }
    bool isClassic() const { return classic_.load(std::memory_order_relaxed); }
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
    // The voices that play out the fades of stolen notes.
    const GrainVoice& fade(int32_t index) const { return voices_[kNumVoices + index]; }
    const OutputLevel& outputLevel() const { return outputLevel_; }
    bool isPedalDown() const { return pedalDown_; }
    const VoiceAllocator& allocator() const { return allocator_; }
    // The render's kernel; tests and the benchmark pick one.
    GrainRenderer& renderer() { return renderer_; }
    int32_t sampleLength() const { return sampleLength_; }
    bool hasSample() const { return sampleData_ != nullptr; }
    bool holdsReplacedSample() const { return handOver_.hasRetired(); }

private:
    // A sample file's bytes held in memory made into a new sample and
    // handed to the audio thread; null on success, else the reader's message.
    const char* loadSample(const FileBytes& bytes);
    // The message of a failed preparation, valid on this thread until the next.
    static const char* failed(const PreparedSample& prepared);
    // Hands a prepared sample to the audio thread and its overview to the panel.
    void publishPrepared(PreparedSample& prepared);
    // The prepared file's bytes become the copy kept of its path.
    void holdCopyOf(PreparedSample& prepared);
    static bool fitsProgram(const char* path);
    // A file loaded for program becomes its sample.
    void takeUpLoadedFile(int32_t program, const char* path);
    // Frees the samples the audio thread let go of, off this thread if it can.
    void freeReplacedSamples();
    // How the reader takes a file's channels for the way this instance plays.
    int32_t channelMode() const;
    // Audio thread, at the start of a block: lets go of replaced samples no
    // grain reads any more, and switches to a newly handed-over one.
    void adoptPendingSample();
    void adoptSample(const LoadedSample& sample);
    void releaseDrainedSamples();
    // Audio thread: takes up a host rate set since the last block.
    void adoptHostRate();
    void handleMidiMessage(int32_t status, int32_t data1, int32_t data2);
    void handleNoteOn(int32_t note, int32_t velocity);
    void handleNoteOff(int32_t note);
    void handleController(int32_t controller, int32_t value);
    void releasePedal();
    // Hands a stolen voice's grains to a fade slot.
    void fadeOutStolen(int32_t slot);
    // Audio thread: fade and ramp lengths for the host rate in use.
    void adoptFadeLengths();
    void renderFrames(float* left, float* right, int32_t from, int32_t to);
    void renderFramesPerSample(float* left, float* right, int32_t from, int32_t to);
    template <bool kStereo>
    void renderFramesPerSample(float* left, float* right, int32_t from, int32_t to);
    // Audio thread, once at the end of each block: the voices for the panel.
    void publishGrainSnapshot();
    float voiceSpeed() const;
    void notifyEditor(int32_t index, float value);
    float programValue(int32_t program, int32_t index) const;
    void setProgramValue(int32_t program, int32_t index, float value);
    // Loads the program's sample: the copy kept in the project, else its
    // file; the origin says which, or that neither loaded.
    bool loadProgramSample(int32_t program);
    // The stored file, or the same file where a moved project now keeps it.
    bool loadProgramFile(int32_t program);
    const char* pathInUse(int32_t program) const;

    // Samples kept in the project (GranularEngineKeep.cpp).
    struct KeepPlan {
        std::vector<KeptFile> files; // what the next save writes after the bank
        bool overLimit = false;
        bool onlyCopiesAnyway = false;
    };
    struct RestoredKeeping {
        bool keepSamples = true;
        std::vector<KeptSample> samples;
        std::vector<std::string> damaged; // paths whose copy failed its checks
    };
    std::vector<std::string> distinctSamplePaths() const;
    // How many bytes the copy of path may take for program, beside the
    // copies of the samples the other programs name.
    uint64_t keepBudgetFor(int32_t program, const std::string& path) const;
    KeepPlan planKeeping() const;
    void showKeeping(const KeepPlan& plan);
    void refreshKeeping();
    void holdProgramFiles();
    // Reads what a chunk keeps after its bank; throws when memory runs out.
    void readRestoredCopies(const unsigned char* data, size_t size, RestoredKeeping& restored) const;
    void adoptRestoredCopies(RestoredKeeping& restored) noexcept;
    bool isDamagedCopy(const std::string& path) const;
    void forgetUnnamedCopies();
    // Frees the copies let go of, on the loader's thread when there is one.
    void freeDroppedCopies() noexcept;
    // Loads the file at path for program, holding its bytes as the copy to
    // keep when they fit its budget.
    const char* loadAndHoldFile(int32_t program, const char* path, WaveReadWatch* watch = nullptr);
    // The chunk for the host when memory ran short: the bank alone.
    int32_t saveBankOnly(void** data, const GranularProgram* bank);
    void postNotice(const char* text) { notice_.store(text, std::memory_order_release); }

    GranularProgram programs_[kNumPrograms];
    std::vector<unsigned char> savedChunk_; // what getChunk hands to the host, until its next call
    unsigned char savedBankOnly_[kBankSize + kKeepSettingBytes]; // the same when memory ran short
    // The bytes of every sample the programs name, as each loaded.
    KeptSamples keptSamples_;
    std::vector<FileBytes> droppedCopies_; // let go of, to be freed
    std::vector<std::string> damagedCopies_;
    std::atomic<bool> keepSamples_{true};
    std::atomic<bool> overLimit_{false};
    std::atomic<bool> onlyCopiesAnyway_{false};
    std::atomic<const char*> notice_{nullptr};
    std::atomic<int32_t> currentProgram_{0};
    // Where each program's sample was found when its stored path was
    // missing (empty otherwise); saving stores it in the program.
    char foundPath_[kNumPrograms][sizeof(GranularProgram::samplePath)] = {};
    char lastLoadedPath_[sizeof(GranularProgram::samplePath)] = {};
    std::atomic<SampleOrigin> origin_{SampleOrigin::none};
    std::atomic<float> paramValue_[kNumParams];
    std::atomic<int32_t> grainLength_{4100};
    std::atomic<int32_t> grainSpacing_{683};
    std::atomic<int32_t> randomRange_{50};
    std::atomic<float> speedFactor_{1.0f};
    std::atomic<bool> classic_{false};
    // The twelve voices the allocator hands out, then the fade slots.
    GrainVoice voices_[kNumVoices + kNumFades];
    VoiceAllocator allocator_{kNumVoices};
    GrainRenderer renderer_;
    SampleHandOver handOver_;
    SampleLoader loader_{handOver_}; // after the hand-over: it goes first
    std::string loadFailure_;
    std::atomic<uint32_t> loadedSampleRate_{0}; // file rate of the latest loaded sample
    std::atomic<float> hostRate_{kDefaultSampleRate}; // the host rate as last set
    InstrumentListener* listener_ = nullptr;

    // Audio thread.
    const float* sampleData_ = nullptr;
    const float* sampleRight_ = nullptr; // null for a mono sample
    int32_t sampleLength_ = 0;
    uint32_t sampleFileRate_ = 0;
    float audioRate_ = 0.0f; // the host rate the voices were set up for
    int32_t nextEventFrame_ = 0;
    OutputLevel outputLevel_;
    int32_t volume_ = 127;     // controller 7
    int32_t expression_ = 127; // controller 11
    bool pedalDown_ = false;   // controller 64
    int32_t fadeFrames_ = 1;
    int32_t rampFrames_ = 1;
    // Frames rendered before the current block, and the frame each voice's
    // note began at (a note not yet sounded gives way without a fade).
    int64_t blockStartFrame_ = 0;
    int64_t noteOnFrame_[kNumVoices] = {};

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
