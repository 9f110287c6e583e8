#include "engine/WaveMMIO.h"
#include "FoundationUtil.h"

#include <filesystem>
#include <sys/stat.h>

using namespace foundation_test;

class WaveRead : public ScratchTest {
  protected:
    WaveInfo Read(const std::string& pBytes) {
        WriteBytes(PathOf("t.wav"), pBytes);
        return ReadWaveInfo(PathOf("t.wav"));
    }
};

TEST_F(WaveRead, PlainStereo16FillsEveryField) {
    const WaveInfo w =
        Read(Riff(FmtChunk(1, 2, 44100, 16) + Chunk("data", std::string(44100 * 4, '\0'))));
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.SampleFrames, 44100);
    EXPECT_EQ(w.SampleRate, 44100);
    EXPECT_EQ(w.BitsPerSample, 16);
    EXPECT_EQ(w.Channels, 2);
    EXPECT_EQ(w.BlockAlign, 4);
    EXPECT_EQ(w.DataOffset, 44);
    EXPECT_EQ(w.DataSize, 176400);
    EXPECT_EQ(w.FileSize, 176444);
    EXPECT_EQ(w.FormatCode, 3);
    EXPECT_EQ(w.LengthMs, 1000);
    EXPECT_EQ(w.FormatTag, 1);
}

TEST_F(WaveRead, ChunkOrderPadBytesAndMissingMarks) {
    // An odd-sized chunk between "fmt " and "data" carries a pad byte that must be stepped over.
    WaveInfo w = Read(Riff(FmtChunk(1, 1, 8000, 8) + Chunk("LIST", "abc") +
                           Chunk("data", std::string(8000, '\x80'))));
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.DataOffset, 12 + 24 + 12 + 8);
    EXPECT_EQ(w.FormatCode, 0);

    // "data" before "fmt ".
    w = Read(Riff(Chunk("data", std::string(12, '\0')) + FmtChunk(1, 2, 48000, 24)));
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.DataOffset, 20);
    EXPECT_EQ(w.SampleFrames, 2);
    EXPECT_EQ(w.FormatCode, 5);

    // No RIFF/WAVE marks: the first 12 bytes are not examined.
    w = Read("JUNKJUNKJUNK" + FmtChunk(1, 1, 22050, 16) + Chunk("data", std::string(4, '\0')));
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.SampleFrames, 2);
}

TEST_F(WaveRead, ChannelAndWidthDecideSupport) {
    WaveInfo w = Read(Riff(FmtChunk(1, 9, 44100, 16) + Chunk("data", std::string(18, '\0'))));
    EXPECT_EQ(w.Valid, 0);
    EXPECT_EQ(w.Channels, 9);
    EXPECT_EQ(w.SampleRate, 44100);
    EXPECT_EQ(w.BitsPerSample, 16);
    EXPECT_EQ(w.BlockAlign, 18);
    EXPECT_EQ(w.FormatCode, 0);

    w = Read(Riff(FmtChunk(0xFFFE, 6, 48000, 24) + Chunk("data", std::string(18 * 10, '\0'))));
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.FormatCode, 8);
    EXPECT_EQ(w.FormatTag, -2);
    EXPECT_EQ(w.BlockAlign, 18);
    EXPECT_EQ(w.SampleFrames, 10);

    EXPECT_EQ(Read(Riff(FmtChunk(1, 8, 8000, 8) + Chunk("data", ""))).Valid, 1);
    EXPECT_EQ(Read(Riff(FmtChunk(1, 2, 8000, 32) + Chunk("data", ""))).Valid, 1);
    EXPECT_EQ(Read(Riff(FmtChunk(1, 2, 8000, 64) + Chunk("data", ""))).Valid, 0);

    // The old codes stay; the other layouts of 1 to 8 channels follow them.
    const int32_t expected[][3] = {{1, 8, 0},   {2, 8, 1},   {1, 16, 2},  {2, 16, 3},  {1, 24, 4},
                                   {2, 24, 5},  {6, 16, 6},  {8, 16, 7},  {6, 24, 8},  {8, 24, 9},
                                   {3, 16, 20}, {6, 8, 15},  {1, 32, 34}, {8, 32, 41}, {2, 12, -1},
                                   {0, 16, -1}, {9, 16, -1}, {2, 64, -1}};
    for (const auto& e : expected)
        EXPECT_EQ(WaveFormatCode(e[0], e[1]), e[2]) << e[0] << " ch " << e[1] << " bits";
}

TEST_F(WaveRead, SizesAndRatesThatCannotBeTakenAtFaceValue) {
    // A rate of 0 cannot give a length.
    EXPECT_EQ(Read(Riff(FmtChunk(1, 2, 0, 16) + Chunk("data", std::string(8, '\0')))).Valid, 0);
    // A size field larger than the file is cut to the whole frames the file holds.
    WaveInfo w = Read(Riff(FmtChunk(1, 2, 44100, 16)) + "data" + Le32(0xFFFFFFF0) + "abcdefg");
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.DataSizeField, 0xFFFFFFF0LL);
    EXPECT_EQ(w.DataSize, 7);
    EXPECT_EQ(w.SampleFrames, 1);
    // 0 and 0xFFFFFFFF are headers never finished: the data runs to the end of the file.
    for (uint32_t field : {0u, 0xFFFFFFFFu}) {
        w = Read(Riff(FmtChunk(1, 2, 1000, 16)) + "data" + Le32(field) + std::string(4000, 'x'));
        EXPECT_EQ(w.DataSize, 4000) << field;
        EXPECT_EQ(w.SampleFrames, 1000) << field;
        EXPECT_EQ(w.LengthMs, 1000) << field;
    }
    // A smaller field is believed: what follows is another chunk.
    w = Read(Riff(FmtChunk(1, 1, 8000, 8) + Chunk("data", "abcd") + Chunk("LIST", "INFO")));
    EXPECT_EQ(w.DataSize, 4);
    // A length beyond 32 bits of milliseconds is shown as the largest one; the frames stand.
    w = Read(Riff(FmtChunk(1, 1, 1, 8)) + "data" + Le32(2147484) + std::string(2147484, 'x'));
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.SampleFrames, 2147484);
    EXPECT_EQ(w.LengthMs, 2147483647);
}

TEST_F(WaveRead, Rf64TakesItsDataSizeFromTheDs64Chunk) {
    // 1000 stereo 16-bit frames, then a chunk that is not audio.
    const std::string audio(4000, 'a');
    const std::string ds64 =
        Le32(0) + Le32(0) + Le32(4000) + Le32(0) + Le32(1000) + Le32(0) + Le32(0);
    const std::string body = "WAVE" + Chunk("ds64", ds64) + FmtChunk(1, 2, 8000, 16) + "data" +
                             Le32(0xFFFFFFFF) + audio + Chunk("LIST", "INFOtail");
    WaveInfo w = Read("RF64" + Le32(0xFFFFFFFF) + body);
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.DataSize, 4000);
    EXPECT_EQ(w.SampleFrames, 1000);
    EXPECT_EQ(w.LengthMs, 125);
    // A ds64 size past the end of the file is cut there like any other.
    const std::string big = Le32(0) + Le32(0) + Le32(0) + Le32(1) + Le32(0) + Le32(0) + Le32(0);
    w = Read("RF64" + Le32(0xFFFFFFFF) + "WAVE" + Chunk("ds64", big) + FmtChunk(1, 2, 8000, 16) +
             "data" + Le32(0xFFFFFFFF) + audio);
    EXPECT_EQ(w.DataSize, 4000);
}

TEST_F(WaveRead, FramesOfASparseFileBeyondThe31BitRange) {
    const std::string path = PathOf("big.wav");
    WriteBytes(path, Riff(FmtChunk(1, 1, 44100, 8)) + "data" + Le32(0xFFFFFFF0));
    std::filesystem::resize_file(path, 44 + 0xFFFFFFF0LL); // sparse: no disk space used
    WaveInfo w = ReadWaveInfo(path);
    EXPECT_EQ(w.DataSize, 0xFFFFFFF0LL);
    EXPECT_EQ(w.SampleFrames, 0xFFFFFFF0LL);
    EXPECT_EQ(w.LengthMs, 97391548);
    // RF64: a ds64 data size beyond 32 bits, 16-bit mono frames past 2^31.
    const int64_t dataSize = (int64_t(1) << 32) + 6;
    const std::string ds64 = Le32(0) + Le32(0) + Le32(uint32_t(dataSize)) +
                             Le32(uint32_t(dataSize >> 32)) + Le32(0) + Le32(0) + Le32(0);
    const std::string head = "RF64" + Le32(0xFFFFFFFF) + "WAVE" + Chunk("ds64", ds64) +
                             FmtChunk(1, 1, 48000, 16) + "data" + Le32(0xFFFFFFFF);
    WriteBytes(path, head);
    std::filesystem::resize_file(path, int64_t(head.size()) + dataSize + 10);
    w = ReadWaveInfo(path);
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.DataSize, dataSize);
    EXPECT_EQ(w.SampleFrames, dataSize / 2);
    EXPECT_EQ(w.LengthMs, 44739243); // 2147483651 frames at 48 kHz
}

TEST_F(WaveRead, EncodingFromTheTagOrTheExtensionsGuid) {
    // An extensible "fmt " body (the 16 plain bytes, cbSize, valid bits, mask, GUID) with its
    // cbSize replaced and cut to pKeep bytes.
    auto extensible = [&](int32_t pCbSize, uint16_t pSubTag, size_t pKeep) {
        std::string body = testwav::FmtBody({48000, 16, 2, false, true, 3, pSubTag});
        body.replace(16, 2, Le16(uint32_t(pCbSize)));
        body.resize(pKeep);
        return Riff(Chunk("fmt ", body) + Chunk("data", std::string(8, '\0')));
    };
    WaveInfo w = Read(extensible(22, 1, 40));
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(IsPcmEncoding(w), 1);
    EXPECT_EQ(EncodingName(w), "");

    EXPECT_EQ(w.ChannelMask, 3u);
    EXPECT_EQ(w.ValidBits, 16);

    w = Read(extensible(22, 3, 40));
    EXPECT_EQ(IsPcmEncoding(w), 0);
    EXPECT_EQ(IsEditableEncoding(w), 0);
    EXPECT_EQ(EncodingName(w), "16-bit float");
    // 32-bit float is edited, in a plain or an extensible header; 64-bit float is not.
    w = Read(Riff(FmtChunk(3, 2, 8000, 32) + Chunk("data", std::string(8, '\0'))));
    EXPECT_EQ(IsFloat32Encoding(w), 1);
    EXPECT_EQ(EncodingName(w), "");
    w = Read(Riff(FmtChunk(3, 2, 8000, 64) + Chunk("data", std::string(16, '\0'))));
    EXPECT_EQ(IsEditableEncoding(w), 0);
    EXPECT_EQ(EncodingName(w), "64-bit float");
    // A cut extension, a short cbSize or a GUID that is not a tag GUID: not known to be PCM.
    for (const std::string& bytes :
         {extensible(22, 1, 30), extensible(10, 1, 40), extensible(22, 1, 16)}) {
        w = Read(bytes);
        EXPECT_EQ(w.SubFormatTag, -1);
        EXPECT_EQ(IsPcmEncoding(w), 0);
    }
    std::string other = extensible(22, 1, 40);
    other[12 + 8 + 24 + 15] = 'X'; // last GUID byte
    EXPECT_EQ(IsPcmEncoding(Read(other)), 0);

    const std::pair<int, const char*> tags[] = {{6, "A-law"},
                                                {7, "\u00b5-law"},
                                                {0x11, "IMA ADPCM"},
                                                {2, "MS ADPCM"},
                                                {0x40, "format tag 0x0040"}};
    for (const auto& [tag, name] : tags) {
        w = Read(Riff(FmtChunk(tag, 1, 8000, 8) + Chunk("data", "ab")));
        EXPECT_EQ(IsPcmEncoding(w), 0) << tag;
        EXPECT_EQ(EncodingName(w), name);
    }
    // Layouts the sample code does not handle, named for the refusal.
    EXPECT_EQ(LayoutProblem(Read(Riff(FmtChunk(1, 9, 8000, 16) + Chunk("data", "")))),
              "9 channels");
    EXPECT_EQ(LayoutProblem(Read(Riff(FmtChunk(1, 4, 8000, 32) + Chunk("data", "")))), "");
    EXPECT_EQ(LayoutProblem(Read(Riff(FmtChunk(1, 1, 8000, 12) + Chunk("data", "")))), "12-bit");
    EXPECT_EQ(LayoutProblem(Read(Riff(FmtChunk(1, 2, 8000, 24) + Chunk("data", "")))), "");
}

TEST_F(WaveRead, LengthRoundsHalfToEven) {
    EXPECT_EQ(Read(Riff(FmtChunk(1, 1, 2000, 8) + Chunk("data", "a"))).LengthMs, 0);     // 0.5
    EXPECT_EQ(Read(Riff(FmtChunk(1, 1, 2000, 8) + Chunk("data", "abc"))).LengthMs, 2);   // 1.5
    EXPECT_EQ(Read(Riff(FmtChunk(1, 1, 2000, 8) + Chunk("data", "abcde"))).LengthMs, 2); // 2.5
}

TEST_F(WaveRead, MalformedInputGivesAnInvalidRecord) {
    EXPECT_EQ(ReadWaveInfo(PathOf("missing.wav")).Valid, 0);
    EXPECT_EQ(Read("").Valid, 0);
    EXPECT_EQ(Read("RIFF").Valid, 0);
    // A chunk size near 2^32 jumps past the end of the file.
    WaveInfo w =
        Read(Riff(Chunk("JUNK", "", 0xFFFFFFFF) + FmtChunk(1, 2, 44100, 16) + Chunk("data", "")));
    EXPECT_EQ(w.Valid, 0);
    // A "fmt " chunk cut off by the end of the file.
    EXPECT_EQ(Read(Riff("fmt " + Le32(16) + Le16(1) + Le16(2))).Valid, 0);
    // A data chunk whose header is cut off.
    w = Read(Riff(FmtChunk(1, 2, 44100, 16) + "data" + "\x10"));
    EXPECT_EQ(w.Valid, 0);
    EXPECT_EQ(w.Channels, 2);
    // Many empty chunks end the walk without a record.
    std::string many;
    for (int i = 0; i < 70000; ++i)
        many += Chunk("JUNK", "");
    EXPECT_EQ(Read(Riff(many + FmtChunk(1, 2, 44100, 16) + Chunk("data", ""))).Valid, 0);
}

TEST_F(WaveRead, FindChunkWalksTheListByPath) {
    WriteBytes(PathOf("t.wav"), Riff(FmtChunk(1, 2, 44100, 16) + Chunk("LIST", "abc") +
                                     Chunk("data", std::string(8, '\0'))));
    EXPECT_EQ(FindChunk(PathOf("t.wav"), kChunkFmt), 12);
    EXPECT_EQ(FindChunk(PathOf("t.wav"), 0x5453494C), 36); // "LIST"
    EXPECT_EQ(FindChunk(PathOf("t.wav"), kChunkData), 48);
    EXPECT_EQ(FindChunk(PathOf("t.wav"), 0x74636166), -1); // "fact"
    EXPECT_EQ(FindChunk(PathOf("missing.wav"), kChunkData), -1);
    WriteBytes(PathOf("j.wav"), Riff(Chunk("JUNK", "", 0xFFFFFFFE) + Chunk("data", "")));
    EXPECT_EQ(FindChunk(PathOf("j.wav"), kChunkData), -1);
}

class WaveWrite : public ScratchTest {};

TEST_F(WaveWrite, PlainHeaderBytes) {
    const std::string f = PathOf("o.wav");
    EXPECT_EQ(WriteWaveHeader(44100, 16, 2, f, 1000, 0), 1);
    const std::string expected = "RIFF" + Le32(1036) + "WAVEfmt " + Le32(16) + Le16(1) + Le16(2) +
                                 Le32(44100) + Le32(176400) + Le16(4) + Le16(16) + "data" +
                                 Le32(1000);
    EXPECT_EQ(ReadBytes(f), expected);
    const WaveInfo w = ReadWaveInfo(f);
    EXPECT_EQ(w.Valid, 1);
    EXPECT_EQ(w.DataOffset, 44);
}

TEST_F(WaveWrite, ExtensibleHeaderBytes) {
    const std::string f = PathOf("o.wav");
    FileHandle h = WriteWaveHeader(48000, 24, 8, f, 0, 1);
    ASSERT_GE(h, 3);
    CloseFile(h);
    const std::string bytes = ReadBytes(f);
    ASSERT_EQ(bytes.size(), 68u);
    EXPECT_EQ(U32At(bytes, 4), 60u);
    EXPECT_EQ(U32At(bytes, 16), 40u);
    EXPECT_EQ(bytes.substr(20, 4), Le16(0xFFFE) + Le16(8));
    EXPECT_EQ(U32At(bytes, 28), 48000u * 24);
    EXPECT_EQ(bytes.substr(32, 8), Le16(24) + Le16(24) + Le16(22) + Le16(24));
    EXPECT_EQ(U32At(bytes, 40), 0xFFu);
    EXPECT_EQ(bytes.substr(44, 16), std::string("\x01\x00\x00\x00\x00\x00\x10\x00"
                                                "\x80\x00\x00\xAA\x00\x38\x9B\x71",
                                                16));
    EXPECT_EQ(bytes.substr(60, 4), "data");
    EXPECT_EQ(WriteWaveHeader(48000, 16, 6, f, 0, 0), 1);
    EXPECT_EQ(U32At(ReadBytes(f), 40), 0x3Fu);
    EXPECT_EQ(ReadWaveInfo(f).FormatCode, 6);
}

TEST_F(WaveWrite, HeaderReplacesAnOldFileAndRefusesWhatItCannotWrite) {
    const std::string f = PathOf("o.wav");
    WriteBytes(f, std::string(5000, 'z'));
    ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
    EXPECT_EQ(WriteWaveHeader(8000, 8, 1, f, 0, 0), 1);
    EXPECT_EQ(ReadBytes(f).size(), 44u);

    // A folder at the path is neither deleted nor written into.
    std::filesystem::create_directory(PathOf("dir"));
    EXPECT_EQ(WriteWaveHeader(8000, 8, 1, PathOf("dir"), 0, 1), 0);
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("dir")));
    // A block alignment beyond 16 bits is refused before anything is deleted.
    EXPECT_EQ(WriteWaveHeader(8000, 16, 30000, f, 0, 0), 0);
    EXPECT_EQ(ReadBytes(f).size(), 44u);
    EXPECT_EQ(WriteWaveHeader(8000, 16, 1, PathOf("no/such/o.wav"), 0, 1), 0);
}

TEST_F(WaveWrite, FixWaveSizesFromTheFileLength) {
    const std::string f = PathOf("o.wav");
    FileHandle h = WriteWaveHeader(44100, 8, 1, f, 0, 1);
    ASSERT_GE(h, 3);
    h = WriteAt("abcde", 5, -1, h, f);
    h = WriteAt("\0", 1, -1, h, f); // pad byte after odd audio
    ASSERT_GE(h, 3);
    EXPECT_EQ(FixWaveSizes(f, 1, 0, h), 1);
    EXPECT_GE(GetSizeByHandle(h), 0) << "a handle passed in stays open";
    CloseFile(h);
    std::string bytes = ReadBytes(f);
    EXPECT_EQ(U32At(bytes, 4), 50u - 8);
    EXPECT_EQ(U32At(bytes, 40), 5u);
    EXPECT_EQ(ReadWaveInfo(f).SampleFrames, 5);

    // RIFF size only leaves the data size alone.
    WriteBytes(f, bytes.substr(0, 40) + Le32(77) + bytes.substr(44) + "xy");
    EXPECT_EQ(FixWaveSizes(f, 0, 1, 0), 1);
    bytes = ReadBytes(f);
    EXPECT_EQ(U32At(bytes, 4), 52u - 8);
    EXPECT_EQ(U32At(bytes, 40), 77u);
    EXPECT_EQ(FixWaveSizes(f, 0, 0, 0), 1);
    EXPECT_EQ(U32At(ReadBytes(f), 40), 52u - 44);
}

TEST_F(WaveWrite, FixWaveSizesRefusesShortOrChunklessFiles) {
    const std::string f = PathOf("short.wav");
    const std::string short43 = std::string("RIFF") + std::string(39, '\x11');
    WriteBytes(f, short43);
    EXPECT_EQ(FixWaveSizes(f, 0, 0, 0), 0);
    EXPECT_EQ(ReadBytes(f), short43);
    EXPECT_EQ(FixWaveSizes(PathOf("missing.wav"), 0, 0, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing.wav")));
    WriteBytes(f, Riff(FmtChunk(1, 1, 8000, 8) + Chunk("LIST", std::string(20, 'q'))));
    EXPECT_EQ(FixWaveSizes(f, 0, 0, 0), 0);
}

TEST_F(WaveWrite, SetWaveDataSizeCountsThePadAndCutsOrExtends) {
    const std::string f = PathOf("o.wav");
    WriteBytes(f, Riff(FmtChunk(1, 1, 8000, 8) + Chunk("data", std::string(10, 'a')) +
                       Chunk("LIST", "trailing")));
    EXPECT_EQ(SetWaveDataSize(f, 5, 0), 1);
    std::string bytes = ReadBytes(f);
    ASSERT_EQ(bytes.size(), 44u + 5 + 1);
    EXPECT_EQ(U32At(bytes, 4), 36u + 5 + 1);
    EXPECT_EQ(U32At(bytes, 40), 5u);
    EXPECT_EQ(bytes.substr(44, 5), "aaaaa");

    FileHandle h = OpenForWrite(f);
    EXPECT_EQ(SetWaveDataSize(f, 20, h), 1);
    EXPECT_EQ(GetSizeByHandle(h), 64);
    CloseFile(h);
    bytes = ReadBytes(f);
    EXPECT_EQ(bytes.substr(50), std::string(14, '\0'));
    EXPECT_EQ(ReadWaveInfo(f).SampleFrames, 20);

    EXPECT_EQ(SetWaveDataSize(f, 4294967295LL - 44, 0), 0);
    EXPECT_EQ(SetWaveDataSize(f, -2, 0), 0);
    EXPECT_EQ(ReadBytes(f).size(), 64u);
    WriteBytes(PathOf("nodata.wav"), Riff(FmtChunk(1, 1, 8000, 8)));
    EXPECT_EQ(SetWaveDataSize(PathOf("nodata.wav"), 4, 0), 0);
}

TEST(Pack24, ExtremesAndClamping) {
    const uint8_t minusOne[3] = {0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Unpack24(minusOne), -1);
    const uint8_t most[3] = {0xFF, 0xFF, 0x7F};
    const uint8_t least[3] = {0x00, 0x00, 0x80};
    EXPECT_EQ(Unpack24(most), 8388607);
    EXPECT_EQ(Unpack24(least), -8388608);

    std::vector<Packed24Mono> packed;
    Pack24Mono({8388607, 8388608, INT32_MAX, -8388608, -8388609, INT32_MIN, -1, 0, 0x123456},
               packed);
    ASSERT_EQ(packed.size(), 9u);
    const Packed24Mono top{0xFF, 0xFF, 0x7F}, bottom{0x00, 0x00, 0x80};
    EXPECT_EQ(packed[0], top);
    EXPECT_EQ(packed[1], top);
    EXPECT_EQ(packed[2], top);
    EXPECT_EQ(packed[3], bottom);
    EXPECT_EQ(packed[4], bottom);
    EXPECT_EQ(packed[5], bottom);
    EXPECT_EQ(packed[6], (Packed24Mono{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(packed[8], (Packed24Mono{0x56, 0x34, 0x12}));

    std::vector<int32_t> values(100, 7); // resized down to the input's count
    Unpack24Mono(packed, values);
    EXPECT_EQ(values, (std::vector<int32_t>{8388607, 8388607, 8388607, -8388608, -8388608, -8388608,
                                            -1, 0, 0x123456}));
}

TEST(Pack24, StereoKeepsLeftThenRight) {
    std::vector<Packed24Stereo> packed;
    Pack24Stereo({{1, -2}, {9000000, -9000000}}, packed);
    ASSERT_EQ(packed.size(), 2u);
    EXPECT_EQ(packed[0], (Packed24Stereo{0x01, 0x00, 0x00, 0xFE, 0xFF, 0xFF}));
    EXPECT_EQ(packed[1], (Packed24Stereo{0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80}));
    std::vector<SamplePair> values;
    Unpack24Stereo(packed, values);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (SamplePair{1, -2}));
    EXPECT_EQ(values[1], (SamplePair{8388607, -8388608}));
}

TEST_F(WaveRead, SoundFileTypeFromTheFormatTag) {
    const auto typeOf = [&](const std::string& pName, const std::string& pBytes) {
        WriteBytes(PathOf(pName), pBytes);
        return GetSoundFileType(PathOf(pName));
    };
    EXPECT_EQ(typeOf("a.wav", Riff(FmtChunk(1, 2, 44100, 16) + Chunk("data", ""))), "wav");
    EXPECT_EQ(typeOf("b.wav", Riff(FmtChunk(80, 2, 44100, 0) + Chunk("data", ""))), "mp2");
    EXPECT_EQ(typeOf("c.wav", Riff(FmtChunk(85, 2, 44100, 0) + Chunk("data", ""))), "mp3");
    EXPECT_EQ(typeOf("d.wav", Riff(FmtChunk(0x161, 2, 44100, 16))), "wmariff");
    EXPECT_EQ(typeOf("e.wav", Riff(FmtChunk(0x160, 2, 44100, 16))), "wmariff");
    EXPECT_EQ(typeOf("notes.TXT", "plain text, not RIFF at all"), "TXT");
    EXPECT_EQ(typeOf("odd.flac", Riff(FmtChunk(0xF1AC, 2, 44100, 16))), "flac");
}

// The caller owns its handle: a failed fix must not close it (closing it twice later could
// close an unrelated file that reused the descriptor).
TEST_F(WaveWrite, FailedSizeFixesLeaveTheCallersHandleOpen) {
    const std::string f = PathOf("o.wav");
    WriteBytes(f, Riff(FmtChunk(1, 1, 8000, 8) + Chunk("data", std::string(10, 'a'))));
    FileHandle readOnly = OpenForRead(f);
    ASSERT_GE(readOnly, 3);
    EXPECT_EQ(FixWaveSizes(f, 0, 0, readOnly), 0);
    EXPECT_EQ(SetWaveDataSize(f, 4, readOnly), 0);
    EXPECT_EQ(GetSizeByHandle(readOnly), 54) << "the handle must still be open";
    CloseFile(readOnly);

    FileHandle h = OpenForWrite(f);
    EXPECT_EQ(WriteByHandle(h, 44, "bb", 2), 1);
    EXPECT_EQ(WriteByHandle(h, -3, "bb", 2), 0);
    EXPECT_EQ(GetSizeByHandle(h), 54);
    CloseFile(h);
    EXPECT_EQ(ReadBytes(f).substr(44, 3), "bba");
}
