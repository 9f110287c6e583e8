#include "engine/WaveMMIO.h"

int32_t WaveFormatCode(int32_t, int32_t) {
    return -1;
}
WaveInfo ReadWaveInfo(const std::string&) {
    return {};
}
int64_t FindChunk(const std::string&, uint32_t) {
    return -1;
}
FileHandle WriteWaveHeader(int32_t, int16_t, int16_t, const std::string&, int32_t, int32_t) {
    return 0;
}
int32_t FixWaveSizes(const std::string&, int32_t, int32_t, FileHandle) {
    return 0;
}
int32_t SetWaveDataSize(const std::string&, int64_t, FileHandle) {
    return 0;
}
void Unpack24Mono(const std::vector<Packed24Mono>&, std::vector<int32_t>&) {}
void Unpack24Stereo(const std::vector<Packed24Stereo>&, std::vector<SamplePair>&) {}
void Pack24Mono(const std::vector<int32_t>&, std::vector<Packed24Mono>&) {}
void Pack24Stereo(const std::vector<SamplePair>&, std::vector<Packed24Stereo>&) {}
std::string GetSoundFileType(const std::string&) {
    return {};
}
