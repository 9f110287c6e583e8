// The MPEG header parser on hand-built byte buffers.

#include "media/FCT_mpeg.h"
#include "services/core/Paths.h"

#include "MediaTestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

namespace {

// MPEG-1 Layer III, no CRC, 128 kbit/s, 44100 Hz, joint stereo.
constexpr uint8_t kCbr128[4] = {0xFF, 0xFB, 0x90, 0x44};

class MpegParser : public ::testing::Test {
  protected:
    static void Put(std::vector<uint8_t>& pBytes, size_t pAt,
                    std::initializer_list<uint8_t> pData) {
        if (pBytes.size() < pAt + pData.size()) pBytes.resize(pAt + pData.size());
        std::copy(pData.begin(), pData.end(), pBytes.begin() + long(pAt));
    }
    static void PutHeader(std::vector<uint8_t>& pBytes, size_t pAt,
                          const uint8_t* pHeader = kCbr128) {
        Put(pBytes, pAt, {pHeader[0], pHeader[1], pHeader[2], pHeader[3]});
    }
    // A frame header and, pFrameBytes further on, the next frame's (which confirms it).
    static void PutFrame(std::vector<uint8_t>& pBytes, size_t pAt, const uint8_t* pHeader = kCbr128,
                         size_t pFrameBytes = 417, const uint8_t* pNext = nullptr) {
        PutHeader(pBytes, pAt, pHeader);
        PutHeader(pBytes, pAt + pFrameBytes, pNext ? pNext : pHeader);
    }
    static void PutText(std::vector<uint8_t>& pBytes, size_t pAt, const char* pText) {
        if (pBytes.size() < pAt + std::strlen(pText)) pBytes.resize(pAt + std::strlen(pText));
        std::memcpy(pBytes.data() + pAt, pText, std::strlen(pText));
    }
    // "Xing" (or pTag) at pAt with the frame count 8 bytes later (big-endian).
    static void PutXing(std::vector<uint8_t>& pBytes, size_t pAt, uint32_t pFrames,
                        const char* pTag = "Xing") {
        PutText(pBytes, pAt, pTag);
        Put(pBytes, pAt + 4, {0, 0, 0, 0x0F});
        Put(pBytes, pAt + 8,
            {uint8_t(pFrames >> 24), uint8_t(pFrames >> 16), uint8_t(pFrames >> 8),
             uint8_t(pFrames)});
    }

    int32_t Parse(const std::string& pName, const std::vector<uint8_t>& pBytes) {
        return GetMpegInfo(m_Folder.Write(pName, pBytes), m_Info);
    }

    ScratchFolder m_Folder;
    MpegInfo m_Info;
};

TEST_F(MpegParser, CbrMillionByteFileGivesDocumentedFigures) {
    std::vector<uint8_t> bytes(1000000, 0);
    PutFrame(bytes, 0);
    ASSERT_EQ(Parse("a.mp3", bytes), 1);
    EXPECT_EQ(m_Info.StartPos, 1);
    EXPECT_EQ(m_Info.DataSize, 1000000);
    EXPECT_EQ(m_Info.EndPos, 1000000);
    EXPECT_EQ(m_Info.FileSize, 1000000);
    EXPECT_EQ(m_Info.LengthMs, 62500);
    EXPECT_EQ(m_Info.BlockBytes, 1254);
    EXPECT_EQ(m_Info.BitRate, 128);
    EXPECT_EQ(m_Info.SampleRate, 44100);
    EXPECT_EQ(m_Info.Layer, 3);
    EXPECT_EQ(m_Info.IsLsf, 0);
    EXPECT_EQ(m_Info.IsVbr, 0);
    EXPECT_EQ(m_Info.ChannelMode, 1);
    EXPECT_EQ(m_Info.Channels, 2);
    EXPECT_EQ(m_Info.HeaderByte1, 0xFB);
    EXPECT_EQ(m_Info.HeaderByte2, 0x90);
    EXPECT_EQ(m_Info.HeaderByte3, 0x44);
    EXPECT_EQ(CutAtNul(m_Info.LongText), "mp3(44100Hz/128kbps/JointStereo)");
    EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(44.1kHz/128kb/JS)");
    EXPECT_EQ(m_Info.LongText.size(), size_t(MpegTextLength));
    EXPECT_EQ(m_Info.ShortText.size(), size_t(MpegTextLength));

    // An ID3v1 tag appended does not count as audio.
    PutText(bytes, 1000000, "TAG");
    bytes.resize(1000128, 0);
    ASSERT_EQ(Parse("b.mp3", bytes), 1);
    EXPECT_EQ(m_Info.FileSize, 1000128);
    EXPECT_EQ(m_Info.DataSize, 1000000);
    EXPECT_EQ(m_Info.LengthMs, 62500);
}

TEST_F(MpegParser, SizeLimitsAndMissingFile) {
    std::vector<uint8_t> bytes(47, 0);
    PutHeader(bytes, 0);
    EXPECT_EQ(Parse("short.mp3", bytes), 0);
    bytes.resize(48, 0);
    ASSERT_EQ(Parse("min.mp3", bytes), 1);
    EXPECT_EQ(m_Info.DataSize, 48);
    EXPECT_EQ(m_Info.LengthMs, 3);
    EXPECT_EQ(GetMpegInfo(m_Folder.Path("missing.mp3"), m_Info), 0);
}

TEST_F(MpegParser, FileBeyondRecordFieldsIsRefusedNotWrapped) {
    // 4 GiB + 48 bytes (sparse): its size does not fit the record, and its low 32 bits would
    // describe a 48-byte file.
    std::vector<uint8_t> head(48, 0);
    PutHeader(head, 0);
    std::string path = m_Folder.Write("huge.mp3", head);
    std::error_code ec;
    std::filesystem::resize_file(path, (uint64_t(1) << 32) + 48, ec);
    if (ec) GTEST_SKIP() << "no sparse file here: " << ec.message();
    EXPECT_EQ(GetMpegInfo(path, m_Info), 0);
}

TEST_F(MpegParser, SearchStartsAfterId3v2AndTagBlocks) {
    // ID3v2 with the synchsafe size 0x00 0x00 0x02 0x01 (257): the search starts at 267, so
    // a header inside the tag is not seen.
    std::vector<uint8_t> bytes(4000, 0);
    PutText(bytes, 0, "ID3");
    Put(bytes, 3, {3, 0, 0, 0x00, 0x00, 0x02, 0x01});
    PutFrame(bytes, 100);
    PutFrame(bytes, 267);
    ASSERT_EQ(Parse("id3.mp3", bytes), 1);
    EXPECT_EQ(m_Info.StartPos, 268);
    EXPECT_EQ(m_Info.DataSize, 4000 - 267);

    // "TAG" at the start: the search starts at 128 and "Xing" in the first 48 bytes is not
    // looked at.
    std::vector<uint8_t> tagged(4000, 0);
    PutText(tagged, 0, "TAG");
    PutXing(tagged, 36, 1000);
    PutFrame(tagged, 60);
    PutFrame(tagged, 300);
    ASSERT_EQ(Parse("tag.mp3", tagged), 1);
    EXPECT_EQ(m_Info.StartPos, 301);
    EXPECT_EQ(m_Info.IsVbr, 0);
    EXPECT_EQ(m_Info.FrameCount, 0);
}

TEST_F(MpegParser, RememberedSecondByteHoldsAcrossChunks) {
    std::vector<uint8_t> bytes(4000, 0);
    Put(bytes, 10, {0xFF, 0xFB, 0xFF});
    const uint8_t withCrc[4] = {0xFF, 0xFA, 0x90, 0x44};
    PutFrame(bytes, 1100, withCrc); // a valid stream, but not the remembered byte
    PutFrame(bytes, 2200);
    ASSERT_EQ(Parse("r.mp3", bytes), 1);
    EXPECT_EQ(m_Info.StartPos, 2201);

    // The same at the very start of the file.
    std::vector<uint8_t> atStart(3000, 0);
    Put(atStart, 0, {0xFF, 0xFB, 0xFF});
    PutFrame(atStart, 100, withCrc);
    PutFrame(atStart, 1200);
    ASSERT_EQ(Parse("s.mp3", atStart), 1);
    EXPECT_EQ(m_Info.StartPos, 1201);
}

TEST_F(MpegParser, DoubleFfIsNoiseOnlyInMp3Files) {
    std::vector<uint8_t> bytes(3000, 0);
    const uint8_t layer1[4] = {0xFF, 0xFF, 0x90, 0xC0}; // 288 kbit/s: 312-byte frames
    PutFrame(bytes, 0, layer1, 312);
    PutFrame(bytes, 1300);
    ASSERT_EQ(Parse("x.mp3", bytes), 1);
    EXPECT_EQ(m_Info.StartPos, 1301);
    EXPECT_EQ(m_Info.Layer, 3);

    ASSERT_EQ(Parse("x.mp2", bytes), 1);
    EXPECT_EQ(m_Info.StartPos, 1);
    EXPECT_EQ(m_Info.Layer, 1);
    EXPECT_EQ(m_Info.BitRate, 288);
    EXPECT_EQ(CutAtNul(m_Info.LongText), "mp1(44100Hz/288kbps/Mono)");

    // The name test is on the last three characters, in any case.
    ASSERT_EQ(Parse("LOUD.MP3", bytes), 1);
    EXPECT_EQ(m_Info.StartPos, 1301);
}

TEST_F(MpegParser, HeaderThatCannotStartAFrameIsSkipped) {
    const uint8_t badHeaders[][4] = {
        {0xFF, 0xFB, 0xF0, 0x44}, // bitrate index 15
        {0xFF, 0xFB, 0x00, 0x44}, // free format
        {0xFF, 0xFB, 0x9C, 0x44}, // sample-rate bits 11
        {0xFF, 0xF9, 0x90, 0x44}, // layer bits 00
    };
    for (const auto& header : badHeaders) {
        std::vector<uint8_t> bytes(3000, 0);
        PutHeader(bytes, 0, header);
        PutHeader(bytes, 417, header);
        EXPECT_EQ(Parse("bad.mp3", bytes), 0) << int(header[1]) << " " << int(header[2]);
        PutFrame(bytes, 1500);
        ASSERT_EQ(Parse("good.mp3", bytes), 1) << int(header[1]) << " " << int(header[2]);
        EXPECT_EQ(m_Info.StartPos, 1501);
    }
}

TEST_F(MpegParser, HeaderMustFitInsideOneChunk) {
    std::vector<uint8_t> bytes(3000, 0);
    Put(bytes, 0, {0x00});
    PutHeader(bytes, 997); // straddles the first chunk's end
    EXPECT_EQ(Parse("straddle.mp3", bytes), 0);

    std::vector<uint8_t> fits(3000, 0);
    PutFrame(fits, 996);
    ASSERT_EQ(Parse("fits.mp3", fits), 1);
    EXPECT_EQ(m_Info.StartPos, 997);
}

TEST_F(MpegParser, Id3v1TextNearTheEndEndsTheAudio) {
    std::vector<uint8_t> bytes(5000, 0);
    PutFrame(bytes, 0);
    PutText(bytes, 5000 - 600, "TAG");
    ASSERT_EQ(Parse("t.mp3", bytes), 1);
    EXPECT_EQ(m_Info.DataSize, 4400);
    EXPECT_EQ(m_Info.EndPos, 4400);

    // Further back than 1024 bytes it is audio.
    std::vector<uint8_t> far(5000, 0);
    PutFrame(far, 0);
    PutText(far, 5000 - 1100, "TAG");
    ASSERT_EQ(Parse("u.mp3", far), 1);
    EXPECT_EQ(m_Info.DataSize, 5000);
}

TEST_F(MpegParser, XingHeaderGivesVbrLengthAndAverageRate) {
    std::vector<uint8_t> bytes(100000, 0);
    PutFrame(bytes, 0);
    PutXing(bytes, 36, 1000);
    ASSERT_EQ(Parse("v.mp3", bytes), 1);
    EXPECT_EQ(m_Info.IsVbr, 1);
    EXPECT_EQ(m_Info.FrameCount, 1000);
    EXPECT_EQ(m_Info.LengthMs, 26122);
    EXPECT_EQ(m_Info.BitRate, 31); // 100000 * 8 / 26122
    EXPECT_EQ(CutAtNul(m_Info.LongText), "mp3(44100Hz/31kbps[VBR]/JointStereo)");
    EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(44.1kHz/31kb/JS)");

    // Frame count 0 cannot give a length.
    PutXing(bytes, 36, 0);
    EXPECT_EQ(Parse("zero.mp3", bytes), 0);
}

TEST_F(MpegParser, XingFoundInFrameAfterSearch) {
    // The frame is found by the search; its "Xing" lies in the same chunk, or past it.
    std::vector<uint8_t> bytes(50000, 0);
    PutFrame(bytes, 500);
    PutXing(bytes, 536, 500);
    ASSERT_EQ(Parse("in.mp3", bytes), 1);
    EXPECT_EQ(m_Info.FrameCount, 500);

    std::vector<uint8_t> late(50000, 0);
    Put(late, 0, {0x00});
    PutFrame(late, 990);
    PutXing(late, 1026, 700);
    ASSERT_EQ(Parse("late.mp3", late), 1);
    EXPECT_EQ(m_Info.StartPos, 991);
    EXPECT_EQ(m_Info.FrameCount, 700);
}

TEST_F(MpegParser, XingOffsetAndFrameSizeFollowVersionAndMode) {
    // MPEG-1 mono: side information of 17 bytes puts "Xing" at 21.
    std::vector<uint8_t> mono(60000, 0);
    const uint8_t mpeg1Mono[4] = {0xFF, 0xFB, 0x90, 0xC4};
    PutFrame(mono, 0, mpeg1Mono);
    PutXing(mono, 21, 1000);
    ASSERT_EQ(Parse("m.mp3", mono), 1);
    EXPECT_EQ(m_Info.IsVbr, 1);
    EXPECT_EQ(m_Info.LengthMs, 26122);
    EXPECT_EQ(CutAtNul(m_Info.LongText), "mp3(44100Hz/18kbps[VBR]/Mono)");

    // MPEG-2 Layer III stereo at 22050 Hz: "Xing" at 21 and 576 samples per frame.
    std::vector<uint8_t> lsf(60000, 0);
    const uint8_t mpeg2Stereo[4] = {0xFF, 0xF3, 0x80, 0x00};
    PutFrame(lsf, 0, mpeg2Stereo, 208);
    PutXing(lsf, 21, 100);
    ASSERT_EQ(Parse("l.mp3", lsf), 1);
    EXPECT_EQ(m_Info.IsLsf, 1);
    EXPECT_EQ(m_Info.LengthMs, 2612); // 100 * 576 / 22.05
    EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(22.05kHz/184kb/ST)");

    // MPEG-2 mono: "Xing" at 13.
    std::vector<uint8_t> lsfMono(60000, 0);
    const uint8_t mpeg2Mono[4] = {0xFF, 0xF3, 0x80, 0xC0};
    PutFrame(lsfMono, 0, mpeg2Mono, 208);
    PutXing(lsfMono, 13, 100);
    ASSERT_EQ(Parse("n.mp3", lsfMono), 1);
    EXPECT_EQ(m_Info.FrameCount, 100);
    EXPECT_EQ(m_Info.LengthMs, 2612);

    // A CBR MPEG-2 header keeps the length from the nominal rate.
    std::vector<uint8_t> cbr(16000, 0);
    PutFrame(cbr, 0, mpeg2Mono, 208); // 64 kbit/s
    ASSERT_EQ(Parse("c.mp3", cbr), 1);
    EXPECT_EQ(m_Info.IsVbr, 0);
    EXPECT_EQ(m_Info.LengthMs, 2000);
    EXPECT_EQ(m_Info.BlockBytes, 1254); // 3456 / 22050 * 8000
}

TEST_F(MpegParser, InfoFrameGivesFrameCountLengthAndTheAudioRate) {
    // "Info" frame at 64 kbit/s (208 bytes at 44100 Hz), audio frames at 128 kbit/s behind it.
    const uint8_t info64[4] = {0xFF, 0xFB, 0x50, 0x44};
    std::vector<uint8_t> bytes(100000, 0);
    PutHeader(bytes, 0, info64);
    PutXing(bytes, 36, 1000, "Info");
    PutHeader(bytes, 208);
    ASSERT_EQ(Parse("copy.mp3", bytes), 1);
    EXPECT_EQ(m_Info.IsVbr, 0);
    EXPECT_EQ(m_Info.FrameCount, 1000);
    EXPECT_EQ(m_Info.LengthMs, 26122);
    EXPECT_EQ(m_Info.BitRate, 128);
    EXPECT_EQ(m_Info.BlockBytes, 1254);
    EXPECT_EQ(CutAtNul(m_Info.LongText), "mp3(44100Hz/128kbps/JointStereo)");

    // A padded "Info" frame (209 bytes): the next header is one byte further on.
    const uint8_t info64Padded[4] = {0xFF, 0xFB, 0x52, 0x44};
    std::vector<uint8_t> padded(100000, 0);
    PutHeader(padded, 0, info64Padded);
    PutXing(padded, 36, 1000, "Info");
    PutHeader(padded, 209);
    ASSERT_EQ(Parse("padded.mp3", padded), 1);
    EXPECT_EQ(m_Info.BitRate, 128);

    // MPEG-2 mono: "Info" at 13; 40 kbit/s at 22050 Hz is a 130-byte frame.
    const uint8_t lsfInfo[4] = {0xFF, 0xF3, 0x50, 0xC0};
    const uint8_t lsfAudio[4] = {0xFF, 0xF3, 0x40, 0xC0}; // 32 kbit/s
    std::vector<uint8_t> lsf(20000, 0);
    PutHeader(lsf, 0, lsfInfo);
    PutXing(lsf, 13, 100, "Info");
    PutHeader(lsf, 130, lsfAudio);
    ASSERT_EQ(Parse("lsf.mp3", lsf), 1);
    EXPECT_EQ(m_Info.LengthMs, 2612);
    EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(22.05kHz/32kb/Mono)");
}

TEST_F(MpegParser, InfoFrameWithoutUsableNextHeader) {
    // The file ends (here in an ID3v1 tag) where the next frame would start: the lone frame
    // at the start is taken, its length from the frame count.
    const uint8_t info64[4] = {0xFF, 0xFB, 0x50, 0x44};
    std::vector<uint8_t> lone(208 + 128, 0);
    PutHeader(lone, 0, info64);
    PutXing(lone, 36, 1000, "Info");
    PutText(lone, 208, "TAG");
    ASSERT_EQ(Parse("lone.mp3", lone), 1);
    EXPECT_EQ(m_Info.DataSize, 208);
    EXPECT_EQ(m_Info.LengthMs, 26122);

    // A next header of another sampling rate is not the same stream: nothing is taken.
    const uint8_t at48k[4] = {0xFF, 0xFB, 0x94, 0x44};
    std::vector<uint8_t> bytes(100000, 0);
    PutFrame(bytes, 0, info64, 208, at48k);
    PutXing(bytes, 36, 1000, "Info");
    EXPECT_EQ(Parse("other.mp3", bytes), 0);

    // Frame count 0: the length comes from the header's rate, as for any CBR file.
    std::vector<uint8_t> empty(16000, 0);
    PutFrame(empty, 0);
    PutXing(empty, 36, 0, "Info");
    ASSERT_EQ(Parse("empty.mp3", empty), 1);
    EXPECT_EQ(m_Info.FrameCount, 0);
    EXPECT_EQ(m_Info.LengthMs, 1000);
    EXPECT_EQ(m_Info.BitRate, 128);

    // An "Info" frame found by the search, behind an ID3v2 tag, near the end of the file.
    std::vector<uint8_t> tagged(1500, 0);
    PutText(tagged, 0, "ID3");
    Put(tagged, 3, {3, 0, 0, 0x00, 0x00, 0x08, 0x00}); // 1024 bytes
    PutFrame(tagged, 1034, info64, 208, kCbr128);
    PutXing(tagged, 1034 + 36, 10, "Info");
    ASSERT_EQ(Parse("short.mp3", tagged), 1);
    EXPECT_EQ(m_Info.StartPos, 1035);
    EXPECT_EQ(m_Info.LengthMs, 261);
}

// Sets the short text's decimal separator for one test.
class SeparatorOverride {
  public:
    explicit SeparatorOverride(std::string pSeparator) {
        SetMpegDecimalSeparatorSource([pSeparator] { return pSeparator; });
    }
    ~SeparatorOverride() { SetMpegDecimalSeparatorSource({}); }
    SeparatorOverride(const SeparatorOverride&) = delete;
    SeparatorOverride& operator=(const SeparatorOverride&) = delete;
};

TEST_F(MpegParser, ShortTextUsesTheLocaleDecimalSeparator) {
    std::vector<uint8_t> bytes(16000, 0);
    PutFrame(bytes, 0);
    {
        SeparatorOverride comma(",");
        ASSERT_EQ(Parse("a.mp3", bytes), 1);
        EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(44,1kHz/128kb/JS)");
        EXPECT_EQ(CutAtNul(m_Info.LongText), "mp3(44100Hz/128kbps/JointStereo)");
        EXPECT_EQ(m_Info.ShortText.size(), size_t(MpegTextLength));

        const uint8_t mpeg2[4] = {0xFF, 0xF3, 0x80, 0xC0};
        std::vector<uint8_t> lsf(16000, 0);
        PutFrame(lsf, 0, mpeg2, 208);
        ASSERT_EQ(Parse("b.mp3", lsf), 1);
        EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(22,05kHz/64kb/Mono)");
    }
    {
        // A separator of two UTF-8 bytes (U+066B) still pads to 255 characters.
        SeparatorOverride arabic("\xD9\xAB");
        ASSERT_EQ(Parse("c.mp3", bytes), 1);
        EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(44\xD9\xAB"
                                              "1kHz/128kb/JS)");
        EXPECT_EQ(m_Info.ShortText.size(), size_t(MpegTextLength) + 1);
    }
    {
        // An empty separator from the source falls back to a point.
        SeparatorOverride empty("");
        ASSERT_EQ(Parse("d.mp3", bytes), 1);
        EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(44.1kHz/128kb/JS)");
    }
    // Back to the C library's locale (the C locale in tests).
    ASSERT_EQ(Parse("e.mp3", bytes), 1);
    EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(44.1kHz/128kb/JS)");
}

TEST_F(MpegParser, ByteSourceReadsAreBounded) {
    // A memory source: every read the parser asks for lies within what it may read.
    std::vector<uint8_t> bytes(2500, 0);
    PutFrame(bytes, 1800);
    int64_t readBytes = 0;
    MpegByteSource source;
    source.Size = int64_t(bytes.size());
    source.Read = [&](uint8_t* pBuffer, int32_t pCount, int64_t pPosition) {
        readBytes += pCount;
        for (int32_t i = 0; i < pCount && pPosition + i < source.Size; ++i)
            pBuffer[i] = bytes[size_t(pPosition + i)];
        return true;
    };
    ASSERT_EQ(GetMpegInfoFrom(source, true, m_Info), 1);
    EXPECT_EQ(m_Info.StartPos, 1801);
    // Head, two chunks, the next frame's header, the frame's first 256 bytes, the tag
    // footers and the tail, the 700 bytes of frames walked.
    EXPECT_LE(readBytes, 48 + 2 * 1000 + 4 + 256 + (3 + 32 + 10 + 1024) + 700);

    // 100 MiB without a frame: the search gives up after 1 MiB instead of reading it all.
    readBytes = 0;
    MpegByteSource empty;
    empty.Size = int64_t(100) << 20;
    empty.Read = [&](uint8_t*, int32_t pCount, int64_t) {
        readBytes += pCount;
        return true;
    };
    EXPECT_EQ(GetMpegInfoFrom(empty, true, m_Info), 0);
    EXPECT_LE(readBytes, (int64_t(1) << 20) + 1000 + 48);
}

TEST_F(MpegParser, CandidateMustBeConfirmedByTheNextFrame) {
    // Audio bytes that look like a header (no frame follows) in front of the real stream.
    std::vector<uint8_t> bytes(10000, 0x55);
    PutHeader(bytes, 100);
    Put(bytes, 700, {0xFF, 0xFD, 0xE4, 0x00}); // MPEG-1 Layer II, 320 kbit/s: 1045 bytes on
    PutFrame(bytes, 2000);
    PutHeader(bytes, 2834);
    ASSERT_EQ(Parse("stream.mp3", bytes), 1);
    EXPECT_EQ(m_Info.StartPos, 2001);
    EXPECT_EQ(m_Info.Layer, 3);

    // A header whose frame would end past the file is taken only where the audio starts: at
    // the end of a file of other bytes it is noise.
    std::vector<uint8_t> noise(5000, 0x55);
    PutHeader(noise, 4800);
    EXPECT_EQ(Parse("noise.mp3", noise), 0);
    std::vector<uint8_t> single(300, 0x55);
    PutHeader(single, 0);
    ASSERT_EQ(Parse("single.mp3", single), 1);
    EXPECT_EQ(m_Info.StartPos, 1);

    // The confirming header may start in the next chunk.
    std::vector<uint8_t> across(3000, 0);
    PutFrame(across, 900);
    ASSERT_EQ(Parse("across.mp3", across), 1);
    EXPECT_EQ(m_Info.StartPos, 901);

    // An Ogg file under an mp3 name holds no MPEG frames at all.
    EXPECT_EQ(GetMpegInfo(FixturePath("ogg-named.mp3"), m_Info), 0);
}

TEST_F(MpegParser, Mpeg25RatesFrameSizesAndTexts) {
    struct Case {
        uint8_t Byte2;
        int32_t Rate;
        size_t FrameBytes;
        const char* Long;
        const char* Short;
    };
    const Case cases[] = {
        {0x40, 11025, 208, "mp3(11025Hz/32kbps/Mono)", "mp3(11.025kHz/32kb/Mono)"},
        {0x44, 12000, 192, "mp3(12000Hz/32kbps/Mono)", "mp3(12kHz/32kb/Mono)"},
        {0x48, 8000, 288, "mp3(8000Hz/32kbps/Mono)", "mp3(8kHz/32kb/Mono)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Rate);
        const uint8_t header[4] = {0xFF, 0xE3, c.Byte2, 0xC0};
        std::vector<uint8_t> bytes(8000, 0);
        PutFrame(bytes, 0, header, c.FrameBytes);
        ASSERT_EQ(Parse("m25.mp3", bytes), 1);
        EXPECT_EQ(m_Info.SampleRate, c.Rate);
        EXPECT_EQ(m_Info.IsLsf, 1);
        EXPECT_EQ(m_Info.LengthMs, 2000); // 8000 bytes at 32 kbit/s
        EXPECT_EQ(CutAtNul(m_Info.LongText), c.Long);
        EXPECT_EQ(CutAtNul(m_Info.ShortText), c.Short);

        // VBR: "Xing" at 13 (mono) and 576 samples per frame.
        PutXing(bytes, 13, 100);
        ASSERT_EQ(Parse("m25v.mp3", bytes), 1);
        EXPECT_EQ(m_Info.LengthMs, int32_t(std::nearbyint(57600000.0 / c.Rate)));
    }
    // Version bits 01 are reserved: no header.
    const uint8_t reserved[4] = {0xFF, 0xEB, 0x40, 0xC0};
    std::vector<uint8_t> bytes(8000, 0);
    PutFrame(bytes, 0, reserved, 208);
    EXPECT_EQ(Parse("r.mp3", bytes), 0);
}

TEST_F(MpegParser, VbriHeaderGivesTheFrameCount) {
    // "VBRI" 32 bytes after the header: version, delay, quality, bytes, frames (big-endian).
    std::vector<uint8_t> bytes(100000, 0);
    PutFrame(bytes, 0);
    PutText(bytes, 36, "VBRI");
    Put(bytes, 40, {0, 1, 0x04, 0x50, 0, 75, 0, 1, 0x86, 0xA0, 0, 0, 0x03, 0xE8});
    ASSERT_EQ(Parse("vbri.mp3", bytes), 1);
    EXPECT_EQ(m_Info.IsVbr, 1);
    EXPECT_EQ(m_Info.FrameCount, 1000);
    EXPECT_EQ(m_Info.LengthMs, 26122);
    EXPECT_EQ(CutAtNul(m_Info.LongText), "mp3(44100Hz/31kbps[VBR]/JointStereo)");
}

TEST_F(MpegParser, EncoderDelayAndPaddingAreNotAudio) {
    // "Xing" with all four optional fields (frames, bytes, 100-byte table, quality), then the
    // encoder extension: 9 bytes of version, the delay and padding at its offset 21.
    auto withGap = [&](const char* pVersion, std::initializer_list<uint8_t> pGap,
                       uint32_t pFrames = 32) {
        std::vector<uint8_t> bytes(20000, 0);
        PutFrame(bytes, 0);
        PutXing(bytes, 36, pFrames);
        PutText(bytes, 156, pVersion);
        Put(bytes, 156 + 21, pGap);
        return bytes;
    };
    // 576 and 1008 samples: 32 x 1152 - 1584 = 35280 samples, 800 ms.
    ASSERT_EQ(Parse("lame.mp3", withGap("LAME3.100", {0x24, 0x03, 0xF0})), 1);
    EXPECT_EQ(m_Info.EncoderDelay, 576);
    EXPECT_EQ(m_Info.EncoderPadding, 1008);
    EXPECT_EQ(m_Info.LengthMs, 800);

    // Without a version text there is no extension: the whole frame count counts.
    ASSERT_EQ(Parse("bare.mp3", withGap("", {0x24, 0x03, 0xF0})), 1);
    EXPECT_EQ(m_Info.EncoderDelay, 0);
    EXPECT_EQ(m_Info.LengthMs, 836);

    // A gap as long as the audio is not taken.
    ASSERT_EQ(Parse("gap.mp3", withGap("Lavc59.37", {0xFF, 0xFF, 0xFF}, 3)), 1);
    EXPECT_EQ(m_Info.LengthMs, 78); // 3 x 1152 samples
    ASSERT_EQ(Parse("gap4.mp3", withGap("Lavc59.37", {0xFF, 0xFF, 0xFF}, 8)), 1);
    EXPECT_EQ(m_Info.LengthMs, 23); // 9216 - 8190 samples

    // The extension must lie inside the frame: a 104-byte frame (32 kbit/s) has none.
    const uint8_t small[4] = {0xFF, 0xFB, 0x10, 0x44};
    std::vector<uint8_t> bytes(20000, 0);
    PutFrame(bytes, 0, small, 104);
    PutXing(bytes, 36, 32);
    PutText(bytes, 156, "LAME3.100");
    Put(bytes, 177, {0x24, 0x03, 0xF0});
    ASSERT_EQ(Parse("small.mp3", bytes), 1);
    EXPECT_EQ(m_Info.LengthMs, 836);
}

TEST_F(MpegParser, ChannelModeComesFromTheAudioBehindTheHeaderFrame) {
    // ffmpeg writes the "Info" frame as Stereo in front of Joint Stereo audio.
    const uint8_t stereoInfo[4] = {0xFF, 0xFB, 0x90, 0x04};
    std::vector<uint8_t> bytes(100000, 0);
    PutFrame(bytes, 0, stereoInfo, 417, kCbr128);
    PutXing(bytes, 36, 1000, "Info");
    ASSERT_EQ(Parse("info.mp3", bytes), 1);
    EXPECT_EQ(m_Info.ChannelMode, 1);
    EXPECT_EQ(CutAtNul(m_Info.LongText), "mp3(44100Hz/128kbps/JointStereo)");
    EXPECT_EQ(CutAtNul(m_Info.ShortText), "mp3(44.1kHz/128kb/JS)");

    // A plain frame keeps its own mode.
    std::vector<uint8_t> plain(100000, 0);
    PutFrame(plain, 0, stereoInfo, 417, kCbr128);
    ASSERT_EQ(Parse("plain.mp3", plain), 1);
    EXPECT_EQ(m_Info.ChannelMode, 0);
}

// Whole frames with silent bodies, one per rate index (the header's rate bits replaced); the
// frame sizes are those of the standard's tables for the rates given.
std::vector<uint8_t> FrameStream(std::array<uint8_t, 4> pHeader, const std::vector<int>& pIndexes,
                                 const std::vector<int>& pKbps, int32_t pSamples, int32_t pRate) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < pIndexes.size(); ++i) {
        pHeader[2] = uint8_t((pHeader[2] & 0x0F) | (pIndexes[i] << 4));
        size_t frame = size_t(pSamples / 8 * 1000 * pKbps[i] / pRate);
        size_t at = bytes.size();
        bytes.resize(at + frame, 0);
        std::copy(pHeader.begin(), pHeader.end(), bytes.begin() + long(at));
    }
    return bytes;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> pA, const std::vector<uint8_t>& pB) {
    pA.insert(pA.end(), pB.begin(), pB.end());
    return pA;
}

std::vector<uint8_t> Text(const std::string& pText, size_t pSize = 0) {
    std::vector<uint8_t> bytes(pText.begin(), pText.end());
    bytes.resize(std::max(pSize, bytes.size()), 0);
    return bytes;
}

// APEv2 tag with header and footer ("APETAGEX", version, size without the header, items,
// flags: bit 31 "has a header").
std::vector<uint8_t> ApeTag(uint32_t pItemBytes) {
    auto part = [&](uint8_t pFlags) {
        std::vector<uint8_t> b = Text("APETAGEX", 32);
        uint32_t size = pItemBytes + 32;
        for (int i = 0; i < 4; ++i)
            b[size_t(12 + i)] = uint8_t(size >> (8 * i));
        b[23] = pFlags;
        return b;
    };
    return part(0xA0) + std::vector<uint8_t>(pItemBytes, 'x') + part(0x80);
}

// ID3v2.4 tag with a footer, as written at the end of a file.
std::vector<uint8_t> TrailingId3v2(uint8_t pSize) {
    std::vector<uint8_t> head = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, pSize};
    std::vector<uint8_t> foot = {'3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, pSize};
    return head + std::vector<uint8_t>(pSize, 'y') + foot;
}

TEST(MpegFrameCount, LengthWithoutAFrameCountHeaderIsThatOfTheFrames) {
    const std::array<uint8_t, 4> l3 = {0xFF, 0xFB, 0x90, 0x44};   // MPEG-1 L3 44.1 kHz JS
    const std::array<uint8_t, 4> dual = {0xFF, 0xFD, 0xA0, 0x80}; // MPEG-1 L2 dual channel
    const std::array<uint8_t, 4> lsf = {0xFF, 0xF5, 0x84, 0xC0};  // MPEG-2 L2 24 kHz mono
    const std::vector<int> cbr(40, 9);
    std::vector<int> vbr;
    for (int i = 0; i < 40; ++i)
        vbr.push_back(i % 2 ? 5 : 9);
    auto rates = [](const std::vector<int>& pIndexes) {
        std::vector<int> kbps;
        for (int i : pIndexes)
            kbps.push_back(i == 9 ? 128 : 64);
        return kbps;
    };
    const auto cbrFrames = FrameStream(l3, cbr, rates(cbr), 1152, 44100);
    const std::vector<uint8_t> id3v1 = Text("TAG", 128);
    struct Case {
        const char* Name;
        std::vector<uint8_t> Bytes;
        int32_t LengthMs;
        const char* Text;
    };
    const Case cases[] = {
        // Rates that vary: VBR, averaged over the frames (12500 bytes in 1045 ms).
        {"vbr.mp3", FrameStream(l3, vbr, rates(vbr), 1152, 44100), 1045,
         "mp3(44100Hz/96kbps[VBR]/JointStereo)"},
        // Tags at the end are no audio, in any order.
        {"ape.mp3", cbrFrames + ApeTag(5000) + id3v1, 1045, "mp3(44100Hz/128kbps/JointStereo)"},
        {"ape-only.mp3", cbrFrames + ApeTag(700), 1045, "mp3(44100Hz/128kbps/JointStereo)"},
        {"id3-end.mp3", cbrFrames + TrailingId3v2(100) + id3v1, 1045,
         "mp3(44100Hz/128kbps/JointStereo)"},
        // 626.9 bytes per frame at 192 kbit/s, no padding slots: the size alone says 2087 ms.
        {"dual.mp2",
         FrameStream(dual, std::vector<int>(80, 10), std::vector<int>(80, 192), 1152, 44100), 2090,
         "mp2(44100Hz/192kbps/DualChannel)"},
        // MPEG-2 Layer II has 1152 samples per frame, like MPEG-1.
        {"lsf.mp2",
         FrameStream(lsf, std::vector<int>(25, 8), std::vector<int>(25, 64), 1152, 24000), 1200,
         "mp2(24000Hz/64kbps/Mono)"},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        MpegInfo info;
        ASSERT_EQ(GetMpegInfo(folder.Write(c.Name, c.Bytes), info), 1);
        EXPECT_EQ(info.LengthMs, c.LengthMs);
        EXPECT_EQ(CutAtNul(info.LongText), c.Text);
    }
}

TEST(MpegFixtures, LengthIsThatOfTheDecodedAudio) {
    // Decoded lengths: the samples ffmpeg decodes from each file (ffmpeg -f s16le, counted).
    struct Fixture {
        const char* Name;
        const char* Text;
        int32_t DecodedMs;
    };
    const Fixture fixtures[] = {
        {"ff-cbr11-mono.mp3", "mp3(11025Hz/32kbps/Mono)", 1500},
        {"ff-vbr8-stereo.mp3", "mp3(8000Hz/%kbps[VBR]/JointStereo)", 1500},
        {"ff-vbr16-stereo.mp3", "mp3(16000Hz/%kbps[VBR]/JointStereo)", 1011},
        {"vbri44-stereo.mp3", "mp3(44100Hz/%kbps[VBR]/JointStereo)", 1541},
        {"mpeg25-in-riff.wav", "mp3(11025Hz/24kbps/Mono)", 1620},
        {"ff-cbr44-stereo.mp3", "mp3(44100Hz/128kbps/JointStereo)", 500},
        {"vbr22-mono.mp3", "mp3(22050Hz/%kbps[VBR]/Mono)", 800},
        {"cbr44-stereo.mp3", "mp3(44100Hz/64kbps/JointStereo)", 800},
    };
    for (const auto& f : fixtures) {
        SCOPED_TRACE(f.Name);
        MpegInfo info;
        ASSERT_EQ(GetMpegInfo(FixturePath(f.Name), info), 1);
        EXPECT_NEAR(info.LengthMs, f.DecodedMs, 1);
        // "%" stands for the average rate, which depends on the encoder's choices.
        std::string text = CutAtNul(info.LongText);
        std::string want = f.Text;
        if (auto at = want.find('%'); at != std::string::npos) {
            ASSERT_GT(text.size(), at);
            size_t digits = text.find_first_not_of("0123456789", at);
            EXPECT_GT(digits, at);
            text.erase(at, digits - at);
            want.erase(at, 1);
        }
        EXPECT_EQ(text, want);
    }
}

} // namespace
