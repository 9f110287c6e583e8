#include "engine/SourceReader.h"

#include "engine/LevelAnalysis.h"

#include <climits>
#include <cstring>

SourceReader::SourceReader(const std::string& pPath, const WaveInfo& pInfo)
    : m_Handle(OpenForRead(pPath)), m_DataOffset(pInfo.DataOffset), m_BlockAlign(pInfo.BlockAlign),
      m_Silence(SilenceByte(pInfo.BitsPerSample)) {}

SourceReader::~SourceReader() {
    CloseFile(m_Handle);
}

bool SourceReader::ReadFrames(int64_t pFirstFrame, int64_t pFrames, uint8_t* pBuffer) {
    const int64_t bytes = pFrames * m_BlockAlign;
    if (pFirstFrame < 0 || pFrames < 0 || bytes > INT32_MAX) return false;
    int64_t got = 0;
    if (!ReadByHandle(m_Handle, m_DataOffset + pFirstFrame * m_BlockAlign, pBuffer, int32_t(bytes),
                      &got))
        return false;
    if (got < bytes) std::memset(pBuffer + got, m_Silence, size_t(bytes - got));
    return true;
}
