// Feeds arbitrary bytes to the header reader and the chunk walk through a file: every input
// must give a record or -1, with no crash and no unbounded loop.
//
// The first byte chooses how the file is made. Even: the rest is the file. Odd: the next two
// bytes give a count of empty "JUNK" chunks and the file is the next 12 bytes (the RIFF
// header), those chunks, then the remaining bytes; so short inputs reach the walker's limit of
// 65,536 chunks. A second count byte of 0xFF gives 65,408 + the first (both sides of the
// limit), any other up to 1,023: a walk of 65,536 chunks takes about half a second, so only
// inputs that ask for it pay for it.
#include "engine/WaveMMIO.h"
#include "fuzz/MemoryFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The file an input stands for; pChunks gets the number of empty chunks put in front.
std::vector<uint8_t> BuildFile(const uint8_t* pData, size_t pSize, size_t& pChunks) {
    pChunks = 0;
    if (pSize == 0) return {};
    if ((pData[0] & 1) == 0) return {pData + 1, pData + pSize};
    uint8_t count[2] = {};
    std::memcpy(count, pData + 1, std::min<size_t>(2, pSize - 1));
    const size_t chunks = pChunks = count[1] == 0xff ? 65536 - 128 + size_t(count[0])
                                                     : size_t(count[0]) | size_t(count[1] & 3) << 8;
    const uint8_t* rest = pData + std::min<size_t>(3, pSize);
    const size_t restSize = pSize - size_t(rest - pData);
    const size_t head = std::min<size_t>(12, restSize);
    std::vector<uint8_t> file(rest, rest + head);
    static const uint8_t junk[8] = {'J', 'U', 'N', 'K', 0, 0, 0, 0};
    file.reserve(file.size() + chunks * sizeof junk + restSize - head);
    for (size_t i = 0; i < chunks; ++i)
        file.insert(file.end(), junk, junk + sizeof junk);
    file.insert(file.end(), rest + head, rest + restSize);
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize) {
    static MemoryFile scratch;
    size_t chunks = 0;
    const std::vector<uint8_t> file = BuildFile(pData, pSize, chunks);
    scratch.Fill(file.data(), file.size());
    const int64_t size = int64_t(file.size());
    const WaveInfo info = ReadWaveInfo(scratch.Path());
    if (info.Valid == 1) {
        // A valid record must be self-consistent.
        if (info.FormatCode < 0 || info.FormatCode > 41 || info.SampleRate <= 0 ||
            info.FileSize != size || info.DataOffset < 20 || info.SampleFrames < 0)
            std::abort();
        // The data never reaches past the end of the file.
        if (info.DataSize < 0 || info.DataOffset + info.DataSize > size ||
            int64_t(info.SampleFrames) * info.BlockAlign > info.DataSize)
            std::abort();
    }
    (void)EncodingName(info);
    (void)LayoutProblem(info);
    const int64_t data = FindChunk(scratch.Path(), kChunkData);
    if (data != -1 && (data < 12 || data + 4 > size)) std::abort();
    // The walk stops after 65,536 chunks: behind that many empty ones nothing is found.
    if (chunks >= 65536 && (data != -1 || info.Valid != 0)) std::abort();
    (void)GetSoundFileType(scratch.Path());
    return 0;
}
