// quillan-batch and metadata chunks: kept through an overwrite, left out with --no-metadata or
// a stored KeepMetadata=0, and listed by --info --json before a run.

#include "CliTestSupport.h"

#include "cli/Options.h"
#include "common/WavChunks.h"

#include <gtest/gtest.h>

#include <map>

using namespace clitest;
using namespace wavchunks;

namespace {

constexpr int32_t kRate = 8000;
constexpr uint32_t kOnset = 2000;

// 16-bit mono with sound over [kOnset, 6000) and the chunks around it.
Bytes TaggedWav() {
    Bytes data;
    for (uint32_t i = 0; i < 8000; ++i)
        PutU16(data, i >= kOnset && i < 6000 ? uint32_t(i % 2 ? 16000 : -16000) & 0xFFFF : 0);
    BextValues bext;
    bext.Description = "Scene 4, take 2";
    bext.Originator = "field recorder";
    bext.TimeReference = 480000;
    return Wav(kRate, 16, 1, data,
               {List("INFO", {InfoText("INAM", "Night bus"), InfoText("IART", "The Band")}),
                Bext(bext), Chunk{"PEAK", Bytes(24, 1)}},
               {Cue({{1, 100}, {2, 2500}})});
}

void WriteTagged(const std::string& pPath) {
    const Bytes wav = TaggedWav();
    WriteBytes(pPath, std::vector<char>(wav.begin(), wav.end()));
}

std::vector<FoundChunk> ChunksOf(const std::string& pPath) {
    const std::vector<char> bytes = ReadBytes(pPath);
    const auto chunks = StrictChunks(Bytes(bytes.begin(), bytes.end()));
    EXPECT_TRUE(chunks.has_value()) << pPath << " is not a well-formed RIFF file";
    return chunks.value_or(std::vector<FoundChunk>{});
}

cli::ParseResult ParseWithStore(const std::vector<std::string>& pArgs,
                                const std::map<std::string, std::string>& pStore) {
    return cli::ParseOptions(pArgs, [&](const std::string& pKey, const std::string& pDefault) {
        const auto it = pStore.find(pKey);
        return it == pStore.end() ? pDefault : it->second;
    });
}

} // namespace

TEST(MetadataCli, KeptByDefaultOffByOptionOrStoredSetting) {
    EXPECT_TRUE(ParseWithStore({"f"}, {}).Options.Edit.KeepMetadata);
    EXPECT_FALSE(ParseWithStore({"--no-metadata", "f"}, {}).Options.Edit.KeepMetadata);
    EXPECT_TRUE(ParseWithStore({"--use-settings", "f"}, {}).Options.Edit.KeepMetadata);
    const std::map<std::string, std::string> off{{"KeepMetadata", "0"}};
    EXPECT_FALSE(ParseWithStore({"--use-settings", "f"}, off).Options.Edit.KeepMetadata);
    EXPECT_NE(cli::UsageText().find("--no-metadata"), std::string::npos);
}

TEST(MetadataCli, OverwriteKeepsTheChunksAndNoMetadataGivesTheBareHeader) {
    ScratchDir dir;
    const std::string source = dir / "take.wav";
    WriteTagged(source);
    RunResult r = RunBatch({"-q", "--overwrite", source});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<FoundChunk> replaced = ChunksOf(source);
    EXPECT_EQ(Ids(replaced), (std::vector<std::string>{"fmt ", "LIST", "bext", "data", "cue "}));
    ASSERT_TRUE(Find(replaced, "bext"));
    EXPECT_EQ(TimeReference(Find(replaced, "bext")->Body), 480000u + kOnset);
    EXPECT_EQ(CuePoints(Find(replaced, "cue ")->Body),
              (std::vector<std::pair<uint32_t, uint32_t>>{{2, 500}}));

    fs::create_directory(dir.path() / "bare");
    const std::string again = dir / "again.wav";
    WriteTagged(again);
    r = RunBatch({"-q", "--no-metadata", "-o", dir / "bare", again});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<FoundChunk> bare = ChunksOf(dir / "bare/again.wav");
    EXPECT_EQ(Ids(bare), (std::vector<std::string>{"fmt ", "data"}));
    EXPECT_EQ(ReadBytes(dir / "bare/again.wav").size(), 44 + Find(bare, "data")->Body.size());
}

TEST(MetadataCli, InfoJsonListsWhatAResultWouldKeep) {
    ScratchDir dir;
    const std::string source = dir / "take.wav";
    WriteTagged(source);
    RunResult r = RunBatch({"--info", "--json", source});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::string& line = r.Out;
    for (const char* part :
         {R"("metadata": [{"id": "LIST", "size": 40, "type": "INFO"}, {"id": "bext", )",
          R"({"id": "cue ", "size": 52}])",
          R"("dropped": [{"id": "PEAK", "size": 24, "reason": "describes the old audio"}])",
          R"("tags": {"INAM": "Night bus", "IART": "The Band"})",
          R"("bext": {"description": "Scene 4, take 2", "originator": "field recorder", )",
          R"("time_reference": 480000, "version": 2})"})
        EXPECT_NE(line.find(part), std::string::npos) << part << "\nin: " << line;

    r = RunBatch({"--info", "--json", "--no-metadata", source});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find(R"("metadata": [], "dropped": [], "tags": {}, "bext": null})"),
              std::string::npos)
        << r.Out;
}

TEST(MetadataCli, EveryChunkAResultLosesIsNamedInItsWarning) {
    ScratchDir dir;
    const std::string source = dir / "take.wav";
    Bytes wav = TaggedWav();
    // A tag chunk after the cue chunk whose size passes the end of the file.
    PutText(wav, "id3 ");
    PutU32(wav, 5000);
    PutText(wav, "ID3");
    wav[4] = uint8_t(wav.size() - 8);
    wav[5] = uint8_t((wav.size() - 8) >> 8);
    WriteBytes(source, std::vector<char>(wav.begin(), wav.end()));
    fs::create_directory(dir / "out");
    const RunResult r = RunBatch({"--json", "-o", dir / "out", source});
    ASSERT_EQ(r.Status, 0) << r.Err;
    // The old audio's peak envelope is no loss; the cut tag is.
    EXPECT_NE(r.Out.find(R"x("warning": "metadata not kept: id3  (cut short)")x"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Err.find("metadata not kept: id3  (cut short)"), std::string::npos) << r.Err;
}
