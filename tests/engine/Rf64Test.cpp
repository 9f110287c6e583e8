// Outputs past the 4 GiB of the RIFF size fields: written as RF64 (a "JUNK" chunk reserved
// after "WAVE" becomes "ds64"), read back by this reader, sox and ffprobe. Outputs below keep
// the plain header; one reserved but ending below stays RIFF with its "JUNK" chunk.

#include "EngineTestSupport.h"

#include "engine/WaveMMIO.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

uint32_t U32At(const std::vector<uint8_t>& pBytes, size_t pAt) {
    uint32_t v;
    std::memcpy(&v, &pBytes[pAt], 4);
    return v;
}
uint64_t U64At(const std::vector<uint8_t>& pBytes, size_t pAt) {
    return uint64_t(U32At(pBytes, pAt)) | uint64_t(U32At(pBytes, pAt + 4)) << 32;
}
std::string IdAt(const std::vector<uint8_t>& pBytes, size_t pAt) {
    return std::string(reinterpret_cast<const char*>(&pBytes[pAt]), 4);
}

// The first pCount bytes at pPos of a file.
std::vector<uint8_t> BytesAt(const std::string& pPath, int64_t pPos, size_t pCount) {
    std::vector<uint8_t> bytes(pCount);
    FileHandle h = OpenForRead(pPath);
    int64_t got = 0;
    EXPECT_EQ(ReadByHandle(h, pPos, bytes.data(), int32_t(pCount), &got), 1);
    CloseFile(h);
    bytes.resize(size_t(got));
    return bytes;
}

// Disk blocks a file really takes, in bytes.
int64_t AllocatedBytes(const std::string& pPath) {
    struct stat st {};
    return ::stat(pPath.c_str(), &st) == 0 ? int64_t(st.st_blocks) * 512 : -1;
}

// The frame count sox and ffprobe read from a file's header; -1 when the tool is missing or
// fails. sox is given the header of an RF64 file through a pipe: on a file it can seek in, it
// looks for chunks after the audio from a 32-bit cut of the 64-bit data size and reads the
// rest of the file on the way, minutes for a long sparse file.
int64_t SoxFrames(const std::string& pPath) {
    if (!HaveSox()) return -1;
    const bool rf64 = fs::file_size(pPath) > kMaxRiffFileBytes;
    const std::string quoted = "'" + pPath + "'";
    std::string out;
    if (RunCommand(rf64 ? "head -c 65536 " + quoted + " | sox --i -s - 2>/dev/null"
                        : "sox --i -s " + quoted + " 2>/dev/null",
                   &out) != 0)
        return -1;
    return std::atoll(out.c_str());
}
int64_t FfprobeFrames(const std::string& pPath) {
    if (RunCommand("command -v ffprobe >/dev/null 2>&1") != 0) return -1;
    std::string out;
    if (RunCommand("ffprobe -v error -select_streams a:0 -show_entries stream=duration_ts -of "
                   "default=nw=1:nk=1 '" +
                       pPath + "' 2>/dev/null",
                   &out) != 0)
        return -1;
    return std::atoll(out.c_str());
}

} // namespace

TEST(Rf64Output, ForcedMarginsPastFourGiBAreWrittenAsRf64) {
    TempDir tmp;
    const std::string src = tmp.Path("in.wav"), out = tmp.Path("out.wav");
    std::vector<int32_t> samples;
    for (int32_t i = 0; i < 200; ++i)
        samples.push_back(1000 + 37 * i);
    WriteWav(src, 44100, 16, 2, samples);
    // Forced margins of 7 hours each: more than 8 GiB of silence around 100 frames; the
    // silence is a hole in the file, the audio lies past 4 GiB.
    Job job = Job::Between(src, out);
    job.Trim = true;
    job.StartThresholdDb = job.EndThresholdDb = -60.0f;
    job.StartMarginMs = job.EndMarginMs = 7 * 3600 * 1000;
    job.ForceMargins = true;
    EditResult r;
    r = job.Run();
    ASSERT_TRUE(r.Done()) << int(r.Status) << " " << r.Detail;
    EXPECT_EQ(r.KeptFrames, 100);

    const int64_t lead = 1111320000; // 7 h at 44.1 kHz
    const int64_t tail = lead - 2;   // the range is kept even
    const int64_t frames = lead + 100 + tail;
    const int64_t length = int64_t(fs::file_size(out));
    EXPECT_EQ(length, 80 + frames * 4);
    EXPECT_LT(AllocatedBytes(out), 64 << 20) << "the forced silence takes no disk space";

    const std::vector<uint8_t> head = BytesAt(out, 0, 80);
    ASSERT_EQ(head.size(), 80u);
    EXPECT_EQ(IdAt(head, 0), "RF64");
    EXPECT_EQ(U32At(head, 4), 0xFFFFFFFFu);
    EXPECT_EQ(IdAt(head, 8), "WAVE");
    EXPECT_EQ(IdAt(head, 12), "ds64");
    EXPECT_EQ(U32At(head, 16), 28u);
    EXPECT_EQ(U64At(head, 20), uint64_t(length - 8));
    EXPECT_EQ(U64At(head, 28), uint64_t(frames * 4));
    EXPECT_EQ(U64At(head, 36), uint64_t(frames));
    EXPECT_EQ(U32At(head, 44), 0u); // no table
    EXPECT_EQ(IdAt(head, 48), "fmt ");
    EXPECT_EQ(IdAt(head, 72), "data");
    EXPECT_EQ(U32At(head, 76), 0xFFFFFFFFu);

    const WaveInfo info = ReadWaveInfo(out);
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.DataOffset, 80);
    EXPECT_EQ(info.SampleFrames, frames);
    // After the lead, the 100 frames the same job writes without margins; silence around.
    Job unpadded = job;
    unpadded.TargetPath = tmp.Path("unpadded.wav");
    unpadded.StartMarginMs = 0;
    unpadded.EndMarginMs = 1; // keeps the last frame, as the long margin does
    unpadded.ForceMargins = false;
    r = unpadded.Run();
    ASSERT_TRUE(r.Done());
    std::vector<uint8_t> expected(4, 0);
    const std::vector<uint8_t> kept = ReadBytes(unpadded.TargetPath);
    ASSERT_EQ(kept.size(), 44u + 400);
    expected.insert(expected.end(), kept.begin() + 44, kept.end());
    expected.insert(expected.end(), 4, 0);
    EXPECT_EQ(BytesAt(out, 80 + (lead - 1) * 4, 102 * 4), expected);
    // Other programs read the length from the ds64 chunk.
    const int64_t sox = SoxFrames(out);
    const int64_t ffprobe = FfprobeFrames(out);
    if (sox < 0 || ffprobe < 0) GTEST_SKIP() << "sox or ffprobe missing";
    EXPECT_EQ(sox, frames);
    EXPECT_EQ(ffprobe, frames);
}

TEST(Rf64Output, TheReservationIsTakenOnlyPastFourGiBAndKeptAsJunkBelow) {
    TempDir tmp;
    const std::string plain = tmp.Path("plain.wav"), junk = tmp.Path("junk.wav");
    // A planned length that fits: the plain 44-byte header, as ever.
    FileHandle h = CreateWaveHeader(8000, 16, 1, plain, kMaxRiffFileBytes - 44);
    ASSERT_GE(h, 3);
    CloseFile(h);
    EXPECT_EQ(fs::file_size(plain), 44u);
    // One byte more reserves the RF64 sizes; the file ends below 4 GiB all the same (the job
    // wrote less): it stays RIFF with a JUNK chunk that readers skip.
    h = CreateWaveHeader(8000, 16, 1, junk, kMaxRiffFileBytes - 43);
    ASSERT_GE(h, 3);
    const uint8_t audio[6] = {1, 0, 2, 0, 3, 0};
    h = WriteAt(audio, 6, -1, h, junk);
    ASSERT_EQ(FixWaveSizes(junk, 0, 0, h), 1);
    CloseFile(h);
    const std::vector<uint8_t> bytes = ReadBytes(junk);
    ASSERT_EQ(bytes.size(), 86u);
    EXPECT_EQ(IdAt(bytes, 0), "RIFF");
    EXPECT_EQ(U32At(bytes, 4), 78u);
    EXPECT_EQ(IdAt(bytes, 12), "JUNK");
    EXPECT_EQ(U32At(bytes, 16), 28u);
    EXPECT_EQ(IdAt(bytes, 48), "fmt ");
    EXPECT_EQ(U32At(bytes, 76), 6u);
    const WaveInfo info = ReadWaveInfo(junk);
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.SampleFrames, 3);
    if (HaveSox()) {
        EXPECT_EQ(SoxFrames(junk), 3);
    }

    // Past 4 GiB without the reservation the sizes cannot be written: the fix fails.
    h = OpenForWrite(plain);
    ASSERT_EQ(SetEndOfFileAt(h, kMaxRiffFileBytes + 1), 1);
    EXPECT_EQ(FixWaveSizes(plain, 0, 0, h), 0);
    CloseFile(h);
    // With it, the file becomes RF64 (again, after a first fix).
    h = OpenForWrite(junk);
    ASSERT_EQ(SetEndOfFileAt(h, kMaxRiffFileBytes + 7), 1);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(FixWaveSizes(junk, 1, 0, h), 1);
        const std::vector<uint8_t> head = BytesAt(junk, 0, 80);
        EXPECT_EQ(IdAt(head, 0), "RF64");
        EXPECT_EQ(IdAt(head, 12), "ds64");
        EXPECT_EQ(U64At(head, 20), uint64_t(kMaxRiffFileBytes - 1));
        EXPECT_EQ(U64At(head, 28), uint64_t(kMaxRiffFileBytes + 7 - 80 - 1));
        EXPECT_EQ(U64At(head, 36), uint64_t(kMaxRiffFileBytes + 7 - 80 - 1) / 2);
        EXPECT_EQ(U32At(head, 76), 0xFFFFFFFFu);
    }
    CloseFile(h);
    EXPECT_EQ(ReadWaveInfo(junk).SampleFrames, (kMaxRiffFileBytes + 7 - 80 - 1) / 2);
}
