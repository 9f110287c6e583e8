// What other programs read from a trimmed and normalised result: ffmpeg tags the source
// (LIST/INFO), the test adds bext, cue points with labels, loops and iXML; ffprobe, exiftool,
// sndfile-info (libsndfile) and sox then read the source and the result, and the result must
// say what the source said, shifted by the trimmed start.

#include "EngineTestSupport.h"

#include "common/WavChunks.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

using namespace enginetest;
using namespace wavchunks;

namespace {

constexpr int32_t kRate = 48000;
constexpr uint32_t kOnset = 12000; // first frame of sound
constexpr int64_t kTimeReference = 172800000;

bool HaveTools() {
    return RunCommand("command -v ffmpeg && command -v ffprobe && command -v exiftool && "
                      "command -v sndfile-info && command -v sox") == 0;
}

std::string Quoted(const std::string& pPath) {
    return "'" + pPath + "'";
}

std::string Output(const std::string& pCommand) {
    std::string out;
    EXPECT_EQ(RunCommand(pCommand, &out), 0) << pCommand;
    return out;
}

// What the tools read from one file.
struct ToolView {
    std::vector<std::pair<int64_t, std::string>> Chapters; // ffprobe: cue start, label
    std::string Title, Artist, Comment, EncodedBy;         // ffprobe tags
    int64_t TimeReference = -1;                            // ffprobe
    std::string ExifTitle, ExifArtist, Description, Originator;
    int64_t ExifTimeReference = -1;
    std::vector<int64_t> CueOffsets;                // sndfile-info
    std::vector<std::pair<int64_t, int64_t>> Loops; // sndfile-info
};

ToolView Read(const std::string& pPath) {
    ToolView v;
    std::istringstream probe(
        Output("ffprobe -v error -show_entries format_tags=title,artist,comment,encoded_by,"
               "time_reference:chapter=start:chapter_tags=title -of default " +
               Quoted(pPath)));
    bool inChapter = false;
    for (std::string line; std::getline(probe, line);) {
        if (line == "[CHAPTER]") inChapter = true;
        if (line == "[FORMAT]") inChapter = false;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (inChapter && key == "start") v.Chapters.emplace_back(std::stoll(value), "");
        if (inChapter && key == "TAG:title" && !v.Chapters.empty())
            v.Chapters.back().second = value;
        if (inChapter) continue;
        if (key == "TAG:title") v.Title = value;
        if (key == "TAG:artist") v.Artist = value;
        if (key == "TAG:comment") v.Comment = value;
        if (key == "TAG:encoded_by") v.EncodedBy = value;
        if (key == "TAG:time_reference") v.TimeReference = std::stoll(value);
    }
    std::istringstream exif(Output("exiftool -S -Title -Artist -Description -Originator "
                                   "-TimeReference " +
                                   Quoted(pPath)));
    for (std::string line; std::getline(exif, line);) {
        const size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        if (key == "Title") v.ExifTitle = value;
        if (key == "Artist") v.ExifArtist = value;
        if (key == "Description") v.Description = value;
        if (key == "Originator") v.Originator = value;
        if (key == "TimeReference") v.ExifTimeReference = std::stoll(value);
    }
    const std::string info = Output("sndfile-info " + Quoted(pPath));
    const std::regex cue(R"(Cue ID :\s+\d+\s+Pos :\s+\d+\s+Chunk : data.*Offset :\s+(\d+))");
    for (std::sregex_iterator i(info.begin(), info.end(), cue), end; i != end; ++i)
        v.CueOffsets.push_back(std::stoll((*i)[1]));
    const std::regex loop(R"(Type :\s+\d+\s+Start :\s+(\d+)\s+End :\s+(\d+))");
    for (std::sregex_iterator i(info.begin(), info.end(), loop), end; i != end; ++i)
        v.Loops.emplace_back(std::stoll((*i)[1]), std::stoll((*i)[2]));
    return v;
}

// A second of 16-bit mono: silence, a square wave over [kOnset, 36000), silence.
Bytes ToneData() {
    Bytes data;
    for (uint32_t i = 0; i < uint32_t(kRate); ++i)
        PutU16(data, i >= kOnset && i < 36000 ? uint32_t(i % 2 ? 12000 : -12000) & 0xFFFF : 0);
    return data;
}

} // namespace

TEST(MetadataTools, OtherProgramsReadTheSourcesMetadataShiftedByTheTrim) {
    if (!HaveTools()) GTEST_SKIP() << "ffmpeg, ffprobe, exiftool, sndfile-info or sox missing";
    TempDir tmp;
    const std::string plain = tmp.Path("plain.wav"), tagged = tmp.Path("tagged.wav");
    const std::string source = tmp.Path("source.wav"), result = tmp.Path("result.wav");
    WriteBytes(plain, Wav(kRate, 16, 1, ToneData(), {}, {}));
    // ffmpeg writes the tags as LIST/INFO.
    ASSERT_EQ(RunCommand("ffmpeg -v error -y -i " + Quoted(plain) +
                         " -c copy -metadata title='Night bus' -metadata artist='The Band' " +
                         Quoted(tagged)),
              0);
    const auto fromFfmpeg = StrictChunks(ReadBytes(tagged));
    ASSERT_TRUE(fromFfmpeg);
    const FoundChunk* info = Find(*fromFfmpeg, "LIST", "INFO");
    ASSERT_TRUE(info) << "ffmpeg wrote no LIST/INFO";

    BextValues bext;
    bext.Description = "Scene 4, take 2";
    bext.Originator = "field recorder";
    bext.TimeReference = kTimeReference;
    const std::vector<Chunk> before = {
        {"LIST", info->Body},
        Bext(bext),
        {"iXML", Bytes{'<', 'B', 'W', 'F', 'X', 'M', 'L', '/', '>'}}};
    const std::vector<Chunk> after = {
        Cue({{1, 3000}, {2, 15000}, {3, 30000}, {4, 40000}}),
        List("adtl", {Label("labl", 1, "intro"), Label("labl", 2, "verse"),
                      Label("labl", 3, "chorus"), Label("labl", 4, "outro")}),
        Smpl({{13000, 14000}, {20000, 40000}})};
    WriteBytes(source, Wav(kRate, 16, 1, ToneData(), before, after));

    // Trimmed (from frame 6000 on, then the silence) and normalised.
    Job job = Job::Between(source, result);
    job.FromFrame = 6000;
    job.Trim = true;
    job.StartThresholdDb = -40.0f;
    job.EndThresholdDb = -40.0f;
    job.Normalize = true;
    job.NormLevelDb = -1.0f;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    const int64_t start = kOnset, end = kOnset + r.KeptFrames;

    const ToolView src = Read(source);
    const ToolView out = Read(result);
    // The source as the tools see it: what the test wrote.
    ASSERT_EQ(src.CueOffsets, (std::vector<int64_t>{3000, 15000, 30000, 40000}));
    ASSERT_EQ(src.Chapters.size(), 4u);
    ASSERT_EQ(src.Loops.size(), 2u);

    EXPECT_EQ(out.Title, "Night bus");
    EXPECT_EQ(out.Artist, "The Band");
    EXPECT_EQ(out.ExifTitle, src.ExifTitle);
    EXPECT_EQ(out.ExifArtist, src.ExifArtist);
    EXPECT_EQ(out.Comment, "Scene 4, take 2");  // ffprobe's name for the bext description
    EXPECT_EQ(out.EncodedBy, "field recorder"); // and for the originator
    EXPECT_EQ(out.Description, src.Description);
    EXPECT_EQ(out.Originator, src.Originator);
    EXPECT_EQ(src.TimeReference, kTimeReference);
    EXPECT_EQ(out.TimeReference, src.TimeReference + start);
    EXPECT_EQ(out.ExifTimeReference, src.ExifTimeReference + start);

    std::vector<std::pair<int64_t, std::string>> chapters;
    std::vector<int64_t> cues;
    for (const auto& [at, label] : src.Chapters)
        if (at >= start && at <= end) chapters.emplace_back(at - start, label);
    for (int64_t at : src.CueOffsets)
        if (at >= start && at <= end) cues.push_back(at - start);
    std::vector<std::pair<int64_t, int64_t>> loops;
    for (const auto& [first, last] : src.Loops)
        if (first >= start && last < end) loops.emplace_back(first - start, last - start);
    EXPECT_EQ(out.Chapters, chapters);
    EXPECT_EQ(chapters.size(), 2u);
    EXPECT_EQ(out.CueOffsets, cues);
    EXPECT_EQ(out.Loops, loops);
    EXPECT_EQ(loops.size(), 1u);

    // sox reads the result as plain audio of the kept length, without a complaint.
    std::string soxText;
    ASSERT_EQ(RunCommand("sox --i -s " + Quoted(result), &soxText), 0);
    EXPECT_EQ(std::stoll(soxText), r.KeptFrames);
    ASSERT_EQ(RunCommand("sox -V2 " + Quoted(result) + " -n 2>&1", &soxText), 0);
    EXPECT_EQ(soxText, "");
}
