#include "services/store/Settings.h"
#include "services/core/ErrorLog.h"

#include "ServicesTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using foundation_test::ReadBytes;
using foundation_test::WriteBytes;
using testsupport::ScopedEnv;
using testsupport::TempFolder;

namespace {

class SettingsStore : public ::testing::Test {
  protected:
    TempFolder config_;
    ScopedEnv configHome_{"XDG_CONFIG_HOME", config_.path()};
    std::string StoreFile() const { return config_ / "quillan/quillan.ini"; }
};

} // namespace

TEST_F(SettingsStore, LivesInTheUsersConfigFolderUnderMakerAndProgram) {
    EXPECT_EQ(SettingsFilePath(), StoreFile());
    WriteSetting("OW", 1);
    EXPECT_TRUE(std::filesystem::exists(StoreFile()));
    EXPECT_NE(ReadBytes(StoreFile()).find("OW=1"), std::string::npos);
}

TEST_F(SettingsStore, EmptyTextIsKeptApartFromMissing) {
    WriteSetting("SoundPath", std::string());
    EXPECT_NE(ReadBytes(StoreFile()).find("***"), std::string::npos);
    EXPECT_EQ(ReadSetting("SoundPath", "fallback"), "");
    EXPECT_EQ(ReadSetting("NotThere", "fallback"), "fallback");
}

TEST_F(SettingsStore, MissingValueGivesTheDefaultAndIsNotWrittenBack) {
    EXPECT_EQ(ReadSetting("OW", 0), "0");
    EXPECT_EQ(ReadSetting("TrimLevelIn", -45), "-45");
    EXPECT_EQ(ReadSetting("Level", 0.5f), "0.5");
    EXPECT_FALSE(std::filesystem::exists(StoreFile()));
    WriteSetting("Clip", 1);
    EXPECT_EQ(ReadSetting("OW", 0), "0");
    EXPECT_EQ(ReadBytes(StoreFile()).find("OW"), std::string::npos);
}

TEST_F(SettingsStore, ValuesTooLongForTheReadBufferReadAsTheDefault) {
    const std::string fits(256, 'a');
    WriteSetting("SoundPath", fits);
    EXPECT_EQ(ReadSetting("SoundPath", "d"), fits);
    WriteSetting("SoundPath", std::string(257, 'a'));
    EXPECT_EQ(ReadSetting("SoundPath", "d"), "d");
    WriteSetting("SoundPath", std::string(300, 'a'));
    EXPECT_EQ(ReadSetting("SoundPath", "d"), "d");
    // The limit counts bytes: 100 three-byte characters do not fit.
    std::string wide;
    for (int i = 0; i < 100; ++i)
        wide += "音";
    WriteSetting("SoundPath", wide);
    EXPECT_EQ(ReadSetting("SoundPath", "d"), "d");
}

TEST_F(SettingsStore, BlanksAroundAValueAreTrimmed) {
    WriteSetting("RMSdb", "  -6  ");
    EXPECT_EQ(ReadSetting("RMSdb", "x"), "-6");
    WriteSetting("SoundPath", "   ");
    EXPECT_EQ(ReadSetting("SoundPath", "x"), "");
}

TEST_F(SettingsStore, TextsWithIniSyntaxRoundTrip) {
    const std::string texts[] = {"/home/u/My Music, Live; 2024/",
                                 "C:\\Data\\Out\\",
                                 "@Variant",
                                 "a=b",
                                 "\"quoted\"",
                                 "日本語のフォルダ",
                                 "#not a comment",
                                 "[General]"};
    for (const std::string& text : texts) {
        WriteSetting("SoundPath", text);
        EXPECT_EQ(ReadSetting("SoundPath", "x"), text);
    }
}

TEST_F(SettingsStore, HandWrittenMarkerAndUnquotedListsRead) {
    std::filesystem::create_directories(config_ / "quillan");
    WriteBytes(StoreFile(), "[General]\nSoundPath=***\nMargins=1,2\n");
    EXPECT_EQ(ReadSetting("SoundPath", "x"), "");
    EXPECT_EQ(ReadSetting("Margins", "x"), "1,2");
}

TEST_F(SettingsStore, OtherKeyPathsAreSeparateStores) {
    RegWriteString("Value", "other", "", "maker\\tool");
    EXPECT_TRUE(std::filesystem::exists(config_ / "maker/tool.ini"));
    EXPECT_EQ(RegReadString("Value", "d", "", "maker/tool"), "other");
    EXPECT_EQ(ReadSetting("Value", "d"), "d");
    RegWriteString("Value", "mine", "otherapp");
    EXPECT_EQ(RegReadString("Value", "d", "otherapp"), "mine");
    EXPECT_EQ(ReadSetting("Value", "d"), "d");
}

TEST_F(SettingsStore, UnwritableStoreLosesOnlyTheWrite) {
    std::filesystem::create_directories(config_ / "quillan");
    WriteSetting("OW", 1);
    std::filesystem::permissions(config_ / "quillan", std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_exec);
    if (access(StoreFile().c_str(), W_OK) == 0 && access((config_ / "quillan").c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with permissions that ignore modes";
    WriteSetting("OW", 0);
    EXPECT_EQ(ReadSetting("OW", 5), "1");
}

TEST_F(SettingsStore, StoreThatCannotBeAFileReadsDefaultsAndIgnoresWrites) {
    std::filesystem::create_directories(StoreFile());
    WriteSetting("OW", 1);
    EXPECT_EQ(ReadSetting("OW", 0), "0");
    EXPECT_TRUE(std::filesystem::is_directory(StoreFile()));
}

// Placement ------------------------------------------------------------------

namespace {

struct FakeWindow : PlacementWindow {
    int32_t left = 100, top = 200, width = 3000, height = 4000, state = 0;
    int32_t Left() const override { return left; }
    int32_t Top() const override { return top; }
    int32_t Width() const override { return width; }
    int32_t Height() const override { return height; }
    int32_t WindowState() const override { return state; }
    void SetLeft(int32_t v) override { left = v; }
    void SetTop(int32_t v) override { top = v; }
    void SetWidth(int32_t v) override { width = v; }
    void SetHeight(int32_t v) override { height = v; }
    void SetWindowState(int32_t v) override { state = v; }
};

} // namespace

TEST_F(SettingsStore, MainWindowRestoresPositionAndStateButNeverSize) {
    FakeWindow saved;
    saved.left = 1500;
    saved.top = 900;
    saved.width = 9000;
    saved.height = 8000;
    SaveWindowPlacement(saved, "", 1, 0);
    EXPECT_EQ(ReadSetting("WindowWidth", "none"), "none");
    EXPECT_EQ(ReadSetting("WindowHeight", "none"), "none");

    FakeWindow next;
    RestoreWindowPlacement(next, "", 1, 0, 0);
    EXPECT_EQ(next.left, 1500);
    EXPECT_EQ(next.top, 900);
    EXPECT_EQ(next.width, 3000);
    EXPECT_EQ(next.height, 4000);
    EXPECT_EQ(next.state, 0);
}

TEST_F(SettingsStore, PlacementWithPrefixAndSizeRoundTrips) {
    FakeWindow saved;
    saved.left = -30;
    saved.width = 7935;
    saved.height = 7125;
    SaveWindowPlacement(saved, "Tool", 0, 0);
    EXPECT_EQ(ReadSetting("ToolWindowLeft", "none"), "-30");
    FakeWindow next;
    RestoreWindowPlacement(next, "Tool", 0, 0, 0);
    EXPECT_EQ(next.left, -30);
    EXPECT_EQ(next.width, 7935);
    EXPECT_EQ(next.height, 7125);
    FakeWindow unmoved;
    RestoreWindowPlacement(unmoved, "Tool", 0, 0, 1);
    EXPECT_EQ(unmoved.left, 100);
    EXPECT_EQ(unmoved.width, 7935);
}

TEST_F(SettingsStore, WindowClosedMinimisedKeepsItsLastNormalPosition) {
    FakeWindow normal;
    normal.left = 1200;
    SaveWindowPlacement(normal, "", 1, 0);
    FakeWindow minimised;
    minimised.left = -32000;
    minimised.state = 1;
    SaveWindowPlacement(minimised, "", 1, 0);
    EXPECT_EQ(ReadSetting("WindowLeft", "none"), "1200");
    EXPECT_EQ(ReadSetting("WindowState", "none"), "1");

    FakeWindow next;
    RestoreWindowPlacement(next, "", 1, 0, 0);
    EXPECT_EQ(next.left, 1200);
    EXPECT_EQ(next.state, 1);
}

TEST_F(SettingsStore, RestoringWhileMaximisedChangesOnlyTheState) {
    WriteSetting("WindowLeft", 1);
    WriteSetting("WindowTop", 2);
    WriteSetting("WindowState", 0);
    FakeWindow window;
    window.state = 2;
    RestoreWindowPlacement(window, "", 0, 0, 0);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.top, 200);
    EXPECT_EQ(window.state, 0);
}

TEST_F(SettingsStore, DamagedPlacementValuesAreSkipped) {
    WriteSetting("WindowLeft", "left");
    WriteSetting("WindowTop", 777);
    WriteSetting("WindowState", 7);
    FakeWindow window;
    RestoreWindowPlacement(window, "", 1, 0, 0);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.top, 777);
    EXPECT_EQ(window.state, 0);
}
