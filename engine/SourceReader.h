#pragma once

// Reads whole frames of a source WAV file's audio through one read handle. Bytes past the
// end of the file (a data size field larger than the file) read as the format's silence.

#include "engine/FileIO.h"
#include "engine/WaveMMIO.h"

#include <cstdint>
#include <string>

class SourceReader {
  public:
    SourceReader(const std::string& pPath, const WaveInfo& pInfo);
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    bool IsOpen() const { return m_Handle > 0; }
    // Reads pFrames frames from frame pFirstFrame of the data chunk into pBuffer.
    // false on an I/O error (the buffer content is then undefined).
    bool ReadFrames(int64_t pFirstFrame, int64_t pFrames, uint8_t* pBuffer);

  private:
    FileHandle m_Handle = 0;
    int64_t m_DataOffset = 0;
    int64_t m_BlockAlign = 1;
    uint8_t m_Silence = 0;
};
