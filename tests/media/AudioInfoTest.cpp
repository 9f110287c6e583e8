// GetAudioInfo on the committed sound files, checked against what ffprobe recorded for them.

#include "media/FCT_AudioInf.h"
#include "media/WaveFact.h"

#include "MediaTestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <sstream>

namespace {

// ffprobe's duration of each fixture, in milliseconds (from fixtures.txt).
std::map<std::string, int32_t> ProbedLengths() {
    std::map<std::string, int32_t> lengths;
    std::ifstream in(FixturePath("fixtures.txt"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        int32_t ms = 0;
        if (fields >> name >> ms) lengths[name] = ms;
    }
    return lengths;
}

struct Expected {
    const char* Name;
    const char* Text;      // nullptr: the file-type description
    double FrameMs;        // one frame of the format: how far the length may differ from ffprobe
    int32_t DecodedMs = 0; // MP3s with the encoder's delay and padding: the decoded length
};

const Expected kFixtures[] = {
    {"cbr44-stereo.mp3", "mp3(44100Hz/64kbps/JointStereo)", 1152 / 44.1, 800},
    {"cbr22-mono.mp3", "mp3(22050Hz/32kbps/Mono)", 576 / 22.05},
    {"tagged.mp3", "mp3(44100Hz/64kbps/JointStereo)", 1152 / 44.1, 800},
    {"vbr44-stereo.mp3", "mp3(44100Hz/65kbps[VBR]/JointStereo)", 1152 / 44.1, 800},
    {"vbr44-mono.mp3", "mp3(44100Hz/46kbps[VBR]/Mono)", 1152 / 44.1, 800},
    {"vbr22-stereo.mp3", "mp3(22050Hz/75kbps[VBR]/JointStereo)", 576 / 22.05, 800},
    {"vbr22-mono.mp3", "mp3(22050Hz/49kbps[VBR]/Mono)", 576 / 22.05, 800},
    // ffmpeg's CBR files: "Info" frame, with and without ID3v2, MPEG-1 and MPEG-2.
    {"ff-cbr44-stereo.mp3", "mp3(44100Hz/128kbps/JointStereo)", 1152 / 44.1, 500},
    {"ff-cbr44-mono.mp3", "mp3(44100Hz/64kbps/Mono)", 1152 / 44.1, 500},
    {"ff-cbr22-mono.mp3", "mp3(22050Hz/32kbps/Mono)", 576 / 22.05, 500},
    {"ff-cbr22-stereo.mp3", "mp3(22050Hz/64kbps/JointStereo)", 576 / 22.05, 500},
    // "Info" frame at another rate than the audio frames behind it.
    {"ff-copy-unknown-rate.mp3", "mp3(44100Hz/128kbps/JointStereo)", 1152 / 44.1},
    {"ff-silence22.mp3", "mp3(22050Hz/8kbps/Mono)", 576 / 22.05, 500},
    // Several KiB of ID3v2 picture before the first frame.
    {"ff-picture.mp3", "mp3(44100Hz/64kbps/JointStereo)", 1152 / 44.1, 500},
    // MPEG-2.5, a "VBRI" header, and an Ogg file under an mp3 name (the media framework's).
    {"ff-cbr11-mono.mp3", "mp3(11025Hz/32kbps/Mono)", 576 / 11.025, 1500},
    {"ff-vbr8-stereo.mp3", "mp3(8000Hz/47kbps[VBR]/JointStereo)", 576 / 8.0, 1500},
    {"ff-vbr16-stereo.mp3", "mp3(16000Hz/32kbps[VBR]/JointStereo)", 576 / 16.0, 1011},
    {"mpeg25-in-riff.wav", "mp3(11025Hz/24kbps/Mono)", 576 / 11.025},
    {"vbri44-stereo.mp3", "mp3(44100Hz/98kbps[VBR]/JointStereo)", 1152 / 44.1},
    {"ogg-named.mp3", nullptr, 1},
    {"layer2.mp2", "mp2(44100Hz/64kbps/Mono)", 1152 / 44.1},
    {"mpeg-in-riff.wav", "mp3(22050Hz/32kbps/Mono)", 576 / 22.05},
    {"pcm16-stereo.wav", "wav(44100Hz/16bit/Stereo)", 1},
    {"pcm8-mono.wav", "wav(8000Hz/8bit/Mono)", 1},
    {"extensible24.wav", "wav(22050Hz/24bit/Stereo)", 1},
    {"layer2-as.mpg", nullptr, 1152 / 44.1},
    {"audio.wma", nullptr, 2048 / 22.05},
    {"audio.m4a", nullptr, 1024 / 22.05},
    {"audio.aiff", "aiff(8000Hz/16bit/Mono)", 1},
    {"audio.au", nullptr, 1},
    // Compressed WAV: the length comes from the "fact" frame count.
    {"adpcm.wav", nullptr, 1000 / 22050.0},
    {"adpcm44-stereo.wav", nullptr, 1000 / 44100.0},
    {"ima16-mono.wav", nullptr, 1000 / 16000.0},
};

TEST(AudioInfo, FixturesGiveTextAndLengthOfARealReader) {
    auto probed = ProbedLengths();
    for (const auto& f : kFixtures) {
        SCOPED_TRACE(f.Name);
        std::string path = FixturePath(f.Name);
        AudioInfo info = GetAudioInfo(path);
        EXPECT_EQ(info.Valid, 1);
        if (f.Text) {
            EXPECT_EQ(info.Text, f.Text);
        } else {
            EXPECT_FALSE(info.Text.empty());
            EXPECT_EQ(info.Text, GetShellTypeName(path));
        }
        ASSERT_EQ(probed.count(f.Name), 1u);
        if (f.DecodedMs != 0)
            EXPECT_NEAR(info.LengthMs, f.DecodedMs, 1) << "ffprobe " << probed[f.Name];
        else
            EXPECT_LE(std::abs(info.LengthMs - probed[f.Name]), f.FrameMs + 1)
                << "ours " << info.LengthMs << ", ffprobe " << probed[f.Name];
    }
}

std::vector<uint8_t> FixtureBytes(const std::string& pName) {
    std::ifstream in(FixturePath(pName), std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

void PutLittleEndian32(std::vector<uint8_t>& pBytes, size_t pAt, uint32_t pValue) {
    for (int i = 0; i < 4; ++i)
        pBytes[pAt + size_t(i)] = uint8_t(pValue >> (8 * i));
}

TEST(AudioInfo, WaveWithChunksBeforeFormatIsStillPcm) {
    // Tag editors put a LIST chunk (here with an odd size and its pad byte) before "fmt ".
    std::vector<uint8_t> bytes = FixtureBytes("pcm16-stereo.wav");
    ASSERT_GT(bytes.size(), 44u);
    const std::string list = std::string("LIST\x09\0\0\0INFOabcde", 17) + '\0';
    bytes.insert(bytes.begin() + 12, list.begin(), list.end());
    PutLittleEndian32(bytes, 4, uint32_t(bytes.size() - 8));
    ScratchFolder folder;
    AudioInfo info = GetAudioInfo(folder.Write("listed.wav", bytes));
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.Text, "wav(44100Hz/16bit/Stereo)");
    EXPECT_EQ(info.LengthMs, 50);
}

TEST(AudioInfo, FloatAndManyChannelsAreNamedFromTheHeader) {
    // The 16-bit stereo fixture's header made float, and six channels.
    const std::vector<uint8_t> pcm = FixtureBytes("pcm16-stereo.wav");
    ASSERT_GT(pcm.size(), 44u);
    ScratchFolder folder;
    std::vector<uint8_t> f = pcm;
    f[20] = 3;  // float
    f[34] = 32; // bits per sample
    f[32] = 8;  // block align
    AudioInfo info = GetAudioInfo(folder.Write("float.wav", f));
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.Text, "wav(44100Hz/32bit float/Stereo)");
    EXPECT_EQ(info.LengthMs, 25);
    f[34] = 64; // 64-bit float is no PCM the list describes from the header
    f[32] = 16;
    EXPECT_NE(GetAudioInfo(folder.Write("double.wav", f)).Text.rfind("wav(", 0), 0u);

    std::vector<uint8_t> six = pcm;
    six[22] = 6;
    six[32] = 12;
    info = GetAudioInfo(folder.Write("six.wav", six));
    EXPECT_EQ(info.Text, "wav(44100Hz/16bit/6ch)");
}

TEST(AudioInfo, NamesWithBlanksUriCharactersAndNonAscii) {
    // Names reach the parser, GStreamer and the MIME database as they are, not as URIs.
    ScratchFolder folder;
    const std::string stem = "Caf\xC3\xA9 #1 100% [live]";
    AudioInfo mp3 = GetAudioInfo(folder.Write(stem + ".mp3", FixtureBytes("ff-cbr44-mono.mp3")));
    EXPECT_EQ(mp3.Valid, 1);
    EXPECT_EQ(mp3.Text, "mp3(44100Hz/64kbps/Mono)");
    AudioInfo m4a = GetAudioInfo(folder.Write(stem + ".m4a", FixtureBytes("audio.m4a")));
    EXPECT_EQ(m4a.Valid, 1);
    EXPECT_EQ(m4a.Text, "MPEG-4 audio");
    EXPECT_NEAR(m4a.LengthMs, 800, 1024 / 22.05 + 1);
}

TEST(AudioInfo, TypeDescriptionsForMediaFrameworkFiles) {
    EXPECT_EQ(GetShellTypeName(FixturePath("audio.wma")), "Windows Media audio");
    EXPECT_EQ(GetShellTypeName(FixturePath("audio.m4a")), "MPEG-4 audio");
    EXPECT_EQ(GetShellTypeName(FixturePath("pcm8-mono.wav")), "WAV audio");
    // A name whose bytes are not UTF-8 is still read: the type comes from its contents.
    ScratchFolder folder;
    const std::vector<uint8_t> mp3 = FixtureBytes("cbr44-stereo.mp3");
    EXPECT_EQ(GetShellTypeName(folder.Write("sniff_\xE9.xyz", mp3)),
              GetShellTypeName(folder.Write("sniff_\xC3\xA9.xyz", mp3)));
    EXPECT_EQ(GetShellTypeName(folder.Write("sniff_\xE9.xyz", mp3)), "MP3 audio");
}

TEST(AudioInfo, Rf64LengthComesFromItsDs64Chunk) {
    // ffmpeg writes RF64 with a "ds64" chunk and 0xFFFFFFFF in the RIFF and data sizes.
    ScratchFolder folder;
    const std::string path = folder.Path("long.wav");
    const std::string command = "ffmpeg -hide_banner -loglevel error -y -f lavfi -i "
                                "sine=frequency=440:sample_rate=8000:duration=7.3 -rf64 always '" +
                                path + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "ffmpeg cannot write RF64 here";
    const AudioInfo info = GetAudioInfo(path);
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.Text, "wav(8000Hz/16bit/Mono)");
    EXPECT_EQ(info.LengthMs, 7300);
}

TEST(AudioInfo, NonPcmWaveGoesToTheMediaFramework) {
    // MS ADPCM: GStreamer opens it; the text is the type description.
    std::string path = FixturePath("adpcm.wav");
    AudioInfo info = GetAudioInfo(path);
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.Text, "WAV audio");
    EXPECT_EQ(info.LengthMs, 800); // 17640 frames at 22050 Hz
}

// Offset of the frame count in the fixture's "fact" chunk.
size_t FactFramesAt(const std::vector<uint8_t>& pBytes) {
    const std::string fact = "fact";
    auto at = std::search(pBytes.begin(), pBytes.end(), fact.begin(), fact.end());
    EXPECT_NE(at, pBytes.end());
    return size_t(at - pBytes.begin()) + 8;
}

TEST(AudioInfo, CompressedWaveLengthFollowsTheFactChunk) {
    ScratchFolder folder;
    std::vector<uint8_t> bytes = FixtureBytes("adpcm.wav");
    const size_t frames = FactFramesAt(bytes);
    ASSERT_LT(frames + 4, bytes.size());

    PutLittleEndian32(bytes, frames, 8820);
    EXPECT_EQ(GetAudioInfo(folder.Write("half.wav", bytes)).LengthMs, 400);
    // 400.54 ms: rounded, not cut.
    PutLittleEndian32(bytes, frames, 8832);
    EXPECT_EQ(GetAudioInfo(folder.Write("round.wav", bytes)).LengthMs, 401);

    // A count of 0 says nothing: the framework's own estimate stands.
    PutLittleEndian32(bytes, frames, 0);
    AudioInfo zero = GetAudioInfo(folder.Write("zero.wav", bytes));
    EXPECT_EQ(zero.Valid, 1);
    EXPECT_GT(zero.LengthMs, 0);
    EXPECT_NE(zero.LengthMs, 800);

    // Without a "fact" chunk (renamed to one nobody reads) likewise.
    PutLittleEndian32(bytes, frames, 17640);
    bytes[frames - 8] = 'x';
    AudioInfo none = GetAudioInfo(folder.Write("nofact.wav", bytes));
    EXPECT_EQ(none.Valid, 1);
    EXPECT_GT(none.LengthMs, 0);
    EXPECT_NE(none.LengthMs, 800);
}

TEST(WaveFact, OnlyCompressedRiffWaveWithAUsableFactChunk) {
    EXPECT_EQ(CompressedWaveLengthMs(FixturePath("adpcm44-stereo.wav")), 200);
    EXPECT_EQ(CompressedWaveLengthMs(FixturePath("pcm16-stereo.wav")), std::nullopt);
    EXPECT_EQ(CompressedWaveLengthMs(FixturePath("audio.au")), std::nullopt);
    EXPECT_EQ(CompressedWaveLengthMs("/nonexistent/quillan/none.wav"), std::nullopt);

    ScratchFolder folder;
    const std::vector<uint8_t> good = FixtureBytes("ima16-mono.wav");
    const size_t frames = FactFramesAt(good);
    EXPECT_EQ(CompressedWaveLengthMs(folder.Write("good.wav", good)), 800);

    std::vector<uint8_t> bytes = good;
    PutLittleEndian32(bytes, frames - 4, 2); // a size too small for the count
    EXPECT_EQ(CompressedWaveLengthMs(folder.Write("short.wav", bytes)), std::nullopt);

    bytes = good;
    bytes[3] = 'X'; // "RIFX": not a little-endian RIFF file
    EXPECT_EQ(CompressedWaveLengthMs(folder.Write("rifx.wav", bytes)), std::nullopt);

    bytes = good;
    bytes.resize(frames + 2); // the file ends inside the count
    EXPECT_EQ(CompressedWaveLengthMs(folder.Write("cut.wav", bytes)), std::nullopt);

    bytes = good;
    PutLittleEndian32(bytes, 24, 1); // 1 Hz: milliseconds beyond 32 bits
    PutLittleEndian32(bytes, frames, 0xFFFFFFFF);
    EXPECT_EQ(CompressedWaveLengthMs(folder.Write("huge.wav", bytes)), std::nullopt);
}

TEST(AudioInfo, ExtensionIsComparedInLowerCase) {
    ScratchFolder folder;
    std::vector<uint8_t> bytes = FixtureBytes("cbr44-stereo.mp3");
    AudioInfo info = GetAudioInfo(folder.Write("SONG.MP3", bytes));
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.Text, "mp3(44100Hz/64kbps/JointStereo)");
}

TEST(AudioInfo, RejectedMpegHeaderFallsBackToTheMediaFramework) {
    // Ogg Vorbis under an mp3 name: no MPEG frame, so the media framework measures it.
    ScratchFolder folder;
    std::string path = folder.Write("broken.mp3", FixtureBytes("ogg-named.mp3"));
    AudioInfo info = GetAudioInfo(path);
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.Text, GetShellTypeName(path));
    EXPECT_NEAR(info.LengthMs, 1500, 1);

    // A damaged first frame is skipped: the frames behind it are read.
    std::vector<uint8_t> bytes = FixtureBytes("cbr44-stereo.mp3");
    ASSERT_EQ(bytes[0], 0xFF);
    bytes[2] = 0xF0; // bitrate index 15 in the first header
    info = GetAudioInfo(folder.Write("damaged.mp3", bytes));
    EXPECT_EQ(info.Valid, 1);
    EXPECT_EQ(info.Text, "mp3(44100Hz/64kbps/JointStereo)");
    EXPECT_NEAR(info.LengthMs, 836, 1152 / 44.1);
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> pParts) {
    std::vector<uint8_t> all;
    for (const auto& part : pParts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<uint8_t> Be(uint32_t pValue, int pBytes) {
    std::vector<uint8_t> b;
    for (int i = pBytes - 1; i >= 0; --i)
        b.push_back(uint8_t(pValue >> (8 * i)));
    return b;
}

std::vector<uint8_t> Le(uint64_t pValue, int pBytes) {
    std::vector<uint8_t> b;
    for (int i = 0; i < pBytes; ++i)
        b.push_back(uint8_t(pValue >> (8 * i)));
    return b;
}

std::vector<uint8_t> Ascii(const std::string& pText) {
    return std::vector<uint8_t>(pText.begin(), pText.end());
}

// 40 MPEG-1 Layer II frames, 44.1 kHz, 192 kbit/s, stereo, silent bodies: 1045 ms.
std::vector<uint8_t> Layer2Frames() {
    std::vector<uint8_t> frames;
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> frame(626, 0);
        frame[0] = 0xFF, frame[1] = 0xFD, frame[2] = 0xA0, frame[3] = 0x00;
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    return frames;
}

// A program stream: MPEG-2 pack headers, a video packet holding start-code-like bytes, and the
// audio split over packets with MPEG-2 and MPEG-1 headers.
std::vector<uint8_t> ProgramStream(const std::vector<uint8_t>& pAudio) {
    const std::vector<uint8_t> pack = {0, 0, 1, 0xBA, 0x44, 0, 4, 0, 4, 1, 1, 0x89, 0xC3, 0xF8};
    const std::vector<uint8_t> video = {0, 0, 1, 0xE0, 0, 8, 0x0F, 0, 0, 1, 0xC0, 0, 0, 1};
    std::vector<uint8_t> out;
    bool mpeg2 = true;
    for (size_t at = 0; at < pAudio.size(); at += 2000, mpeg2 = !mpeg2) {
        std::vector<uint8_t> part(pAudio.begin() + long(at),
                                  pAudio.begin() + long(std::min(at + 2000, pAudio.size())));
        std::vector<uint8_t> head = mpeg2 ? std::vector<uint8_t>{0x81, 0x80, 5, 0x21, 0, 1, 0, 1}
                                          : std::vector<uint8_t>{0xFF, 0x40, 0, 0x0F};
        out = Join({out,
                    pack,
                    video,
                    {0, 0, 1, 0xC0},
                    Be(uint32_t(head.size() + part.size()), 2),
                    head,
                    part});
    }
    return Join({out, {0, 0, 1, 0xB9}});
}

// A MIDI track chunk around the events.
std::vector<uint8_t> Track(const std::vector<uint8_t>& pEvents) {
    return Join({Ascii("MTrk"), Be(uint32_t(pEvents.size()), 4), pEvents});
}

std::vector<uint8_t> Smf(uint16_t pFormat, uint16_t pDivision,
                         std::initializer_list<std::vector<uint8_t>> pTracks) {
    std::vector<uint8_t> file = Join({Ascii("MThd"), Be(6, 4), Be(pFormat, 2),
                                      Be(uint32_t(pTracks.size()), 2), Be(pDivision, 2)});
    for (const auto& t : pTracks)
        file = Join({file, Track(t)});
    return file;
}

// Tempo at 120 bpm, after 1920 ticks (delta 0x8F 0x00) 60 bpm, the end 1920 ticks later.
const std::vector<uint8_t> kTempoTrack = {0,    0xFF, 0x51, 3,    0x07, 0xA1, 0x20,
                                          0x8F, 0x00, 0xFF, 0x51, 3,    0x0F, 0x42,
                                          0x40, 0x8F, 0x00, 0xFF, 0x2F, 0};
// A note held 3840 ticks, its release in running status.
const std::vector<uint8_t> kNoteTrack = {0,    0x90, 0x3C, 0x40, 0x9E, 0x00,
                                         0x3C, 0,    0,    0xFF, 0x2F, 0};

TEST(AudioInfo, LengthsCountedFromTheStreamItself) {
    const std::vector<uint8_t> silence = {0, 0xFF, 0x2F, 0};
    const std::vector<uint8_t> smf = Smf(1, 480, {kTempoTrack, kNoteTrack});
    struct Case {
        const char* Name;
        std::vector<uint8_t> Bytes;
        int32_t LengthMs;
    };
    const Case cases[] = {
        {"program.mpg", ProgramStream(Layer2Frames()), 1045},
        {"program.vob", ProgramStream(Layer2Frames()), 1045},
        // 2 s at 120 bpm, then 4 s at 60 bpm; the tempo map applies to every track.
        {"tempo.mid", Smf(1, 480, {kTempoTrack, kNoteTrack}), 6000},
        // SMPTE: 25 frames of 40 ticks per second; 2500 ticks.
        {"smpte.mid", Smf(0, 0xE728, {{0x93, 0x44, 0x90, 0x3C, 0x40, 0, 0xFF, 0x2F, 0}}), 2500},
        // Format 2: independent sequences, one after another (6 s, then 0 s).
        {"songs.mid", Smf(2, 480, {kTempoTrack, silence}), 6000},
        {"wrapped.rmi",
         Join({Ascii("RIFF"), Le(12 + smf.size(), 4), Ascii("RMIDdata"), Le(smf.size(), 4), smf}),
         6000},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        AudioInfo info = GetAudioInfo(folder.Write(c.Name, c.Bytes));
        EXPECT_EQ(info.Valid, 1);
        EXPECT_EQ(info.LengthMs, c.LengthMs);
        EXPECT_EQ(info.Problem, "");
    }
}

std::vector<uint8_t> OggPage(uint8_t pType, int64_t pGranule, const std::vector<uint8_t>& pData) {
    return Join({Ascii("OggS"),
                 {0, pType},
                 Le(uint64_t(pGranule), 8),
                 Le(7, 4),
                 Le(0, 4),
                 Le(0, 4),
                 {1, uint8_t(pData.size())},
                 pData});
}

TEST(AudioInfo, LosslessAndOggContainersAreDescribedFromTheirHeaders) {
    ScratchFolder folder;
    struct Case {
        std::string Path;
        int32_t LengthMs;
        const char* Text;
    };
    std::vector<Case> cases = {
        {folder.Write("a.ogg", FixtureBytes("ogg-named.mp3")), 1500, "vorbis(44100Hz/Stereo)"},
        // Opus: 48 kHz granules less the pre-skip of 312.
        {folder.Write(
             "a.opus",
             Join({OggPage(2, 0,
                           Join({Ascii("OpusHead"), {1, 2}, Le(312, 2), Le(44100, 4), {0, 0, 0}})),
                   OggPage(0, 0, Ascii("OpusTags")),
                   OggPage(4, 96312, std::vector<uint8_t>(40, 1))})),
         2000, "opus(48000Hz/Stereo)"},
        // AIFC: "COMM" with a compression type; 22050 frames at 44100 Hz (80-bit 0x400E AC44).
        {folder.Write("a.aifc", Join({Ascii("FORM"),
                                      Be(46, 4),
                                      Ascii("AIFC"),
                                      Ascii("COMM"),
                                      Be(24, 4),
                                      Be(2, 2),
                                      Be(22050, 4),
                                      Be(16, 2),
                                      {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0},
                                      Ascii("NONE"),
                                      {0, 0}})),
         500, "aifc(44100Hz/16bit/Stereo)"},
    };
    // Files from a real encoder when there is one: 1.3 s of 8 kHz mono.
    for (const char* ext : {"flac", "w64", "aiff"}) {
        const std::string path = folder.Path(std::string("sine.") + ext);
        const std::string command = "ffmpeg -hide_banner -loglevel error -y -f lavfi -i "
                                    "sine=sample_rate=8000:duration=1.3 '" +
                                    path + "' 2>/dev/null";
        if (std::system(command.c_str()) == 0)
            cases.push_back({path, 1300, nullptr});
        else
            ADD_FAILURE() << "ffmpeg cannot write " << ext;
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        AudioInfo info = GetAudioInfo(c.Path);
        EXPECT_EQ(info.Valid, 1);
        EXPECT_EQ(info.LengthMs, c.LengthMs);
        const std::string ext = c.Path.substr(c.Path.rfind('.') + 1);
        EXPECT_EQ(info.Text, c.Text ? c.Text : ext + "(8000Hz/16bit/Mono)");
    }
}

TEST(AudioInfo, FilesWithoutAudioAreNotValidWhateverTheirName) {
    std::vector<uint8_t> noise(4096);
    uint32_t seed = 12345;
    for (auto& b : noise)
        b = uint8_t((seed = seed * 1103515245 + 12345) >> 16);
    const std::vector<uint8_t> text = Ascii("just some words\nand more words\n");
    std::vector<uint8_t> cut = FixtureBytes("audio.m4a");
    cut.resize(2000); // the "moov" box is gone
    ScratchFolder folder;
    for (const char* ext : {"mp3", "mp2", "wav", "m4a", "wma", "aac", "mid", "mpg", "aiff", "ogg",
                            "flac", "opus", "w64"}) {
        for (const auto& [stem, bytes] :
             {std::pair{"empty", std::vector<uint8_t>()}, std::pair{"noise", noise},
              std::pair{"text", text}, std::pair{"cut", cut}}) {
            const std::string name = std::string(stem) + "." + ext;
            SCOPED_TRACE(name);
            auto start = std::chrono::steady_clock::now();
            AudioInfo info = GetAudioInfo(folder.Write(name, bytes));
            auto took = std::chrono::steady_clock::now() - start;
            EXPECT_EQ(info.Valid, 0);
            EXPECT_EQ(info.LengthMs, 0);
            EXPECT_EQ(info.Problem, bytes.empty() ? "empty file" : "cannot read");
            EXPECT_LT(took, std::chrono::milliseconds(2500));
        }
    }
}

TEST(AudioInfo, UnknownExtensionAndMissingFile) {
    ScratchFolder folder;
    std::string text = folder.Write("notes.txt", {'h', 'i', '\n'});
    AudioInfo info = GetAudioInfo(text);
    EXPECT_EQ(info.Valid, 0);
    EXPECT_EQ(info.LengthMs, 0);
    EXPECT_EQ(info.Text, "plain text document");
    EXPECT_EQ(info.Problem, "not a sound file it can describe");

    AudioInfo missing = GetAudioInfo(folder.Path("gone.wav"));
    EXPECT_EQ(missing.Valid, 0);
    EXPECT_EQ(missing.LengthMs, 0);
    EXPECT_EQ(missing.Text, "");
}

} // namespace
