#pragma once

// Reads whole frames of a source WAV file's audio through the job's read handle, which the
// reader uses but does not own. The frames asked for lie inside the data; a read that comes
// back short (the file was cut meanwhile) is a failed read.
// A pass asks for its pieces in order; while the caller works on one piece, the next one is
// read in the background, so that the kernel's copy overlaps the sample loops.

#include "engine/FileIO.h"
#include "engine/WaveMMIO.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class SourceReader {
  public:
    // The pass reads frames up to pEnd (exclusive), in pieces of at most pPieceFrames.
    SourceReader(FileHandle pHandle, const WaveInfo& pInfo, int64_t pEnd, int64_t pPieceFrames);
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    bool IsOpen() const { return m_Handle > 0; }
    // Frames [pFirstFrame, pFirstFrame + pFrames), pFrames at most the piece length. The
    // buffer may be changed by the caller and stays valid until the next call; nullptr after
    // an I/O error.
    uint8_t* Read(int64_t pFirstFrame, int64_t pFrames);

  private:
    struct Piece {
        std::unique_ptr<uint8_t[]> Data;
        int64_t First = -1;
        int64_t Frames = 0;
        bool Ok = false;
    };
    bool ReadInto(Piece& pPiece, int64_t pFirstFrame, int64_t pFrames);
    void ReadAhead(int64_t pFirstFrame, int64_t pFrames);
    void WaitForReadAhead();
    void Work();

    FileHandle m_Handle = 0;
    int64_t m_DataOffset = 0;
    int64_t m_BlockAlign = 1;
    int64_t m_End = 0;
    int64_t m_PieceFrames = 1;
    Piece m_Pieces[2];
    int m_Current = 0; // the piece last handed out; the other one is read ahead

    std::thread m_Worker;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_Requested = false; // a read-ahead is queued or running
    bool m_Stop = false;
};
