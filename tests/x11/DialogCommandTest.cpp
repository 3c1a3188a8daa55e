// Which dialog program runs, with which command line, and which of its
// answers count as a chosen file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/x11/DialogCommand.h"

namespace {

namespace fs = std::filesystem;

constexpr char waveFilter[] = "Wave (*.wav)\0*.wav\0";

bool has(const std::vector<std::string>& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/parvolino-dialog-XXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string file(const std::string& name, bool executable) const {
        const std::string full = path + "/" + name;
        std::ofstream(full) << "#!/bin/sh\n";
        chmod(full.c_str(), executable ? 0755 : 0644);
        return full;
    }
    std::string path;
};

TEST(DialogCommand, ZenityIsPreferredThenKdialogFromAbsoluteFoldersOnly) {
    TempFolder a;
    TempFolder b;
    const std::string kdialog = b.file("kdialog", true);
    a.file("zenity", false);  // not executable: not a program
    std::string search = "relative:" + a.path + "::" + b.path;
    x11::DialogTool tool = x11::findDialogTool(search.c_str());
    EXPECT_EQ(tool.program, x11::DialogProgram::kdialog);
    EXPECT_EQ(tool.path, kdialog);

    const std::string zenity = b.file("zenity", true);
    tool = x11::findDialogTool(search.c_str());
    EXPECT_EQ(tool.program, x11::DialogProgram::zenity);
    EXPECT_EQ(tool.path, zenity);

    EXPECT_EQ(x11::findDialogTool(("relative:" + a.path).c_str()).program, x11::DialogProgram::none);
    EXPECT_EQ(x11::findDialogTool(nullptr).program, x11::DialogProgram::none);
}

TEST(DialogCommand, FilterListsArePairsUpToTheEmptyText) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(x11::filterPairs(waveFilter), (Pairs{{"Wave (*.wav)", "*.wav"}}));
    EXPECT_EQ(x11::filterPairs("A\0*.a\0B\0*.b;*.c\0"), (Pairs{{"A", "*.a"}, {"B", "*.b;*.c"}}));
    EXPECT_EQ(x11::filterPairs("Lonely\0"), Pairs{});
    EXPECT_EQ(x11::filterPairs(nullptr), Pairs{});
}

TEST(DialogCommand, TheOpenRequestBecomesTheChoosersOptions) {
    char file[260] = "";
    platform::OpenFileRequest request;
    request.filter = waveFilter;
    request.file = file;
    request.maxFile = sizeof file;
    request.title = "Load Sample";
    request.flags = platform::openFileExplorer | platform::openFileMustExist | platform::openFileHideReadOnly;

    const x11::DialogTool zenity{x11::DialogProgram::zenity, "/usr/bin/zenity"};
    std::vector<std::string> words = x11::openFileCommand(zenity, request, 0x2a00003);
    EXPECT_EQ(words.front(), "/usr/bin/zenity");
    EXPECT_TRUE(has(words, "--file-selection"));
    EXPECT_TRUE(has(words, "--title=Load Sample"));
    EXPECT_TRUE(has(words, "--attach=0x2a00003"));
    // The pattern matches ".WAV" too, as the platform's filters do.
    EXPECT_TRUE(has(words, "--file-filter=Wave (*.wav) | *.[wW][aA][vV]"));
    EXPECT_FALSE(std::any_of(words.begin(), words.end(), [](auto& w) { return w.rfind("--filename", 0) == 0; }))
        << "an empty buffer presets no file name";
    EXPECT_FALSE(has(words, "--save")) << "an open dialog, where only existing files can be confirmed";

    // A preset name, and the selected filter of several comes first.
    std::snprintf(file, sizeof file, "/home/u/old.wav");
    request.filter = "All (*.*)\0*.*\0Wave|AIFF\0*.wav; *.aif\0";
    request.filterIndex = 2;
    words = x11::openFileCommand(zenity, request, 0);
    EXPECT_TRUE(has(words, "--filename=/home/u/old.wav"));
    EXPECT_FALSE(std::any_of(words.begin(), words.end(), [](auto& w) { return w.rfind("--attach", 0) == 0; }));
    const auto first = std::find_if(words.begin(), words.end(), [](auto& w) { return w.rfind("--file-filter", 0) == 0; });
    ASSERT_NE(first, words.end());
    EXPECT_EQ(*first, "--file-filter=Wave/AIFF | *.[wW][aA][vV] *.[aA][iI][fF]");
    EXPECT_EQ(*(first + 1), "--file-filter=All (*.*) | *.*");

    const x11::DialogTool kdialog{x11::DialogProgram::kdialog, "/usr/bin/kdialog"};
    request.filter = waveFilter;
    request.filterIndex = 1;
    words = x11::openFileCommand(kdialog, request, 0);
    EXPECT_EQ(words, (std::vector<std::string>{"/usr/bin/kdialog", "--title", "Load Sample", "--getopenfilename",
                                               "/home/u/old.wav", "*.wav|Wave (*.wav)"}));

    // Without a preset name both open in the initial folder.
    file[0] = '\0';
    request.initialFolder = "/home/u/samples";
    words = x11::openFileCommand(kdialog, request, 0);
    EXPECT_EQ(words[4], "/home/u/samples/");
    EXPECT_TRUE(has(x11::openFileCommand(zenity, request, 0), "--filename=/home/u/samples/"));
}

TEST(DialogCommand, TheErrorBoxCarriesItsTitleAndPlainText) {
    const x11::DialogTool zenity{x11::DialogProgram::zenity, "/usr/bin/zenity"};
    std::vector<std::string> words = x11::messageCommand(zenity, "Not a <WAV> file & more", "Error", 0x10, 0);
    EXPECT_TRUE(has(words, "--error"));
    EXPECT_TRUE(has(words, "--title=Error"));
    EXPECT_TRUE(has(words, "--text=Not a <WAV> file & more"));
    EXPECT_TRUE(has(words, "--no-markup")) << "the message is shown as it is, not as markup";

    const x11::DialogTool kdialog{x11::DialogProgram::kdialog, "/usr/bin/kdialog"};
    words = x11::messageCommand(kdialog, "Bad file", "Error", 0x10, 0x400001);
    EXPECT_EQ(words, (std::vector<std::string>{"/usr/bin/kdialog", "--title", "Error", "--attach", "0x400001",
                                               "--error", "Bad file"}));
}

TEST(DialogCommand, OnlyOneAbsolutePathThatFitsAndExistsIsAChosenFile) {
    TempFolder folder;
    const std::string existing = folder.file("take.wav", false);
    char file[260];
    platform::OpenFileRequest request;
    request.file = file;
    request.maxFile = sizeof file;
    request.flags = platform::openFileMustExist;
    std::string path;

    EXPECT_TRUE(x11::acceptChosenPath(existing + "\n", request, path));
    EXPECT_EQ(path, existing);
    EXPECT_FALSE(x11::acceptChosenPath("", request, path)) << "cancelled";
    EXPECT_FALSE(x11::acceptChosenPath("take.wav\n", request, path)) << "not absolute";
    EXPECT_FALSE(x11::acceptChosenPath(existing + "\n" + existing + "\n", request, path)) << "two files";
    EXPECT_FALSE(x11::acceptChosenPath(folder.path + "/missing.wav\n", request, path));
    EXPECT_FALSE(x11::acceptChosenPath(folder.path + "\n", request, path)) << "a folder is no file";

    // 259 characters fit the 260-character buffer with the zero; 260 do not.
    request.flags = 0;
    const std::string fits = "/" + std::string(258, 'a');
    EXPECT_TRUE(x11::acceptChosenPath(fits + "\n", request, path));
    EXPECT_FALSE(x11::acceptChosenPath(fits + "a\n", request, path));
    EXPECT_TRUE(x11::acceptChosenPath(folder.path + "/missing.wav", request, path))
        << "without the must-exist rule a new name is fine";
}

}  // namespace
