#include "engine/SourceReader.h"

#include <algorithm>
#include <climits>

SourceReader::SourceReader(FileHandle pHandle, const WaveInfo& pInfo, int64_t pEnd,
                           int64_t pPieceFrames)
    : m_Handle(pHandle), m_DataOffset(pInfo.DataOffset), m_BlockAlign(pInfo.BlockAlign),
      m_End(pEnd), m_PieceFrames(std::max<int64_t>(pPieceFrames, 1)) {}

SourceReader::~SourceReader() {
    if (m_Worker.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Stop = true;
        }
        m_Changed.notify_all();
        m_Worker.join();
    }
}

bool SourceReader::ReadInto(Piece& pPiece, int64_t pFirstFrame, int64_t pFrames) {
    pPiece.First = pFirstFrame;
    pPiece.Frames = pFrames;
    pPiece.Ok = false;
    const int64_t bytes = pFrames * m_BlockAlign;
    if (pFirstFrame < 0 || pFrames < 0 || pFrames > m_PieceFrames || bytes > INT32_MAX)
        return false;
    if (!pPiece.Data)
        pPiece.Data.reset(new uint8_t[size_t(std::max<int64_t>(m_PieceFrames * m_BlockAlign, 1))]);
    int64_t got = 0;
    if (!ReadByHandle(m_Handle, m_DataOffset + pFirstFrame * m_BlockAlign, pPiece.Data.get(),
                      int32_t(bytes), &got) ||
        got < bytes)
        return false;
    pPiece.Ok = true;
    return true;
}

uint8_t* SourceReader::Read(int64_t pFirstFrame, int64_t pFrames) {
    WaitForReadAhead();
    const int next = 1 - m_Current;
    Piece& piece = m_Pieces[next];
    if (piece.First != pFirstFrame || piece.Frames != pFrames)
        ReadInto(piece, pFirstFrame, pFrames); // not the piece read ahead
    if (!piece.Ok) return nullptr;
    m_Current = next;
    const int64_t after = pFirstFrame + pFrames;
    ReadAhead(after, std::min(m_PieceFrames, m_End - after));
    return piece.Data.get();
}

void SourceReader::ReadAhead(int64_t pFirstFrame, int64_t pFrames) {
    if (pFrames <= 0) return;
    Piece& piece = m_Pieces[1 - m_Current];
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        piece.First = pFirstFrame;
        piece.Frames = pFrames;
        piece.Ok = false;
        m_Requested = true;
    }
    if (!m_Worker.joinable())
        m_Worker = std::thread(&SourceReader::Work, this);
    else
        m_Changed.notify_all();
}

void SourceReader::WaitForReadAhead() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait(lock, [this] { return !m_Requested; });
}

// The background reader: fills the piece that is not handed out, one request at a time.
void SourceReader::Work() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_Requested || m_Stop; });
        if (m_Stop) return;
        Piece& piece = m_Pieces[1 - m_Current];
        const int64_t first = piece.First, frames = piece.Frames;
        lock.unlock();
        ReadInto(piece, first, frames);
        lock.lock();
        m_Requested = false;
        m_Changed.notify_all();
    }
}
