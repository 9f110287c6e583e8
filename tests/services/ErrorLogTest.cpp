#include "services/core/ErrorLog.h"
#include "services/store/Settings.h"

#include "ServicesTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

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
    TempFolder m_Program;
    TempFolder m_State;
    TempFolder m_Config;
    ScopedEnv m_StateHome{"XDG_STATE_HOME", m_State.path()};
    ScopedEnv m_ConfigHome{"XDG_CONFIG_HOME", m_Config.path()};

    std::string ProgramFolder() const { return m_Program.path() + "/"; }
    std::string ErrFile() const { return m_State / "quillan/log/quillan.err"; }
    std::string LogFile() const { return m_State / "quillan/log/quillan.log"; }
};

const std::regex kLine(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2} )");

bool IsLogLine(const std::string& pText, const std::string& pMessage) {
    std::smatch m;
    return std::regex_search(pText, m, kLine) && m.position(0) == 0 &&
           pText.substr(size_t(m.length(0))) == pMessage + "\r\n";
}

} // namespace

TEST_F(ErrorLogTest, ForcedErrorGoesToTheStateFolderNotBesideTheProgram) {
    WriteLogIn(ProgramFolder(), "graph failed", 1, 1);
    EXPECT_TRUE(IsLogLine(ReadBytes(ErrFile()), "graph failed"));
    EXPECT_FALSE(std::filesystem::exists(LogFile()));
    EXPECT_FALSE(std::filesystem::exists(m_Program / "log"));
}

TEST_F(ErrorLogTest, UnforcedMessagesNeedTheLogSwitch) {
    WriteLogIn(ProgramFolder(), "quiet", 0, 0);
    WriteLogIn(ProgramFolder(), "quiet", 1, 0);
    EXPECT_FALSE(std::filesystem::exists(m_State / "quillan"));
    EXPECT_FALSE(std::filesystem::exists(m_Program / "log"));

    LogError = 1;
    WriteLogIn(ProgramFolder(), "first", 0, 0);
    WriteLogIn(m_Program.path(), "second", 0, 0);
    const std::string text = ReadBytes(LogFile());
    const size_t split = text.find("\r\n") + 2;
    EXPECT_TRUE(IsLogLine(text.substr(0, split), "first"));
    EXPECT_TRUE(IsLogLine(text.substr(split), "second"));
    EXPECT_FALSE(std::filesystem::exists(ErrFile()));
}

TEST_F(ErrorLogTest, OversizedLogIsDeletedBeforeTheNextLine) {
    std::filesystem::create_directories(m_State / "quillan/log");
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

TEST_F(ErrorLogTest, ProgramFolderIsNeitherNeededNorTouched) {
    // A read-only install folder, a missing one and a file named "log" beside
    // the program all leave the log in the state folder.
    WriteBytes(m_Program / "log", "not a folder");
    WriteLogIn(ProgramFolder(), "beside a file", 1, 1);
    EXPECT_EQ(ReadBytes(m_Program / "log"), "not a folder");
    WriteLogIn(m_Program / "gone/", "no program folder", 1, 1);
    EXPECT_FALSE(std::filesystem::exists(m_Program / "gone"));

    TempFolder readOnly;
    std::filesystem::permissions(readOnly.path(), std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec);
    WriteLogIn(readOnly.path(), "installed system-wide", 1, 1);
    std::filesystem::permissions(readOnly.path(), std::filesystem::perms::owner_all);

    const std::string text = ReadBytes(ErrFile());
    const size_t first = text.find("\r\n") + 2;
    const size_t second = text.find("\r\n", first) + 2;
    EXPECT_TRUE(IsLogLine(text.substr(0, first), "beside a file"));
    EXPECT_TRUE(IsLogLine(text.substr(first, second - first), "no program folder"));
    EXPECT_TRUE(IsLogLine(text.substr(second), "installed system-wide"));
}

TEST_F(ErrorLogTest, UnwritableStateFolderFallsBackBesideTheProgram) {
    WriteBytes(m_State / "quillan", "blocks the state folder");
    WriteLogIn(ProgramFolder(), "last resort", 1, 1);
    EXPECT_TRUE(IsLogLine(ReadBytes(m_Program / "log/quillan.err"), "last resort"));

    // With both places blocked the line is dropped and nothing is overwritten.
    TempFolder other;
    WriteBytes(other / "log", "not a folder");
    WriteLogIn(other.path(), "lost", 1, 1);
    EXPECT_EQ(ReadBytes(other / "log"), "not a folder");
    EXPECT_EQ(ReadBytes(m_State / "quillan"), "blocks the state folder");
}

TEST_F(ErrorLogTest, LogFolderFollowsXdgStateHome) {
    EXPECT_EQ(LogFolder(), m_State.path() + "/quillan/log");
    ScopedEnv relative("XDG_STATE_HOME", "relative/state");
    {
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(LogFolder(), "/home/someone/.local/state/quillan/log");
    }
    ScopedEnv relativeHome("HOME", "somewhere");
    EXPECT_EQ(LogFolder(), "");
}

TEST_F(ErrorLogTest, SwitchesFromSettingsAndMarkerFile) {
    SetErrorSwitches("0", "0", ProgramFolder());
    EXPECT_EQ(LogError, 0);
    EXPECT_EQ(ErrorCatch, 0);
    SetErrorSwitches(" 1 ", "junk", ProgramFolder());
    EXPECT_EQ(LogError, 1);
    EXPECT_EQ(ErrorCatch, 0);

    WriteBytes(m_Program / "ec.txt", "");
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
