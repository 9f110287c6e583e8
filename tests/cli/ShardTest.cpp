// Shards, file lists and complete results: the pieces that let many workers share one list.

#include "cli/Shard.h"
#include "CliTestSupport.h"
#include "cli/FileList.h"
#include "cli/Resume.h"
#include "services/job/CompleteWave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>

using namespace clitest;

namespace {

std::vector<std::string> ArchivePaths(const std::string& pRoot, int pCount) {
    std::vector<std::string> paths;
    for (int i = 0; i < pCount; ++i)
        paths.push_back(pRoot + "/d" + std::to_string(i % 7) + "/take " + std::to_string(i) +
                        ".wav");
    return paths;
}

std::vector<std::string> Shard(std::vector<std::string> pFiles, int32_t pK, int32_t pN,
                               const std::string& pRoot) {
    cli::ShardPart part{pK, pN, false};
    EXPECT_EQ(cli::KeepShard(pFiles, part, pRoot), "");
    return pFiles;
}

TEST(CliShard, ParsesKOfNCountedFromZeroAndRefusesTheRest) {
    std::string error;
    auto s = cli::ParseShard("3/4", error);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Index, 3);
    EXPECT_EQ(s->Count, 4);
    s = cli::ParseShard("env/8", error);
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->FromEnvironment);
    EXPECT_EQ(s->Count, 8);
    for (const char* bad : {"4/4", "-1/4", "1/0", "1", "/4", "a/4", "1/4x", "env/0", "1/-2"})
        EXPECT_FALSE(cli::ParseShard(bad, error)) << bad;
    cli::ParseShard("4/4", error);
    EXPECT_NE(error.find("0..3"), std::string::npos) << error;
}

TEST(CliShard, TakesKFromTheSchedulersVariable) {
    std::map<std::string, std::string> env;
    auto read = [&](const char* pName) -> std::optional<std::string> {
        auto it = env.find(pName);
        if (it == env.end()) return std::nullopt;
        return it->second;
    };
    cli::ShardPart s{0, 4, true};
    EXPECT_NE(cli::ResolveShardIndex(s, read).find("neither SLURM_ARRAY_TASK_ID"),
              std::string::npos);
    env["JOB_COMPLETION_INDEX"] = "2";
    ASSERT_EQ(cli::ResolveShardIndex(s, read), "");
    EXPECT_EQ(s.Index, 2);
    s = {0, 4, true};
    env["SLURM_ARRAY_TASK_ID"] = "1";
    ASSERT_EQ(cli::ResolveShardIndex(s, read), "");
    EXPECT_EQ(s.Index, 1);
    // An array numbered from 1 reaches N on its last task: refused, not silently empty.
    s = {0, 4, true};
    env["SLURM_ARRAY_TASK_ID"] = "4";
    EXPECT_NE(cli::ResolveShardIndex(s, read).find("K counts from 0"), std::string::npos);
    env["SLURM_ARRAY_TASK_ID"] = "x";
    EXPECT_NE(cli::ResolveShardIndex(s, read), "");
}

TEST(CliShard, EveryFileInExactlyOneShardWhateverTheOrder) {
    const auto all = ArchivePaths("/mnt/archive", 2000);
    std::multiset<std::string> seen;
    std::mt19937 random(7);
    for (int32_t k = 0; k < 4; ++k) {
        auto order = all;
        std::shuffle(order.begin(), order.end(), random);
        const auto part = Shard(order, k, 4, "/mnt/archive");
        // Roughly a quarter each.
        EXPECT_GT(part.size(), 400u);
        EXPECT_LT(part.size(), 600u);
        seen.insert(part.begin(), part.end());
    }
    EXPECT_EQ(seen, std::multiset<std::string>(all.begin(), all.end()));
}

TEST(CliShard, KeyIsThePathBelowTheRootSoMountsMayDiffer) {
    const auto here = ArchivePaths("/mnt/archive", 300);
    const auto there = ArchivePaths("/data/x/../archive", 300);
    for (int32_t k = 0; k < 3; ++k) {
        const auto a = Shard(here, k, 3, "/mnt/archive/");
        const auto b = Shard(there, k, 3, "/data/archive");
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i)
            EXPECT_EQ(a[i].substr(12), b[i].substr(18));
    }
    // The same file written differently lands in the same shard.
    EXPECT_EQ(cli::ShardKey("/mnt/archive/./d1//a.wav", "/mnt/archive"), "d1/a.wav");
    EXPECT_EQ(cli::ShardKey("/mnt/x/../archive/d1/a.wav", ""), "/mnt/archive/d1/a.wav");
    EXPECT_EQ(cli::ShardKey("/mnt/other/a.wav", "/mnt/archive"), std::nullopt);
    EXPECT_EQ(cli::ShardKey("/mnt/archive", "/mnt/archive"), std::nullopt);
    std::vector<std::string> outside{"/mnt/archive/a.wav", "/elsewhere/b.wav"};
    cli::ShardPart part{0, 2, false};
    EXPECT_NE(cli::KeepShard(outside, part, "/mnt/archive"), "");
    EXPECT_EQ(outside.size(), 2u);
}

TEST(CliShard, HashNeverChanges) {
    // Workers of different versions must agree: these values are fixed for good.
    EXPECT_EQ(cli::StableHash(""), 0xf52a15e9a9b5e89bull);
    EXPECT_EQ(cli::StableHash("d1/a.wav"), 0xb486d1a69e7a237full);
    EXPECT_EQ(cli::StableHash("take 1.wav"), 0xd91fcfeae97644cdull);
}

TEST(CliFileList, SplitsByLineOrNulAndKeepsEveryOtherByte) {
    EXPECT_EQ(cli::SplitFileList("a.wav\n\nb c.wav\nd.wav\r\ne\te.wav", false),
              (std::vector<std::string>{"a.wav", "b c.wav", "d.wav\r", "e\te.wav"}));
    EXPECT_EQ(cli::SplitFileList(std::string("line\nbreak.wav\0\0x.wav\0", 21), true),
              (std::vector<std::string>{"line\nbreak.wav", "x.wav"}));
    EXPECT_TRUE(cli::SplitFileList("", false).empty());
}

TEST(CliFileList, ReadsAFileOrStandardInput) {
    ScratchDir dir;
    WriteBytes(dir / "list", {'a', '\n', 'b', '\n'});
    std::string error;
    auto names = cli::ReadFileList(dir / "list", false, nullptr, error);
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::string>{"a", "b"}));
    std::FILE* in = std::tmpfile();
    std::fputs("c\nd", in);
    std::rewind(in);
    names = cli::ReadFileList("-", false, in, error);
    std::fclose(in);
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (std::vector<std::string>{"c", "d"}));
    EXPECT_FALSE(cli::ReadFileList(dir / "absent", false, nullptr, error));
    EXPECT_NE(error.find("absent"), std::string::npos);
}

TEST(CliFileList, WholeListIsCheckedBeforeItIsSharded) {
    ScratchDir dir;
    WriteBytes(dir / "list", {});
    cli::Options o;
    o.Output = cli::OutputMode::Folder;
    o.OutputDir = dir / "out";
    o.SkipExisting = true;
    o.Files = {"/a/x.wav", "/b/x.wav"};
    o.Shard = {0, 2, false};
    // Two results under one name: the second would be taken as done.
    EXPECT_NE(cli::PrepareFileList(o, nullptr).find("would both be written as"), std::string::npos);
    o.MirrorRoot = "/";
    EXPECT_EQ(cli::PrepareFileList(o, nullptr), "");
    EXPECT_LE(o.Files.size(), 2u);
    o.Files = {dir / "out/x.wav"};
    o.MirrorRoot.clear();
    EXPECT_NE(cli::PrepareFileList(o, nullptr).find("its own result"), std::string::npos);
    o.Files = {"/a/x.wav", "/other/y.wav"};
    o.MirrorRoot = "/a";
    EXPECT_NE(cli::PrepareFileList(o, nullptr).find("not below"), std::string::npos);
}

TEST(CliResume, OnlyAWholeWavFileCountsAsDone) {
    ScratchDir dir;
    const auto whole = WavBytes(1, 2, 16, 44100, 4000);
    WriteBytes(dir / "whole.wav", whole);
    EXPECT_TRUE(job::IsCompleteWave(dir / "whole.wav"));
    WriteBytes(dir / "empty-data.wav", WavBytes(1, 1, 16, 8000, 0));
    EXPECT_TRUE(job::IsCompleteWave(dir / "empty-data.wav"));

    auto cut = whole;
    cut.resize(cut.size() - 100);
    WriteBytes(dir / "cut.wav", cut);
    auto unpatched = whole; // header written first, sizes not yet filled in
    for (int i : {4, 5, 6, 7, 40, 41, 42, 43})
        unpatched[i] = 0;
    WriteBytes(dir / "unpatched.wav", unpatched);
    auto longer = whole; // more bytes than the header accounts for
    longer.insert(longer.end(), 64, 0);
    WriteBytes(dir / "longer.wav", longer);
    WriteBytes(dir / "zero.wav", {});
    WriteBytes(dir / "text.wav", {'h', 'e', 'l', 'l', 'o'});
    for (const char* name :
         {"cut.wav", "unpatched.wav", "longer.wav", "zero.wav", "text.wav", "absent.wav"})
        EXPECT_FALSE(job::IsCompleteWave(dir / name)) << name;
}

// The RF64 form of a plain 44-byte-header file: "ds64" first, 0xFFFFFFFF in the 32-bit sizes.
std::vector<char> AsRf64(std::vector<char> pWav, int64_t pRiffSize, int64_t pDataSize) {
    std::vector<char> ds64(36, 0);
    std::memcpy(ds64.data(), "ds64", 4);
    ds64[4] = 28;
    for (int i = 0; i < 8; ++i) {
        ds64[8 + i] = char(uint64_t(pRiffSize) >> (8 * i));
        ds64[16 + i] = char(uint64_t(pDataSize) >> (8 * i));
    }
    std::memcpy(pWav.data(), "RF64", 4);
    for (int i : {4, 5, 6, 7, 40, 41, 42, 43})
        pWav[size_t(i)] = char(0xFF);
    pWav.insert(pWav.begin() + 12, ds64.begin(), ds64.end());
    return pWav;
}

TEST(CliResume, AnRf64ResultCountsWhenItsDs64SizesMatchTheFile) {
    ScratchDir dir;
    const auto plain = WavBytes(1, 2, 16, 44100, 4000);
    const int64_t data = int64_t(plain.size()) - 44;
    const int64_t riff = int64_t(plain.size()) + 36 - 8;
    WriteBytes(dir / "whole.wav", AsRf64(plain, riff, data));
    EXPECT_TRUE(job::IsCompleteWave(dir / "whole.wav"));
    auto cut = AsRf64(plain, riff, data);
    cut.resize(cut.size() - 100);
    WriteBytes(dir / "cut.wav", cut);
    WriteBytes(dir / "unfixed.wav", AsRf64(plain, 0, 0));               // sizes never filled in
    WriteBytes(dir / "long-data.wav", AsRf64(plain, riff, data + 400)); // more than is there
    for (const char* name : {"cut.wav", "unfixed.wav", "long-data.wav"})
        EXPECT_FALSE(job::IsCompleteWave(dir / name)) << name;
}

TEST(CliResume, ASourceIsNeverItsOwnResult) {
    ScratchDir dir;
    fs::create_directories(dir / "src");
    fs::create_directories(dir / "out");
    fs::create_directory_symlink(dir / "src", dir / "link");
    WriteBytes(dir / "src/x.wav", WavBytes(1, 1, 16, 8000, 100));
    const std::string source = dir / "src/x.wav";
    EXPECT_EQ(job::ExistingResult(source, dir / "out/x.wav"), std::nullopt);
    fs::copy_file(source, dir / "out/x.wav");
    EXPECT_EQ(job::ExistingResult(source, dir / "out/x.wav"), dir / "out/x.wav");
    // The sources' folder under another name.
    EXPECT_EQ(job::ExistingResult(source, dir / "link/x.wav"), std::nullopt);
}

} // namespace

#include "cli/Options.h"
#include "cli/RunReport.h"

namespace {

cli::ParseResult ParseArgs(const std::vector<std::string>& pArgs) {
    return cli::ParseOptions(pArgs, nullptr);
}

TEST(CliManyOptions, OptionsThatNeedAPartnerSayWhich) {
    auto r =
        ParseArgs({"--files-from", "-", "-0", "--shard", "2/8", "--root", "/mnt/a", "-o", "out",
                   "--skip-existing", "--mirror", "/mnt/a", "--summary-json", "s.json"});
    ASSERT_EQ(r.Error, "");
    EXPECT_TRUE(r.Options.Files.empty()); // the list alone is enough
    EXPECT_EQ(r.Options.FilesFrom, "-");
    EXPECT_TRUE(r.Options.NulSeparated);
    EXPECT_EQ(r.Options.Shard.Index, 2);
    EXPECT_EQ(r.Options.Shard.Count, 8);
    EXPECT_EQ(r.Options.ShardRoot, "/mnt/a");
    EXPECT_TRUE(r.Options.SkipExisting);
    EXPECT_EQ(r.Options.MirrorRoot, "/mnt/a");
    EXPECT_EQ(r.Options.SummaryJson, "s.json");

    const std::map<std::vector<std::string>, std::string> errors{
        {{"--skip-existing", "a.wav"}, "'--skip-existing' needs '--output-dir'"},
        {{"--mirror", "/x", "--overwrite", "a.wav"}, "'--mirror' needs '--output-dir'"},
        {{"-0", "a.wav"}, "'-0' needs '--files-from'"},
        {{"--root", "/x", "a.wav"}, "'--root' needs '--shard'"},
        {{"--shard", "4/4", "a.wav"}, "0..3"},
        {{"--shard", "1/0", "a.wav"}, "'1/0' is not K/N"},
        {{"--files-from", "", "a.wav"}, "'--files-from': the name is empty"},
        {{"--shard", "0/2"}, "no input files"},
    };
    for (const auto& [args, message] : errors)
        EXPECT_NE(ParseArgs(args).Error.find(message), std::string::npos)
            << args[0] << ": " << ParseArgs(args).Error;
}

TEST(CliRunReport, LinesAndTotalsCarryWhatAMergeNeeds) {
    cli::RunContext context{"node \"7\"", "1/4"};
    cli::FileResult done;
    done.Source = "a.wav";
    done.Started = true;
    done.Result = 1;
    done.Seconds = 0.25;
    done.BytesRead = 1000;
    done.BytesWritten = 900;
    cli::FileResult skipped = done;
    skipped.Skipped = true;
    skipped.BytesRead = skipped.BytesWritten = 0;
    cli::FileResult failed;
    failed.Started = true;
    failed.Error = "missing";
    cli::FileResult notStarted;

    std::string error;
    const auto line =
        ParseJsonObject(cli::WithRunFields("{\"source\": \"a.wav\"}", done, context), error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(line->at("host").Text, "node \"7\"");
    EXPECT_EQ(line->at("shard").Text, "1/4");
    EXPECT_EQ(line->at("skipped").Text, "false");
    EXPECT_EQ(line->at("seconds").Text, "0.250");
    EXPECT_EQ(line->at("bytes_read").Text, "1000");
    EXPECT_EQ(line->at("bytes_written").Text, "900");

    const auto totals = ParseJsonObject(
        cli::SummaryJson({done, skipped, failed, notStarted, done}, {"h", ""}, 2.5, true), error);
    ASSERT_TRUE(totals) << error;
    const std::map<std::string, std::string> want{{"files", "5"},         {"done", "2"},
                                                  {"skipped", "1"},       {"failed", "1"},
                                                  {"not_started", "1"},   {"cancelled", "true"},
                                                  {"bytes_read", "2000"}, {"bytes_written", "1800"},
                                                  {"shard", "null"},      {"seconds", "2.500"}};
    for (const auto& [key, value] : want)
        EXPECT_EQ(totals->at(key).Text, value) << key;
}

} // namespace
