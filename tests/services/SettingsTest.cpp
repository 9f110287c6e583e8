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
    TempFolder m_Config;
    ScopedEnv m_ConfigHome{"XDG_CONFIG_HOME", m_Config.path()};
    std::string StoreFile() const { return m_Config / "quillan/quillan.ini"; }
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
    std::filesystem::create_directories(m_Config / "quillan");
    WriteBytes(StoreFile(), "[General]\nSoundPath=***\nMargins=1,2\n");
    EXPECT_EQ(ReadSetting("SoundPath", "x"), "");
    EXPECT_EQ(ReadSetting("Margins", "x"), "1,2");
}

TEST_F(SettingsStore, OtherKeyPathsAreSeparateStores) {
    RegWriteString("Value", "other", "", "maker\\tool");
    EXPECT_TRUE(std::filesystem::exists(m_Config / "maker/tool.ini"));
    EXPECT_EQ(RegReadString("Value", "d", "", "maker/tool"), "other");
    EXPECT_EQ(ReadSetting("Value", "d"), "d");
    RegWriteString("Value", "mine", "otherapp");
    EXPECT_EQ(RegReadString("Value", "d", "otherapp"), "mine");
    EXPECT_EQ(ReadSetting("Value", "d"), "d");
}

TEST_F(SettingsStore, UnwritableStoreLosesOnlyTheWrite) {
    std::filesystem::create_directories(m_Config / "quillan");
    WriteSetting("OW", 1);
    std::filesystem::permissions(m_Config / "quillan", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::owner_exec);
    if (access(StoreFile().c_str(), W_OK) == 0 && access((m_Config / "quillan").c_str(), W_OK) == 0)
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
    int32_t LeftTwips = 100, TopTwips = 200, WidthTwips = 3000, HeightTwips = 4000, State = 0;
    int32_t Left() const override { return LeftTwips; }
    int32_t Top() const override { return TopTwips; }
    int32_t Width() const override { return WidthTwips; }
    int32_t Height() const override { return HeightTwips; }
    int32_t WindowState() const override { return State; }
    void SetLeft(int32_t pV) override { LeftTwips = pV; }
    void SetTop(int32_t pV) override { TopTwips = pV; }
    void SetWidth(int32_t pV) override { WidthTwips = pV; }
    void SetHeight(int32_t pV) override { HeightTwips = pV; }
    void SetWindowState(int32_t pV) override { State = pV; }
};

} // namespace

TEST_F(SettingsStore, MainWindowRestoresPositionAndStateButNeverSize) {
    FakeWindow saved;
    saved.LeftTwips = 1500;
    saved.TopTwips = 900;
    saved.WidthTwips = 9000;
    saved.HeightTwips = 8000;
    SaveWindowPlacement(saved, "", 1, 0);
    EXPECT_EQ(ReadSetting("WindowWidth", "none"), "none");
    EXPECT_EQ(ReadSetting("WindowHeight", "none"), "none");

    FakeWindow next;
    RestoreWindowPlacement(next, "", 1, 0, 0);
    EXPECT_EQ(next.LeftTwips, 1500);
    EXPECT_EQ(next.TopTwips, 900);
    EXPECT_EQ(next.WidthTwips, 3000);
    EXPECT_EQ(next.HeightTwips, 4000);
    EXPECT_EQ(next.State, 0);
}

TEST_F(SettingsStore, PlacementWithPrefixAndSizeRoundTrips) {
    FakeWindow saved;
    saved.LeftTwips = -30;
    saved.WidthTwips = 7935;
    saved.HeightTwips = 7125;
    SaveWindowPlacement(saved, "Tool", 0, 0);
    EXPECT_EQ(ReadSetting("ToolWindowLeft", "none"), "-30");
    FakeWindow next;
    RestoreWindowPlacement(next, "Tool", 0, 0, 0);
    EXPECT_EQ(next.LeftTwips, -30);
    EXPECT_EQ(next.WidthTwips, 7935);
    EXPECT_EQ(next.HeightTwips, 7125);
    FakeWindow unmoved;
    RestoreWindowPlacement(unmoved, "Tool", 0, 0, 1);
    EXPECT_EQ(unmoved.LeftTwips, 100);
    EXPECT_EQ(unmoved.WidthTwips, 7935);
}

TEST_F(SettingsStore, WindowClosedMinimisedKeepsItsLastNormalPosition) {
    FakeWindow normal;
    normal.LeftTwips = 1200;
    SaveWindowPlacement(normal, "", 1, 0);
    FakeWindow minimised;
    minimised.LeftTwips = -32000;
    minimised.State = 1;
    SaveWindowPlacement(minimised, "", 1, 0);
    EXPECT_EQ(ReadSetting("WindowLeft", "none"), "1200");
    EXPECT_EQ(ReadSetting("WindowState", "none"), "1");

    FakeWindow next;
    RestoreWindowPlacement(next, "", 1, 0, 0);
    EXPECT_EQ(next.LeftTwips, 1200);
    EXPECT_EQ(next.State, 1);
}

TEST_F(SettingsStore, RestoringWhileMaximisedChangesOnlyTheState) {
    WriteSetting("WindowLeft", 1);
    WriteSetting("WindowTop", 2);
    WriteSetting("WindowState", 0);
    FakeWindow window;
    window.State = 2;
    RestoreWindowPlacement(window, "", 0, 0, 0);
    EXPECT_EQ(window.LeftTwips, 100);
    EXPECT_EQ(window.TopTwips, 200);
    EXPECT_EQ(window.State, 0);
}

TEST_F(SettingsStore, DamagedPlacementValuesAreSkipped) {
    WriteSetting("WindowLeft", "left");
    WriteSetting("WindowTop", 777);
    WriteSetting("WindowState", 7);
    FakeWindow window;
    RestoreWindowPlacement(window, "", 1, 0, 0);
    EXPECT_EQ(window.LeftTwips, 100);
    EXPECT_EQ(window.TopTwips, 777);
    EXPECT_EQ(window.State, 0);
}
