// parvolino-render as a user runs it: outputs, the summary line, the bank
// save/restore, and clear errors with a non-zero exit.

#include "tools/render/ProgramBank.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "parvolino-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string file(const std::string& name) const { return (dir / name).string(); }

    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(file(name), std::ios::binary) << text;
    }

    ToolRun run(const std::string& args) const
    {
        ToolRun result;
        std::string command = std::string("'") + PARVOLINO_RENDER_TOOL + "' " + args + " >'" + file("stdout") +
                              "' 2>'" + file("stderr") + "'";
        int status = std::system(command.c_str());
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = slurp(dir / "stdout");
        result.err = slurp(dir / "stderr");
        return result;
    }

    fs::path dir;
};

struct WavFile {
    SF_INFO info{};
    std::vector<float> samples;
};

WavFile readWav(const std::string& path)
{
    WavFile wav;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &wav.info);
    if (f == nullptr)
        return wav;
    wav.samples.resize(size_t(wav.info.frames * wav.info.channels));
    sf_readf_float(f, wav.samples.data(), wav.info.frames);
    sf_close(f);
    return wav;
}

const char* const kScore =
    "at 0 on 60 100\n"
    "at 4410 on 67 90\n"
    "at 13230 off 60\n"
    "at 17640 off 67\n";

TEST_F(RenderCommand, RendersAScoreAndSummarisesIt)
{
    write("s.score", kScore);
    ToolRun r = run("--score '" + file("s.score") + "' --sample " + PARVOLINO_TEST_SAMPLE + " --tail 0.5 -o '" +
                file("out.wav") + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    double peakDb = 0.0, rmsDb = 0.0;
    char path[512] = {0};
    ASSERT_EQ(std::sscanf(r.out.c_str(), "0.90 s (39690 frames at 44100 Hz), peak %lf dBFS, RMS %lf dBFS -> %511s",
                          &peakDb, &rmsDb, path), 3)
        << r.out;
    EXPECT_EQ(std::string(path), file("out.wav"));
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line";
    EXPECT_EQ(r.err, "");  // no progress bar when standard error is not a terminal

    WavFile wav = readWav(file("out.wav"));
    EXPECT_EQ(wav.info.channels, 2);
    EXPECT_EQ(wav.info.samplerate, 44100);
    EXPECT_EQ(wav.info.frames, 17640 + 22050);
    EXPECT_EQ(wav.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    double peak = 0.0, squares = 0.0;
    for (float s : wav.samples) {
        peak = std::max(peak, std::fabs(double(s)));
        squares += double(s) * s;
    }
    EXPECT_GT(peak, 0.01);
    // The summary's figures are those of the file, to the tenth printed.
    EXPECT_NEAR(peakDb, 20.0 * std::log10(peak), 0.051);
    EXPECT_NEAR(rmsDb, 20.0 * std::log10(std::sqrt(squares / double(wav.samples.size()))), 0.051);

    for (auto [format, subtype] : {std::pair{"16", SF_FORMAT_PCM_16}, std::pair{"24", SF_FORMAT_PCM_24}}) {
        ToolRun f = run("--score '" + file("s.score") + "' --tail 0 --format " + format + " -o '" + file("f.wav") + "'");
        ASSERT_EQ(f.exitCode, 0) << f.err;
        EXPECT_EQ(readWav(file("f.wav")).info.format, SF_FORMAT_WAV | subtype);
    }
}

TEST_F(RenderCommand, DemoPhraseNeedsNoArguments)
{
    ToolRun r = run("-o '" + file("demo.wav") + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    WavFile wav = readWav(file("demo.wav"));
    // The last note ends at 7.2 s; two seconds of tail follow.
    EXPECT_EQ(wav.info.frames, 317520 + 88200);
    double sum = 0.0;
    for (float s : wav.samples)
        sum += double(s) * s;
    EXPECT_GT(sum / double(wav.samples.size()), 1e-4) << "the demo should not be near silence";
}

TEST_F(RenderCommand, ASavedBankRestoresTheSameSound)
{
    write("s.score", kScore);
    ToolRun a = run("--score '" + file("s.score") + "' --sample " + PARVOLINO_TEST_SAMPLE +
                " --param Length=0.2 --param density=0.9 --save-chunk '" + file("bank.bin") + "' -o '" +
                file("a.wav") + "'");
    ASSERT_EQ(a.exitCode, 0) << a.err;
    std::string bank = slurp(dir / "bank.bin");
    ASSERT_GT(bank.size(), kBankBytes + fs::file_size(PARVOLINO_TEST_SAMPLE));  // the sample kept after the bank
    ProgramBank bytes(bank.begin(), bank.begin() + kBankBytes);
    EXPECT_EQ(samplePath(bytes, 0), PARVOLINO_TEST_SAMPLE);
    EXPECT_EQ(programValue(bytes, 0, 1), 0.2f);
    EXPECT_EQ(programValue(bytes, 0, 2), 0.9f);

    // The bank alone brings back the sample and the values.
    ToolRun b = run("--score '" + file("s.score") + "' --chunk '" + file("bank.bin") + "' -o '" + file("b.wav") + "'");
    ASSERT_EQ(b.exitCode, 0) << b.err;
    EXPECT_EQ(readWav(file("a.wav")).samples, readWav(file("b.wav")).samples);
    ToolRun plain = run("--score '" + file("s.score") + "' -o '" + file("c.wav") + "'");
    EXPECT_NE(readWav(file("a.wav")).samples, readWav(file("c.wav")).samples);

    // A bank whose sample has moved next to another program's sample plays
    // it as a host would; one found nowhere is refused, not rendered silent.
    fs::create_directories(dir / "moved");
    fs::copy_file(PARVOLINO_TEST_SAMPLE, dir / "moved" / fs::path(PARVOLINO_TEST_SAMPLE).filename());
    ProgramBank moved = bytes;
    ASSERT_TRUE(setSamplePath(moved, 0, file("gone/" + fs::path(PARVOLINO_TEST_SAMPLE).filename().string())));
    ASSERT_TRUE(setSamplePath(moved, 1, file("moved/other.wav")));
    std::ofstream(file("moved.bin"), std::ios::binary).write(reinterpret_cast<const char*>(moved.data()), moved.size());
    ToolRun m = run("--score '" + file("s.score") + "' --chunk '" + file("moved.bin") + "' -o '" + file("m.wav") + "'");
    ASSERT_EQ(m.exitCode, 0) << m.err;
    EXPECT_NE(m.out.find("has moved: the plug-in found it at " + file("moved/")), std::string::npos) << m.out;
    EXPECT_EQ(readWav(file("a.wav")).samples, readWav(file("m.wav")).samples);
    fs::remove_all(dir / "moved");
    ToolRun lost = run("--score '" + file("s.score") + "' --chunk '" + file("moved.bin") + "' -o '" + file("l.wav") + "'");
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_NE(lost.err.find("was found nowhere by the plug-in"), std::string::npos) << lost.err;

    // A chunk keeping the sample plays it with the file gone, and says so.
    fs::copy_file(PARVOLINO_TEST_SAMPLE, dir / "own.wav");
    ToolRun k = run("--score '" + file("s.score") + "' --sample '" + file("own.wav") +
                "' --param Length=0.2 --param density=0.9 --save-chunk '" + file("kept.bin") + "' -o '" +
                file("k.wav") + "'");
    ASSERT_EQ(k.exitCode, 0) << k.err;
    fs::remove(dir / "own.wav");
    ToolRun p = run("--score '" + file("s.score") + "' --chunk '" + file("kept.bin") + "' -o '" + file("p.wav") + "'");
    ASSERT_EQ(p.exitCode, 0) << p.err;
    EXPECT_NE(p.out.find("program 0's sample " + file("own.wav") + " plays from the project"), std::string::npos)
        << p.out;
    EXPECT_EQ(readWav(file("a.wav")).samples, readWav(file("p.wav")).samples);

    write("short.bin", "abc");
    ToolRun bad = run("--chunk '" + file("short.bin") + "' -o '" + file("d.wav") + "'");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("a program bank has at least 1200 bytes, this file has 3"), std::string::npos) << bad.err;
}

TEST_F(RenderCommand, ClassicPlaysEveryNoteAtOneLevelAndIgnoresTheNewControllers)
{
    write("full.score", "at 0 on 60 127\nat 4410 on 67 127\nat 13230 off 60\n");
    write("soft.score", "at 0 on 60 40\nat 2000 cc 7 50\nat 4410 on 67 90\nat 9000 cc 64 127\nat 13230 off 60\n");
    auto render = [&](const std::string& score, const std::string& extra) {
        const std::string out = file(score + (extra.empty() ? "" : ".classic") + ".wav");
        ToolRun r = run("--score '" + file(score) + "' --tail 0.2 " + extra + " -o '" + out + "'");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return readWav(out).samples;
    };
    // At full velocity and without those controllers both ways play alike.
    const std::vector<float> classic = render("full.score", "--classic");
    ASSERT_GT(classic.size(), 0u);
    EXPECT_EQ(render("full.score", ""), classic);
    EXPECT_EQ(render("soft.score", "--classic"), classic);
    EXPECT_NE(render("soft.score", ""), classic);

    ToolRun both = run("--classic --plugin /some/module.so -o '" + file("x.wav") + "'");
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_NE(both.err.find("give --classic or --plugin, not both"), std::string::npos) << both.err;
}

TEST_F(RenderCommand, RendersAMidiFileWithItsTail)
{
    // Type 0, 96 ticks per quarter at 120 bpm: a note from 0 to 0.5 s.
    const unsigned char smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                 'M', 'T', 'r', 'k', 0, 0, 0, 12,
                                 0x00, 0x90, 62, 100, 0x60, 0x80, 62, 0, 0x00, 0xFF, 0x2F, 0};
    std::ofstream(file("n.mid"), std::ios::binary).write(reinterpret_cast<const char*>(smf), sizeof smf);
    ToolRun r = run("--midi '" + file("n.mid") + "' --rate 48000 --tail 0.25 -o '" + file("m.wav") + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    WavFile wav = readWav(file("m.wav"));
    EXPECT_EQ(wav.info.samplerate, 48000);
    EXPECT_EQ(wav.info.frames, 24000 + 12000);
}

TEST_F(RenderCommand, NonsenseIsRefusedBeforeAnythingIsWritten)
{
    // A delta of 0x0FFFFFFF ticks: hours of audio nobody asked for.
    const unsigned char smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                 'M', 'T', 'r', 'k', 0, 0, 0, 15,
                                 0x00, 0x90, 62, 100, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 62, 0, 0x00, 0xFF, 0x2F, 0};
    std::ofstream(file("long.mid"), std::ios::binary).write(reinterpret_cast<const char*>(smf), sizeof smf);
    ToolRun longMidi = run("--midi '" + file("long.mid") + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(longMidi.exitCode, 1);
    EXPECT_NE(longMidi.err.find("more than the 600 s allowed"), std::string::npos) << longMidi.err;
    EXPECT_NE(longMidi.err.find("give --max-length SECONDS"), std::string::npos) << longMidi.err;
    write("s.score", kScore);
    EXPECT_EQ(run("--score '" + file("s.score") + "' --tail 3 --max-length 2 -o '" + file("o.wav") + "'").exitCode, 1);
    EXPECT_FALSE(fs::exists(file("o.wav")));
    EXPECT_EQ(run("--score '" + file("s.score") + "' --tail 3 --max-length 4 -o '" + file("o.wav") + "'").exitCode, 0);
    EXPECT_EQ(run("--max-length 0").exitCode, 2);

    write("high.score", "at 0 on 60 100\nat 10 on 200 100\n");
    ToolRun high = run("--score '" + file("high.score") + "' -o '" + file("h.wav") + "'");
    EXPECT_EQ(high.exitCode, 1);
    EXPECT_NE(high.err.find("high.score:2: note must be 0 to 127, got '200'"), std::string::npos) << high.err;
    write("param.score", "param 9 0.5\n");
    ToolRun param = run("--score '" + file("param.score") + "' -o '" + file("h.wav") + "'");
    EXPECT_EQ(param.exitCode, 1);
    EXPECT_NE(param.err.find("param.score:1: parameter index must be 0 to 3"), std::string::npos) << param.err;

    // No sample, so nothing could sound: said, unless silence is wanted.
    ToolRun none = run("--sample '' -o '" + file("h.wav") + "'");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no sample given: the render would be silent"), std::string::npos) << none.err;
    EXPECT_FALSE(fs::exists(file("h.wav")));
    const ProgramBank empty = defaultBank();
    std::ofstream(file("empty.bin"), std::ios::binary).write(reinterpret_cast<const char*>(empty.data()), empty.size());
    ToolRun emptyBank = run("--chunk '" + file("empty.bin") + "' -o '" + file("h.wav") + "'");
    EXPECT_EQ(emptyBank.exitCode, 1);
    EXPECT_NE(emptyBank.err.find("program 0 of the bank names no sample"), std::string::npos) << emptyBank.err;
    EXPECT_EQ(run("--sample '' --allow-silence -o '" + file("h.wav") + "'").exitCode, 0);
    EXPECT_TRUE(fs::exists(file("h.wav")));
}

TEST_F(RenderCommand, FailuresAreClearAndExitNonZero)
{
    ToolRun missing = run("--sample '" + file("none.wav") + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("none.wav: File not found"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(file("o.wav")));

    std::string stereo = file("stereo.wav");
    ASSERT_EQ(std::system(("sox -n -r 44100 -b 16 -c 2 '" + stereo + "' synth 0.1 sine 440").c_str()), 0);
    ToolRun stereoRun = run("--sample '" + stereo + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(stereoRun.exitCode, 0) << stereoRun.err;
    fs::remove(file("o.wav"));
    std::string adpcm = file("adpcm.wav");
    ASSERT_EQ(std::system(("sox -n -r 44100 -e ima-adpcm -c 1 '" + adpcm + "' synth 0.1 sine 440").c_str()), 0);
    ToolRun bad = run("--sample '" + adpcm + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("adpcm.wav: WAV-File has bad type: 4-bit IMA ADPCM"), std::string::npos) << bad.err;

    write("text.wav", "not a wave file at all");
    ToolRun text = run("--sample '" + file("text.wav") + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_NE(text.err.find("WAV-File has bad type"), std::string::npos) << text.err;

    write("bad.score", "rate 44100\nat 10 on 60\n");
    ToolRun score = run("--score '" + file("bad.score") + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(score.exitCode, 1);
    EXPECT_NE(score.err.find("bad.score:2: expected: at FRAME on NOTE VELOCITY [CHANNEL]"), std::string::npos)
        << score.err;

    write("score-sample.score", "sample missing.wav\n");
    ToolRun scoreSample = run("--score '" + file("score-sample.score") + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(scoreSample.exitCode, 1);
    EXPECT_NE(scoreSample.err.find(file("missing.wav") + ": File not found"), std::string::npos) << scoreSample.err;

    write("bad.mid", "MThd");
    ToolRun midi = run("--midi '" + file("bad.mid") + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(midi.exitCode, 1);
    EXPECT_NE(midi.err.find("bad.mid: not a Standard MIDI File"), std::string::npos) << midi.err;

    ToolRun module = run("--plugin '" + file("bad.score") + "' -o '" + file("o.wav") + "'");
    EXPECT_EQ(module.exitCode, 1);
    EXPECT_NE(module.err.find("cannot load the plug-in module"), std::string::npos) << module.err;

    ToolRun option = run("--frobnicate");
    EXPECT_EQ(option.exitCode, 2);
    EXPECT_NE(option.err.find("unknown option '--frobnicate'"), std::string::npos);
    EXPECT_NE(option.err.find("usage: parvolino-render"), std::string::npos);
    EXPECT_EQ(run("--param Volume=1").exitCode, 2);
    EXPECT_EQ(run("--param Speed=1.5").exitCode, 2);
    EXPECT_EQ(run("--format mp3").exitCode, 2);
    EXPECT_EQ(run("--block 0").exitCode, 2);
    EXPECT_EQ(run("--midi a.mid --score b.score").exitCode, 2);
    EXPECT_EQ(run("--rate").exitCode, 2);
    ToolRun help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--save-chunk FILE"), std::string::npos);
    EXPECT_FALSE(fs::exists(file("o.wav")));
}

}  // namespace
