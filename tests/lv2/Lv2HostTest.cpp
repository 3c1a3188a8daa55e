// parvolino-lv2host against the bundle: it finds the plug-in by its URI,
// runs it in blocks of 1, 63, 0 and 512 frames in turn, writes every frame,
// and a state it saved through lilv restores into a fresh instance.

#include "tests/lv2/ToolRuns.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(Lv2Host, RunsAnyBlockLengthsAndRestoresASavedStateIntoAFreshInstance)
{
    std::string pattern = (fs::temp_directory_path() / "parvolino-lv2host-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    std::ofstream(dir / "notes.txt") << "rate 48000\n"
                                        "param 1 0.75\n"
                                        "at 0 on 60 100\n"
                                        "at 70 on 67 90\n"
                                        "at 600 off 60\n"
                                        "at 1199 off 67\n"
                                        "length 1200\n";
    const std::string wav = (dir / "out.wav").string();
    const std::string state = (dir / "state").string();

    // Blocks of 1, 63, 0 and 512 frames in turn: 1, 63, 0, 512, 1, 63, 0,
    // 512, 1 and the last 47 of the 1200 frames.
    std::string output;
    ASSERT_EQ(runLv2Host("--score '" + (dir / "notes.txt").string() + "' --blocks 1,63,0,512 --set speed=0.25 -o '" +
                          wav + "' --save-state '" + state + "'",
                      output),
              0)
        << output;
    EXPECT_NE(output.find("rendered 1200 frames in 10 blocks at 48000 Hz"), std::string::npos) << output;

    SF_INFO info{};
    SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 48000);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    std::vector<float> frames(size_t(info.frames) * 2);
    EXPECT_EQ(sf_readf_float(file, frames.data(), info.frames), 1200);
    sf_close(file);
    for (float sample : frames)
        ASSERT_TRUE(std::isfinite(sample));
    EXPECT_TRUE(fs::exists(fs::path(state) / "state.ttl"));

    // A fresh instance in a fresh process takes the values back from the
    // state: the one set on the command line and the one the score set.
    ASSERT_EQ(runLv2Host("--restore-state '" + state + "' --print-controls", output), 0) << output;
    EXPECT_NE(output.find("control speed 0.250000\n"), std::string::npos) << output;
    EXPECT_NE(output.find("control length 0.750000\n"), std::string::npos) << output;
    EXPECT_NE(output.find("control random 0.100000\n"), std::string::npos) << output;

    // Asked for something it cannot do, it says so and fails.
    EXPECT_NE(runLv2Host("--restore-state '" + (dir / "nowhere").string() + "'", output), 0);
    EXPECT_NE(output.find("no state could be read"), std::string::npos) << output;
    fs::remove_all(dir);
}

}  // namespace
