// Work files, the claim of a free numbered name and the replace of a source.

#include "services/core/ResultFiles.h"
#include "CliTestSupport.h"
#include "platform/core/Process.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

using namespace clitest;

namespace {

TEST(ResultFiles, NamesOfTheSeriesAndOfWorkFiles) {
    EXPECT_EQ(results::NumberedName("out/take.wav", 0), "out/take.wav");
    EXPECT_EQ(results::NumberedName("out/take.wav", 1), "out/take01.wav");
    EXPECT_EQ(results::NumberedName("out/take.wav", 123), "out/take123.wav");
    EXPECT_EQ(results::NumberedName("my.dir/take", 2), "my.dir/take02");
    EXPECT_EQ(results::NumberedName("x\\y.wav", 3), "x\\y03.wav"); // one name, not a folder
    EXPECT_EQ(results::FolderOf("take.wav"), ".");
    EXPECT_EQ(results::FolderOf("/take.wav"), "/");
    EXPECT_EQ(results::FolderOf("a\\b/c.wav"), "a\\b");

    const std::string work = results::WorkFileIn("out");
    const std::string name = fs::path(work).filename().string();
    EXPECT_EQ(fs::path(work).parent_path(), "out");
    EXPECT_LT(name.size(), 64u);
    EXPECT_EQ(results::WorkFileOwner(name), platform::CurrentProcessId());
    EXPECT_NE(results::WorkFileIn("out"), work);
    const std::string host = results::WorkFileHostPart();
    for (const std::string& other :
         {".quillan-12" + host + ".part", ".quillan--1-2" + host + ".part",
          ".quillan-0-1" + host + ".part", ".quillan-12-3" + host + ".wav",
          "quillan-12-3" + host + ".part", ".quillan-1x-3" + host + ".part",
          ".take.wav.12-3" + host + ".part", ".quillan-12-3" + host + ".part.bak",
          // Made on another machine, or without a machine: not ours to judge.
          std::string(".quillan-12-3@elsewhere.part"), std::string(".quillan-12-3.part")})
        EXPECT_EQ(results::WorkFileOwner(other), -1) << other;
    EXPECT_EQ(results::WorkFileOwner(".quillan-4021-17" + host + ".part"), 4021);
}

TEST(ResultFiles, WorkFilesOfAnotherHostBootOrPidNamespaceAreNeverSwept) {
    const std::string space = "boot-1pid:[4026531836]";
    const std::string ours = results::WorkFileTag("rack01-chassis02-blade03-node04", space);
    // Hosts that share their first 24 letters and digits, or all of them in another order; the
    // same host in another boot or pid namespace (a container).
    for (const auto& [host, other] : std::vector<std::pair<std::string, std::string>>{
             {"rack01-chassis02-blade03-node05", space},
             {"rack01-chassis02-blade03-node04", "boot-2pid:[4026531836]"},
             {"rack01-chassis02-blade03-node04", "boot-1pid:[4026532001]"}})
        EXPECT_NE(results::WorkFileTag(host, other), ours) << host << " " << other;
    EXPECT_NE(results::WorkFileTag("node-12", space), results::WorkFileTag("node1-2", space));
    EXPECT_EQ(results::WorkFileTag("rack01-chassis02-blade03-node04", space), ours);
    EXPECT_EQ(ours.size(), 12u);

    // A work file of a process id that is free here, made in another namespace: kept.
    std::string error;
    const int dead = platform::StartProcess({"/bin/true"}, {}, error);
    ASSERT_GT(dead, 0) << error;
    platform::WaitProcess(dead);
    ScratchDir dir;
    const std::string mine =
        ".quillan-" + std::to_string(dead) + "-1" + results::WorkFileHostPart() + ".part";
    const std::string theirs = ".quillan-" + std::to_string(dead) + "-1@" + ours + ".part";
    WriteBytes(dir / mine, {'m'});
    WriteBytes(dir / theirs, {'t'});
    EXPECT_EQ(results::RemoveStaleWorkFiles(dir.path().string()), 1);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{theirs});
}

TEST(ResultFiles, ConcurrentClaimsGetDistinctNamesAndReplaceNothing) {
    for (int round = 0; round < 20; ++round) {
        ScratchDir dir;
        WriteBytes(dir / "take02.wav", {'k'});
        const int count = 16;
        std::vector<std::string> works(count), claimed(count);
        for (int i = 0; i < count; ++i) {
            works[i] = results::WorkFileIn(dir.path().string());
            WriteBytes(works[i], {char('a' + i)});
        }
        std::vector<std::thread> threads;
        for (int i = 0; i < count; ++i)
            threads.emplace_back([&, i] {
                results::Claim c = results::ClaimFreeName(works[i], dir / "take.wav", false);
                claimed[i] = c.Path.empty() ? c.Error : c.Path;
            });
        for (auto& t : threads)
            t.join();
        std::set<std::string> names(claimed.begin(), claimed.end());
        ASSERT_EQ(names.size(), size_t(count));
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(ReadBytes(claimed[i]), std::vector<char>{char('a' + i)}) << claimed[i];
        EXPECT_EQ(ReadBytes(dir / "take02.wav"), std::vector<char>{'k'});
        EXPECT_EQ(Listing(dir.path()).size(), size_t(count + 1));
        EXPECT_EQ(Listing(dir.path()).back(), "take16.wav");
    }
}

TEST(ResultFiles, AFailedReplaceLeavesTheSourceAsItWas) {
    ScratchDir dir;
    WriteBytes(dir / "take.wav", {'s'});
    EXPECT_NE(results::ReplaceWithResult(dir / "missing.part", dir / "take.wav"), "");
    EXPECT_EQ(ReadBytes(dir / "take.wav"), std::vector<char>{'s'});
    fs::create_directory(dir / "folder");
    EXPECT_EQ(results::CheckReplaceable(dir / "folder").Error, "not a regular file");
    EXPECT_NE(results::CheckReplaceable(dir / "absent.wav").Error.find("cannot read"),
              std::string::npos);
    EXPECT_EQ(results::CheckReplaceable(dir / "take.wav").Error, "");
}

} // namespace
