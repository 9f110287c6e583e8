#include "services/core/Paths.h"
#include "FoundationUtil.h"

#include <filesystem>
#include <sys/stat.h>

using namespace foundation_test;
namespace fs = std::filesystem;

TEST(PathPart, SplitsAtLastSeparatorAndLastDotOfTheName) {
    const std::string p = "/a/b.c/take.1.wav";
    EXPECT_EQ(PathPart(p, PathParts::Folder), "/a/b.c");
    EXPECT_EQ(PathPart(p, PathParts::FolderSlash), "/a/b.c/");
    EXPECT_EQ(PathPart(p, PathParts::Name), "take.1.wav");
    EXPECT_EQ(PathPart(p, PathParts::BaseName), "take.1");
    EXPECT_EQ(PathPart(p, PathParts::Extension), "wav");
    EXPECT_EQ(PathPart(p, PathParts::Suffix, LetterCase::Upper), ".WAV");
    EXPECT_EQ(PathPart("/W/Take.WAV", PathParts::FolderSlash | PathParts::Name, LetterCase::Lower),
              "/w/take.wav");
    EXPECT_EQ(PathPart("", PathParts::FolderSlash | PathParts::Name), "");
}

TEST(PathPart, MissingPartsGiveEmptyTextButTheSeparatorStays) {
    EXPECT_EQ(PathPart("take.wav", PathParts::FolderSlash), "/");
    EXPECT_EQ(PathPart("take.wav", PathParts::Folder), "");
    EXPECT_EQ(PathPart("/take.wav", PathParts::FolderSlash), "/");
    EXPECT_EQ(PathPart("/w/README", PathParts::Suffix), "");
    EXPECT_EQ(PathPart("/w/README", PathParts::BaseName), "README");
    EXPECT_EQ(PathPart("/w.x/take", PathParts::Extension), "");
    EXPECT_EQ(PathPart("/w/", PathParts::Name), "");
}

TEST(PathPart, BackslashIsPartOfTheName) {
    EXPECT_EQ(PathPart(R"(x\y.wav)", PathParts::Name), R"(x\y.wav)");
    EXPECT_EQ(PathPart(R"(x\y.wav)", PathParts::BaseName), R"(x\y)");
    EXPECT_EQ(PathPart(R"(/in/x\y.wav)", PathParts::FolderSlash), "/in/");
    EXPECT_EQ(PathPart(R"(/mnt/c\w\take.wav)", PathParts::Folder), "/mnt");
    EXPECT_EQ(PathPart(R"(/mnt/c\w\take.wav)", PathParts::BaseName), R"(c\w\take)");
    // A dot before a backslash is still the name's last dot.
    EXPECT_EQ(PathPart(R"(/in/a.b\c)", PathParts::Extension), R"(b\c)");
    EXPECT_EQ(PathPart(R"(C:\w\take.wav)", PathParts::FolderSlash), "/");
}

TEST(SetBackslash, AddsOrRemovesExactlyOneSeparator) {
    EXPECT_EQ(SetBackslash("/w", 0), "/w/");
    EXPECT_EQ(SetBackslash("/w/", 0), "/w/");
    EXPECT_EQ(SetBackslash("/w//", 1), "/w/");
    EXPECT_EQ(SetBackslash("/w", 1), "/w");
    EXPECT_EQ(SetBackslash("relout", 0), "relout/");
    EXPECT_EQ(SetBackslash("", 0), "");
    EXPECT_EQ(SetBackslash("   ", 0), "");
    EXPECT_EQ(SetBackslash("   ", 1), "");
}

TEST(SetBackslash, RootStaysAndBackslashIsNoSeparator) {
    EXPECT_EQ(SetBackslash("/", 1), "/");
    EXPECT_EQ(SetBackslash("/", 0), "/");
    EXPECT_EQ(SetBackslash("//", 1), "/");
    EXPECT_EQ(SetBackslash(R"(out\)", 0), R"(out\/)");
    EXPECT_EQ(SetBackslash(R"(out\)", 1), R"(out\)");
}

TEST(EnsureExtension, AppendsLowerCaseUnlessAlreadyThere) {
    EXPECT_EQ(EnsureExtension("/w/take.WAV", "wav"), "/w/take.WAV");
    EXPECT_EQ(EnsureExtension("/w/take.WAV", ".mp3"), "/w/take.WAV.mp3");
    EXPECT_EQ(EnsureExtension(R"(/w/x\y.Wav)", "wav"), R"(/w/x\y.Wav)");
    EXPECT_EQ(EnsureExtension("/t/take", "  .WAV "), "/t/take.wav");
    EXPECT_EQ(EnsureExtension("/t/takewav", "wav"), "/t/takewav.wav");
    EXPECT_EQ(EnsureExtension("/t/take", ""), "/t/take");
    EXPECT_EQ(EnsureExtension("/t/take", " . "), "/t/take");
    EXPECT_EQ(EnsureExtension("", "wav"), "");
}

TEST(CutAtNul, CutsAtTheFirstNulThenTrims) {
    EXPECT_EQ(CutAtNul(std::string("  /usr/lib \0garbage\0", 20)), "/usr/lib");
    EXPECT_EQ(CutAtNul("  plain  "), "plain");
    EXPECT_EQ(CutAtNul(std::string("\0abc", 4)), "");
    EXPECT_EQ(CutAtNul(""), "");
}

class PathFiles : public ScratchTest {};

TEST_F(PathFiles, FileAndFolderTestsTellThemApart) {
    WriteBytes(PathOf("f.wav"), "x");
    EXPECT_EQ(FileExists(PathOf("f.wav")), 1);
    EXPECT_EQ(FileExists(m_Dir.string()), 0);
    EXPECT_EQ(FileExists(PathOf("missing.wav")), 0);
    EXPECT_EQ(FileExists("   "), 0);
    EXPECT_EQ(FolderExists(m_Dir.string()), 1);
    EXPECT_EQ(FolderExists(m_Dir.string() + "/"), 1);
    EXPECT_EQ(FolderExists(PathOf("f.wav")), 0);
    EXPECT_EQ(FolderExists(""), 0);
}

TEST_F(PathFiles, MakeFolderCreatesOneLevelOnly) {
    EXPECT_EQ(MakeFolder(PathOf("out") + "/"), 1);
    EXPECT_TRUE(fs::is_directory(PathOf("out")));
    EXPECT_EQ(MakeFolder(PathOf("out")), 0); // already there
    EXPECT_EQ(MakeFolder(PathOf("a/b")), 0);
    EXPECT_FALSE(fs::exists(PathOf("a")));
}

TEST_F(PathFiles, DeleteFileForcedRemovesReadOnlyFilesButNeverFolders) {
    const std::string ro = PathOf("ro.wav");
    WriteBytes(ro, "x");
    ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
    EXPECT_EQ(DeleteFileForced(ro), 1);
    EXPECT_FALSE(fs::exists(ro));
    EXPECT_EQ(DeleteFileForced(PathOf("never.wav")), 1);
    fs::create_directory(PathOf("sub"));
    EXPECT_EQ(DeleteFileForced(PathOf("sub")), 0);
    EXPECT_TRUE(fs::is_directory(PathOf("sub")));
}

TEST_F(PathFiles, ReplaceFileSwapsInTheNewFileWithoutLosingEither) {
    const std::string from = PathOf("new.tmp");
    const std::string to = PathOf("take.wav");
    WriteBytes(from, "new");
    WriteBytes(to, "old");
    ASSERT_EQ(::chmod(to.c_str(), 0444), 0);

    // Without delete-first an existing target is kept and the call fails.
    EXPECT_EQ(ReplaceFile(from, to, 0), 0);
    EXPECT_EQ(ReadBytes(to), "old");
    EXPECT_EQ(ReadBytes(from), "new");

    EXPECT_EQ(ReplaceFile(from, to, 1), 1);
    EXPECT_EQ(ReadBytes(to), "new");
    EXPECT_FALSE(fs::exists(from));

    // A missing source leaves the target alone.
    EXPECT_EQ(ReplaceFile(PathOf("gone.tmp"), to, 1), 0);
    EXPECT_EQ(ReadBytes(to), "new");

    // Renaming onto a free name works without delete-first too.
    EXPECT_EQ(ReplaceFile(to, PathOf("moved.wav"), 0), 1);
    EXPECT_EQ(ReadBytes(PathOf("moved.wav")), "new");
}

TEST_F(PathFiles, ReplaceFileOntoAFolderFailsAndKeepsTheSource) {
    WriteBytes(PathOf("new.tmp"), "new");
    fs::create_directory(PathOf("dir"));
    EXPECT_EQ(ReplaceFile(PathOf("new.tmp"), PathOf("dir"), 1), 0);
    EXPECT_EQ(ReadBytes(PathOf("new.tmp")), "new");
}

TEST_F(PathFiles, UniqueNameNumbersFromOneAndSkipsTakenNames) {
    const std::string take = PathOf("take.wav");
    EXPECT_EQ(UniqueName(take, 1, 1, 2, 0), take);
    EXPECT_EQ(UniqueName(take, 0, 0, 2, 0), "take");
    EXPECT_EQ(UniqueName(take, 1, 1, 2, 1), PathOf("take01.wav"));

    WriteBytes(take, "x");
    EXPECT_EQ(UniqueName(take, 1, 1, 2, 0), PathOf("take01.wav"));
    WriteBytes(PathOf("take01.wav"), "x");
    EXPECT_EQ(UniqueName(take, 1, 1, 2, 0), PathOf("take02.wav"));
    EXPECT_EQ(UniqueName(take, 0, 1, 2, 0), "take02.wav");
    EXPECT_EQ(UniqueName(take, 1, 0, 2, 0), PathOf("take02"));
    EXPECT_EQ(UniqueName(take, 1, 1, 0, 0), PathOf("take1.wav"));
}

TEST_F(PathFiles, UniqueNameGrowsPastThePatternWidth) {
    const std::string take = PathOf("take.wav");
    WriteBytes(take, "x");
    for (int n = 1; n <= 9; ++n)
        WriteBytes(PathOf("take" + std::to_string(n) + ".wav"), "x");
    EXPECT_EQ(UniqueName(take, 1, 1, 1, 0), PathOf("take10.wav"));
    EXPECT_EQ(UniqueName(take, 1, 1, 3, 0), PathOf("take001.wav"));
}

TEST_F(PathFiles, BackslashNamesAreOneFileInTheirFolder) {
    const std::string odd = PathOf(R"(x\y.wav)");
    WriteBytes(odd, "x");
    EXPECT_EQ(FileExists(odd), 1);
    EXPECT_EQ(FileExists(PathOf("y.wav")), 0);
    EXPECT_EQ(UniqueName(odd, 1, 1, 2, 0), PathOf(R"(x\y01.wav)"));
    EXPECT_EQ(UniqueName(odd, 0, 1, 2, 0), R"(x\y01.wav)");
    // A backslash at the end of a folder name is part of that name.
    fs::create_directory(PathOf(R"(out\)"));
    EXPECT_EQ(FolderExists(PathOf(R"(out\)")), 1);
    EXPECT_EQ(FolderExists(PathOf("out")), 0);
}

TEST(PathFolders, RootIsAFolder) {
    EXPECT_EQ(FolderExists("/"), 1);
    EXPECT_EQ(FolderExists("//"), 1);
    EXPECT_EQ(FileExists("/"), 0);
}

// A bare name is relative to the current folder; numbering it must not move it to the root.
TEST_F(PathFiles, UniqueNameKeepsABareNameInTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(m_Dir);
    const std::string free = UniqueName("take.wav", 1, 1, 2, 0);
    const std::string forced = UniqueName("take.wav", 1, 1, 2, 1);
    WriteBytes("take.wav", "x");
    const std::string taken = UniqueName("take.wav", 1, 1, 2, 0);
    fs::current_path(before);
    EXPECT_EQ(free, "take.wav");
    EXPECT_EQ(forced, "take01.wav");
    EXPECT_EQ(taken, "take01.wav");
    EXPECT_EQ(UniqueName("/take-does-not-exist.wav", 1, 1, 2, 1), "/take-does-not-exist01.wav");
}

TEST(ProgramFolders, AppFolderHoldsThisProgramAndSystemFolderExists) {
    const std::string app = AppFolder();
    ASSERT_FALSE(app.empty());
    EXPECT_EQ(app.back(), '/');
    EXPECT_TRUE(fs::exists(app + "test_foundation"));
    const std::string sys = SystemFolder();
    EXPECT_EQ(sys.back(), '/');
    EXPECT_EQ(FolderExists(sys), 1);
}
