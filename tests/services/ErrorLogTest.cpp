#include "services/core/ErrorLog.h"
#include "services/store/Settings.h"

#include "ServicesTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <unistd.h>

using foundation_test::ReadBytes;
using foundation_test::WriteBytes;
using testsupport::ScopedEnv;
using testsupport::TempFolder;

namespace {

class ErrorLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ErrorCatch = 0;
        LogError = 0;
    }
    void TearDown() override {
        ErrorCatch = 0;
        LogError = 0;
    }
    TempFolder program_;
    TempFolder state_;
    TempFolder config_;
    ScopedEnv stateHome_{"XDG_STATE_HOME", state_.path()};
    ScopedEnv configHome_{"XDG_CONFIG_HOME", config_.path()};

    std::string ProgramFolder() const { return program_.path() + "/"; }
    std::string ErrFile() const { return program_ / "log/quillan.err"; }
    std::string LogFile() const { return program_ / "log/quillan.log"; }
};

const std::regex kLine(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2} )");

bool IsLogLine(const std::string& text, const std::string& message) {
    std::smatch m;
    return std::regex_search(text, m, kLine) && m.position(0) == 0 &&
           text.substr(size_t(m.length(0))) == message + "\r\n";
}

bool CanWriteDespiteModes(const std::string& folder) {
    return access(folder.c_str(), W_OK) == 0;
}

} // namespace

TEST_F(ErrorLogTest, ForcedErrorGoesToTheErrFileAndMakesTheFolder) {
    WriteLogIn(ProgramFolder(), "graph failed", 1, 1);
    EXPECT_TRUE(IsLogLine(ReadBytes(ErrFile()), "graph failed"));
    EXPECT_FALSE(std::filesystem::exists(LogFile()));
}

TEST_F(ErrorLogTest, UnforcedMessagesNeedTheLogSwitch) {
    WriteLogIn(ProgramFolder(), "quiet", 0, 0);
    WriteLogIn(ProgramFolder(), "quiet", 1, 0);
    EXPECT_FALSE(std::filesystem::exists(program_ / "log"));

    LogError = 1;
    WriteLogIn(ProgramFolder(), "first", 0, 0);
    WriteLogIn(program_.path(), "second", 0, 0);
    const std::string text = ReadBytes(LogFile());
    const size_t split = text.find("\r\n") + 2;
    EXPECT_TRUE(IsLogLine(text.substr(0, split), "first"));
    EXPECT_TRUE(IsLogLine(text.substr(split), "second"));
    EXPECT_FALSE(std::filesystem::exists(ErrFile()));
}

TEST_F(ErrorLogTest, OversizedLogIsDeletedBeforeTheNextLine) {
    std::filesystem::create_directory(program_ / "log");
    WriteBytes(ErrFile(), std::string(size_t(MaxLogBytes), 'x'));
    WriteLogIn(ProgramFolder(), "kept", 1, 1);
    const std::string kept = ReadBytes(ErrFile());
    ASSERT_GT(kept.size(), size_t(MaxLogBytes));
    EXPECT_EQ(kept.substr(0, size_t(MaxLogBytes)), std::string(size_t(MaxLogBytes), 'x'));
    EXPECT_TRUE(IsLogLine(kept.substr(size_t(MaxLogBytes)), "kept"));

    WriteBytes(ErrFile(), std::string(size_t(MaxLogBytes) + 1, 'x'));
    WriteLogIn(ProgramFolder(), "fresh", 1, 1);
    EXPECT_TRUE(IsLogLine(ReadBytes(ErrFile()), "fresh"));
}

TEST_F(ErrorLogTest, FileNamedLogBlocksTheLog) {
    WriteBytes(program_ / "log", "not a folder");
    WriteLogIn(ProgramFolder(), "lost", 1, 1);
    EXPECT_EQ(ReadBytes(program_ / "log"), "not a folder");
    EXPECT_FALSE(std::filesystem::exists(state_ / "quillan"));
}

TEST_F(ErrorLogTest, ReadOnlyProgramFolderLogsIntoTheStateFolder) {
    std::filesystem::permissions(program_.path(), std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec);
    if (CanWriteDespiteModes(program_.path())) GTEST_SKIP() << "modes are not enforced";
    WriteLogIn(ProgramFolder(), "installed system-wide", 1, 1);
    EXPECT_FALSE(std::filesystem::exists(program_ / "log"));
    EXPECT_TRUE(IsLogLine(ReadBytes(state_ / "quillan/log/quillan.err"), "installed system-wide"));
}

TEST_F(ErrorLogTest, ProgramFolderWithoutRoomForALogFallsBack) {
    WriteLogIn(program_ / "gone/", "no program folder", 0, 1);
    EXPECT_FALSE(std::filesystem::exists(program_ / "gone"));
    EXPECT_TRUE(IsLogLine(ReadBytes(state_ / "quillan/log/quillan.log"), "no program folder"));
}

TEST_F(ErrorLogTest, FallbackFolderFollowsXdgStateHome) {
    EXPECT_EQ(FallbackLogFolder(), state_.path() + "/quillan/log");
    ScopedEnv relative("XDG_STATE_HOME", "relative/state");
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(FallbackLogFolder(), "/home/someone/.local/state/quillan/log");
}

TEST_F(ErrorLogTest, SwitchesFromSettingsAndMarkerFile) {
    SetErrorSwitches("0", "0", ProgramFolder());
    EXPECT_EQ(LogError, 0);
    EXPECT_EQ(ErrorCatch, 0);
    SetErrorSwitches(" 1 ", "junk", ProgramFolder());
    EXPECT_EQ(LogError, 1);
    EXPECT_EQ(ErrorCatch, 0);

    WriteBytes(program_ / "ec.txt", "");
    SetErrorSwitches("0", "0", ProgramFolder());
    EXPECT_EQ(ErrorCatch, 1);
    EXPECT_EQ(LogError, 0);
    ForceLogWhenCatching();
    EXPECT_EQ(LogError, 1);
}

TEST_F(ErrorLogTest, StartupReadsTheStoredSwitches) {
    WriteSetting("LogError", 1);
    WriteSetting("ErrorCatch", 0);
    ReadErrorSwitches();
    EXPECT_EQ(LogError, 1);
    EXPECT_EQ(ErrorCatch, 0);
}

TEST_F(ErrorLogTest, FaultsAreCaughtUnlessDebugging) {
    const auto fails = []() -> int { throw std::runtime_error("fault"); };
    EXPECT_EQ(CatchUnlessDebugging(fails, -1), -1);
    ErrorCatch = 1;
    EXPECT_THROW(CatchUnlessDebugging(fails, -1), std::runtime_error);
}
