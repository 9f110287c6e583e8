// Many workers on one list: four shards of quillan-batch at once over the same 1000 files
// (each in its own order) into one folder, then a killed worker resumed with --skip-existing.

#include "CliTestSupport.h"
#include "cli/Resume.h"
#include "cli/Shard.h"
#include "services/job/CompleteWave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <signal.h>
#include <sstream>
#include <thread>

using namespace clitest;

namespace {

constexpr int kFiles = 1000;
constexpr int kShards = 4;

struct Line {
    std::string Source;
    bool Done = false;    // result 1
    bool Skipped = false; // found complete from an earlier run
    std::string Shard;
};

// The JSON lines of a run; a line cut off by a kill is not counted.
std::vector<Line> Lines(const std::string& pOut) {
    std::vector<Line> lines;
    std::istringstream in(pOut);
    std::string text;
    while (std::getline(in, text)) {
        std::string error;
        const auto object = ParseJsonObject(text, error);
        if (!object) continue;
        Line l;
        l.Source = object->at("source").Text;
        l.Done = object->at("result").Text == "1";
        l.Skipped = object->at("skipped").Text == "true";
        l.Shard = object->at("shard").Text;
        EXPECT_FALSE(object->at("host").Text.empty());
        lines.push_back(l);
    }
    return lines;
}

// Every file below the folder, as paths relative to it.
std::set<std::string> FilesBelow(const fs::path& pFolder) {
    std::set<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(pFolder))
        if (!e.is_directory()) files.insert(fs::relative(e.path(), pFolder).string());
    return files;
}

size_t LineCount(const std::string& pPath) {
    std::ifstream in(pPath);
    return static_cast<size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

struct ShardRun : ::testing::Test {
    ScratchDir Dir;
    std::vector<std::string> Sources; // absolute paths
    std::set<std::string> Relative;   // the same, below src/

    void SetUp() override {
        // Ten folders that hold the same hundred names: only --mirror keeps them apart.
        for (int i = 0; i < kFiles; ++i) {
            const std::string rel =
                "d" + std::to_string(i % 10) + "/f" + std::to_string(i / 10) + ".wav";
            fs::create_directories(Dir.path() / "src" / fs::path(rel).parent_path());
            WriteBytes(Dir / ("src/" + rel), WavBytes(1, 1, 16, 8000, 400 + 2 * i));
            Sources.push_back(Dir / ("src/" + rel));
            Relative.insert(rel);
        }
    }

    // The list of worker k in an order of its own; some names written the long way round.
    std::string ListFor(int pK) {
        auto order = Sources;
        std::mt19937 random(static_cast<uint32_t>(pK + 1));
        std::shuffle(order.begin(), order.end(), random);
        const std::string path = Dir / ("list" + std::to_string(pK));
        std::ofstream out(path);
        for (size_t i = 0; i < order.size(); ++i) {
            std::string name = order[i];
            if (i % 3 == size_t(pK) % 3) name.insert(name.find("/src/") + 5, "./");
            out << name << '\n';
        }
        return path;
    }

    std::vector<std::string> Args(int pK, const std::string& pOut) {
        return {"-q",
                "-j",
                "1",
                "--json",
                "--files-from",
                ListFor(pK),
                "--shard",
                std::to_string(pK) + "/" + std::to_string(kShards),
                "--mirror",
                Dir / "src",
                "-o",
                pOut,
                "--skip-existing"};
    }

    // Sources of shard k, below src/.
    std::set<std::string> ShardFiles(int pK) {
        auto files = Sources;
        cli::KeepShard(files, {pK, kShards, false}, Dir / "src");
        std::set<std::string> rel;
        for (const auto& f : files)
            rel.insert(fs::relative(f, Dir / "src").string());
        return rel;
    }

    void ExpectComplete(const std::string& pOut) {
        // Nothing numbered, no work or lock file left: the differences are named.
        const std::set<std::string> found = FilesBelow(pOut);
        std::vector<std::string> extra, lacking;
        std::set_difference(found.begin(), found.end(), Relative.begin(), Relative.end(),
                            std::back_inserter(extra));
        std::set_difference(Relative.begin(), Relative.end(), found.begin(), found.end(),
                            std::back_inserter(lacking));
        EXPECT_TRUE(extra.empty() && lacking.empty())
            << "extra: " << testing::PrintToString(extra)
            << " missing: " << testing::PrintToString(lacking);
        for (const auto& rel : Relative)
            ASSERT_TRUE(job::IsCompleteWave(pOut + "/" + rel)) << rel;
    }
};

TEST_F(ShardRun, FourWorkersProcessEveryFileOnceAndAKilledOneResumes) {
    // Four workers at once over the same list.
    const std::string out = Dir / "out";
    fs::create_directory(out);
    std::vector<Spawned> workers;
    for (int k = 0; k < kShards; ++k)
        workers.push_back(SpawnBatch(Args(k, out), Dir.path().string()));
    std::map<std::string, int> processed;
    for (int k = 0; k < kShards; ++k) {
        const RunResult r = WaitBatch(workers[k]);
        ASSERT_EQ(r.Status, 0) << r.Err;
        const std::string shard = std::to_string(k) + "/" + std::to_string(kShards);
        for (const Line& l : Lines(r.Out)) {
            EXPECT_TRUE(l.Done && !l.Skipped) << l.Source;
            EXPECT_EQ(l.Shard, shard);
            ++processed[fs::relative(fs::path(l.Source).lexically_normal(), Dir / "src")];
        }
    }
    EXPECT_EQ(processed.size(), Relative.size());
    for (const auto& [rel, times] : processed)
        EXPECT_EQ(times, 1) << rel;
    ExpectComplete(out);

    // Again into a fresh folder; worker 0 is killed midway.
    const std::string again = Dir / "again";
    fs::create_directory(again);
    workers.clear();
    for (int k = 0; k < kShards; ++k)
        workers.push_back(SpawnBatch(Args(k, again), Dir.path().string()));
    while (LineCount(workers[0].OutFile) < 20 && ::kill(workers[0].Pid, 0) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(workers[0].Pid, SIGKILL);
    std::map<std::string, int> done;
    auto count = [&](const RunResult& pRun) {
        for (const Line& l : Lines(pRun.Out))
            if (l.Done && !l.Skipped)
                ++done[fs::relative(fs::path(l.Source).lexically_normal(), Dir / "src")];
    };
    const RunResult killed = WaitBatch(workers[0]);
    EXPECT_EQ(killed.Status, 128 + SIGKILL) << "worker 0 ended before it was killed";
    count(killed);
    const std::map<std::string, int> doneBeforeKill = done;
    for (int k = 1; k < kShards; ++k) {
        const RunResult r = WaitBatch(workers[k]);
        ASSERT_EQ(r.Status, 0) << r.Err;
        count(r);
    }

    // What worker 0 left: results under real names are whole; one is then cut short, as a
    // crash before the data reached the disk would leave it.
    const std::set<std::string> mine = ShardFiles(0);
    std::set<std::string> missing;
    std::string cut;
    for (const auto& rel : mine) {
        const std::string path = again + "/" + rel;
        if (!fs::exists(path)) {
            missing.insert(rel);
            continue;
        }
        EXPECT_TRUE(job::IsCompleteWave(path)) << rel;
        if (cut.empty() && doneBeforeKill.count(rel)) cut = rel;
    }
    ASSERT_FALSE(cut.empty());
    fs::resize_file(again + "/" + cut, fs::file_size(again + "/" + cut) / 2);
    missing.insert(cut);

    // The re-run processes exactly what is missing or cut short, and skips the rest.
    const RunResult resumed = RunBatch(Args(0, again));
    ASSERT_EQ(resumed.Status, 0) << resumed.Err;
    std::set<std::string> redone;
    size_t skipped = 0;
    for (const Line& l : Lines(resumed.Out)) {
        const std::string rel = fs::relative(fs::path(l.Source).lexically_normal(), Dir / "src");
        EXPECT_TRUE(l.Done) << rel;
        if (l.Skipped)
            ++skipped;
        else
            redone.insert(rel);
    }
    EXPECT_EQ(redone, missing);
    EXPECT_EQ(skipped + redone.size(), mine.size());
    count(resumed);
    for (const auto& [rel, times] : done)
        EXPECT_EQ(times, rel == cut ? 2 : 1) << rel;
    ExpectComplete(again);
}

} // namespace

namespace {

TEST(ShardRunList, NulListOnStandardInputAndTheRunsTotals) {
    ScratchDir dir;
    fs::create_directory(dir / "out");
    std::string list;
    for (const char* name : {"a.wav", "line\nbreak.wav", "c d.wav"}) {
        WriteBytes(dir / name, WavBytes(1, 2, 16, 8000, 4000));
        list += dir / name;
        list += '\0';
    }
    WriteBytes(dir / "list", std::vector<char>(list.begin(), list.end()));
    const std::vector<std::string> args{"-q",
                                        "--files-from",
                                        "-",
                                        "-0",
                                        "-o",
                                        dir / "out",
                                        "--skip-existing",
                                        "--json",
                                        "--summary-json",
                                        dir / "totals.json"};
    RunResult r = WaitBatch(SpawnBatch(args, dir.path().string(), dir / "list"));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Listing(dir / "out"),
              (std::vector<std::string>{"a.wav", "c d.wav", "line\nbreak.wav"}));
    int64_t written = 0;
    for (const auto& name : Listing(dir / "out"))
        written += static_cast<int64_t>(fs::file_size(dir / ("out/" + name)));
    std::string error;
    auto totals = ParseJsonObject(ReadText(dir / "totals.json"), error);
    ASSERT_TRUE(totals) << error;
    EXPECT_EQ(totals->at("done").Text, "3");
    EXPECT_EQ(totals->at("bytes_written").Text, std::to_string(written));
    EXPECT_EQ(totals->at("bytes_read").Text, std::to_string(3 * fs::file_size(dir / "a.wav")));

    // Again: every result is there and whole, so nothing is processed.
    r = WaitBatch(SpawnBatch(args, dir.path().string(), dir / "list"));
    ASSERT_EQ(r.Status, 0) << r.Err;
    totals = ParseJsonObject(ReadText(dir / "totals.json"), error);
    ASSERT_TRUE(totals) << error;
    EXPECT_EQ(totals->at("done").Text, "0");
    EXPECT_EQ(totals->at("skipped").Text, "3");
    EXPECT_EQ(totals->at("bytes_written").Text, "0");
    EXPECT_EQ(Listing(dir / "out").size(), 3u);
}

} // namespace
