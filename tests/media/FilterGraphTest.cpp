// Filter chains, their log lines and the media object on real files through GStreamer.

#include "media/C_FGraph.h"
#include "media/FCT_AudioInf.h"
#include "media/FCT_Quartz.h"

#include "ErrorLogLines.h"
#include "MediaTestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

using platform::gst::RegisteredFilter;
using ::testing::ElementsAre;

std::vector<RegisteredFilter> Named(std::initializer_list<const char*> pNames) {
    std::vector<RegisteredFilter> filters;
    for (const char* name : pNames)
        filters.push_back({name, "none"});
    return filters;
}

TEST(ProbeFilters, RendererFollowsCandidateOrder) {
    GraphContext ctx;
    ctx.RegFilters = Named({"Default DirectSound Device", " Default WaveOut Device "});
    ProbeFilters(ctx);
    EXPECT_EQ(ctx.RendererName, "default waveout device");
    EXPECT_EQ(ctx.SourceName, "file source (async.)");
    EXPECT_EQ(ctx.ParserName, "wave parser");

    ctx.RegFilters = Named({"Default DirectSound Device"});
    ProbeFilters(ctx);
    EXPECT_EQ(ctx.RendererName, "default directsound device");

    ctx.RegFilters = Named({"Wave Parser"});
    ProbeFilters(ctx);
    EXPECT_EQ(ctx.RendererName, "");
}

TEST(ProbeFilters, DecoderKindsAndThirdMatchStop) {
    GraphContext ctx;
    ctx.RegFilters = Named({"MP3 Decoder DMO"});
    ProbeFilters(ctx);
    EXPECT_EQ(ctx.Mp3DecoderKind, 2);
    EXPECT_EQ(ctx.HasWmaDmo, 0);

    ctx.RegFilters = Named({"MP3 Decoder DMO", "MPEG Layer-3 Decoder", "WMAudio Decoder DMO"});
    ProbeFilters(ctx);
    EXPECT_EQ(ctx.Mp3DecoderKind, 1);
    EXPECT_EQ(ctx.HasWmaDmo, 1);

    // The walk stops after the third match, so a later Layer-3 decoder is not seen.
    ctx = GraphContext{};
    ctx.RegFilters = Named({"WMAudio Decoder DMO", "MP3 Decoder DMO",
                            "Microsoft DTV-DVD Audio Decoder", "MPEG Layer-3 Decoder"});
    ProbeFilters(ctx);
    EXPECT_EQ(ctx.HasDtvDecoder, 1);
    EXPECT_EQ(ctx.Mp3DecoderKind, 2);
}

TEST(ConnectByName, OutputPinChoice) {
    using platform::gst::PinInfo;
    auto idOf = [](const std::vector<PinInfo>& pPins) {
        auto pin = ChooseOutputPin(pPins);
        return pin ? pin->Id : std::string("none");
    };
    EXPECT_EQ(idOf({{0, "In", false}, {1, "Video", false}, {1, "Audio", false}}), "Audio");
    EXPECT_EQ(idOf({{1, "Stream 2", false}, {1, "Stream 1", false}}), "Stream 1");
    EXPECT_EQ(idOf({{0, "In", false}, {1, "Out", false}}), "Out");
    EXPECT_EQ(idOf({{1, "Out A", false}, {1, "Out B", false}}), "Out A");
    EXPECT_EQ(idOf({{0, "In", false}}), "none");
    // Template names of pads still to come count the same way.
    EXPECT_EQ(idOf({{1, "video_%u", true}, {1, "audio_%u", true}, {1, "subtitle_%u", true}}),
              "audio_%u");
}

class FilterGraph : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateGraph(m_Ctx);
        ASSERT_TRUE(m_Ctx.MediaControl && m_Ctx.MediaControl->IsValid());
        ProbeFilters(m_Ctx);
    }
    void TearDown() override { DestroyGraph(m_Ctx); }

    void Unregister(const std::string& pName) {
        auto& f = m_Ctx.RegFilters;
        f.erase(std::remove_if(f.begin(), f.end(),
                               [&](const RegisteredFilter& pR) { return pR.Name == pName; }),
                f.end());
    }
    std::vector<std::string> GraphFilterNames() const {
        std::vector<std::string> names;
        for (int32_t i = 0; i < m_Ctx.MediaControl->FilterCount(); ++i)
            names.push_back(m_Ctx.MediaControl->FilterName(i));
        return names;
    }

    GraphContext m_Ctx;
    ScratchFolder m_Folder;
};

TEST_F(FilterGraph, ProbeOnThisSystemFindsRendererAndDecoders) {
    EXPECT_EQ(m_Ctx.RendererName, "default waveout device");
    EXPECT_EQ(m_Ctx.HasWmaDmo, 1);
    EXPECT_EQ(m_Ctx.Mp3DecoderKind, 1);
}

TEST_F(FilterGraph, WaveChainConnectsSourceParserRenderer) {
    ErrorLogLines log;
    EXPECT_EQ(SetupPinsToDecode(FixturePath("pcm8-mono.wav"), 0, m_Ctx), 1);
    EXPECT_THAT(GraphFilterNames(),
                ElementsAre("File Source (Async.)", "Wave Parser", "Default WaveOut Device"));
    auto seconds = m_Ctx.MediaControl->Duration(C_FGraph::PrerollTimeoutMs);
    ASSERT_TRUE(seconds);
    EXPECT_NEAR(*seconds, 0.8, 0.001);
    // A second attempt for a wav file fails at once and logs nothing.
    EXPECT_EQ(SetupPinsToDecode(FixturePath("pcm8-mono.wav"), 1, m_Ctx), 0);
    EXPECT_TRUE(log.New().empty());
}

TEST_F(FilterGraph, WithoutRendererTheLastLinkIsNotFound) {
    Unregister("Default WaveOut Device");
    Unregister("Default DirectSound Device");
    ProbeFilters(m_Ctx);
    ASSERT_EQ(m_Ctx.RendererName, "");
    ErrorLogLines log;
    EXPECT_EQ(SetupPinsToDecode(FixturePath("pcm8-mono.wav"), 0, m_Ctx), 0);
    EXPECT_THAT(log.New(),
                ElementsAre("not found", "SetupPinsToDecode wave parser# connect failed"));
}

TEST_F(FilterGraph, Mp3ChainUsesTheDecoderFoundByProbe) {
    Unregister("MPEG Layer-3 Decoder");
    ProbeFilters(m_Ctx);
    ASSERT_EQ(m_Ctx.Mp3DecoderKind, 2);
    EXPECT_EQ(SetupPinsToDecode(FixturePath("cbr44-stereo.mp3"), 0, m_Ctx), 1);
    EXPECT_THAT(GraphFilterNames(), ElementsAre("File Source (Async.)", "MPEG-I Stream Splitter",
                                                "MP3 Decoder DMO", "Default WaveOut Device"));
}

TEST_F(FilterGraph, WaveParserReadsAiffWithoutAFailureLine) {
    ErrorLogLines log;
    EXPECT_EQ(SetupPinsToDecode(FixturePath("audio.aiff"), 0, m_Ctx), 1);
    auto seconds = m_Ctx.MediaControl->Duration(C_FGraph::PrerollTimeoutMs);
    ASSERT_TRUE(seconds);
    EXPECT_NEAR(*seconds, 0.8, 0.001);
    EXPECT_TRUE(log.New().empty());
}

TEST_F(FilterGraph, RefusedConnectionLogsTheLink) {
    // Data no parser of the wave parser reads: refused once it flows, and named in the log.
    std::vector<uint8_t> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * 7919 % 251);
    ErrorLogLines log;
    EXPECT_EQ(SetupPinsToDecode(m_Folder.Write("noise.aiff", noise), 0, m_Ctx), 0);
    EXPECT_THAT(log.New(),
                ElementsAre("SetupPinsToDecode wave parser#default waveout device connect failed"));
}

TEST_F(FilterGraph, AsfAudioTheWmaDecoderDoesNotTakeIsALoggedFailure) {
    // The demuxer's audio pad appears only once data flows; MP3 inside ASF is no WMA.
    ErrorLogLines log;
    EXPECT_EQ(SetupPinsToDecode(FixturePath("mp3-in-asf.wma"), 0, m_Ctx), 0);
    EXPECT_THAT(log.New(),
                ElementsAre("SetupPinsToDecode wm asf reader#wmaudio decoder dmo connect failed"));
}

TEST_F(FilterGraph, WmaInRiffTakesParserAndDmoChain) {
    // Format tag 353 (WMA version 2).
    ErrorLogLines log;
    EXPECT_EQ(SetupPinsToDecode(FixturePath("wmav2-in-riff.wav"), 0, m_Ctx), 1);
    EXPECT_THAT(GraphFilterNames(), ElementsAre("File Source (Async.)", "Wave Parser",
                                                "WMAudio Decoder DMO", "Default WaveOut Device"));
    auto seconds = m_Ctx.MediaControl->Duration(C_FGraph::PrerollTimeoutMs);
    ASSERT_TRUE(seconds);
    EXPECT_NEAR(*seconds, 0.836, 0.01); // estimated from the byte rate
    EXPECT_TRUE(log.New().empty());
}

TEST(MediaObject, MissingFileGivesNothingAndNoLogLine) {
    ErrorLogLines log;
    C_FGraph graph;
    graph.Init();
    graph.FileName("/nonexistent/quillan/none.wma");
    EXPECT_EQ(graph.Length(), 0);
    EXPECT_EQ(graph.FileName(), "");
    EXPECT_TRUE(log.New().empty());
}

TEST(MediaObject, UnknownKeyFallsBackToRenderAndBuildsOnce) {
    std::string path = FixturePath("audio.au");
    ErrorLogLines log;
    C_FGraph graph;
    graph.Init();
    graph.FileName(path);
    EXPECT_EQ(graph.Length(), 800);
    EXPECT_EQ(graph.FileName(), path);
    std::string line = "SetupPinsToDecode Unknown Filetype #" + path;
    EXPECT_THAT(log.New(), ElementsAre(line, line));

    graph.FileName(path); // the same path again: no new graph, no new lines
    EXPECT_EQ(log.New().size(), 2u);
    EXPECT_EQ(graph.Length(), 800);

    graph.CloseWave();
    EXPECT_EQ(graph.Length(), 0);
    EXPECT_EQ(graph.FileName(), "");
}

int32_t LengthOf(const std::string& pPath) {
    C_FGraph graph;
    graph.Init();
    graph.FileName(pPath);
    return graph.Length();
}

TEST(MediaObject, WmaVersionOneUnderEveryAsfName) {
    ScratchFolder folder;
    std::ifstream in(FixturePath("wmav1.wma"), std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    for (const char* name : {"v1.wma", "v1.asf", "v1.wmv"}) {
        ErrorLogLines log;
        EXPECT_EQ(LengthOf(folder.Write(name, bytes)), 835) << name;
        EXPECT_TRUE(log.New().empty()) << name;
    }
}

TEST(MediaObject, PrerollFailureTakesTheFallbackAndLogsIt) {
    // Connected by name, refused when data flows: the next attempts decode it.
    std::string path = FixturePath("mp3-in-asf.wma");
    ErrorLogLines log;
    EXPECT_EQ(LengthOf(path), 850);
    EXPECT_THAT(log.New(),
                ElementsAre("SetupPinsToDecode wm asf reader#wmaudio decoder dmo connect failed",
                            "windows media source filternot found",
                            "SetupPinsToDecode windows media source filter#asf acm handler "
                            "connect failed"));
}

TEST(MediaObject, ProgramStreamMidiAndAiffGetTheirLengths) {
    // A program stream through the demuxer, a MIDI tune synthesised without an audio device,
    // an AIFF file without a failure line.
    ErrorLogLines log;
    EXPECT_NEAR(LengthOf(FixturePath("program.mpg")), 810, 27); // one MPEG audio frame
    // The audio splitter takes no program stream; the last resort demuxes it.
    EXPECT_THAT(log.New(), ElementsAre("SetupPinsToDecode file source (async.)#mpeg-i stream "
                                       "splitter connect failed"));
    ErrorLogLines midiLog;
    EXPECT_EQ(LengthOf(FixturePath("tone.mid")), 1000);
    EXPECT_EQ(LengthOf(FixturePath("audio.aiff")), 800);
    EXPECT_TRUE(midiLog.New().empty());
}

TEST(MediaObject, CompressedWaveTakesItsLengthFromTheFactChunk) {
    // GStreamer's own estimate for these is off by tens of percent.
    for (auto [name, ms] : {std::pair{"adpcm.wav", 800}, std::pair{"adpcm44-stereo.wav", 200}}) {
        C_FGraph graph;
        graph.Init();
        graph.FileName(FixturePath(name));
        EXPECT_EQ(graph.Length(), ms) << name;
    }
}

TEST(MediaObject, UnreadableFileEndsWithLengthZero) {
    ScratchFolder folder;
    // A FIFO is never opened: reading it would wait for a writer.
    std::string fifo = folder.Path("pipe.wma");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    C_FGraph fifoGraph;
    fifoGraph.Init();
    fifoGraph.FileName(fifo);
    EXPECT_EQ(fifoGraph.Length(), 0);

    std::vector<uint8_t> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * 7919 % 251);
    for (const char* name : {"noise.wma", "noise.m4a", "noise.aiff", "noise.mid"}) {
        C_FGraph graph;
        graph.Init();
        graph.FileName(folder.Write(name, noise));
        EXPECT_EQ(graph.Length(), 0) << name;
        EXPECT_EQ(graph.FileName(), "") << name;
    }
}

} // namespace
