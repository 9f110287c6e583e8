// The window's results keep the source's metadata chunks, also over the source with
// OverWrite; the stored KeepMetadata=0 gives the bare header and survives the window.

#include "WindowFixture.h"

#include "common/WavChunks.h"
#include "controls/UC_Check.h"
#include "services/store/Settings.h"

#include <fstream>

using namespace testwindow;
using namespace wavchunks;

namespace {

// 16-bit mono at 8 kHz: sound over [2000, 6000) of 8000 frames, a title and a cue point.
void WriteTaggedTake(const std::string& pPath) {
    Bytes data;
    for (uint32_t i = 0; i < 8000; ++i)
        PutU16(data, i >= 2000 && i < 6000 ? uint32_t(i % 2 ? 16000 : -16000) & 0xFFFF : 0);
    const Bytes wav =
        Wav(8000, 16, 1, data, {List("INFO", {InfoText("INAM", "Night bus")})}, {Cue({{1, 2500}})});
    std::ofstream(pPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
}

std::vector<std::string> ChunkIds(const std::string& pPath) {
    const std::string bytes = testfiles::ReadBytes(pPath);
    const auto chunks = StrictChunks(Bytes(bytes.begin(), bytes.end()));
    EXPECT_TRUE(chunks.has_value()) << pPath;
    return chunks ? Ids(*chunks) : std::vector<std::string>{};
}

} // namespace

TEST_F(WindowTest, OverWriteKeepsTheMetadataUnlessTheStoredSettingSaysNo) {
    const std::string take = folderIn + "/take.wav";
    WriteTaggedTake(take);
    auto w = OpenWindow();
    ClickCentre(w->Panel()->OverWriteBox());
    DropFiles(*w, {take});
    StartAndWait(*w);
    EXPECT_EQ(ChunkIds(take), (std::vector<std::string>{"fmt ", "LIST", "data", "cue "}));
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("KeepMetadata", ""), "1");

    WriteSetting("KeepMetadata", "0");
    WriteTaggedTake(take);
    w = OpenWindow();
    DropFiles(*w, {take});
    StartAndWait(*w);
    EXPECT_EQ(ChunkIds(take), (std::vector<std::string>{"fmt ", "data"}));
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("KeepMetadata", ""), "0"); // the window has no control that resets it
}
