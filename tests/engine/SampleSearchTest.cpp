// Where a moved sample is looked for, in which order, on both kinds of path.
#include "engine/SampleSearch.h"

#include <gtest/gtest.h>

#include <set>

TEST(SampleSearch, SameNameFirstThenTrailingFoldersUnderEachFolderAndItsParents)
{
    std::set<std::string> files;
    std::vector<std::string> asked;
    auto exists = [&](const std::string& path) {
        asked.push_back(path);
        return files.count(path) > 0;
    };
    const std::string missing = "C:\\Users\\ann\\song\\synth\\pad.wav";
    const std::vector<std::string> folders = {"D:\\music\\song\\drums", "/home/bo/take"};

    EXPECT_EQ(findMovedSample(missing, folders, exists), "");
    // Same name in each folder, then the longest trailing folders first,
    // each under a folder and then its parents.
    ASSERT_GE(asked.size(), 6u);
    EXPECT_EQ(asked[0], "D:\\music\\song\\drums\\pad.wav");
    EXPECT_EQ(asked[1], "/home/bo/take/pad.wav");
    EXPECT_EQ(asked[2], "D:\\music\\song\\drums\\Users\\ann\\song\\synth\\pad.wav");
    EXPECT_EQ(asked[3], "D:\\music\\song\\Users\\ann\\song\\synth\\pad.wav");
    EXPECT_EQ(std::set<std::string>(asked.begin(), asked.end()).size(), asked.size());  // nothing twice

    files = {"D:\\music\\song\\synth\\pad.wav", "/home/bo/take/synth/pad.wav", "/home/bo/pad.wav"};
    EXPECT_EQ(findMovedSample(missing, folders, exists), "D:\\music\\song\\synth\\pad.wav");
    EXPECT_EQ(findMovedSample("/mnt/old/synth/pad.wav", {"/home/bo/take"}, exists), "/home/bo/take/synth/pad.wav");
    EXPECT_EQ(findMovedSample("/mnt/old/pad.wav", {"/home/bo/take", "/home/bo"}, exists), "/home/bo/pad.wav");
    // The missing path itself is never an answer, nor a name without a file part.
    files = {missing};
    EXPECT_EQ(findMovedSample(missing, {"C:\\Users\\ann\\song\\synth"}, exists), "");
    EXPECT_EQ(findMovedSample("/mnt/old/", folders, exists), "");
    EXPECT_EQ(folderOf("/pad.wav"), "/");
    EXPECT_EQ(folderOf("pad.wav"), "");
}
