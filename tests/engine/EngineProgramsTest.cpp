// Identity, parameters, programs, the chunk and sample loading, through the
// dispatcher as a host reaches them.
#include "EngineFixture.h"

#include "engine/Crc32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

class EnginePrograms : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = &createEngine(fx);
        fx.setSampleRate(44100.0f);
        writeFloatWav(dir.file("a.wav"), testSample(3000), 44100);
        writeFloatWav(dir.file("b.wav"), testSample(5000), 48000);
    }
    // The sample the audio thread plays, once it has switched at a block start.
    int32_t playedLength()
    {
        fx.runProcess(1);
        return engine->sampleLength();
    }
    GranularProgram* programs(std::vector<unsigned char>& chunk)
    {
        return reinterpret_cast<GranularProgram*>(chunk.data());
    }

    TempDir dir;
    PluginInstance fx;
    GranularEngine* engine = nullptr;
};

} // namespace

TEST_F(EnginePrograms, IdentityAndFreshInstance)
{
    const AEffect* effect = fx.effect();
    EXPECT_EQ(effect->uniqueID, 0x48655061);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags & (kFlagProgramChunks | kFlagIsSynth), kFlagProgramChunks | kFlagIsSynth);
    EXPECT_EQ(fx.text(effGetVendorString, 0), "Hevarun");
    EXPECT_EQ(fx.text(effGetProductString, 0), "Parvolino");
    for (int32_t index : {0, 1, 9}) {
        VstPinProperties pin{};
        EXPECT_EQ(fx.dispatch(effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_STREQ(pin.label, "Parvolino");
        EXPECT_EQ(pin.flags, 3);
        EXPECT_EQ(std::string(pin.shortLabel, 8), std::string("Parvoli\0", 8));
    }
    EXPECT_EQ(fx.canDo("receiveVstEvents"), 1);
    EXPECT_EQ(fx.canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(fx.canDo("receiveVstTimeInfo"), -1);
    EXPECT_EQ(fx.canDo(""), -1);
    fx.resume();
    EXPECT_EQ(fx.host().callsOf(audioMasterWantMidi).at(0).value, 1);

    const char* names[] = {"Speed", "Length", "Density", "Random"};
    const float values[] = {0.5f, 0.5f, 0.5f, 0.1f};
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(fx.parameterName(i), names[i]);
        EXPECT_EQ(fx.parameterLabel(i), "");
        EXPECT_EQ(fx.getParameter(i), values[i]);
        fx.setProgram(i);
        EXPECT_EQ(fx.programName(), "Default");
    }
    EXPECT_EQ(engine->grainLength(), 4100);
    EXPECT_EQ(engine->grainSpacing(), 683);
    EXPECT_EQ(engine->randomRange(), 50);
    EXPECT_EQ(engine->speedFactor(), 1.0f);
    // Other indices change nothing and leave the host's buffer alone.
    fx.setParameter(-1, 0.0f);
    fx.setParameter(4, 0.9f);
    EXPECT_EQ(fx.getParameter(4), 0.0f);
    EXPECT_EQ(fx.parameterName(4).substr(0, 3), "\x7f\x7f\x7f");
    // Before the host's first rate, milliseconds use the default 44100.
    GranularEngine unset;
    EXPECT_EQ(unset.samplesPerMs(), engine->samplesPerMs());
}

TEST_F(EnginePrograms, MappingsAndDisplaysAt44100)
{
    EXPECT_EQ(fx.parameterDisplay(0), "1.000000");
    EXPECT_EQ(fx.parameterDisplay(1).substr(0, 6), "92.970");
    EXPECT_EQ(fx.parameterDisplay(2), "6.000000");
    fx.setParameter(1, 0.0f);
    EXPECT_EQ(engine->grainLength(), 100);
    EXPECT_EQ(engine->grainSpacing(), 16);
    fx.setParameter(1, 1.0f);
    EXPECT_EQ(engine->grainLength(), 8100);
    EXPECT_EQ(engine->grainSpacing(), 1350);
    // Truncation of the exact product: 0.7 is a little under as a float.
    fx.setParameter(1, 0.7f);
    EXPECT_EQ(engine->grainLength(), 5699);
    fx.setParameter(1, 0.5f);
    fx.setParameter(2, 0.0f);
    EXPECT_EQ(engine->grainSpacing(), 2733);
    EXPECT_EQ(fx.parameterDisplay(2), "1.500000");
    fx.setParameter(2, 1.0f);
    EXPECT_EQ(engine->grainSpacing(), 390);
    EXPECT_EQ(fx.parameterDisplay(2), "10.50000");
    fx.setParameter(1, 1.0f); // Length uses the stored Density
    EXPECT_EQ(engine->grainSpacing(), 771);
    fx.setParameter(3, 1.0f);
    EXPECT_EQ(engine->randomRange(), 500);
    EXPECT_EQ(fx.parameterDisplay(3).substr(0, 5), "11.33");
    fx.setParameter(3, 0.9f);
    EXPECT_EQ(engine->randomRange(), 449);
    fx.setParameter(0, 1.0f);
    EXPECT_EQ(engine->speedFactor(), 2.0f);
    EXPECT_EQ(engine->program(0).values[3], 0.9f);

    // Hostile values: not-a-number and infinities give the default, others
    // are held to 0 to 1; no quantity leaves its range.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (int32_t index = 0; index < 4; ++index) {
        for (float value : {nan, inf, -inf, -0.5f, 3.0f, 1e30f}) {
            fx.setParameter(index, value);
            ASSERT_GE(fx.getParameter(index), 0.0f);
            ASSERT_LE(fx.getParameter(index), 1.0f);
            ASSERT_GT(engine->grainSpacing(), 0);
        }
        fx.setParameter(index, nan);
        EXPECT_EQ(fx.getParameter(index), index == 3 ? 0.1f : 0.5f);
        fx.setParameter(index, -2.0f);
        EXPECT_EQ(engine->program(0).values[index], 0.0f);
    }
}

TEST_F(EnginePrograms, NamesAndProgramNumbersStayInBounds)
{
    char longName[100];
    std::memset(longName, 'n', 99);
    longName[99] = '\0';
    fx.dispatch(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(fx.programName(), std::string(23, 'n'));
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    fx.dispatch(effGetProgramName, 0, 0, buffer);
    EXPECT_EQ(buffer[24], '#');

    fx.setProgram(2);
    for (VstIntPtr bad : {VstIntPtr(-1), VstIntPtr(4), VstIntPtr(-100000)})
        fx.setProgram(static_cast<int32_t>(bad));
    engine->setProgram(-1);
    EXPECT_EQ(fx.program(), 2);

    // Hosts read every program's name without switching to it.
    char other[] = "Other";
    fx.dispatch(effSetProgramName, 0, 0, other);
    fx.setProgram(0);
    ASSERT_EQ(engine->loadSampleFile(dir.file("a.wav").c_str()), nullptr);
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(fx.dispatch(effGetProgramNameIndexed, 2, -1, buffer), 1);
    EXPECT_STREQ(buffer, "Other");
    EXPECT_EQ(fx.dispatch(effGetProgramNameIndexed, 0, 0, buffer), 1);
    EXPECT_EQ(std::string(buffer), std::string(23, 'n'));
    EXPECT_EQ(fx.dispatch(effGetProgramNameIndexed, 4, 0, buffer), 0);
    EXPECT_EQ(fx.dispatch(effGetProgramNameIndexed, -1, 0, buffer), 0);
    EXPECT_EQ(fx.program(), 0);
    EXPECT_EQ(engine->program(2).samplePath[0], '\0') << "no program took over another's sample";
}

TEST_F(EnginePrograms, AReplacedSampleIsFreedAtTheNextCallOffTheAudioThread)
{
    fx.dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(fx.host().callsOf(audioMasterNeedIdle).size(), 1u) << "asks for idle calls when switched on";
    ASSERT_EQ(engine->loadSampleFile(dir.file("a.wav").c_str()), nullptr);
    playedLength();
    ASSERT_EQ(engine->loadSampleFile(dir.file("b.wav").c_str()), nullptr);
    EXPECT_EQ(playedLength(), 5000);
    EXPECT_TRUE(engine->holdsReplacedSample());
    // Calls that may come on the audio thread leave it alone.
    MidiEventList events;
    events.noteOn(0, 0, 60, 100);
    fx.processEvents(events);
    fx.runProcess(64);
    fx.getParameter(0);
    EXPECT_TRUE(engine->holdsReplacedSample());
    // The panel's idle frees it.
    fx.dispatch(effEditIdle);
    EXPECT_FALSE(engine->holdsReplacedSample());

    // The note goes on with the new sample, and the old one is let go of
    // once the grains that read it have faded out (8 ms).
    ASSERT_EQ(engine->loadSampleFile(dir.file("a.wav").c_str()), nullptr);
    playedLength();
    EXPECT_FALSE(engine->holdsReplacedSample());
    fx.runProcess(400);
    fx.runProcess(1);
    ASSERT_TRUE(engine->holdsReplacedSample());
    fx.dispatch(effGetProgramNameIndexed, 1, 0, std::vector<char>(64).data());
    EXPECT_FALSE(engine->holdsReplacedSample());
}

TEST_F(EnginePrograms, SampleLoadingMessagesAndProgramSwitching)
{
    writeFloatWav(dir.file("stereo.wav"), testSample(200), 44100, 2);
    {
        std::FILE* text = std::fopen(dir.file("text.wav").c_str(), "wb");
        ASSERT_NE(text, nullptr);
        std::fputs("no wave file at all", text);
        std::fclose(text);
    }
    EXPECT_STREQ(engine->loadSampleFile(dir.file("missing.wav").c_str()), "File not found");
    EXPECT_STREQ(engine->loadSampleFile(dir.file("text.wav").c_str()), "WAV-File has bad type");
    EXPECT_STREQ(engine->loadSampleFile(dir.file(std::string(300, 'x')).c_str()), "File not found");
    EXPECT_FALSE(playedLength() > 0 || engine->hasSample());

    ASSERT_EQ(engine->loadSampleFile(dir.file("a.wav").c_str()), nullptr);
    EXPECT_EQ(playedLength(), 3000);
    char path[260];
    engine->getSamplePath(path);
    EXPECT_EQ(path, dir.file("a.wav"));
    EXPECT_NE(engine->loadSampleFile(dir.file("text.wav").c_str()), nullptr);
    EXPECT_EQ(playedLength(), 3000); // a failed load keeps the sample
    // A stereo file plays its two channels mixed into one.
    ASSERT_EQ(engine->loadSampleFile(dir.file("stereo.wav").c_str()), nullptr);
    EXPECT_EQ(playedLength(), 100);
    ASSERT_EQ(engine->loadSampleFile(dir.file("a.wav").c_str()), nullptr);
    EXPECT_EQ(playedLength(), 3000);

    fx.setProgram(1); // no sample of its own: takes over program 0's
    EXPECT_EQ(engine->program(1).samplePath, dir.file("a.wav"));
    ASSERT_EQ(engine->loadSampleFile(dir.file("b.wav").c_str()), nullptr);
    EXPECT_EQ(playedLength(), 5000);
    EXPECT_EQ(engine->voice(3).speed(), 48000.0f / 44100.0f);
    fx.setProgram(0); // reads its file again
    EXPECT_EQ(playedLength(), 3000);

    // A program whose file has gone missing keeps its path and the sound of
    // the earlier sample, and loads the file once it is back.
    std::vector<unsigned char> chunk = fx.getChunk();
    copyText(programs(chunk)[2].samplePath, 260, dir.file("later.wav").c_str());
    ASSERT_EQ(fx.setChunk(chunk), 1200);
    fx.setProgram(2);
    EXPECT_EQ(engine->program(2).samplePath, dir.file("later.wav"));
    EXPECT_EQ(playedLength(), 3000);
    writeFloatWav(dir.file("later.wav"), testSample(700), 44100);
    fx.setProgram(2);
    EXPECT_EQ(playedLength(), 700);
}

TEST_F(EnginePrograms, ChunkRoundTripAndHostileChunks)
{
    ASSERT_EQ(engine->loadSampleFile(dir.file("a.wav").c_str()), nullptr);
    fx.setParameter(1, 0.25f);
    fx.setProgram(3);
    ASSERT_EQ(engine->loadSampleFile(dir.file("b.wav").c_str()), nullptr);
    char name[] = "Fourth";
    fx.dispatch(effSetProgramName, 0, 0, name);
    fx.setParameter(2, 0.75f);
    const std::vector<unsigned char> saved = fx.getChunk();
    ASSERT_GT(saved.size(), 1200u + 32000u); // the two samples are kept after the bank
    EXPECT_EQ(fx.getChunk(true), saved);

    PluginInstance other;
    GranularEngine& restored = createEngine(other);
    other.setSampleRate(44100.0f);
    other.setProgram(3);
    EXPECT_EQ(other.setChunk(saved), 1200);
    EXPECT_EQ(other.getChunk(), saved);
    EXPECT_EQ(other.programName(), "Fourth");
    EXPECT_EQ(other.getParameter(2), 0.75f);
    other.runProcess(1);
    EXPECT_EQ(restored.sampleLength(), 5000);
    other.setProgram(0);
    EXPECT_EQ(other.getParameter(1), 0.25f);
    // The chunk just handed out can be given straight back.
    void* own = nullptr;
    const VstIntPtr size = other.dispatch(effGetChunk, 0, 0, &own);
    EXPECT_EQ(other.dispatch(effSetChunk, 0, size, own), 1200);

    // Short chunks are refused whole; nothing past byteSize is read.
    for (int32_t bytes : {1, 300, 1199}) {
        std::vector<unsigned char> part(saved.begin(), saved.begin() + bytes);
        EXPECT_EQ(fx.setChunk(part), 0);
    }
    EXPECT_EQ(fx.dispatch(effSetChunk, 0, 1200, nullptr), 0);
    EXPECT_EQ(fx.getChunk(), saved);

    // Unterminated texts end inside their fields; values that are not
    // finite become the defaults, others are held to 0 to 1.
    std::vector<unsigned char> hostile(1500, 'A');
    for (int p = 0; p < 4; ++p) {
        const float values[] = {std::numeric_limits<float>::quiet_NaN(), -7.0f, 42.0f, 0.3f};
        std::memcpy(programs(hostile)[p].values, values, sizeof values);
    }
    EXPECT_EQ(fx.setChunk(hostile), 1200);
    EXPECT_EQ(fx.programName(), std::string(23, 'A'));
    char path[300];
    engine->getSamplePath(path);
    EXPECT_EQ(path, std::string(259, 'A'));
    EXPECT_EQ(fx.getParameter(0), 0.5f);
    EXPECT_EQ(fx.getParameter(1), 0.0f);
    EXPECT_EQ(fx.getParameter(2), 1.0f);
    EXPECT_EQ(playedLength(), 5000); // the unreadable path left the sample
}

TEST_F(EnginePrograms, AChunkNamingMovedSamplesPlaysThemFromTheirNewPlaceAndSavesThatPlace)
{
    // A song once under /gone-disk/ann/song, now copied into dir/song.
    std::filesystem::create_directories(dir.file("song/drums"));
    std::filesystem::create_directories(dir.file("song/synth"));
    writeFloatWav(dir.file("song/drums/kick.wav"), testSample(1100), 44100);
    writeFloatWav(dir.file("song/drums/hat.wav"), testSample(1200), 44100);
    writeFloatWav(dir.file("song/synth/pad.wav"), testSample(1300), 44100);

    std::vector<unsigned char> chunk = fx.getChunk();
    copyText(programs(chunk)[0].samplePath, 260, "/gone-disk/ann/song/drums/hat.wav");
    copyText(programs(chunk)[1].samplePath, 260, dir.file("song/drums/kick.wav").c_str());
    copyText(programs(chunk)[2].samplePath, 260, "/gone-disk/ann/song/synth/pad.wav");
    copyText(programs(chunk)[3].samplePath, 260, "/gone-disk/ann/song/synth/nowhere.wav");
    ASSERT_EQ(fx.setChunk(chunk), 1200);

    // The same name next to another program's sample.
    EXPECT_EQ(playedLength(), 1200);
    EXPECT_FALSE(engine->isSampleMissing());
    char path[260];
    engine->getSamplePath(path);
    EXPECT_EQ(path, dir.file("song/drums/hat.wav"));
    // Until the project is saved the program keeps what it was given.
    EXPECT_EQ(engine->program(0).samplePath, std::string("/gone-disk/ann/song/drums/hat.wav"));

    // The stored folders without their leading ones, under the parent of
    // the folder another sample came from.
    fx.setProgram(2);
    EXPECT_EQ(playedLength(), 1300);
    engine->getSamplePath(path);
    EXPECT_EQ(path, dir.file("song/synth/pad.wav"));

    // Nowhere at all: shown as missing, path kept, the sample in memory stays.
    fx.setProgram(3);
    EXPECT_TRUE(engine->isSampleMissing());
    EXPECT_EQ(playedLength(), 1300);
    engine->getSamplePath(path);
    EXPECT_EQ(path, std::string("/gone-disk/ann/song/synth/nowhere.wav"));

    // Saving stores the found places; the missing one keeps its path.
    std::vector<unsigned char> saved = fx.getChunk();
    ASSERT_GT(saved.size(), 1200u); // with the files found, kept after the bank
    EXPECT_EQ(programs(saved)[0].samplePath, dir.file("song/drums/hat.wav"));
    EXPECT_EQ(programs(saved)[2].samplePath, dir.file("song/synth/pad.wav"));
    EXPECT_EQ(programs(saved)[3].samplePath, std::string("/gone-disk/ann/song/synth/nowhere.wav"));
    EXPECT_EQ(engine->program(0).samplePath, dir.file("song/drums/hat.wav"));

    // A fresh instance given only the missing paths finds them through the
    // sample loaded last.
    PluginInstance other;
    GranularEngine& restored = createEngine(other);
    other.setSampleRate(44100.0f);
    ASSERT_EQ(restored.loadSampleFile(dir.file("song/drums/kick.wav").c_str()), nullptr);
    std::vector<unsigned char> moved = chunk;
    copyText(programs(moved)[1].samplePath, 260, "/gone-disk/ann/song/drums/kick.wav");
    ASSERT_EQ(other.setChunk(moved), 1200);
    other.runProcess(1);
    EXPECT_EQ(restored.sampleLength(), 1200);
    EXPECT_FALSE(restored.isSampleMissing());

#ifndef _WIN32
    // A pipe where the sample was is refused at once, never waited on.
    ASSERT_EQ(mkfifo(dir.file("song/pipe.wav").c_str(), 0600), 0);
    std::vector<unsigned char> piped = chunk;
    copyText(programs(piped)[3].samplePath, 260, dir.file("song/pipe.wav").c_str());  // the current one
    ASSERT_EQ(fx.setChunk(piped), 1200);
    EXPECT_TRUE(engine->isSampleMissing());
#endif
}

TEST_F(EnginePrograms, AnExtensionCutOrWithABadSizeRestoresTheBankAndWhatPassesItsChecks)
{
    // Two small files, one per program, kept in the chunk; then they go.
    const std::string c = dir.file("c.wav"), d = dir.file("d.wav");
    writeFloatWav(c, testSample(60), 44100);
    writeFloatWav(d, testSample(90), 44100);
    for (int32_t p = 0; p < kNumPrograms; ++p) {
        fx.setProgram(p);
        char name[] = "P0";
        name[1] = static_cast<char>('0' + p);
        fx.dispatch(effSetProgramName, 0, 0, name);
        if (p < 2) {
            ASSERT_EQ(engine->loadSampleFile(p == 0 ? c.c_str() : d.c_str()), nullptr);
        }
    }
    fx.setProgram(0);
    const std::vector<unsigned char> whole = fx.getChunk();
    std::remove(c.c_str());
    std::remove(d.c_str());

    // The stored layout: header, "Keep", then each file with its path first.
    const size_t keep = 1212, fileC = 1224, pathEndC = fileC + 12 + c.size(), fileD = pathEndC + 8 + 284;
    const size_t pathEndD = fileD + 12 + d.size();
    ASSERT_EQ(whole.size(), pathEndD + 8 + 404);
    ASSERT_EQ(std::string(whole.begin() + 1200, whole.begin() + 1204), "PvXt");
    ASSERT_EQ(std::string(whole.begin() + keep, whole.begin() + keep + 4), "Keep");
    ASSERT_EQ(std::string(whole.begin() + fileD, whole.begin() + fileD + 4), "File");
    auto bankIsRestored = [&] {
        for (int32_t p = 0; p < kNumPrograms; ++p) {
            if (engine->program(p).name != "P" + std::to_string(p))
                return false;
        }
        return std::string(engine->program(0).samplePath) == c && std::string(engine->program(1).samplePath) == d;
    };
    using Origin = GranularEngine::SampleOrigin;

    // Cut at every byte (the host's copy is exactly as long, so a read past
    // it is caught under the address sanitizer).
    for (size_t size = 1200; size <= whole.size(); ++size) {
        SCOPED_TRACE(size);
        ASSERT_EQ(fx.setChunk(std::vector<unsigned char>(whole.begin(), whole.begin() + size)), 1200);
        ASSERT_TRUE(bankIsRestored());
        // Program 0's file is whole from the start of the next field on; a
        // field cut after its path still says which sample was lost.
        ASSERT_EQ(engine->sampleOrigin(), size >= fileD      ? Origin::project
                                          : size >= pathEndC ? Origin::damaged
                                                             : Origin::missing);
    }

    // Every size field wrong in turn: the bank comes back, the extension is
    // reported damaged, and a file whose own field is intact still plays.
    ChunkExtension read;
    for (size_t at : {size_t(1208), keep + 4, fileC + 4, fileC + 8, pathEndC, fileD + 4, fileD + 8, pathEndD}) {
        uint32_t stored;
        std::memcpy(&stored, &whole[at], 4);
        for (uint32_t value : {0u, 1u, stored - 1, stored + 1, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            std::vector<unsigned char> bad = whole;
            std::memcpy(&bad[at], &value, 4);
            SCOPED_TRACE(testing::Message() << "size field at " << at << " = " << value);
            ASSERT_EQ(fx.setChunk(bad), 1200);
            ASSERT_TRUE(bankIsRestored());
            EXPECT_EQ(readChunkExtension(bad.data() + 1200, bad.size() - 1200, read), ExtensionRead::damaged);
            if (at == fileC + 8 || at == pathEndC) {
                fx.setProgram(1);
                EXPECT_EQ(engine->sampleOrigin(), Origin::project);
                fx.setProgram(0);
            }
        }
    }

    // A field of a later version is skipped; an extension of another
    // version is left unread; a bank alone keeps samples by default.
    std::vector<unsigned char> later = whole;
    const unsigned char unknown[] = {'Z', 'z', 'z', 'z', 3, 0, 0, 0, 1, 2, 3};
    later.insert(later.begin() + fileC, std::begin(unknown), std::end(unknown));
    uint32_t total;
    std::memcpy(&total, &later[1208], 4);
    total += sizeof unknown;
    std::memcpy(&later[1208], &total, 4);
    EXPECT_EQ(readChunkExtension(later.data() + 1200, later.size() - 1200, read), ExtensionRead::whole);
    ASSERT_EQ(read.files.size(), 2u);
    EXPECT_EQ(*read.files[1].bytes, std::vector<unsigned char>(whole.end() - 404, whole.end()));
    later[1204] = 2;
    EXPECT_EQ(readChunkExtension(later.data() + 1200, later.size() - 1200, read), ExtensionRead::otherVersion);
    EXPECT_TRUE(read.files.empty());
    const unsigned char check[] = "123456789";
    EXPECT_EQ(crc32(check, 9), 0xCBF43926u);
}

TEST_F(EnginePrograms, KeepingSamplesCanBeTurnedOffAndStopsAt16MB)
{
    const std::string a = dir.file("a.wav");
    ASSERT_EQ(engine->loadSampleFile(a.c_str()), nullptr);
    const size_t kept = 1200 + std::filesystem::file_size(a);
    EXPECT_TRUE(engine->keepsSamples());
    EXPECT_GT(fx.getChunk().size(), kept);

    // Off: paths only, and the choice travels with the project.
    engine->setKeepSamples(false);
    const std::vector<unsigned char> off = fx.getChunk();
    EXPECT_LT(off.size(), 1300u);
    PluginInstance other;
    GranularEngine& restored = createEngine(other);
    ASSERT_EQ(other.setChunk(off), 1200);
    EXPECT_FALSE(restored.keepsSamples());
    EXPECT_EQ(other.getChunk(), off);
    engine->setKeepSamples(true);

    // Only wave files are ever kept: a program naming any other file of the
    // user's does not carry it into the project.
    std::vector<unsigned char> chunk = fx.getChunk();
    {
        std::ofstream text(dir.file("notes.wav"), std::ios::binary);
        text << std::string(5000, 'x');
    }
    copyText(programs(chunk)[2].samplePath, 260, dir.file("notes.wav").c_str());
    ASSERT_EQ(fx.setChunk(chunk), 1200);
    EXPECT_LT(fx.getChunk().size(), kept + 200);
    EXPECT_FALSE(engine->samplesOverLimit());

    // Beyond 16 MB in all, none is kept: the chunk is the bank alone.
    {
        std::ofstream big(dir.file("big.wav"), std::ios::binary);
        big << "RIFF\xff\xff\xff\x7fWAVE";
    }
    std::filesystem::resize_file(dir.file("big.wav"), GranularEngine::kMaxKeptBytes - 2000);
    copyText(programs(chunk)[3].samplePath, 260, dir.file("big.wav").c_str());
    ASSERT_EQ(fx.setChunk(chunk), 1200);
    EXPECT_TRUE(engine->samplesOverLimit());
    EXPECT_EQ(fx.getChunk().size(), 1200u);
    // Files are read when the project opens, never when it is saved: a
    // file that shrank under the limit since is kept from the next opening.
    std::filesystem::resize_file(dir.file("big.wav"), GranularEngine::kMaxKeptBytes - 100000);
    EXPECT_LT(fx.getChunk().size(), 100000u);
    ASSERT_EQ(fx.setChunk(chunk), 1200);
    EXPECT_GT(fx.getChunk().size(), GranularEngine::kMaxKeptBytes - 100000);
    EXPECT_FALSE(engine->samplesOverLimit());
}

TEST_F(EnginePrograms, AKeptCopyIsSavedAsItPlaysAndNeverLost)
{
    using Origin = GranularEngine::SampleOrigin;
    auto readFile = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    };
    // The bytes a saved chunk keeps for path (empty when it keeps none).
    auto keptIn = [](const std::vector<unsigned char>& chunk, const std::string& path) {
        ChunkExtension read;
        readChunkExtension(chunk.data() + 1200, chunk.size() - 1200, read);
        for (const KeptFile& file : read.files) {
            if (file.path == path && file.bytes != nullptr)
                return *file.bytes;
        }
        return std::vector<unsigned char>();
    };

    // Deleted or edited after it loaded and before the first save: the save
    // holds the sound as it plays, not the file as it now is.
    const std::string a = dir.file("a.wav"), b = dir.file("b.wav");
    const std::vector<unsigned char> aBytes = readFile(a);
    ASSERT_EQ(engine->loadSampleFile(a.c_str()), nullptr);
    writeFloatWav(a, testSample(700), 22050);
    EXPECT_EQ(keptIn(fx.getChunk(), a), aBytes);
    std::remove(a.c_str());
    const std::vector<unsigned char> deleted = fx.getChunk();
    EXPECT_EQ(keptIn(deleted, a), aBytes);

    // Restored with its file gone, that copy plays and is saved whatever
    // the total: another program naming an 8 MB file takes the project over
    // 16 MB, and only that file, still in place, is left to its path.
    ASSERT_EQ(fx.setChunk(deleted), 1200);
    EXPECT_EQ(engine->sampleOrigin(), Origin::project);
    const std::string big = dir.file("big.wav");
    writeFloatWav(big, std::vector<float>(4'200'000, 0.25f), 44100);
    fx.setProgram(1);
    ASSERT_EQ(engine->loadSampleFile(big.c_str()), nullptr);
    const std::vector<unsigned char> over = fx.getChunk();
    EXPECT_TRUE(engine->samplesOverLimit());
    EXPECT_TRUE(engine->savesOnlyCopiesAnyway());
    EXPECT_EQ(keptIn(over, a), aBytes);
    EXPECT_TRUE(keptIn(over, big).empty());
    // Keeping turned off stores paths only, but never loses the only copy.
    engine->setKeepSamples(false);
    EXPECT_EQ(keptIn(fx.getChunk(), a), aBytes);
    engine->setKeepSamples(true);
    // Back under the limit, every sample is kept again.
    ASSERT_EQ(engine->loadSampleFile(b.c_str()), nullptr);
    const std::vector<unsigned char> project = fx.getChunk();
    EXPECT_FALSE(engine->samplesOverLimit());
    EXPECT_FALSE(engine->savesOnlyCopiesAnyway());
    EXPECT_EQ(keptIn(project, b), readFile(b));
    fx.setProgram(0);
    EXPECT_EQ(playedLength(), 3000);

    // Every restore replaces the copies with exactly what it brings: a
    // bank without them (an undo, an older preset) naming the same path
    // plays the file there now, and the old copy is neither played nor saved.
    writeFloatWav(a, testSample(1500), 44100);
    const std::vector<unsigned char> bankOnly(project.begin(), project.begin() + 1200);
    ASSERT_EQ(fx.setChunk(bankOnly), 1200);
    EXPECT_EQ(engine->sampleOrigin(), Origin::file);
    EXPECT_EQ(playedLength(), 1500);
    EXPECT_EQ(keptIn(fx.getChunk(), a), readFile(a));
    // And back: restoring the project brings its copy again.
    ASSERT_EQ(fx.setChunk(project), 1200);
    EXPECT_EQ(engine->sampleOrigin(), Origin::project);
    EXPECT_EQ(playedLength(), 3000);
    EXPECT_EQ(keptIn(fx.getChunk(), a), aBytes);
}
