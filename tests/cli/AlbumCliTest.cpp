// quillan-batch in album mode: the options, sets kept whole across shards, and what a run and a
// check report for each set.

#include "CliTestSupport.h"
#include "cli/Options.h"
#include "cli/Shard.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

using namespace clitest;

TEST(CliAlbum, ShardsKeepSetsWhole) {
    struct Row {
        cli::AlbumBy By;
        std::string Root;
    };
    std::vector<std::string> files;
    for (int i = 0; i < 300; ++i)
        files.push_back("/mnt/books/book" + std::to_string(i % 23) + "/ch " + std::to_string(i) +
                        ".wav");
    for (const Row& row : {Row{cli::AlbumBy::Folder, "/mnt/books"}, Row{cli::AlbumBy::Folder, ""},
                           Row{cli::AlbumBy::Run, "/mnt/books"}}) {
        SCOPED_TRACE(row.Root);
        std::map<std::string, std::set<int32_t>> shardsOfFolder;
        std::multiset<std::string> seen;
        for (int32_t k = 0; k < 4; ++k) {
            std::vector<std::string> part = files;
            ASSERT_EQ(cli::KeepShard(part, {k, 4, false}, row.Root, row.By), "");
            for (const std::string& f : part) {
                shardsOfFolder[f.substr(0, f.rfind('/'))].insert(k);
                seen.insert(f);
            }
        }
        EXPECT_EQ(seen, std::multiset<std::string>(files.begin(), files.end()));
        std::set<int32_t> used;
        for (const auto& [folder, shards] : shardsOfFolder) {
            EXPECT_EQ(shards.size(), 1u) << folder;
            used.insert(shards.begin(), shards.end());
        }
        // Folders spread over the shards; one set for the run takes one shard.
        EXPECT_EQ(used.size(), row.By == cli::AlbumBy::Run ? 1u : 4u);
    }
}

TEST(CliAlbum, OptionsNeedTheirPartners) {
    struct Row {
        std::vector<std::string> Args;
        std::string Error; // a part of it; empty: accepted
    };
    const Row rows[] = {
        {{"--album-by", "folder", "--album-strict", "x.wav"}, ""},
        {{"--album-strict", "x.wav"}, "'--album-strict' needs '--album' or '--album-by'"},
        {{"--album-by", "disc", "x.wav"}, "'disc' is not folder"},
        {{"--album", "--watch", "in", "-o", "out"}, "excludes '--check', '--shard' and album mode"},
    };
    for (const Row& row : rows) {
        const cli::ParseResult r = cli::ParseOptions(row.Args, {});
        if (row.Error.empty()) {
            EXPECT_EQ(r.Error, "");
            EXPECT_EQ(r.Options.Album, cli::AlbumBy::Folder);
            EXPECT_TRUE(r.Options.AlbumStrict);
        } else {
            EXPECT_NE(r.Error.find(row.Error), std::string::npos) << r.Error;
        }
    }
}

namespace {

// The JSON lines of a run by source (as given).
std::map<std::string, std::string> LinesBySource(const std::string& pOut) {
    std::map<std::string, std::string> lines;
    std::istringstream in(pOut);
    for (std::string line; std::getline(in, line);)
        if (auto source = JsonValue(line, "source")) lines[*source] = line;
    return lines;
}

std::string Field(const std::map<std::string, std::string>& pLines, const std::string& pSource,
                  const std::string& pKey) {
    const auto it = pLines.find("\"" + pSource + "\"");
    if (it == pLines.end()) return "(no line)";
    return JsonValue(it->second, pKey).value_or("(absent)");
}

} // namespace

// Two folders, one with a file that is no WAV file: each folder one set, the broken file left
// out (or, strict, its folder not written); a check reports the figures and writes nothing.
TEST(CliAlbum, ReportsEachSetAndWritesWithItsGain) {
    ScratchDir dir;
    fs::create_directories(dir.path() / "in/a");
    fs::create_directories(dir.path() / "in/b");
    WriteToneWav(dir / "in/a/1.wav", 2, 44100, 44100, 20000);
    WriteToneWav(dir / "in/a/2.wav", 2, 44100, 44100, 5000);
    WriteBytes(dir / "in/a/3.wav", {'R', 'I', 'F', 'F'});
    WriteToneWav(dir / "in/b/1.wav", 2, 44100, 44100, 3000);
    const std::string a1 = dir / "in/a/1.wav", a2 = dir / "in/a/2.wav", a3 = dir / "in/a/3.wav",
                      b1 = dir / "in/b/1.wav";
    const std::vector<std::string> inputs{a1, a2, a3, b1};

    struct Row {
        std::vector<std::string> Args;
        bool Strict;
    };
    for (const Row& row :
         {Row{{"--normalize", "loudness"}, false}, Row{{"--album-strict"}, true}}) {
        SCOPED_TRACE(row.Strict ? "strict" : "not strict");
        const std::string out = dir / (row.Strict ? "strict" : "lenient");
        fs::create_directory(out);
        std::vector<std::string> args{"--album-by", "folder",   "--json",  "-o",
                                      out,          "--mirror", dir / "in"};
        args.insert(args.end(), row.Args.begin(), row.Args.end());
        args.insert(args.end(), inputs.begin(), inputs.end());
        const RunResult r = RunBatch(args);
        EXPECT_EQ(r.Status, 1) << r.Err;
        const auto lines = LinesBySource(r.Out);
        ASSERT_EQ(lines.size(), 4u) << r.Out;
        EXPECT_EQ(Field(lines, a1, "album"), "\"" + dir / "in/a" + "\"");
        EXPECT_EQ(Field(lines, a3, "result"), "0");
        EXPECT_EQ(Field(lines, b1, "result"), "1");
        EXPECT_EQ(Field(lines, b1, "album"), "\"" + dir / "in/b" + "\"");
        if (row.Strict) {
            for (const std::string& f : {a1, a2}) {
                EXPECT_EQ(Field(lines, f, "result"), "0");
                EXPECT_NE(Field(lines, f, "error").find("3.wav"), std::string::npos);
                EXPECT_EQ(Field(lines, f, "album_gain_db"), "null");
            }
            EXPECT_EQ(Listing(out), std::vector<std::string>{"b"});
            continue;
        }
        EXPECT_NE(r.Err.find("left out (not measured): " + a3), std::string::npos) << r.Err;
        EXPECT_EQ(Field(lines, a1, "album_gain_db"), Field(lines, a2, "album_gain_db"));
        EXPECT_EQ(Field(lines, a1, "gain_db"), Field(lines, a1, "album_gain_db"));
        EXPECT_NE(Field(lines, b1, "album_gain_db"), Field(lines, a1, "album_gain_db"));
        // The folder's pooled loudness lies between its files' own.
        const double pooled = std::stod(Field(lines, a1, "album_integrated_lufs"));
        EXPECT_EQ(std::stod(Field(lines, a1, "album_level")), pooled);
        EXPECT_LT(pooled, std::stod(Field(lines, a1, "source_integrated_lufs")));
        EXPECT_GT(pooled, std::stod(Field(lines, a2, "source_integrated_lufs")));
        EXPECT_EQ(Listing(fs::path(out) / "a"), (std::vector<std::string>{"1.wav", "2.wav"}));
    }

    // A check of the run as one set: one line for the set, nothing written.
    const RunResult check = RunBatch({"--check", "--album", a1, a2, a3, b1});
    EXPECT_EQ(check.Status, 1);
    EXPECT_EQ(check.Out.substr(0, 19), "album\tall\t3 files\tl") << check.Out;
    EXPECT_NE(check.Out.find(" dB\tgain +"), std::string::npos) << check.Out;
    const RunResult json = RunBatch({"--check", "--album", "--json", a1, a2, b1});
    const auto lines = LinesBySource(json.Out);
    EXPECT_EQ(Field(lines, b1, "album"), "\"all\"");
    EXPECT_EQ(Field(lines, b1, "album_gain_db"), Field(lines, a1, "album_gain_db"));
    EXPECT_EQ(Field(lines, a1, "album_integrated_lufs"), "(absent)");
    EXPECT_EQ(Listing(dir.path() / "in/b"), std::vector<std::string>{"1.wav"});
}
