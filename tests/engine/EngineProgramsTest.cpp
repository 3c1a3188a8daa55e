// Identity, parameters, programs, the chunk and sample loading.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace {

VstIntPtr dispatch(GranularEngine& engine, int32_t opcode, int32_t index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f)
{
    AEffect* effect = engine.getAeffect();
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string text(GranularEngine& engine, int32_t opcode, int32_t index = 0)
{
    char buffer[300];
    std::memset(buffer, 'x', sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    dispatch(engine, opcode, index, 0, buffer);
    return buffer;
}

std::string display(GranularEngine& engine, int32_t index)
{
    return text(engine, effGetParamDisplay, index);
}

std::unique_ptr<GranularEngine> makeEngine()
{
    auto engine = std::make_unique<GranularEngine>(recordingHost);
    dispatch(*engine, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    return engine;
}

// Copies the engine's chunk out, as a host saves it.
std::vector<unsigned char> saveChunk(GranularEngine& engine, int32_t isPreset = 0)
{
    void* data = nullptr;
    const VstIntPtr size = dispatch(engine, effGetChunk, isPreset, 0, &data);
    EXPECT_EQ(size, 1200);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

GranularProgram* programsIn(std::vector<unsigned char>& chunk)
{
    return reinterpret_cast<GranularProgram*>(chunk.data());
}

} // namespace

TEST(EngineIdentity, RecordAndAnswersThroughTheDispatcher)
{
    auto engine = makeEngine();
    const AEffect* effect = engine->getAeffect();
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->uniqueID, 0x48655061); // 'HePa'
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numPrograms, 4);
    EXPECT_EQ(effect->numParams, 4);
    // Program chunks, synth, and replacing processing (a host may load
    // nothing without it). The editor bit follows whether an editor exists.
    EXPECT_EQ(effect->flags & ~kFlagHasEditor, kFlagProgramChunks | kFlagIsSynth | kFlagCanReplacing);
    EXPECT_EQ(effect->object, engine.get());

    EXPECT_EQ(text(*engine, effGetVendorString), "Hevarun");
    EXPECT_EQ(text(*engine, effGetProductString), "Parvolino");
    EXPECT_EQ(dispatch(*engine, effGetPlugCategory), 2);

    for (int32_t index : {0, 1, 5, -1}) {
        VstPinProperties pin;
        std::memset(&pin, 0x55, sizeof pin);
        EXPECT_EQ(dispatch(*engine, effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_STREQ(pin.label, "Parvolino");
        EXPECT_EQ(pin.flags, 3);
        // The short label holds 8 bytes with its terminator.
        EXPECT_EQ(std::string(pin.shortLabel, 8), std::string("Parvoli\0", 8));
        EXPECT_EQ(static_cast<unsigned char>(pin.future[0]), 0x55);
    }

    char yes1[] = "receiveVstEvents", yes2[] = "receiveVstMidiEvent";
    char no1[] = "receiveVstTimeInfo", no2[] = "", no3[] = "receiveVstEventsX";
    EXPECT_EQ(dispatch(*engine, effCanDo, 0, 0, yes1), 1);
    EXPECT_EQ(dispatch(*engine, effCanDo, 0, 0, yes2), 1);
    EXPECT_EQ(dispatch(*engine, effCanDo, 0, 0, no1), -1);
    EXPECT_EQ(dispatch(*engine, effCanDo, 0, 0, no2), -1);
    EXPECT_EQ(dispatch(*engine, effCanDo, 0, 0, no3), -1);

    recordedCalls().clear();
    dispatch(*engine, effMainsChanged, 0, 1);
    ASSERT_EQ(recordedCalls().size(), 1u);
    EXPECT_EQ(recordedCalls()[0].opcode, audioMasterWantMidi);
    EXPECT_EQ(recordedCalls()[0].value, 1);
}

TEST(EngineParameters, FreshInstance)
{
    auto engine = makeEngine();
    const char* names[] = {"Speed", "Length", "Density", "Random"};
    const float values[] = {0.5f, 0.5f, 0.5f, 0.1f};
    AEffect* effect = engine->getAeffect();
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(text(*engine, effGetParamName, i), names[i]);
        EXPECT_EQ(text(*engine, effGetParamLabel, i), "");
        EXPECT_EQ(effect->getParameter(effect, i), values[i]);
    }
    for (int32_t p = 0; p < 4; ++p) {
        dispatch(*engine, effSetProgram, 0, p);
        EXPECT_EQ(text(*engine, effGetProgramName), "Default");
        EXPECT_EQ(engine->program(p).samplePath[0], '\0');
    }
    EXPECT_EQ(engine->grainLength(), 4100);
    EXPECT_EQ(engine->grainSpacing(), 683);
    EXPECT_EQ(engine->randomRange(), 50);
    EXPECT_EQ(engine->speedFactor(), 1.0f);
    // Before any sample rate arrives, milliseconds use the default 44100.
    GranularEngine unset(nullptr);
    EXPECT_EQ(unset.samplesPerMs(), engine->samplesPerMs());
    EXPECT_EQ(unset.noteRatio(72), 2.0f);

    // Other indices: nothing changes, buffers stay as they were.
    EXPECT_EQ(effect->getParameter(effect, 4), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, -1), 0.0f);
    EXPECT_EQ(text(*engine, effGetParamName, 4).substr(0, 4), "xxxx");
    EXPECT_EQ(text(*engine, effGetParamDisplay, -1).substr(0, 4), "xxxx");
    effect->setParameter(effect, -1, 0.0f);
    effect->setParameter(effect, 4, 0.9f);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(effect->getParameter(effect, i), values[i]);
}

TEST(EngineParameters, MappingsAndDisplaysAt44100)
{
    auto engine = makeEngine();
    AEffect* effect = engine->getAeffect();
    auto set = [&](int32_t index, float value) { effect->setParameter(effect, index, value); };

    EXPECT_EQ(display(*engine, 0), "1.000000");
    EXPECT_EQ(display(*engine, 2), "6.000000");
    EXPECT_EQ(display(*engine, 1).substr(0, 6), "92.970");

    set(1, 0.0f);
    EXPECT_EQ(engine->grainLength(), 100);
    EXPECT_EQ(engine->grainSpacing(), 16);
    set(1, 1.0f);
    EXPECT_EQ(engine->grainLength(), 8100);
    EXPECT_EQ(engine->grainSpacing(), 1350);
    // The mapping truncates the exact product: 0.3 (a little over as float)
    // gives 100 + 2400, and 0.7 (a little under) 100 + 5599.
    set(1, 0.3f);
    EXPECT_EQ(engine->grainLength(), 2500);
    set(1, 0.7f);
    EXPECT_EQ(engine->grainLength(), 5699);
    set(1, 0.5f);

    set(2, 0.0f);
    EXPECT_EQ(engine->grainSpacing(), 2733);
    EXPECT_EQ(display(*engine, 2), "1.500000");
    set(2, 1.0f);
    EXPECT_EQ(engine->grainSpacing(), 390);
    EXPECT_EQ(display(*engine, 2), "10.50000");
    // Length after Density uses the stored Density, and the other way round.
    set(1, 1.0f);
    EXPECT_EQ(engine->grainSpacing(), 771);
    set(2, 0.5f);
    EXPECT_EQ(engine->grainSpacing(), 1350);

    set(3, 1.0f);
    EXPECT_EQ(engine->randomRange(), 500);
    EXPECT_EQ(display(*engine, 3).substr(0, 5), "11.33");
    set(3, 0.0f);
    EXPECT_EQ(engine->randomRange(), 0);
    EXPECT_EQ(display(*engine, 3), "0.000000");

    set(0, 1.0f);
    EXPECT_EQ(engine->speedFactor(), 2.0f);
    EXPECT_EQ(display(*engine, 0), "2.000000");
    set(0, 0.0f);
    EXPECT_EQ(display(*engine, 0), "0.000000");

    // Every change is stored in the current program as well.
    EXPECT_EQ(engine->program(0).values[1], 1.0f);
    EXPECT_EQ(engine->program(0).values[3], 0.0f);
}

TEST(EngineParameters, HostileValuesAreHeldInRange)
{
    auto engine = makeEngine();
    AEffect* effect = engine->getAeffect();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (int32_t index = 0; index < 4; ++index) {
        for (float value : {nan, inf, -inf, -0.5f, 3.0f, 1e30f, -1e-30f}) {
            effect->setParameter(effect, index, value);
            const float stored = effect->getParameter(effect, index);
            ASSERT_GE(stored, 0.0f) << index << " " << value;
            ASSERT_LE(stored, 1.0f) << index << " " << value;
            ASSERT_GE(engine->grainLength(), 100);
            ASSERT_LE(engine->grainLength(), 8100);
            ASSERT_GT(engine->grainSpacing(), 0);
            ASSERT_GE(engine->randomRange(), 0);
            ASSERT_LE(engine->randomRange(), 500);
            ASSERT_GE(engine->speedFactor(), 0.0f);
            ASSERT_LE(engine->speedFactor(), 2.0f);
        }
        // Not-a-number gives the default; a value off the range its nearest end.
        effect->setParameter(effect, index, nan);
        EXPECT_EQ(effect->getParameter(effect, index), index == 3 ? 0.1f : 0.5f);
        effect->setParameter(effect, index, -2.0f);
        EXPECT_EQ(effect->getParameter(effect, index), 0.0f);
        effect->setParameter(effect, index, 2.0f);
        EXPECT_EQ(effect->getParameter(effect, index), 1.0f);
        EXPECT_EQ(engine->program(0).values[index], 1.0f);
    }
}

TEST(EnginePrograms, NamesAreCutToTheField)
{
    auto engine = makeEngine();
    char longName[100];
    std::memset(longName, 'n', sizeof longName - 1);
    longName[sizeof longName - 1] = '\0';
    dispatch(*engine, effSetProgramName, 0, 0, longName);
    EXPECT_EQ(text(*engine, effGetProgramName), std::string(23, 'n'));

    // The host's 24-byte buffer is never written past its end.
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    dispatch(*engine, effGetProgramName, 0, 0, buffer);
    EXPECT_EQ(buffer[23], '\0');
    EXPECT_EQ(buffer[24], '#');

    char shortName[] = "Pad";
    dispatch(*engine, effSetProgramName, 0, 0, shortName);
    EXPECT_EQ(text(*engine, effGetProgramName), "Pad");
    dispatch(*engine, effSetProgram, 0, 1);
    EXPECT_EQ(text(*engine, effGetProgramName), "Default");
}

TEST(EnginePrograms, ProgramNumbersOutsideTheBankAreRefused)
{
    auto engine = makeEngine();
    dispatch(*engine, effSetProgram, 0, 2);
    for (VstIntPtr bad : {VstIntPtr(-1), VstIntPtr(4), VstIntPtr(-100000), VstIntPtr(1) << 30}) {
        dispatch(*engine, effSetProgram, 0, bad);
        EXPECT_EQ(dispatch(*engine, effGetProgram), 2);
    }
    engine->setProgram(-1);
    engine->setProgram(4);
    EXPECT_EQ(engine->getProgram(), 2);
}

TEST(EngineSample, LoadMessagesAndPath)
{
    TempDir dir;
    auto engine = makeEngine();
    writeFloatWav(dir.file("stereo.wav"), testSample(200), 44100, 2);
    writeFloatWav(dir.file("mono.wav"), testSample(1000), 22050);
    {
        std::FILE* f = std::fopen(dir.file("short.wav").c_str(), "wb");
        std::fwrite("RIFF\x10\0\0\0WAVE", 1, 12, f);
        std::fclose(f);
    }

    EXPECT_STREQ(engine->loadSampleFile(dir.file("missing.wav").c_str()), "File not found");
    EXPECT_STREQ(engine->loadSampleFile(dir.file("stereo.wav").c_str()), "WAV-File has bad type");
    EXPECT_STREQ(engine->loadSampleFile(dir.file("short.wav").c_str()), "Error reading WAV-File");
    char path[260];
    engine->getSamplePath(path);
    EXPECT_STREQ(path, "");
    render(*engine, 4);
    EXPECT_FALSE(engine->hasSample());

    EXPECT_EQ(engine->loadSampleFile(dir.file("mono.wav").c_str()), nullptr);
    engine->getSamplePath(path);
    EXPECT_EQ(std::string(path), dir.file("mono.wav"));
    render(*engine, 4);
    EXPECT_TRUE(engine->hasSample());
    EXPECT_EQ(engine->sampleLength(), 1000);
    // The file's rate sets the voices' speed: 22050 / 44100 × 1.0.
    EXPECT_EQ(engine->voice(0).speed(), 0.5f);

    // A failed load keeps the sample and the path.
    EXPECT_NE(engine->loadSampleFile(dir.file("stereo.wav").c_str()), nullptr);
    render(*engine, 4);
    EXPECT_EQ(engine->sampleLength(), 1000);
    engine->getSamplePath(path);
    EXPECT_EQ(std::string(path), dir.file("mono.wav"));

    // A path that the program could not store is not taken.
    std::string longPath = dir.file(std::string(300, 'a') + ".wav");
    EXPECT_STREQ(engine->loadSampleFile(longPath.c_str()), "File not found");
}

TEST(EnginePrograms, SwitchingWithAndWithoutPathsAndAMissingFile)
{
    TempDir dir;
    auto engine = makeEngine();
    writeFloatWav(dir.file("a.wav"), testSample(3000), 44100);
    writeFloatWav(dir.file("b.wav"), testSample(5000), 44100);

    ASSERT_EQ(engine->loadSampleFile(dir.file("a.wav").c_str()), nullptr);
    // Program 1 has no sample: it takes over program 0's.
    dispatch(*engine, effSetProgram, 0, 1);
    EXPECT_EQ(std::string(engine->program(1).samplePath), dir.file("a.wav"));
    ASSERT_EQ(engine->loadSampleFile(dir.file("b.wav").c_str()), nullptr);
    render(*engine, 1);
    EXPECT_EQ(engine->sampleLength(), 5000);

    // Selecting program 0 reads its file again.
    dispatch(*engine, effSetProgram, 0, 0);
    render(*engine, 1);
    EXPECT_EQ(engine->sampleLength(), 3000);

    // Program 2 names a file that has gone missing: the path is kept, the
    // earlier sample plays on.
    std::vector<unsigned char> chunk = saveChunk(*engine);
    copyText(programsIn(chunk)[2].samplePath, 260, dir.file("later.wav").c_str());
    ASSERT_EQ(dispatch(*engine, effSetChunk, 0, 1200, chunk.data()), 1200);
    dispatch(*engine, effSetProgram, 0, 2);
    render(*engine, 1);
    EXPECT_EQ(std::string(engine->program(2).samplePath), dir.file("later.wav"));
    EXPECT_EQ(engine->sampleLength(), 3000);

    // Once the file is there, selecting the program loads it.
    writeFloatWav(dir.file("later.wav"), testSample(700), 44100);
    dispatch(*engine, effSetProgram, 0, 2);
    render(*engine, 1);
    EXPECT_EQ(engine->sampleLength(), 700);

    // The program's values come along with it.
    AEffect* effect = engine->getAeffect();
    effect->setParameter(effect, 3, 0.9f);
    dispatch(*engine, effSetProgram, 0, 0);
    EXPECT_EQ(effect->getParameter(effect, 3), 0.1f);
    dispatch(*engine, effSetProgram, 0, 2);
    EXPECT_EQ(effect->getParameter(effect, 3), 0.9f);
    // 0.9 as a float is a little under: 449.99... truncates to 449.
    EXPECT_EQ(engine->randomRange(), 449);
}

TEST(EngineChunk, RoundTripRestoresNamesPathsValuesAndSample)
{
    TempDir dir;
    writeFloatWav(dir.file("zero.wav"), testSample(1234), 44100);
    writeFloatWav(dir.file("three.wav"), testSample(4321), 48000);
    std::vector<unsigned char> saved;
    {
        auto engine = makeEngine();
        AEffect* effect = engine->getAeffect();
        ASSERT_EQ(engine->loadSampleFile(dir.file("zero.wav").c_str()), nullptr);
        char n0[] = "First";
        dispatch(*engine, effSetProgramName, 0, 0, n0);
        effect->setParameter(effect, 1, 0.25f);
        dispatch(*engine, effSetProgram, 0, 3);
        ASSERT_EQ(engine->loadSampleFile(dir.file("three.wav").c_str()), nullptr);
        char n3[] = "Fourth";
        dispatch(*engine, effSetProgramName, 0, 0, n3);
        effect->setParameter(effect, 2, 0.75f);
        EXPECT_EQ(saveChunk(*engine, 1), saveChunk(*engine, 0));
        saved = saveChunk(*engine);
    }
    GranularProgram* programs = programsIn(saved);
    EXPECT_STREQ(programs[0].name, "First");
    EXPECT_EQ(programs[0].values[1], 0.25f);
    EXPECT_EQ(std::string(programs[3].samplePath), dir.file("three.wav"));
    EXPECT_EQ(programs[3].values[2], 0.75f);

    auto restored = makeEngine();
    dispatch(*restored, effSetProgram, 0, 3);
    EXPECT_EQ(dispatch(*restored, effSetChunk, 0, static_cast<VstIntPtr>(saved.size()), saved.data()), 1200);
    EXPECT_EQ(saveChunk(*restored), saved);
    EXPECT_EQ(text(*restored, effGetProgramName), "Fourth");
    AEffect* effect = restored->getAeffect();
    EXPECT_EQ(effect->getParameter(effect, 2), 0.75f);
    EXPECT_EQ(restored->grainSpacing(), static_cast<int32_t>(4100 / (0.75 * 9.0 + 1.5)));
    render(*restored, 1);
    EXPECT_EQ(restored->sampleLength(), 4321);
    EXPECT_EQ(restored->voice(5).speed(), 48000.0f / 44100.0f);

    // The chunk just handed out can be given straight back.
    void* own = nullptr;
    const VstIntPtr size = dispatch(*restored, effGetChunk, 0, 0, &own);
    EXPECT_EQ(dispatch(*restored, effSetChunk, 0, size, own), 1200);
    EXPECT_EQ(saveChunk(*restored), saved);
}

TEST(EngineChunk, HostileChunksAreTrustedForNothing)
{
    TempDir dir;
    writeFloatWav(dir.file("s.wav"), testSample(900), 44100);
    auto engine = makeEngine();
    ASSERT_EQ(engine->loadSampleFile(dir.file("s.wav").c_str()), nullptr);
    const std::vector<unsigned char> before = saveChunk(*engine);

    // Short chunks are refused whole; nothing past byteSize is read (the
    // address sanitizer sees the heap block end exactly there).
    for (int32_t size : {0, 1, 300, 1199}) {
        std::vector<unsigned char> shortChunk(before.begin(), before.begin() + size);
        std::unique_ptr<unsigned char[]> exact(new unsigned char[size + 1]);
        if (size > 0)
            std::memcpy(exact.get(), shortChunk.data(), size);
        EXPECT_EQ(dispatch(*engine, effSetChunk, 0, size, exact.get()), 0) << size;
        EXPECT_EQ(saveChunk(*engine), before);
    }
    EXPECT_EQ(dispatch(*engine, effSetChunk, 0, -5, const_cast<unsigned char*>(before.data())), 0);
    EXPECT_EQ(dispatch(*engine, effSetChunk, 0, 1200, nullptr), 0);

    // Unterminated texts end inside their fields; values that are not
    // finite become the defaults, others are held to 0 to 1 once applied.
    std::vector<unsigned char> chunk(1200, 'A');
    GranularProgram* programs = programsIn(chunk);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int p = 0; p < 4; ++p) {
        programs[p].values[0] = nan;
        programs[p].values[1] = std::numeric_limits<float>::infinity();
        programs[p].values[2] = -7.0f;
        programs[p].values[3] = 42.0f;
    }
    EXPECT_EQ(dispatch(*engine, effSetChunk, 0, 1500, chunk.data()), 1200);
    EXPECT_EQ(text(*engine, effGetProgramName), std::string(23, 'A'));
    char path[300];
    engine->getSamplePath(path);
    EXPECT_EQ(std::string(path), std::string(259, 'A'));
    AEffect* effect = engine->getAeffect();
    EXPECT_EQ(effect->getParameter(effect, 0), 0.5f);
    EXPECT_EQ(effect->getParameter(effect, 1), 0.5f);
    EXPECT_EQ(effect->getParameter(effect, 2), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, 3), 1.0f);
    // The unreadable path left the sample in place.
    render(*engine, 1);
    EXPECT_EQ(engine->sampleLength(), 900);
    const std::vector<unsigned char> after = saveChunk(*engine);
    const GranularProgram* stored = reinterpret_cast<const GranularProgram*>(after.data());
    EXPECT_EQ(stored[1].values[0], 0.5f);
    EXPECT_EQ(stored[1].values[2], 0.0f);
    EXPECT_EQ(stored[1].values[3], 1.0f);
}
