// Metadata chunks through the edit: kept in the source's order, shifted by the trimmed start,
// dropped where they no longer fit or are malformed, and a bare header when there are none or
// the job keeps none.

#include "EngineTestSupport.h"

#include "common/WavChunks.h"
#include "engine/MetadataChunks.h"
#include "engine/WaveMMIO.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace enginetest;
using namespace wavchunks;

namespace {

constexpr int32_t kRate = 8000;
constexpr uint32_t kOnset = 2000; // first frame of sound
constexpr uint32_t kFrames = 8000;
constexpr uint64_t kTimeReference = 172800000; // one hour at 48 kHz

// 16-bit mono: silence, a loud square wave over [kOnset, 6000), silence.
Bytes ToneData() {
    Bytes data;
    for (uint32_t i = 0; i < kFrames; ++i)
        PutU16(data, i >= kOnset && i < 6000 ? uint32_t(i % 2 ? 16000 : -16000) & 0xFFFF : 0);
    return data;
}

BextValues SourceBext() {
    BextValues v;
    v.Description = "Scene 4, take 2";
    v.Originator = "field recorder";
    v.OriginatorReference = "REF-0042";
    v.TimeReference = kTimeReference;
    return v;
}

std::vector<Chunk> ChunksBeforeData() {
    return {Bext(SourceBext()),
            {"JUNK", Bytes(28, 0)},
            List("INFO", {InfoText("INAM", "Night bus"), InfoText("IART", "The Band")}),
            {"iXML", Bytes{'<', 'B', 'W', 'F', 'X', 'M', 'L', '/', '>'}},
            {"PEAK", Bytes(24, 1)}};
}

std::vector<Chunk> ChunksAfterData() {
    return {Cue({{1, 500}, {2, 2500}, {3, 5000}, {4, 7000}}),
            List("adtl", {Label("labl", 1, "lead-in"), Label("labl", 2, "verse"),
                          Label("labl", 3, "chorus"), Label("note", 3, "loud"),
                          Label("labl", 4, "tail"), Region(2, 100000, "verse region")}),
            Smpl({{2100, 3000}, {1000, 2500}, {5000, 7000}}, Bytes{9, 8, 7}),
            {"abcd", Bytes{1, 2, 3}},
            {"id3 ", Bytes{'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0}}};
}

struct Output {
    std::vector<FoundChunk> Chunks;
    Bytes File;
    int64_t Kept = 0;
};

// Runs the job on a source made of the chunks; the output's chunks, read strictly.
Output EditInto(TempDir& pTmp, Job pJob, const Bytes& pSource,
                const std::string& pName = "out.wav") {
    pJob.SourcePath = pTmp.Path("in-" + pName);
    pJob.TargetPath = pTmp.Path(pName);
    WriteBytes(pJob.SourcePath, pSource);
    const EditResult r = pJob.Run();
    EXPECT_TRUE(r.Done()) << int(r.Status);
    Output out;
    out.File = ReadBytes(pJob.TargetPath);
    out.Kept = r.KeptFrames;
    auto chunks = StrictChunks(out.File);
    EXPECT_TRUE(chunks.has_value()) << "not a well-formed RIFF file";
    if (chunks) out.Chunks = *chunks;
    EXPECT_EQ(ReadWaveInfo(pJob.TargetPath).Valid, 1);
    return out;
}

Job TrimJob() {
    Job job;
    job.Trim = true;
    job.StartThresholdDb = -40.0f;
    job.EndThresholdDb = -40.0f;
    return job;
}

// The text at pFrom up to a NUL or the end of the body.
std::string Text(const Bytes& pBody, size_t pFrom) {
    const auto* text = reinterpret_cast<const char*>(pBody.data() + pFrom);
    return std::string(text, strnlen(text, pBody.size() - pFrom));
}

} // namespace

TEST(MetadataChunks, TrimKeepsOrderAndShiftsEveryPosition) {
    TempDir tmp;
    const Bytes source = Wav(kRate, 16, 1, ToneData(), ChunksBeforeData(), ChunksAfterData());
    const Output out = EditInto(tmp, TrimJob(), source);
    const int64_t end = kOnset + out.Kept; // the kept range is [kOnset, end)
    ASSERT_GT(out.Kept, 3000);

    // Source order; padding and the peak envelope gone.
    EXPECT_EQ(Ids(out.Chunks), (std::vector<std::string>{"fmt ", "bext", "LIST", "iXML", "data",
                                                         "cue ", "LIST", "smpl", "abcd", "id3 "}));
    const FoundChunk* data = Find(out.Chunks, "data");
    ASSERT_TRUE(data);
    EXPECT_EQ(int64_t(data->Body.size()), out.Kept * 2);

    const FoundChunk* bext = Find(out.Chunks, "bext");
    ASSERT_TRUE(bext);
    EXPECT_EQ(TimeReference(bext->Body), kTimeReference + kOnset);
    EXPECT_EQ(Text(bext->Body, 0), "Scene 4, take 2");
    EXPECT_EQ(Text(bext->Body, 256), "field recorder");
    EXPECT_EQ(Text(bext->Body, 288), "REF-0042");
    for (int i = 0; i < 5; ++i) // no loudness measured: the old values would be wrong
        EXPECT_EQ(I16At(bext->Body, 412 + 2 * size_t(i)), 0);
    EXPECT_EQ(Text(bext->Body, 602), "A=PCM,F=8000,W=16,M=mono\r\n");

    const FoundChunk* cue = Find(out.Chunks, "cue ");
    ASSERT_TRUE(cue);
    EXPECT_EQ(CuePoints(cue->Body),
              (std::vector<std::pair<uint32_t, uint32_t>>{{2, 500}, {3, 3000}}));
    EXPECT_EQ(U32At(cue->Body, 4 + 4), 500u); // the play position moves with it

    const FoundChunk* adtl = Find(out.Chunks, "LIST", "adtl");
    ASSERT_TRUE(adtl);
    std::vector<std::string> kept;
    size_t pos = 4;
    while (pos + 8 <= adtl->Body.size()) {
        const uint32_t size = U32At(adtl->Body, pos + 4);
        const std::string id(adtl->Body.begin() + long(pos), adtl->Body.begin() + long(pos) + 4);
        const uint32_t cueId = U32At(adtl->Body, pos + 8);
        if (id == "ltxt") {
            EXPECT_EQ(cueId, 2u);
            EXPECT_EQ(U32At(adtl->Body, pos + 12), uint32_t(out.Kept - 500)); // cut at the end
            kept.push_back(id + ":" + Text(adtl->Body, pos + 8 + 20));
        } else {
            kept.push_back(id + ":" + Text(adtl->Body, pos + 12));
        }
        pos += 8 + size + size % 2;
    }
    EXPECT_EQ(kept, (std::vector<std::string>{"labl:verse", "labl:chorus", "note:loud",
                                              "ltxt:verse region"}));

    const FoundChunk* smpl = Find(out.Chunks, "smpl");
    ASSERT_TRUE(smpl);
    EXPECT_EQ(Loops(smpl->Body), (std::vector<std::pair<uint32_t, uint32_t>>{{100, 1000}}));
    EXPECT_EQ(Bytes(smpl->Body.end() - 3, smpl->Body.end()), (Bytes{9, 8, 7})); // sampler data

    // Unknown and tag chunks as they were, odd sizes padded.
    EXPECT_EQ(Find(out.Chunks, "abcd")->Body, (Bytes{1, 2, 3}));
    EXPECT_EQ(Find(out.Chunks, "id3 ")->Body.size(), 10u);
    EXPECT_EQ(Find(out.Chunks, "LIST", "INFO")->Body,
              List("INFO", {InfoText("INAM", "Night bus"), InfoText("IART", "The Band")}).Body);
    EXPECT_LE(end, 6000);
}

TEST(MetadataChunks, RangeStartAndForcedMarginMoveTheTimeReference) {
    TempDir tmp;
    const Bytes source = Wav(kRate, 16, 1, ToneData(), ChunksBeforeData(), ChunksAfterData());
    // A range without trimming: its start counts like a trimmed start.
    Job range;
    range.FromFrame = 1000;
    range.ToFrame = 7000;
    Output out = EditInto(tmp, range, source, "range.wav");
    EXPECT_EQ(TimeReference(Find(out.Chunks, "bext")->Body), kTimeReference + 1000);
    EXPECT_EQ(CuePoints(Find(out.Chunks, "cue ")->Body),
              (std::vector<std::pair<uint32_t, uint32_t>>{{2, 1500}, {3, 4000}, {4, 6000}}));
    EXPECT_EQ(Loops(Find(out.Chunks, "smpl")->Body),
              (std::vector<std::pair<uint32_t, uint32_t>>{{1100, 2000}, {0, 1500}}));

    // A forced start margin longer than the lead-in: the result starts before the source did.
    Job forced = TrimJob();
    forced.StartMarginMs = 500; // 4000 frames, 2000 of them silence written in front
    forced.ForceMargins = true;
    out = EditInto(tmp, forced, source, "forced.wav");
    EXPECT_EQ(TimeReference(Find(out.Chunks, "bext")->Body), kTimeReference - 2000);
    EXPECT_EQ(CuePoints(Find(out.Chunks, "cue ")->Body),
              (std::vector<std::pair<uint32_t, uint32_t>>{{1, 2500}, {2, 4500}, {3, 7000}}));
}

TEST(MetadataChunks, BareHeaderWithoutChunksOrWhenTurnedOff) {
    TempDir tmp;
    const Bytes plain = Wav(kRate, 16, 1, ToneData(), {}, {});
    const Bytes rich = Wav(kRate, 16, 1, ToneData(), ChunksBeforeData(), ChunksAfterData());
    Job keep = TrimJob();
    Job bare = TrimJob();
    bare.KeepMetadata = false;
    const Output plainKept = EditInto(tmp, keep, plain, "plain-kept.wav");
    const Output plainBare = EditInto(tmp, bare, plain, "plain-bare.wav");
    const Output richBare = EditInto(tmp, bare, rich, "rich-bare.wav");
    EXPECT_EQ(plainKept.File, plainBare.File);
    EXPECT_EQ(richBare.File, plainBare.File);
    EXPECT_EQ(Ids(plainKept.Chunks), (std::vector<std::string>{"fmt ", "data"}));
    EXPECT_EQ(plainKept.File.size(), 44u + size_t(plainKept.Kept) * 2);
}

TEST(MetadataChunks, LoudnessModeWritesTheMeasuredLoudnessIntoBext) {
    TempDir tmp;
    constexpr int32_t rate = 48000;
    Bytes data;
    for (int32_t i = 0; i < rate * 2; ++i)
        PutU16(data,
               uint32_t(int32_t(std::lround(8000.0 * std::sin(i * 2.0 * M_PI * 997.0 / rate)))) &
                   0xFFFF);
    const Bytes source = Wav(rate, 16, 1, data, {Bext(SourceBext())}, {});
    Job job;
    job.Normalize = true;
    job.Mode = NormMode::Loudness;
    job.NormLevelDb = -23.0f;
    job.SourcePath = tmp.Path("in.wav");
    job.TargetPath = tmp.Path("out.wav");
    WriteBytes(job.SourcePath, source);
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    ASSERT_TRUE(r.Loudness);
    const auto chunks = StrictChunks(ReadBytes(job.TargetPath));
    ASSERT_TRUE(chunks);
    const Bytes& bext = Find(*chunks, "bext")->Body;
    const double lufs = r.Loudness->IntegratedLufs; // of the written file
    const double peak = r.Loudness->TruePeakDbtp();
    EXPECT_NEAR(I16At(bext, 412), std::lround(lufs * 100), 1);
    EXPECT_NEAR(I16At(bext, 412), -2300, 5);
    EXPECT_NEAR(I16At(bext, 416), std::lround(peak * 100), 1); // true peak, after the gain
    for (size_t at : {414u, 418u, 420u})                       // not measured: zero
        EXPECT_EQ(I16At(bext, at), 0);
    EXPECT_EQ(TimeReference(bext), kTimeReference); // nothing trimmed
}

TEST(MetadataChunks, MalformedChunksAreLeftOutAndTheResultStaysValid) {
    TempDir tmp;
    Bytes badInfo = List("INFO", {InfoText("INAM", "x")}).Body;
    badInfo[8] = 100; // INAM claims more than the LIST holds
    Bytes badCue = Cue({{1, 2500}}).Body;
    badCue[0] = 200; // 200 points in the room of one
    const std::vector<Chunk> before = {{"LIST", badInfo},
                                       {"cue ", badCue},
                                       {"smpl", Bytes(20, 0)},
                                       {"bext", Bytes(100, 0)},
                                       {"iXML", Bytes{'<', 'x', '/', '>'}}};
    Bytes source = Wav(kRate, 16, 1, ToneData(), before, {});
    // A chunk after the data cut short by the end of the file.
    const Bytes cut = ChunkWithHeader({"zzzz", Bytes(1000, 7)});
    source.insert(source.end(), cut.begin(), cut.begin() + 30);
    PutU32(source, 0); // garbage at the very end
    const Output out = EditInto(tmp, TrimJob(), source);
    EXPECT_EQ(Ids(out.Chunks), (std::vector<std::string>{"fmt ", "iXML", "data"}));

    // The same chunks as --info sees them: each named with its reason.
    const FileHandle h = OpenForRead(tmp.Path("in-out.wav"));
    const MetadataChunks read = ReadMetadataChunks(h, ReadWaveInfoFrom(h));
    CloseFile(h);
    const MetadataChunks kept = AdjustMetadata(read, UnchangedEdit(kFrames));
    ASSERT_EQ(kept.Kept.size(), 1u);
    std::vector<std::string> reasons;
    for (const DroppedChunk& d : kept.Dropped)
        reasons.push_back(ChunkIdText(d.Id) + ":" + d.Reason);
    EXPECT_EQ(reasons,
              (std::vector<std::string>{"zzzz:cut short", "LIST:malformed", "cue :malformed",
                                        "smpl:malformed", "bext:malformed"}));
}

TEST(MetadataChunks, OddDataWithoutItsPadByteStillFindsTheChunksAfterIt) {
    TempDir tmp;
    // 8-bit mono, 1001 frames, chunks right behind the audio with no pad byte between: a cue
    // chunk alone, and a LIST whose size's low byte ('@') makes "IST@" look like a chunk id
    // one byte further on.
    Bytes data(1001, 128);
    for (size_t i = 300; i < 700; ++i)
        data[i] = i % 2 ? 250 : 6;
    const Chunk info = List("INFO", {InfoText("INAM", std::string(51, 'a'))});
    ASSERT_EQ(info.Body.size(), 0x40u);
    for (const std::vector<Chunk>& after :
         {std::vector<Chunk>{Cue({{7, 400}})}, std::vector<Chunk>{info, Cue({{7, 400}})}}) {
        SCOPED_TRACE(after.size());
        Bytes file = Wav(kRate, 8, 1, data, {}, {});
        file.pop_back(); // the pad byte
        for (const Chunk& c : after) {
            const Bytes bytes = ChunkWithHeader(c);
            file.insert(file.end(), bytes.begin(), bytes.end());
        }
        file[4] = uint8_t(file.size() - 8);
        file[5] = uint8_t((file.size() - 8) >> 8);
        Job job; // copies the audio as it is
        const Output out = EditInto(tmp, job, file, std::to_string(after.size()) + ".wav");
        const FoundChunk* kept = Find(out.Chunks, "cue ");
        ASSERT_TRUE(kept);
        EXPECT_EQ(CuePoints(kept->Body), (std::vector<std::pair<uint32_t, uint32_t>>{{7, 400}}));
        EXPECT_EQ(Find(out.Chunks, "data")->Body, data);
        EXPECT_EQ(Find(out.Chunks, "LIST") != nullptr, after.size() == 2);
    }
}

TEST(MetadataChunks, WithoutAudioEveryChunkGoesBeforeTheData) {
    // A data size of 0 reads as "to the end of the file": nothing may follow it.
    TempDir tmp;
    const Bytes source =
        Wav(kRate, 16, 1, Bytes(kFrames * 2, 0), ChunksBeforeData(), ChunksAfterData());
    const Output out = EditInto(tmp, TrimJob(), source);
    EXPECT_EQ(out.Kept, 0);
    ASSERT_FALSE(out.Chunks.empty());
    EXPECT_EQ(out.Chunks.back().Id, "data");
    EXPECT_TRUE(out.Chunks.back().Body.empty());
    EXPECT_TRUE(Find(out.Chunks, "abcd"));
    EXPECT_TRUE(Find(out.Chunks, "id3 "));
}

TEST(MetadataChunks, AFloatResultsFactCountsItsFramesAndPcmDropsIt) {
    TempDir tmp;
    Bytes data; // 32-bit float mono: silence, a burst over [kOnset, 6000), silence
    for (uint32_t i = 0; i < kFrames; ++i) {
        const float v = i >= kOnset && i < 6000 ? (i % 2 ? 0.5f : -0.5f) : 0.0f;
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        PutU32(data, bits);
    }
    Bytes fact;
    PutU32(fact, kFrames);
    const Output out = EditInto(tmp, TrimJob(), Wav(kRate, 32, 1, data, {{"fact", fact}}, {}, 3));
    const FoundChunk* kept = Find(out.Chunks, "fact");
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->Body.size(), 4u);
    uint32_t frames = 0;
    std::memcpy(&frames, kept->Body.data(), 4);
    EXPECT_EQ(frames, uint32_t(out.Kept));
    EXPECT_LT(out.Kept, int64_t(kFrames));

    const Output pcm =
        EditInto(tmp, TrimJob(), Wav(kRate, 16, 1, ToneData(), {{"fact", fact}}, {}), "pcm.wav");
    EXPECT_FALSE(Find(pcm.Chunks, "fact"));
}

TEST(MetadataChunks, AdjustersKeepWhatFitsAndRefuseWhatIsMalformed) {
    MetadataEdit edit;
    edit.KeptStart = 100;
    edit.KeptEnd = 200;
    // Cue points: both ends of the range count; a play position that differs stays.
    Bytes cue = Cue({{1, 99}, {2, 100}, {3, 200}, {4, 201}}).Body;
    cue[4 + 24 + 4] = 5; // point 2's play position: 5, not its offset
    const auto adjusted = AdjustCue(cue, edit);
    ASSERT_TRUE(adjusted);
    EXPECT_EQ(CuePoints(adjusted->Body),
              (std::vector<std::pair<uint32_t, uint32_t>>{{2, 0}, {3, 100}}));
    EXPECT_EQ(U32At(adjusted->Body, 4 + 4), 5u);
    EXPECT_EQ(adjusted->DroppedIds, (std::set<uint32_t>{1, 4}));

    // A loop must fit whole: its end frame is played, so it must lie before the range's end.
    const auto smpl = AdjustSmpl(Smpl({{100, 199}, {150, 200}, {120, 110}}).Body, edit);
    ASSERT_TRUE(smpl);
    EXPECT_EQ(Loops(*smpl), (std::vector<std::pair<uint32_t, uint32_t>>{{0, 99}}));
    Bytes lying = Smpl({{100, 199}}).Body;
    lying[28] = 2; // two loops claimed, one present
    EXPECT_FALSE(AdjustSmpl(lying, edit));

    // Forced margins that move a point past frame 0xFFFFFFFF drop it (never stored modulo
    // 2^32), and AdjustMetadata says so; points still below stay.
    MetadataEdit far;
    far.LeadFrames = 0xFFFFFFFFLL - 150;
    far.KeptEnd = 1000;
    const auto farCue = AdjustCue(Cue({{1, 150}, {2, 151}}).Body, far);
    ASSERT_TRUE(farCue);
    EXPECT_EQ(CuePoints(farCue->Body),
              (std::vector<std::pair<uint32_t, uint32_t>>{{1, 0xFFFFFFFF}}));
    EXPECT_EQ(farCue->DroppedIds, (std::set<uint32_t>{2}));
    EXPECT_EQ(Loops(*AdjustSmpl(Smpl({{100, 150}, {100, 151}}).Body, far)),
              (std::vector<std::pair<uint32_t, uint32_t>>{{0xFFFFFFFF - 50, 0xFFFFFFFF}}));
    Bytes fact;
    PutU32(fact, 7);
    EXPECT_EQ(U32At(*AdjustFact(fact, far), 0), 0xFFFFFFFFu); // more frames than it holds
    MetadataChunks both;
    both.Kept = {{ChunkId("cue "), Cue({{1, 150}, {2, 151}, {3, 152}}).Body},
                 {ChunkId("smpl"), Smpl({{100, 151}}).Body}};
    const MetadataChunks adjustedFar = AdjustMetadata(both, far);
    ASSERT_EQ(adjustedFar.Dropped.size(), 2u);
    EXPECT_EQ(adjustedFar.Kept.size(), 2u); // one point left; the loop-less smpl keeps its note
    EXPECT_EQ(adjustedFar.Dropped[0].Reason,
              "2 cue points past frame 4294967295, which the chunk cannot hold");
    EXPECT_EQ(adjustedFar.Dropped[1].Reason,
              "1 loop past frame 4294967295, which the chunk cannot hold");

    // Labels of points that were never in the cue chunk stay as they are.
    const Bytes adtl = List("adtl", {Label("labl", 9, "orphan"), Region(9, 500, "r")}).Body;
    EXPECT_EQ(AdjustAdtl(adtl, *adjusted, edit), adtl);
    EXPECT_FALSE(IsWellFormedList(Bytes{'a', 'd'}));

    // A time reference never runs below zero; loudness fields are kept when nothing changed.
    BextValues early = SourceBext();
    early.TimeReference = 10;
    MetadataEdit lead;
    lead.LeadFrames = 50;
    lead.KeptEnd = 100;
    EXPECT_EQ(TimeReference(*AdjustBext(Bext(early).Body, lead)), 0u);
    const Bytes same = *AdjustBext(Bext(early).Body, UnchangedEdit(100));
    EXPECT_EQ(same, Bext(early).Body);
    EXPECT_FALSE(AdjustBext(Bytes(601, 0), lead));
}
