#pragma once

// Feeds a first measuring pass piece by piece: analysis blocks of 0.3 s run across the
// pieces a reader hands out, whole blocks inside a piece go in one call. The edit job and
// the window's overview both read a file this way, so that their levels agree to the bit.

#include "engine/LevelAnalysis.h"

#include <algorithm>
#include <cstdint>

class FirstPassFeed {
  public:
    // The pass covers the frames [pFrom, pTo); pAlign is the bytes of one frame.
    FirstPassFeed(FirstPass& pPass, int64_t pFrom, int64_t pTo, int64_t pAlign)
        : m_Pass(pPass), m_To(pTo), m_Align(pAlign),
          m_BlockEnd(std::min(pFrom + pPass.BlockFrames, pTo)) {}

    // The frames [pPos, pPos + pFrames) in order after the previous piece. pBlockStart() is
    // called before each block is begun, pBlockDone(blockEnd) after each block is closed.
    template <typename Start, typename Done>
    void Piece(const uint8_t* pPiece, int64_t pPos, int64_t pFrames, Start pBlockStart,
               Done pBlockDone);

  private:
    FirstPass& m_Pass;
    int64_t m_To;
    int64_t m_Align;
    int64_t m_BlockEnd;
    bool m_BlockOpen = false;
};

template <typename Start, typename Done>
void FirstPassFeed::Piece(const uint8_t* pPiece, int64_t pPos, int64_t pFrames, Start pBlockStart,
                          Done pBlockDone) {
    const int64_t blockFrames = m_Pass.BlockFrames;
    const auto closed = [&] {
        pBlockDone(m_BlockEnd);
        m_BlockEnd = std::min(m_BlockEnd + blockFrames, m_To);
    };
    for (int64_t k = 0; k < pFrames;) {
        if (!m_BlockOpen) {
            pBlockStart();
            // Whole blocks in this piece go in one call, which may sum several at once.
            const int64_t whole = (pFrames - k) / blockFrames;
            if (whole > 0) {
                m_Pass.FeedBlocks(pPiece + k * m_Align, whole, pPos + k, closed);
                k += whole * blockFrames;
                continue;
            }
            m_BlockOpen = true;
        }
        const int64_t m = std::min(m_BlockEnd - (pPos + k), pFrames - k);
        m_Pass.Feed(pPiece + k * m_Align, m, pPos + k);
        k += m;
        if (pPos + k == m_BlockEnd) {
            m_Pass.EndBlock();
            m_BlockOpen = false;
            closed();
        }
    }
}
