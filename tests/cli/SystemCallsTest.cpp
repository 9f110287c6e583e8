// The system calls quillan-batch relies on: exclusive names, moves that never replace,
// helper programs, stop signals.

#include "CliTestSupport.h"
#include "platform/core/ExclusiveFile.h"
#include "platform/core/FileSync.h"
#include "platform/core/FolderAccess.h"
#include "platform/core/Process.h"
#include "platform/core/SafeFiles.h"
#include "platform/core/Signals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <unistd.h>

using namespace clitest;

namespace {

TEST(CliSystemCalls, ExclusiveCreateNeverReusesAName) {
    ScratchDir dir;
    const std::string name = dir / "take.wav";
    EXPECT_FALSE(platform::CreateExclusive(name));
    EXPECT_TRUE(fs::exists(name));
    EXPECT_EQ(fs::file_size(name), 0u);
    WriteBytes(name, {'a', 'b'});
    EXPECT_EQ(platform::CreateExclusive(name), std::errc::file_exists);
    EXPECT_EQ(ReadBytes(name).size(), 2u); // never truncated
    // A dangling link counts as taken too.
    fs::create_symlink(dir / "nowhere", dir / "link.wav");
    EXPECT_EQ(platform::CreateExclusive(dir / "link.wav"), std::errc::file_exists);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_EQ(platform::CreateExclusive(dir / "no/such/folder.wav"),
              std::errc::no_such_file_or_directory);
}

TEST(CliSystemCalls, RenameNoReplaceKeepsWhatIsThere) {
    ScratchDir dir;
    WriteBytes(dir / "work", {'n', 'e', 'w'});
    WriteBytes(dir / "taken", {'o', 'l', 'd'});
    const std::error_code ec = platform::RenameNoReplace(dir / "work", dir / "taken");
    // Where the file system has no such rename the caller falls back; either way nothing
    // is replaced.
    EXPECT_TRUE(ec == std::errc::file_exists || ec == std::errc::invalid_argument ||
                ec == std::errc::function_not_supported)
        << ec.message();
    EXPECT_EQ(ReadBytes(dir / "taken"), (std::vector<char>{'o', 'l', 'd'}));
    EXPECT_TRUE(fs::exists(dir / "work"));
    if (ec == std::errc::file_exists) {
        EXPECT_FALSE(platform::RenameNoReplace(dir / "work", dir / "free"));
        EXPECT_FALSE(fs::exists(dir / "work"));
        EXPECT_EQ(ReadBytes(dir / "free"), (std::vector<char>{'n', 'e', 'w'}));
    }
}

TEST(CliSystemCalls, LinkNoReplaceRefusesEveryTakenName) {
    ScratchDir dir;
    WriteBytes(dir / "work", {'n'});
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    fs::create_directory(dir / "folder");
    for (const char* taken : {"dangling", "folder"})
        EXPECT_EQ(platform::LinkNoReplace(dir / "work", dir / taken), std::errc::file_exists);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_FALSE(platform::LinkNoReplace(dir / "work", dir / "free"));
    EXPECT_EQ(ReadBytes(dir / "free"), std::vector<char>{'n'});
}

TEST(CliSystemCalls, IdentityIsTakenOverWherePermitted) {
    ScratchDir dir;
    WriteBytes(dir / "source", {'s'});
    WriteBytes(dir / "result", {'r'});
    fs::permissions(dir / "source",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((dir / "source").c_str(), 2345, 2346), 0);
    }
    platform::FileIdentity source;
    ASSERT_FALSE(platform::ReadIdentity(dir / "source", source));
    EXPECT_TRUE(source.Regular);
    EXPECT_EQ(source.Mode, 0640u);
    bool ownerKept = false;
    EXPECT_FALSE(platform::TakeOverIdentity(dir / "result", source, ownerKept));
    EXPECT_EQ(ownerKept, root);
    platform::FileIdentity result;
    ASSERT_FALSE(platform::ReadIdentity(dir / "result", result));
    EXPECT_EQ(result.Mode, 0640u);
    if (root) {
        EXPECT_EQ(result.Uid, 2345u);
        EXPECT_EQ(result.Gid, 2346u);
    }
    EXPECT_EQ(platform::TakeOverIdentity(dir / "gone", source, ownerKept),
              std::errc::no_such_file_or_directory);

    fs::create_symlink(dir / "source", dir / "link");
    std::string resolved;
    ASSERT_FALSE(platform::ResolvePath(dir / "link", resolved));
    EXPECT_EQ(resolved, fs::canonical(dir / "source").string());
}

TEST(CliSystemCalls, EndedProcessesAreSeenAsGone) {
    EXPECT_TRUE(platform::ProcessExists(platform::CurrentProcessId()));
    EXPECT_TRUE(platform::ProcessExists(1));
    std::string error;
    const int pid = platform::StartProcess({"/bin/true"}, {}, error);
    ASSERT_GT(pid, 0) << error;
    EXPECT_TRUE(platform::ProcessExists(pid)); // running or not yet reaped
    platform::WaitProcess(pid);
    EXPECT_FALSE(platform::ProcessExists(pid));
    EXPECT_FALSE(platform::ProcessExists(0));
    EXPECT_FALSE(platform::ProcessExists(-1));
}

TEST(CliSystemCalls, SyncAndFolderAccessNameTheirFailures) {
    ScratchDir dir;
    WriteBytes(dir / "result.wav", {'x'});
    EXPECT_FALSE(platform::SyncFile(dir / "result.wav"));
    EXPECT_EQ(platform::SyncFile(dir / "gone.wav"), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(platform::CheckCanCreateFilesIn(dir.path().string()));
    EXPECT_EQ(platform::CheckCanCreateFilesIn(dir / "missing"),
              std::errc::no_such_file_or_directory);
    if (::geteuid() != 0) {
        fs::create_directory(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(platform::CheckCanCreateFilesIn(dir / "locked"), std::errc::permission_denied);
        fs::permissions(dir / "locked", fs::perms::owner_all);
    }
}

TEST(CliSystemCalls, HelperOutputStatusAndStreams) {
    ScratchDir dir;
    int status = -1;
    std::string error;
    auto out = platform::RunForOutput(
        {"/bin/sh", "-c", "printf 'a\\tb\\n'; echo noise >&2; exit 3"}, dir / "err", status, error);
    ASSERT_TRUE(out) << error;
    EXPECT_EQ(*out, "a\tb\n");
    EXPECT_EQ(status, 3);
    EXPECT_EQ(ReadBytes(dir / "err"), (std::vector<char>{'n', 'o', 'i', 's', 'e', '\n'}));

    EXPECT_FALSE(platform::RunForOutput({dir / "no-such-program"}, {}, status, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::RunForOutput({}, {}, status, error));

    // A started program reads the given file and is stopped like Ctrl-C stops it.
    WriteBytes(dir / "in", {'q'});
    const int pid = platform::StartProcess({"/bin/sh", "-c", "cat; exec sleep 30"},
                                           {dir / "in", dir / "out", dir / "err"}, error);
    ASSERT_GT(pid, 0) << error;
    for (int i = 0; i < 500 && ReadBytes(dir / "out").empty(); ++i)
        ::usleep(10000);
    EXPECT_TRUE(platform::InterruptProcess(pid));
    EXPECT_EQ(platform::WaitProcess(pid), 128 + SIGINT);
    EXPECT_EQ(ReadBytes(dir / "out"), (std::vector<char>{'q'}));
    EXPECT_EQ(platform::WaitProcess(pid), -1); // already reaped
}

TEST(CliSystemCalls, StopSignalIsRecordedOnceAndBrokenPipesFailWrites) {
    static std::atomic<int> stop{0};
    platform::InstallStopHandlers(stop);
    std::raise(SIGTERM);
    EXPECT_EQ(stop.load(), SIGTERM);
    EXPECT_EQ(platform::StopExitStatus(SIGINT), 130);
    // The handler gave SIGTERM its default action back: a second one would end the program.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    ::signal(SIGINT, SIG_DFL); // the rest of the tests keep the usual Ctrl-C

    platform::IgnoreBrokenPipe();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    EXPECT_EQ(::write(fds[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(fds[1]);
}

} // namespace
