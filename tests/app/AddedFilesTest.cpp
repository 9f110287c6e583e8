// The files a drop, the dialog or the command line stand for.

#include "app/AddedFiles.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using testfiles::TempDir;
using testfiles::WriteBytes;

TEST(AddedFiles, NaturalOrderReadsDigitRunsAsNumbersAndIsTotal) {
    std::vector<std::string> names = {"take10.wav", "take2.wav", "Take1.wav", "take02.wav",
                                      "take1.wav",  "a1",        "a01",       "a",
                                      "b",          "take2a.wav"};
    std::sort(names.begin(), names.end(), app::NaturalLess);
    // Capitals sort before small letters (byte order); "02" and "2" tie as numbers and then
    // go by bytes.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Take1.wav", "a", "a01", "a1", "b", "take1.wav",
                                        "take02.wav", "take2.wav", "take2a.wav", "take10.wav"}));
    // Long digit runs compare without overflowing.
    EXPECT_TRUE(app::NaturalLess("x99999999999999999999999", "x100000000000000000000000"));
    EXPECT_FALSE(app::NaturalLess("x100000000000000000000000", "x99999999999999999999999"));
    EXPECT_FALSE(app::NaturalLess("same", "same"));
}

TEST(AddedFiles, AFolderGivesItsWavFilesDepthFirstInNameOrderAndLoopsEnd) {
    TempDir dir;
    const fs::path in = dir.Path() / "in";
    fs::create_directories(in / "sub");
    fs::create_directories(in / "dir.wav");
    for (const char* name : {"a9.wav", "a10.wav", "b.wav", "x.mp3", "y.WAV", "sub/c.wav",
                             "dir.wav/d.wav", "sub/notes.txt"})
        WriteBytes((in / name).string(), "RIFF");
    WriteBytes((dir.Path() / "outside.wav").string(), "RIFF");
    fs::create_directory_symlink(in, in / "loop");          // back to the top
    fs::create_directory_symlink(in, in / "sub" / "again"); // and from below
    fs::create_symlink(dir.Path() / "outside.wav", in / "link.wav");
    fs::create_symlink(dir.Path() / "nowhere.wav", in / "broken.wav");

    const auto files = app::WavFilesIn({(dir.Path() / "outside.wav").string(), in.string()});
    const std::string i = in.string() + "/";
    EXPECT_EQ(files, (std::vector<std::string>{(dir.Path() / "outside.wav").string(), i + "a9.wav",
                                               i + "a10.wav", i + "b.wav", i + "dir.wav/d.wav",
                                               i + "link.wav", i + "sub/c.wav"}));
    // A file that is not there, or not a wav file, stands for nothing.
    EXPECT_TRUE(app::WavFilesIn({i + "missing.wav", i + "x.mp3", i + "y.WAV", ""}).empty());
    // The same file twice is two files.
    EXPECT_EQ(app::WavFilesIn({i + "b.wav", i + "b.wav"}).size(), 2u);
}

TEST(AddedFiles, ArgumentsBecomeAbsoluteLocalPaths) {
    const auto paths =
        app::PathsFromArguments({"a.wav", "/abs/b.wav", "file:///x/c%20d.wav", "--", "",
                                 "https://example.org/e.wav", "sub/../f.wav", "x\\y.wav"},
                                "/start");
    EXPECT_EQ(paths, (std::vector<std::string>{"/start/a.wav", "/abs/b.wav", "/x/c d.wav",
                                               "/start/sub/../f.wav", "/start/x\\y.wav"}));
}
